// What printing takes from the browsing module: the printed races of a day's race card
// table, and a string grid as a grid source for the grid printer.
#pragma once

#include <vector>

#include "PrintGridSource.h"
#include "PrintedRace.h"
#include "RaceCardTable.h"
#include "TStringGrid.h"

namespace turfpad {

// One printed race per race slot, in the order given, from the table's stored lines.
inline std::vector<PrintedRace> PrintedRacesOf(const RaceCardTable& table, const std::vector<int>& raceSlots) {
    std::vector<PrintedRace> races;
    for (int k : raceSlots) {
        std::vector<std::string> runners;
        for (int j = 0; j < kRunnersPerRace; ++j) runners.push_back(table.SeLine(k, j));
        races.push_back(PrintedRaceFromRecords(table.RaLine(k), runners));
    }
    return races;
}

// A string grid as the grid printer sees it: its cells, sizes, font and screen.
class StringGridSource : public PrintGridSource {
  public:
    explicit StringGridSource(const TStringGrid& grid) : grid_(grid) {}
    int ColCount() const override { return grid_.ColCount(); }
    int RowCount() const override { return grid_.RowCount(); }
    int ColWidth(int col) const override { return grid_.ColWidths(col); }
    int RowHeight(int row) const override { return grid_.RowHeights(row); }
    QString Cell(int col, int row) const override { return grid_.Cells(col, row); }
    QFont Font() const override { return grid_.font(); }
    int DpiX() const override { return grid_.logicalDpiX(); }
    int DpiY() const override { return grid_.logicalDpiY(); }

  private:
    const TStringGrid& grid_;
};

}  // namespace turfpad
