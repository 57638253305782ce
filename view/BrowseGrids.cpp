#include "BrowseGrids.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

#include "JapaneseUi.h"
#include "browse/ClipboardText.h"

namespace turfpad {

QFont GridFont() { return PixelFont(QString::fromUtf8(kGothic), kGridFontPixels); }

void SetClipboardCp932(const std::string& text) { QGuiApplication::clipboard()->setText(Cp932ToQString(text)); }

void CopyGridRange(const TStringGrid& grid, int left, int top, int right, int bottom, std::string_view title) {
    auto cell = [&grid](int col, int row) { return QStringToCp932(grid.Cells(col, row)); };
    SetClipboardCp932(GridRangeText(grid.ColCount(), grid.RowCount(), cell, left, top, right, bottom, title));
}

namespace {

template <std::size_t N>
void SetRow(TStringGrid& grid, int row, const std::array<std::string, N>& cells) {
    grid.SetRowCp932(row, std::vector<std::string>(cells.begin(), cells.end()));
}

}  // namespace

TScheduleGrid::TScheduleGrid(QWidget* parent) : TStringGrid(parent) {
    setObjectName("StringGrid1");
    setFont(GridFont());
    SetColCount(kScheduleColumns);
    SetRowCount(1);
    SetFixedCols(0);
    SetFixedRows(1);
    SetDefaultRowHeight(kGridRowHeight);
    SetRowSelect(true);
    SetGridLines(true);
    for (int c = 0; c < kScheduleColumns; ++c) SetColWidths(c, ScheduleColumnWidths()[static_cast<std::size_t>(c)]);
    SetRow(*this, 0, ScheduleHeader());
}

void TScheduleGrid::Fill(const std::vector<ScheduleRow>& rows) {
    SetRowCount(1);
    SetRowCount(1 + static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) SetRow(*this, static_cast<int>(i) + 1, rows[i]);
    SetFixedRows(1);
    ClearSelection();
}

TRaceCardGrid::TRaceCardGrid(QWidget* parent) : TStringGrid(parent) {
    setObjectName("StringGrid2");
    setFont(GridFont());
    SetColCount(kRaceCardColumns);
    SetRowCount(1);
    SetFixedCols(2);
    SetFixedRows(1);
    SetDefaultRowHeight(kGridRowHeight);
    SetRowHeights(0, kRaceCardHeaderHeight);
    SetRowSelect(true);
    SetGridLines(true);
    for (int c = 0; c < kRaceCardColumns; ++c) SetColWidths(c, RaceCardColumnWidths()[static_cast<std::size_t>(c)]);
    SetRow(*this, 0, RaceCardHeader());
    auto drawing = std::make_unique<RaceCardDelegate>(this);
    drawing_ = drawing.get();
    SetCellDelegate(std::move(drawing));
}

void TRaceCardGrid::SetTable(const RaceCardTable* table) {
    drawing_->SetTable(table);
    viewport()->update();
}

void TRaceCardGrid::Fill(const std::vector<RaceCardRow>& rows) {
    SetRowCount(1 + static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) SetRow(*this, static_cast<int>(i) + 1, rows[i]);
    // Each race shown starts at the left edge, its names whole, whatever the last was scrolled to.
    horizontalScrollBar()->setValue(0);
}

}  // namespace turfpad
