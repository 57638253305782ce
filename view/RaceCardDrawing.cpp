#include "RaceCardDrawing.h"

#include <QPainter>
#include <cstdio>

#include "Cp932.h"

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

}  // namespace

RaceCardDelegate::RaceCardDelegate(TStringGrid* grid) : TStringGridDelegate(grid) {}

void RaceCardDelegate::DrawCell(QPainter& p, const Cell& cell) const {
    const QRect& r = cell.rect;
    const int g = grid()->GridLineWidth();
    const int L = r.left();
    const int T = r.top();
    const QPalette& pal = grid()->palette();
    const QFont gridFont = grid()->font();

    const int n = cell.row == 0 ? 0 : LeadingNumber(QStringToCp932(grid()->Cells(1, cell.row)));
    if (n == 0) {
        if (cell.col == 0 || cell.col == 1) {
            const QColor face = pal.color(QPalette::Button);
            p.fillRect(r, face);
            p.setFont(gridFont);
            p.setPen(pal.color(QPalette::Text));
            const int h = QFontMetrics(gridFont).height();
            TextAt(p, L + g + 1, T + g + 1, cell.col == 0 ? QStringLiteral("枠") : QStringLiteral("馬"), face);
            TextAt(p, L + g + 1, T + g + 1 + h, QStringLiteral("番"), face);
        }
    } else if (n <= kRunnersPerRace && table_ != nullptr) {
        const RunnerEntry& e = table_->CurrentEntry().runners[static_cast<std::size_t>(n - 1)];
        const QColor white(255, 255, 255);
        // A keyboard-selected row: a light tint of the highlight colour behind dark text.
        QColor paper = white;
        if (cell.selected) {
            const QColor hl = pal.color(QPalette::Highlight);
            paper = QColor((hl.red() + 3 * 255) / 4, (hl.green() + 3 * 255) / 4, (hl.blue() + 3 * 255) / 4);
        }
        switch (cell.col) {
            case 0: {
                const int post = LeadingNumber(e.postPosition);
                const PostLook look = PostLookOf(post);
                const QColor fill = look.known ? ToQColor(look.fill) : pal.color(QPalette::Button);
                p.fillRect(r, fill);
                p.setFont(SizedFont(gridFont, kBoldPixels, true));
                p.setPen(ToQColor(look.text));
                char buf[16];
                std::snprintf(buf, sizeof buf, "%1d", post);
                TextAt(p, L + g + 5, T + g + 1, QString::fromLatin1(buf), fill);
                break;
            }
            case 1: {
                const QColor fill = pal.color(QPalette::ToolTipBase);
                p.fillRect(r, fill);
                p.setFont(SizedFont(gridFont, kBoldPixels, true));
                p.setPen(QColor(0, 0, 0));
                char buf[16];
                std::snprintf(buf, sizeof buf, "%2d", LeadingNumber(e.horseNumber));
                TextAt(p, L + g + 1, T + g + 1, QString::fromLatin1(buf), fill);
                break;
            }
            case 2:
                p.fillRect(r, paper);
                p.setFont(SizedFont(gridFont, kBoldPixels, true));
                p.setPen(pal.color(QPalette::Text));
                TextAt(p, L + g + 1, T + g - 1, Cp932ToQString(e.horseName), paper);
                break;
            default: {
                std::string text;
                switch (cell.col) {
                    case 3: {
                        const QDate today = today_ ? today_() : QDate::currentDate();
                        text = SexMark(e.sex) + AgeText(e.pedigree, today.year());
                        break;
                    }
                    case 4:
                        text = DrawnWeight(e.weight);
                        break;
                    case 5:
                        text = e.jockey;
                        break;
                    case 6:
                        text = e.trainer;
                        break;
                    case 7:
                        text = DrawnBlinker(e.blinker);
                        break;
                    case 8:
                        text = DrawnApprentice(e.apprentice);
                        break;
                    default:
                        break;
                }
                p.fillRect(r, paper);
                p.setFont(SizedFont(gridFont, kPlainPixels, false));
                p.setPen(pal.color(QPalette::Text));
                TextAt(p, L + g + 1, T + g + 1, Cp932ToQString(text), paper);
                break;
            }
        }
    }
    // Every cell: a black line along its bottom edge, on the grid line under it.
    p.setBackgroundMode(Qt::TransparentMode);
    p.fillRect(QRect(L, T + r.height(), r.width(), 1), QColor(0, 0, 0));
}

}  // namespace turfpad
