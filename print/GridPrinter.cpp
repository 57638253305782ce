#include "GridPrinter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "MessageBox.h"
#include "PagePreview.h"
#include "PrintGridSource.h"
#include "Printer.h"
#include "RaceCardPrint.h"
#include "browse/PrintedRace.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {

// trunc(mm / 25.4 × dpi), worked in whole numbers so that exact values stay exact.
int MmToPixels(int mm, int dpi) { return static_cast<int>(static_cast<std::int64_t>(mm) * dpi * 10 / 254); }

// Breaks sizes into bands that fit `room`: the index where each band starts. A size larger
// than the room gets a band of its own (and the band before it may be empty).
std::vector<int> Bands(int count, int room, const std::function<int(int)>& size) {
    std::vector<int> starts{0};
    int running = 0;
    for (int i = 0; i < count; ++i) {
        int s = size(i);
        if (running + s > room) {
            starts.push_back(i);
            running = s;
        } else {
            running += s;
        }
    }
    return starts;
}

}  // namespace

TStrGridPrinter::TStrGridPrinter(Printer* printer) : printer_(printer) { Measure(); }

int TStrGridPrinter::X(int mm) const { return MmToPixels(mm, dpiX_); }
int TStrGridPrinter::Y(int mm) const { return MmToPixels(mm, dpiY_); }

void TStrGridPrinter::Measure() {
    colStarts_.clear();
    rowStarts_.clear();
    if (printer_ == nullptr || !printer_->Installed()) return;
    dpiX_ = printer_->DpiX();
    dpiY_ = printer_->DpiY();
    left_ = X(LeftMargin);
    right_ = X(RightMargin);
    top_ = Y(TopMargin);
    bottom_ = Y(BottomMargin);
    printableWidth_ = printer_->PrintableSize().width() - left_ - right_;
    printableHeight_ = printer_->PrintableSize().height() - top_ - bottom_;
    if (TargetGrid == nullptr) return;
    gridDpiX_ = TargetGrid->DpiX();
    gridDpiY_ = TargetGrid->DpiY();
    ratioX_ = gridDpiX_ > 0 ? static_cast<double>(dpiX_) / gridDpiX_ : 0;
    ratioY_ = gridDpiY_ > 0 ? static_cast<double>(dpiY_) / gridDpiY_ : 0;
    const PrintGridSource& grid = *TargetGrid;
    rowStarts_ = Bands(grid.RowCount(), printableHeight_,
                       [&](int i) { return static_cast<int>(std::trunc(grid.RowHeight(i) * ratioY_)); });
    colStarts_ = Bands(grid.ColCount(), printableWidth_,
                       [&](int j) { return static_cast<int>(std::trunc(grid.ColWidth(j) * ratioX_)); });
}

void TStrGridPrinter::Print() {
    if (TargetGrid == nullptr || printer_ == nullptr) return;
    canvas_ = printer_->Painter();
    if (canvas_ == nullptr) return;
    Measure();
    try {
        for (int c = 1; c <= ColBands(); ++c) {
            for (int r = 1; r <= RowBands(); ++r) {
                if (!(c == 1 && r == 1) && !printer_->NewPage()) return;
                PrintPage(c, r);
            }
        }
    } catch (const std::exception&) {
        // Printing stops quietly where it failed; what was printed stays.
    }
}

void TStrGridPrinter::PrepareCanvas() {
    QPen pen = canvas_->pen();
    pen.setColor(Qt::black);
    canvas_->setPen(pen);
    canvas_->setBrush(Qt::NoBrush);
    canvas_->setBackgroundMode(Qt::TransparentMode);
    // The grid's font at the same point size, in this printer's pixels.
    QFont font = TargetGrid->Font();
    int points = font.pointSize() > 0 ? font.pointSize()
                                      : MulDiv(std::max(1, font.pixelSize()), 72, gridDpiY_ > 0 ? gridDpiY_ : 96);
    font.setPixelSize(std::max(1, MulDiv(points, dpiY_, 72)));
    canvas_->setFont(font);
}

void TStrGridPrinter::PrintPage(int c, int r) {
    if (TargetGrid == nullptr || canvas_ == nullptr) return;
    const PrintGridSource& grid = *TargetGrid;
    if (c < 1 || c > ColBands() || r < 1 || r > RowBands()) return;
    try {
        const int dx = static_cast<int>(std::trunc(MojiLeft * ratioX_));
        const int dy = static_cast<int>(std::trunc(MojiTop * ratioY_));
        currentCol_ = c;
        currentRow_ = r;
        PrepareCanvas();
        if (OnBeginPage) OnBeginPage(*this);
        PrepareCanvas();

        const auto ci = static_cast<std::size_t>(c);
        const auto ri = static_cast<std::size_t>(r);
        const int firstRow = rowStarts_[ri - 1];
        const int lastRow = ri < rowStarts_.size() ? rowStarts_[ri] - 1 : grid.RowCount() - 1;
        const int firstCol = colStarts_[ci - 1];
        const int lastCol = ci < colStarts_.size() ? colStarts_[ci] - 1 : grid.ColCount() - 1;
        const double ascent = QFontMetricsF(canvas_->font()).ascent();

        double y = top_;
        for (int row = firstRow; row <= lastRow; ++row) {
            double x = left_;
            const double h = grid.RowHeight(row) * ratioY_;
            for (int col = firstCol; col <= lastCol; ++col) {
                const double w = grid.ColWidth(col) * ratioX_;
                const int left = static_cast<int>(std::trunc(x));
                const int top = static_cast<int>(std::trunc(y));
                const QRect cell(QPoint(left, top), QPoint(left + static_cast<int>(std::trunc(w)) - 1,
                                                           static_cast<int>(std::trunc(y + h)) - 1));
                canvas_->save();
                canvas_->setClipRect(cell);
                canvas_->drawText(QPointF(left + dx, top + dy + ascent), grid.Cell(col, row));
                canvas_->restore();
                // Outlines reach one pixel further, so neighbouring cells share their borders.
                const int outerRight = static_cast<int>(std::trunc(x + w + 1));
                const int outerBottom = static_cast<int>(std::trunc(y + h + 1));
                canvas_->drawRect(
                    QRect(QPoint(left, top), QPoint(outerRight - 1, outerBottom - 1)).adjusted(0, 0, -1, -1));
                x += w;
            }
            y += h;
        }
        lastY_ = static_cast<int>(std::trunc(y));
        if (OnEndPage) OnEndPage(*this);
    } catch (const std::exception&) {
        // The rest of the page is skipped; printing goes on with the next page.
    }
}

std::string ScheduleDateText(std::string_view raceKey) {
    auto chars = [&](std::size_t pos, std::size_t len) {
        return pos - 1 < raceKey.size() ? std::string(raceKey.substr(pos - 1, len)) : std::string();
    };
    char month[16];
    char day[16];
    std::snprintf(month, sizeof month, "%2d", StrictNumber(chars(5, 2)));
    std::snprintf(day, sizeof day, "%2d", StrictNumber(chars(7, 2)));
    return chars(1, 4) + Sj("年") + month + Sj("月") + day + Sj("日");
}

void DrawScheduleDateHeader(TStrGridPrinter& sender, std::string_view raceKey) {
    QPainter* canvas = sender.Canvas();
    if (canvas == nullptr) return;
    QString text = QString::fromStdString(Cp932ToUtf8(ScheduleDateText(raceKey)));
    canvas->drawText(QPointF(sender.X(10), sender.Y(4) + QFontMetricsF(canvas->font()).ascent()), text);
}

bool ScheduleReady(std::string_view raceKey) { return raceKey.find_first_not_of(' ') != std::string_view::npos; }

void InstallScheduleHeader(TStrGridPrinter& gridPrinter, std::function<std::string()> currentRaceKey) {
    gridPrinter.OnBeginPage = [key = std::move(currentRaceKey)](TStrGridPrinter& sender) {
        DrawScheduleDateHeader(sender, key());
    };
}

bool PrintSchedule(QWidget* parent, Printer& printer, TStrGridPrinter& gridPrinter, PrintGridSource& grid,
                   std::string_view raceKey) {
    if (!ScheduleReady(raceKey)) {
        TMsgDlg::Warning(parent, QString::fromUtf8(kChooseDayMessage));
        return false;
    }
    if (!printer.Installed()) {
        TMsgDlg::Warning(parent, QString::fromUtf8(kNoDefaultPrinterMessage));
        return false;
    }
    if (!printer.BeginJob(QString())) {
        if (!printer.JobDeclined()) TMsgDlg::Warning(parent, QString::fromUtf8(kPrintFailedMessage));
        return false;
    }
    // The grid is referenced only while it prints.
    gridPrinter.TargetGrid = &grid;
    gridPrinter.Print();
    gridPrinter.TargetGrid = nullptr;
    if (!printer.EndJob()) {
        TMsgDlg::Warning(parent, QString::fromUtf8(kPrintFailedMessage));
        return false;
    }
    return true;
}

}  // namespace turfpad
