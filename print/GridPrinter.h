// The grid printer: prints a string grid as ruled cells at the size the grid has on screen,
// broken into pages across and down when it does not fit, with events before and after the
// cells of each page. Plus the schedule's page header and print command.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QWidget;

namespace turfpad {

class Printer;
class PrintGridSource;

class TStrGridPrinter {
  public:
    using PageEvent = std::function<void(TStrGridPrinter& sender)>;

    // The printer is used, not owned. Measures at once.
    explicit TStrGridPrinter(Printer* printer);

    // The grid to print, referenced.
    PrintGridSource* TargetGrid = nullptr;
    int LeftMargin = 10;    // mm
    int TopMargin = 10;     // mm
    int RightMargin = 5;    // mm
    int BottomMargin = 10;  // mm
    int MojiLeft = 2;       // text offset in a cell, grid pixels
    int MojiTop = 2;
    int ScreenRatioX = 1000;  // per mille; kept for the settings, printing does not use it
    int ScreenRatioY = 1000;
    PageEvent OnBeginPage;
    PageEvent OnEndPage;

    // Reads the resolutions, the margins and the page breaks (only the margins without a
    // grid).
    void Measure();
    // Prints every page: all row bands of the first column band, then of the next, and so on.
    // The caller starts the job before and ends it after.
    void Print();
    // Prints the cells of column band c and row band r (1-based) on the current page.
    void PrintPage(int c, int r);

    // Millimetres to printer pixels from the printable area's top-left corner, for handlers.
    int X(int mm) const;
    int Y(int mm) const;
    // The printer's painter while printing, for handlers.
    QPainter* Canvas() const { return canvas_; }

    // What Measure found.
    double RatioX() const { return ratioX_; }
    double RatioY() const { return ratioY_; }
    int LeftPixels() const { return left_; }
    int TopPixels() const { return top_; }
    int RightPixels() const { return right_; }
    int BottomPixels() const { return bottom_; }
    int PrintableWidth() const { return printableWidth_; }
    int PrintableHeight() const { return printableHeight_; }
    // The first column of each column band and the first row of each row band.
    const std::vector<int>& ColBandStarts() const { return colStarts_; }
    const std::vector<int>& RowBandStarts() const { return rowStarts_; }
    int ColBands() const { return static_cast<int>(colStarts_.size()); }
    int RowBands() const { return static_cast<int>(rowStarts_.size()); }
    int PageTotal() const { return ColBands() * RowBands(); }

    // While a page prints: its bands; after a page: the y just below its last row.
    int CurrentColBand() const { return currentCol_; }
    int CurrentRowBand() const { return currentRow_; }
    int LastY() const { return lastY_; }

  private:
    void PrepareCanvas();

    Printer* printer_;
    QPainter* canvas_ = nullptr;
    int dpiX_ = 0;
    int dpiY_ = 0;
    int gridDpiX_ = 0;
    int gridDpiY_ = 0;
    double ratioX_ = 0;
    double ratioY_ = 0;
    int left_ = 0;
    int top_ = 0;
    int right_ = 0;
    int bottom_ = 0;
    int printableWidth_ = 0;
    int printableHeight_ = 0;
    std::vector<int> colStarts_;
    std::vector<int> rowStarts_;
    int currentCol_ = 0;
    int currentRow_ = 0;
    int lastY_ = 0;
};

// The schedule's page header text for the race key of the current race: "2024年 5月26日"
// (cp932). Month and day are converted strictly; std::invalid_argument otherwise.
std::string ScheduleDateText(std::string_view raceKey);
// Draws that header at (10 mm, 4 mm) in the canvas's font: the main window's OnBeginPage.
void DrawScheduleDateHeader(TStrGridPrinter& sender, std::string_view raceKey);
// Whether the schedule can be printed: a day has been read, so the current race has a key.
bool ScheduleReady(std::string_view raceKey);
// Makes OnBeginPage draw the date header of whatever race is current when a page starts.
void InstallScheduleHeader(TStrGridPrinter& gridPrinter, std::function<std::string()> currentRaceKey);

// The schedule print command: prints `grid` as one job through `gridPrinter` (whose
// OnBeginPage draws the header). Before any day is read (`raceKey` of the current race is
// blank) it warns as race card printing does and prints nothing; without a printer it
// reports that. True when a job was printed.
bool PrintSchedule(QWidget* parent, Printer& printer, TStrGridPrinter& gridPrinter, PrintGridSource& grid,
                   std::string_view raceKey);

// The message when a print job cannot start because there is no printer (UTF-8).
inline constexpr const char* kNoDefaultPrinterMessage = "デフォルト プリンタが存在しません";

}  // namespace turfpad
