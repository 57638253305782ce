#include "ManualLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QUrl>
#include <QVariant>
#include <cmath>
#include <map>
#include <vector>

namespace turfpad {

namespace {

constexpr double kChapterFill = 0.5;      // a chapter starts a new page after a page this full
constexpr double kNearlyEmpty = 1.0 / 3;  // a page less full than this, before the last, is a fault
constexpr double kSmallestPicture = 0.7;  // a picture is scaled down no further to stay on its page
constexpr double kPictureStep = 0.97;     // each try at fitting a picture makes it this much smaller

QString TrimStart(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace()) ++i;
    return line.mid(i);
}

bool ListMarker(const QString& t) {
    if (t.size() >= 2 && (t[0] == '-' || t[0] == '*' || t[0] == '+') && t[1] == ' ') return true;
    qsizetype i = 0;
    while (i < t.size() && t[i].isDigit()) ++i;
    return i > 0 && i + 1 < t.size() && (t[i] == '.' || t[i] == ')') && t[i + 1] == ' ';
}

// A line (without its indent) that starts a block of its own: it never continues the
// paragraph above, and nothing continues it but the lines of its own paragraph.
bool StandsAlone(const QString& t) {
    return t.isEmpty() || t.startsWith('#') || t.startsWith('|') || t.startsWith('!') || t.startsWith('>') ||
           t.startsWith(QStringLiteral("[[")) || t.startsWith(QStringLiteral("```"));
}

// A paragraph or a table of the root frame.
struct Item {
    QTextBlock block;
    QTextFrame* frame = nullptr;
};

std::vector<Item> Items(const QTextDocument& doc) {
    std::vector<Item> items;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* f = it.currentFrame())
            items.push_back({{}, f});
        else
            items.push_back({it.currentBlock(), nullptr});
    }
    return items;
}

// The top of the first line and the bottom of the last, in the document.
struct Span {
    double top = 0;
    double bottom = 0;
};

template <typename F>
void ForEachLine(const QTextDocument& doc, const QTextBlock& b, F f) {
    const double top = doc.documentLayout()->blockBoundingRect(b).top();
    const QTextLayout* layout = b.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        f(top + line.y(), top + line.y() + line.height());
    }
}

Span SpanOf(const QTextDocument& doc, const Item& item) {
    Span s{1e300, -1e300};
    auto add = [&s](double top, double bottom) {
        s.top = std::min(s.top, top);
        s.bottom = std::max(s.bottom, bottom);
    };
    if (item.frame == nullptr) {
        ForEachLine(doc, item.block, add);
    } else {
        for (QTextBlock b = doc.findBlock(item.frame->firstPosition());
             b.isValid() && b.position() <= item.frame->lastPosition(); b = b.next())
            ForEachLine(doc, b, add);
    }
    if (s.bottom < s.top) s.top = s.bottom = doc.documentLayout()->blockBoundingRect(item.block).top();
    return s;
}

int PageOf(const PageFrame& frame, double y) { return static_cast<int>(std::floor(y / frame.height)); }
int LastPageOf(const PageFrame& frame, const Span& s) { return PageOf(frame, std::max(s.top, s.bottom - 0.5)); }
double TextTop(const PageFrame& frame, int page) { return page * frame.height + frame.top; }
double TextBottom(const PageFrame& frame, int page) { return (page + 1) * frame.height - frame.bottom; }

// How full the page is that holds `bottom`, down to there.
double Fill(const PageFrame& frame, double bottom) {
    const int page = PageOf(frame, bottom - 0.5);
    return (bottom - TextTop(frame, page)) / (TextBottom(frame, page) - TextTop(frame, page));
}

bool IsHeading(const Item& item) { return item.frame == nullptr && item.block.blockFormat().headingLevel() > 0; }

// The image of a paragraph that holds one and nothing else.
bool IsPicture(const Item& item) {
    if (item.frame != nullptr || item.block.length() != 2) return false;
    auto it = item.block.begin();
    return !it.atEnd() && it.fragment().charFormat().isImageFormat();
}

QTextImageFormat PictureFormat(const QTextBlock& b) { return b.begin().fragment().charFormat().toImageFormat(); }

void SetPictureSize(QTextDocument& doc, const QTextBlock& b, double width, double height) {
    QTextImageFormat image = PictureFormat(b);
    image.setWidth(width);
    image.setHeight(height);
    QTextCursor at(&doc);
    at.setPosition(b.position());
    at.setPosition(b.position() + 1, QTextCursor::KeepAnchor);
    at.setCharFormat(image);
}

void SetBreakBefore(const Item& item, bool pageBreak) {
    if (item.frame != nullptr) return;
    QTextBlockFormat f = item.block.blockFormat();
    const auto policy = pageBreak ? QTextFormat::PageBreak_AlwaysBefore : QTextFormat::PageBreak_Auto;
    if (f.pageBreakPolicy() == policy) return;
    f.setPageBreakPolicy(policy);
    QTextCursor(item.block).setBlockFormat(f);
}

// The picture and its caption on the page where the item before them ends, the picture made
// smaller if need be; or both on the next page.
void FitPicture(QTextDocument& doc, const PageFrame& frame, const Item& before, const Item& picture,
                const Item& caption) {
    const int page = LastPageOf(frame, SpanOf(doc, before));
    auto fits = [&] {
        return PageOf(frame, SpanOf(doc, picture).top) == page && LastPageOf(frame, SpanOf(doc, caption)) == page;
    };
    if (fits()) return;
    // Its size as set, else as the image is.
    const QTextImageFormat image = PictureFormat(picture.block);
    const QSizeF given(image.width(), image.height());
    const QSizeF original =
        given.isEmpty()
            ? doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>().size().toSizeF()
            : given;
    const Span was = SpanOf(doc, picture);
    const double room = TextBottom(frame, page) - SpanOf(doc, before).bottom;
    const Span words = SpanOf(doc, caption);
    double scale = (room - (words.bottom - words.top)) / (was.bottom - was.top);
    for (scale = std::min(scale, 1.0) * kPictureStep; scale >= kSmallestPicture; scale *= kPictureStep) {
        SetPictureSize(doc, picture.block, original.width() * scale, original.height() * scale);
        if (fits()) return;
    }
    SetPictureSize(doc, picture.block, original.width(), original.height());
    SetBreakBefore(picture, true);
}

}  // namespace

bool IsWide(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
           (u >= 0xFF00 && u <= 0xFFEF);
}

QString JoinWideLines(const QString& markdown) {
    QStringList out;
    for (const QString& line : markdown.split('\n')) {
        const QString text = TrimStart(line);
        if (!out.isEmpty() && !out.back().isEmpty() && !text.isEmpty() && IsWide(out.back().back()) &&
            IsWide(text.front()) && !StandsAlone(text) && !ListMarker(text) && !StandsAlone(TrimStart(out.back()))) {
            out.back() += text;
            continue;
        }
        out.push_back(line);
    }
    return out.join('\n');
}

QStringList StraySpaces(const QTextDocument& doc) {
    QStringList found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        for (qsizetype i = 1; i + 1 < text.size(); ++i)
            if (text[i] == ' ' && IsWide(text[i - 1]) && IsWide(text[i + 1]))
                found << text.mid(std::max<qsizetype>(0, i - 8), 17);
    }
    return found;
}

void Paginate(QTextDocument& doc, const PageFrame& frame) {
    const std::vector<Item> items = Items(doc);
    bool firstChapter = true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (IsHeading(item) && item.block.blockFormat().headingLevel() == 2) {
            if (!firstChapter) SetBreakBefore(item, Fill(frame, SpanOf(doc, items[i - 1]).bottom) >= kChapterFill);
            firstChapter = false;
        }
        if (i == 0) continue;
        const Item& before = items[i - 1];
        if (IsPicture(item) && i + 1 < items.size()) FitPicture(doc, frame, before, item, items[i + 1]);
        // A heading at the foot of a page goes to the next with what follows it, which then
        // needs no break of its own.
        if (IsHeading(before) && PageOf(frame, SpanOf(doc, before).top) != PageOf(frame, SpanOf(doc, item).top)) {
            SetBreakBefore(before, true);
            SetBreakBefore(item, false);
        }
    }
}

QStringList PageFaults(const QTextDocument& doc, const PageFrame& frame) {
    QStringList faults;
    const std::vector<Item> items = Items(doc);
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        const Span s = SpanOf(doc, items[i]), next = SpanOf(doc, items[i + 1]);
        if (IsPicture(items[i]) && PageOf(frame, s.top) != LastPageOf(frame, next))
            faults << QStringLiteral("the picture above \"%1\" is on another page").arg(items[i + 1].block.text());
        if (IsHeading(items[i]) && PageOf(frame, s.top) != PageOf(frame, next.top))
            faults << QStringLiteral("the heading \"%1\" ends page %2")
                          .arg(items[i].block.text())
                          .arg(PageOf(frame, s.top) + 1);
    }
    std::map<int, double> lowest;  // the bottom of each page's last line
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        ForEachLine(doc, b, [&](double top, double bottom) {
            double& low = lowest.try_emplace(PageOf(frame, top), TextTop(frame, PageOf(frame, top))).first->second;
            low = std::max(low, bottom);
        });
    for (int page = 0; page + 1 < doc.pageCount(); ++page) {
        const auto it = lowest.find(page);
        if (it == lowest.end() || Fill(frame, it->second) < kNearlyEmpty)
            faults << QStringLiteral("page %1 is less than a third full").arg(page + 1);
    }
    return faults;
}

}  // namespace turfpad
