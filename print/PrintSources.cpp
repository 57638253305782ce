#include "PrintSources.h"

#include <algorithm>
#include <array>
#include <utility>

#include "BrowseGrids.h"
#include "StringGrid.h"
#include "browse/RaceTexts.h"
#include "records/RaceCardTable.h"

namespace turfpad {

std::vector<PrintedRace> PrintedRacesOf(const RaceCardTable& table, const std::vector<int>& raceSlots) {
    std::vector<PrintedRace> races;
    races.reserve(raceSlots.size());
    for (int slot : raceSlots) {
        if (slot < 0 || slot >= kRacesPerDay) continue;
        const std::string& ra = table.RaLine(slot);
        // Only the runners within the head count are the race's; the slots past it print blank.
        const int runners = std::clamp(NumberOf(ra, ra::HeadCount), 0, kRunnersPerRace);
        std::array<std::string, kRunnersPerRace> se;
        for (int j = 0; j < runners; ++j) se[static_cast<std::size_t>(j)] = table.SeLine(slot, j);
        races.push_back(PrintedRaceFromRecords(ra, se));
    }
    return races;
}

// ----- a grid on the screen -----

int StringGridSource::ColCount() const { return grid_.ColCount(); }
int StringGridSource::RowCount() const { return grid_.RowCount(); }
int StringGridSource::ColWidth(int col) const { return grid_.ColWidths(col); }
int StringGridSource::RowHeight(int row) const { return grid_.RowHeights(row); }
QString StringGridSource::Cell(int col, int row) const { return grid_.Cells(col, row); }
QFont StringGridSource::Font() const { return grid_.font(); }
int StringGridSource::DpiX() const { return grid_.logicalDpiX(); }
int StringGridSource::DpiY() const { return grid_.logicalDpiY(); }

// ----- cell texts -----

CellGridSource::CellGridSource(CellMatrix cells, std::vector<int> colWidths, std::vector<int> rowHeights, QFont font,
                               int dpiX, int dpiY)
    : cells_(std::move(cells)),
      colWidths_(std::move(colWidths)),
      rowHeights_(std::move(rowHeights)),
      font_(std::move(font)),
      dpiX_(dpiX),
      dpiY_(dpiY) {}

int CellGridSource::ColCount() const { return static_cast<int>(colWidths_.size()); }
int CellGridSource::RowCount() const { return static_cast<int>(cells_.size()); }

int CellGridSource::ColWidth(int col) const {
    if (col < 0 || col >= ColCount()) return 0;
    return colWidths_[static_cast<std::size_t>(col)];
}

int CellGridSource::RowHeight(int row) const {
    if (row < 0 || row >= RowCount() || rowHeights_.empty()) return 0;
    return rowHeights_[std::min(static_cast<std::size_t>(row), rowHeights_.size() - 1)];
}

QString CellGridSource::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return {};
    const std::vector<std::string>& cells = cells_[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(col) >= cells.size()) return {};
    return Cp932ToQString(cells[static_cast<std::size_t>(col)]);
}

CellGridSource ScheduleGridSource(CellMatrix cells) {
    const auto& widths = ScheduleColumnWidths();
    return CellGridSource(std::move(cells), std::vector<int>(widths.begin(), widths.end()), {kGridRowHeight},
                          GridFont(), 96, 96);
}

}  // namespace turfpad
