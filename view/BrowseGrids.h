// The two grids of the main window's tabs, set up with their headers, widths, heights and
// font: the schedule of the day's races (StringGrid1) and the race card (StringGrid2), which
// draws its runner rows itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "RaceCardDrawing.h"
#include "StringGrid.h"
#include "browse/RaceTexts.h"

namespace turfpad {

// The font both grids use: "ＭＳ ゴシック" at 12 pixels.
QFont GridFont();

// The grid range copy: puts the title (cp932) and the cells from column `left`, row `top` to
// column `right`, row `bottom` on the clipboard as plain text (GridRangeText's rules; a
// rejected range leaves an empty text there).
void CopyGridRange(const TStringGrid& grid, int left, int top, int right, int bottom, std::string_view title);
// Puts cp932 text on the clipboard as plain text.
void SetClipboardCp932(const std::string& text);

// 8 columns, the header row fixed, no fixed column, rows of 15 pixels, whole-row selection.
class TScheduleGrid : public TStringGrid {
    Q_OBJECT
  public:
    explicit TScheduleGrid(QWidget* parent = nullptr);
    // Reduces the grid to its header row, adds one row per race, makes row 0 fixed again and
    // clears the selection.
    void Fill(const std::vector<ScheduleRow>& rows);
};

// 9 columns, the first two and the header row fixed, header row 27 pixels high, runner rows
// 15, whole-row selection, drawn by RaceCardDelegate.
class TRaceCardGrid : public TStringGrid {
    Q_OBJECT
  public:
    explicit TRaceCardGrid(QWidget* parent = nullptr);
    // The table whose current race the drawing shows (not owned).
    void SetTable(const RaceCardTable* table);
    // Header row plus one row per runner.
    void Fill(const std::vector<RaceCardRow>& rows);
    RaceCardDelegate& Drawing() { return *drawing_; }

  private:
    RaceCardDelegate* drawing_;
};

}  // namespace turfpad
