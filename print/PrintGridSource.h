// What the grid printer needs of a string grid: its cells, the on-screen size of its rows and
// columns, its font and the resolution of the screen it is shown on.
#pragma once

#include <QFont>
#include <QString>

namespace turfpad {

class PrintGridSource {
  public:
    virtual ~PrintGridSource() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    // Sizes in screen pixels.
    virtual int ColWidth(int col) const = 0;
    virtual int RowHeight(int row) const = 0;
    virtual QString Cell(int col, int row) const = 0;
    // The grid's font; its size is taken in points (a pixel size counts at DpiY).
    virtual QFont Font() const = 0;
    // Logical pixels per inch of the grid's screen.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
};

}  // namespace turfpad
