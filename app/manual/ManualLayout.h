// The typesetting rules of the user's guide, apart from the program that builds it: Japanese
// lines joined without a space, and pages laid out so that each picture stays with its
// caption, a heading with what follows it, and no page is left nearly empty.
#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;

namespace turfpad {

// Japanese and full-width characters: kana, kanji, full-width punctuation and forms.
bool IsWide(QChar c);

// The Markdown text with each line that continues a paragraph joined to the line before it,
// without the space Markdown would put there, where both sides of the break are wide
// characters. Headings, list items, table rows and pictures start lines of their own.
QString JoinWideLines(const QString& markdown);

// Each space between two wide characters in the document, with a little text around it.
QStringList StraySpaces(const QTextDocument& doc);

// Where text may stand on each page, in the layout's units: pages `height` tall, the text
// between `top` below a page's top and `bottom` above its foot.
struct PageFrame {
    double height = 0;
    double top = 0;
    double bottom = 0;
};

// Lays out the pages of a document whose size is set. A chapter (a level-2 heading, not the
// document's first) starts on a new page unless the page before is less than half full. A
// picture (a paragraph of one image, its caption the paragraph after it) that would leave
// its page for the next, or leave its caption, is scaled down to fit the page it is on,
// down to 70 %; otherwise it moves to the next page with its caption. A heading never ends
// a page.
void Paginate(QTextDocument& doc, const PageFrame& frame);

// What the layout still does wrong: a picture on another page than its caption, a heading
// that ends a page, a page before the last that is less than a third full.
QStringList PageFaults(const QTextDocument& doc, const PageFrame& frame);

}  // namespace turfpad
