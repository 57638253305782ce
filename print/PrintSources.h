// What printing takes from the browsing screens: the printed races of the chosen day from the
// race card table, and the grids the grid printer prints, either a grid on the screen or a
// matrix of cell texts laid out as a grid would be (for the command line).
#pragma once

#include <QFont>
#include <string>
#include <vector>

#include "PrintGridSource.h"
#include "browse/ClipboardText.h"
#include "browse/PrintedRace.h"

namespace turfpad {

class RaceCardTable;
class TStringGrid;

// One printed race per race slot, in the order given (the race list's), taken from the
// table's stored lines. Runners beyond the race's head count print blank whatever the table
// holds for them, and a race has at most 18. A slot outside 0..11 names no race and gives no
// page.
std::vector<PrintedRace> PrintedRacesOf(const RaceCardTable& table, const std::vector<int>& raceSlots);

// A string grid as it is on the screen: its cells, its column widths and row heights (without
// the grid line), its font and the resolution of the screen it is on. The grid is
// referenced and must outlive the source.
class StringGridSource : public PrintGridSource {
  public:
    explicit StringGridSource(const TStringGrid& grid) : grid_(grid) {}

    int ColCount() const override;
    int RowCount() const override;
    int ColWidth(int col) const override;
    int RowHeight(int row) const override;
    QString Cell(int col, int row) const override;
    QFont Font() const override;
    int DpiX() const override;
    int DpiY() const override;

  private:
    const TStringGrid& grid_;
};

// Cell texts (cp932, [row][column]) laid out with given column widths and row heights in
// pixels, a font and a screen resolution. The grid has as many columns as there are widths;
// a row shorter than that reads its missing cells empty, and a row without a height of its
// own takes the last height given.
class CellGridSource : public PrintGridSource {
  public:
    CellGridSource(CellMatrix cells, std::vector<int> colWidths, std::vector<int> rowHeights, QFont font, int dpiX,
                   int dpiY);

    int ColCount() const override;
    int RowCount() const override;
    int ColWidth(int col) const override;
    int RowHeight(int row) const override;
    QString Cell(int col, int row) const override;
    QFont Font() const override { return font_; }
    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }

  private:
    CellMatrix cells_;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    QFont font_;
    int dpiX_;
    int dpiY_;
};

// The schedule grid as the main window shows it on a standard screen: the schedule's cells
// (header row first) with its column widths, rows of 15 pixels, the grid font and 96 dpi.
// A QGuiApplication must exist (for the font).
CellGridSource ScheduleGridSource(CellMatrix cells);

}  // namespace turfpad
