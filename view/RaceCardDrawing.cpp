#include "RaceCardDrawing.h"

#include <QPainter>
#include <cstdio>

#include "text/Cp932.h"

namespace turfpad {

PostLook PostLookOf(int post) {
    switch (post) {
        case 1:
            return {true, {255, 255, 255}, kBlack};
        case 2:
            return {true, {128, 128, 128}, kWhite};
        case 3:
            return {true, {255, 0, 0}, kWhite};
        case 4:
            return {true, {0, 0, 255}, kWhite};
        case 5:
            return {true, {255, 255, 0}, kBlack};
        case 6:
            return {true, {0, 255, 0}, kWhite};
        case 7:
            return {true, {255, 128, 0}, kWhite};
        case 8:
            return {true, {255, 0, 255}, kWhite};
        default:
            return {false, {}, kWhite};
    }
}

int LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    int n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > 99999) break;  // no row number is that long
    }
    return n;
}

std::string SexMark(std::string_view code) {
    if (code == "1") return Sj("牡");
    if (code == "2") return Sj("牝");
    if (code == "3") return Sj("ｾﾝ");
    return "  ";
}

std::string AgeText(std::string_view pedigree, int year) {
    if (pedigree.size() < 4) return {};
    int born = 0;
    for (char c : pedigree.substr(0, 4)) {
        if (c < '0' || c > '9') return {};
        born = born * 10 + (c - '0');
    }
    return std::to_string(year - born);
}

std::string DrawnWeight(std::string_view weight) { return WeightText(weight); }
std::string DrawnBlinker(std::string_view code) { return code == "1" ? Sj("ﾌﾞﾘﾝｶ") : " "; }
std::string DrawnApprentice(std::string_view code) {
    std::string t = ApprenticeText(code);
    return t.empty() ? " " : t;
}

namespace {

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// Text drawn opaque, its background the colour the cell was just filled with, with its top
// left at (x, y).
void TextAt(QPainter& p, int x, int y, const QString& text, const QColor& fill) {
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(fill);
    p.drawText(QPoint(x, y + QFontMetrics(p.font()).ascent()), text);
}

QFont SizedFont(const QFont& base, int pixels, bool bold) {
    QFont f(base);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// Where a cell draws and with what: its rectangle, the corner its text is placed from (inside
// the grid line), the grid's palette and font.
struct CellPlace {
    const QRect& rect;
    int left;  // the cell's left plus the grid line width
    int top;   // the cell's top plus the grid line width
    const QPalette& palette;
    const QFont& font;
};

// The heading row, and rows without a horse number: "枠番" and "馬番" in two lines on the
// button face in columns 0 and 1; the other cells are left as they are.
void DrawHeadingCell(QPainter& p, const CellPlace& at, int col) {
    if (col != 0 && col != 1) return;
    const QColor face = at.palette.color(QPalette::Button);
    p.fillRect(at.rect, face);
    p.setFont(at.font);
    p.setPen(at.palette.color(QPalette::Text));
    const int h = QFontMetrics(at.font).height();
    TextAt(p, at.left + 1, at.top + 1, col == 0 ? QStringLiteral("枠") : QStringLiteral("馬"), face);
    TextAt(p, at.left + 1, at.top + 1 + h, QStringLiteral("番"), face);
}

// The background of a runner row's text cells: white, or for a keyboard-selected row a light
// tint of the highlight colour behind dark text.
QColor RowPaper(const QPalette& palette, bool selected) {
    if (!selected) return QColor(255, 255, 255);
    const QColor hl = palette.color(QPalette::Highlight);
    return QColor((hl.red() + 3 * 255) / 4, (hl.green() + 3 * 255) / 4, (hl.blue() + 3 * 255) / 4);
}

// Column 0: the post position, its digit on the post's colour.
void DrawPostCell(QPainter& p, const CellPlace& at, const RunnerEntry& e) {
    const int post = LeadingNumber(e.postPosition);
    const PostLook look = PostLookOf(post);
    const QColor fill = look.known ? ToQColor(look.fill) : at.palette.color(QPalette::Button);
    p.fillRect(at.rect, fill);
    p.setFont(SizedFont(at.font, kBoldPixels, true));
    p.setPen(ToQColor(look.text));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%1d", post);
    TextAt(p, at.left + 5, at.top + 1, QString::fromLatin1(buf), fill);
}

// Column 1: the horse number, black on the info background.
void DrawHorseNumberCell(QPainter& p, const CellPlace& at, const RunnerEntry& e) {
    const QColor fill = at.palette.color(QPalette::ToolTipBase);
    p.fillRect(at.rect, fill);
    p.setFont(SizedFont(at.font, kBoldPixels, true));
    p.setPen(QColor(0, 0, 0));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", LeadingNumber(e.horseNumber));
    TextAt(p, at.left + 1, at.top + 1, QString::fromLatin1(buf), fill);
}

// Column 2: the horse name in bold, two pixels higher than the other texts.
void DrawHorseNameCell(QPainter& p, const CellPlace& at, const RunnerEntry& e, const QColor& paper) {
    p.fillRect(at.rect, paper);
    p.setFont(SizedFont(at.font, kBoldPixels, true));
    p.setPen(at.palette.color(QPalette::Text));
    TextAt(p, at.left + 1, at.top - 1, Cp932ToQString(e.horseName), paper);
}

// The text of columns 3 to 8 (cp932); other columns have none. `today` gives the date the
// age is counted to (the computer's clock when it is empty).
std::string RunnerText(int col, const RunnerEntry& e, const std::function<QDate()>& today) {
    switch (col) {
        case 3:
            return SexMark(e.sex) + AgeText(e.pedigree, (today ? today() : QDate::currentDate()).year());
        case 4:
            return DrawnWeight(e.weight);
        case 5:
            return e.jockey;
        case 6:
            return e.trainer;
        case 7:
            return DrawnBlinker(e.blinker);
        case 8:
            return DrawnApprentice(e.apprentice);
        default:
            return {};
    }
}

// Columns 3 and on: plain text on the row's paper.
void DrawTextCell(QPainter& p, const CellPlace& at, const std::string& text, const QColor& paper) {
    p.fillRect(at.rect, paper);
    p.setFont(SizedFont(at.font, kPlainPixels, false));
    p.setPen(at.palette.color(QPalette::Text));
    TextAt(p, at.left + 1, at.top + 1, Cp932ToQString(text), paper);
}

}  // namespace

RaceCardDelegate::RaceCardDelegate(TStringGrid* grid) : TStringGridDelegate(grid) {}

void RaceCardDelegate::DrawCell(QPainter& p, const Cell& cell) const {
    const QRect& r = cell.rect;
    const int g = grid()->GridLineWidth();
    const QFont gridFont = grid()->font();
    const CellPlace at{r, r.left() + g, r.top() + g, grid()->palette(), gridFont};

    const int n = cell.row == 0 ? 0 : LeadingNumber(QStringToCp932(grid()->Cells(1, cell.row)));
    if (n == 0) {
        DrawHeadingCell(p, at, cell.col);
    } else if (n <= kRunnersPerRace && table_ != nullptr) {
        const RunnerEntry& e = table_->CurrentEntry().runners[static_cast<std::size_t>(n - 1)];
        switch (cell.col) {
            case 0:
                DrawPostCell(p, at, e);
                break;
            case 1:
                DrawHorseNumberCell(p, at, e);
                break;
            case 2:
                DrawHorseNameCell(p, at, e, RowPaper(at.palette, cell.selected));
                break;
            default:
                DrawTextCell(p, at, RunnerText(cell.col, e, today_), RowPaper(at.palette, cell.selected));
                break;
        }
    }
    // Every cell: a black line along its bottom edge, on the grid line under it.
    p.setBackgroundMode(Qt::TransparentMode);
    p.fillRect(QRect(r.left(), r.top() + r.height(), r.width(), 1), QColor(0, 0, 0));
}

}  // namespace turfpad
