#include "FormGuidePrint.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include "FormGuideGrid.h"
#include "JapaneseUi.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "Printer.h"
#include "QtText.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {

// Page geometry, tenths of a millimetre from the printable area's corner: a heading line,
// a row of column labels, then up to 18 runner rows, each a runner cell and five run blocks.
constexpr int kLeft = 50;
constexpr int kHeadingTop = 30;
constexpr int kLabelTop = 130;
constexpr int kRowsTop = 180;
constexpr int kRowsBottom = 1840;
constexpr int kMaxRowHeight = 120;
constexpr int kPostWidth = 60;
constexpr int kNumberWidth = 70;
constexpr int kNameWidth = 330;
constexpr int kBlockWidth = 440;
constexpr int kBlocks = 5;
constexpr int kRight = kLeft + kPostWidth + kNumberWidth + kNameWidth + kBlocks * kBlockWidth;

const QColor kRule(128, 128, 128);
const QColor kWonFill(255, 224, 224);
const QColor kLabelFill(230, 230, 230);

void Line(TPrevX& prev, int x1, int y1, int x2, int y2) {
    prev.MoveTo(x1, y1);
    prev.LineTo(x2, y2);
}

void Fill(TPrevX& prev, int x1, int y1, int x2, int y2, const QColor& colour) {
    TPrevCanvas& c = prev.Canvas();
    c.brush = {colour, Qt::SolidPattern};
    c.pen.color = colour;
    prev.Rectangle(x1, y1, x2, y2);
    c.brush.style = Qt::NoBrush;
    c.pen.color = kRule;
}

void Font(TPrevX& prev, int size, bool bold, const QColor& colour = Qt::black) {
    TPrevCanvas& c = prev.Canvas();
    c.font.name = QString::fromUtf8(kGothic);
    c.font.size = size;
    c.font.bold = bold;
    c.font.color = colour;
}

// One past run in its block, in three lines of 7-point type: when and where with the
// starters, the race with its course and going, then time, betting, jockey and weights; the
// position in large type at the right.
void DrawRun(TPrevX& prev, int x, int y, int height, const FormRow& run, bool won) {
    if (won) Fill(prev, x + 3, y + 3, x + kBlockWidth - 2, y + height - 2, kWonFill);
    const int line = (height - 8) / 3;
    auto joined = [](std::initializer_list<const std::string*> parts) {
        std::string text;
        for (const std::string* p : parts) {
            if (p->empty()) continue;
            if (!text.empty()) text += ' ';
            text += *p;
        }
        return Cp932ToQString(text);
    };
    const std::string starters = run[8].empty() ? std::string() : run[8] + Sj("頭");
    const std::string popularity = run[11].empty() ? std::string() : run[11] + Sj("人");
    Font(prev, 7, false);
    prev.TextOut(x + 10, y + 5, joined({&run[2], &run[3], &run[4], &starters}));
    Font(prev, 7, true);
    prev.TextOut(x + 10, y + 5 + line, joined({&run[5], &run[6], &run[7]}));
    Font(prev, 7, false);
    prev.TextOut(x + 10, y + 5 + 2 * line, joined({&run[10], &popularity, &run[12], &run[13], &run[14]}));
    // A word (取消, 除外, 中止) in place of a position is set smaller to fit beside the lines.
    const bool placed = !run[9].empty() && run[9][0] >= '0' && run[9][0] <= '9';
    Font(prev, placed ? (height >= 100 ? 14 : 12) : 8, true, won ? QColor(200, 0, 0) : QColor(Qt::black));
    prev.TextOut(x + (placed ? 365 : 345), y + 8, Cp932ToQString(run[9]));
}

void DrawRunner(TPrevX& prev, int y, int height, const RunnerForm& runner) {
    int x = kLeft;
    if (runner.post >= 1 && runner.post <= 8)
        Fill(prev, x + 2, y + 2, x + kPostWidth - 1, y + height - 1, PostColour(runner.post));
    Font(prev, 10, true, PostTextColour(runner.post));
    if (runner.post > 0) prev.TextOut(x + 18, y + height / 2 - 18, QString::number(runner.post));
    x += kPostWidth;
    Font(prev, 10, true);
    prev.TextOut(x + 12, y + height / 2 - 18, QString::number(runner.number));
    x += kNumberWidth;
    Font(prev, 9, true);
    prev.TextOut(x + 10, y + height / 2 - 16, Cp932ToQString(runner.name));
    x += kNameWidth;
    for (std::size_t i = 0; i < runner.runs.size() && i < kBlocks; ++i)
        DrawRun(prev, x + static_cast<int>(i) * kBlockWidth, y, height, runner.runs[i],
                i < runner.won.size() && runner.won[i]);
}

void DrawRules(TPrevX& prev, int rows, int height) {
    TPrevCanvas& c = prev.Canvas();
    c.pen.width = prev.PenWidth(10);
    c.pen.color = kRule;
    const int bottom = kRowsTop + rows * height;
    for (int r = 0; r <= rows; ++r) Line(prev, kLeft, kRowsTop + r * height, kRight, kRowsTop + r * height);
    Line(prev, kLeft, kLabelTop, kRight, kLabelTop);
    int x = kLeft;
    for (int w :
         {0, kPostWidth, kNumberWidth, kNameWidth, kBlockWidth, kBlockWidth, kBlockWidth, kBlockWidth, kBlockWidth}) {
        x += w;
        Line(prev, x, kLabelTop, x, bottom);
    }
}

void DrawLabels(TPrevX& prev) {
    Fill(prev, kLeft + 1, kLabelTop + 1, kRight, kRowsTop, kLabelFill);
    Font(prev, 8, true);
    prev.TextOut(kLeft + 12, kLabelTop + 12, QStringLiteral("枠"));
    prev.TextOut(kLeft + kPostWidth + 8, kLabelTop + 12, QStringLiteral("馬番"));
    prev.TextOut(kLeft + kPostWidth + kNumberWidth + 10, kLabelTop + 12, QStringLiteral("馬名"));
    static const char* const kNames[kBlocks] = {"前走", "2走前", "3走前", "4走前", "5走前"};
    const int blocks = kLeft + kPostWidth + kNumberWidth + kNameWidth;
    for (int i = 0; i < kBlocks; ++i)
        prev.TextOut(blocks + i * kBlockWidth + 10, kLabelTop + 12, QString::fromUtf8(kNames[i]));
}

}  // namespace

void DrawFormGuidePage(TPrevX& prev, const RaceFormPage& page) {
    TPrevCanvas& c = prev.Canvas();
    c.brush.style = Qt::NoBrush;
    Font(prev, 14, true);
    prev.TextOut(kLeft, kHeadingTop, Cp932ToQString(page.heading));
    const int rows = std::max<int>(1, static_cast<int>(page.runners.size()));
    const int height = std::min(kMaxRowHeight, (kRowsBottom - kRowsTop) / rows);
    DrawLabels(prev);
    for (std::size_t i = 0; i < page.runners.size(); ++i)
        DrawRunner(prev, kRowsTop + static_cast<int>(i) * height, height, page.runners[i]);
    DrawRules(prev, rows, height);
}

void DrawFormGuides(TPrevX& prev, std::span<const RaceFormPage> pages) {
    // A day's form guides are a dozen dense pages of which the preview shows one: each is
    // drawn when it is first shown or printed.
    auto kept = std::make_shared<const std::vector<RaceFormPage>>(pages.begin(), pages.end());
    prev.LazyDoc(static_cast<int>(kept->size()),
                 [kept](TPrevX& p, int n) { DrawFormGuidePage(p, (*kept)[static_cast<std::size_t>(n - 1)]); });
}

LandscapeSheet::LandscapeSheet(Printer& printer) : printer_(printer), was_(printer.Landscape()) {
    printer_.SetLandscape(true);
}

LandscapeSheet::~LandscapeSheet() { printer_.SetLandscape(was_); }

void PrintFormGuides(QWidget* parent, Printer& printer, IniStore& ini, const QString& dateText,
                     std::span<const RaceFormPage> pages, const ShowModalFn& showModal) {
    if (dateText.trimmed().isEmpty() || pages.empty()) {
        TMsgDlg::Warning(parent, QString::fromUtf8(kChooseDayMessage));
        return;
    }
    LandscapeSheet landscape(printer);
    TAllPrintForm form(printer, ini, parent);
    form.setWindowTitle(QString::fromUtf8(kFormPrintWindowCaption));
    try {
        DrawFormGuides(*form.PrevX1, pages);
    } catch (const std::exception& e) {  // no printer
        TMsgDlg::Warning(parent, QString::fromUtf8(e.what()));
        return;
    }
    ShowPages(form, static_cast<int>(pages.size()), showModal);
}

}  // namespace turfpad
