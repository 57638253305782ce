// Builds the user's guide Turfpad.pdf from its Markdown text, at build time: A4 pages with the
// body at 10.5 pt, a table of contents with page numbers, page numbers in the footer, and
// pictures of the program taken from the program itself. For the pictures the program runs
// offscreen in a folder of its own: it fetches the demo programme from the local JV-Link,
// shows a race card, the schedule and the form guide, and opens the print preview.
//
// Usage: makemanual INPUT.md OUTPUT.pdf [PICTURE-FOLDER]
// In INPUT.md, "[[目次]]" on a line of its own stands for the table of contents, and an image
// "![caption](shot:NAME)" for one of the pictures: main, schedule, form, acquisition, preview,
// page.
// With PICTURE-FOLDER the pictures are also saved there as NAME.png.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <map>

#include "AcquisitionWindow.h"
#include "JapaneseUi.h"
#include "MainWindow.h"
#include "ManualLayout.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "QtText.h"
#include "Startup.h"
#include "jvlink/LocalJVLink.h"
#include "settings/ProgramPlaces.h"

namespace {

using namespace turfpad;

void Settle(int ms = 50) {
    QElapsedTimer t;
    t.start();
    do QApplication::processEvents(QEventLoop::AllEvents, 10);
    while (t.elapsed() < ms);
}

QImage Shot(QWidget& w) {
    Settle();
    return w.grab().toImage();
}

// The program in a folder of its own, through the acquisition of the demo programme, a race
// card, the schedule, the form guide and the print preview.
bool TakePictures(const QString& folder, std::map<QString, QImage>& shots) {
    const std::filesystem::path dir = folder.toStdU16String();
    SetProgramFile(dir / "turfpad");
    std::string error;
    // Every file of the demo programme at once: the pictures need no waiting.
    if (!SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {"", "", 0, ""}, error)) {
        std::fprintf(stderr, "makemanual: %s\n", error.c_str());
        return false;
    }
    TMsgDlg::SetRecording(true);  // no message box waits for an answer
    TMainForm form(std::make_unique<LocalJVLink>());
    form.show();
    Settle();

    // The acquisition window after a download, as the user leaves it.
    form.beforeAcquisition = [&shots](QDialog* dialog) {
        QTimer::singleShot(0, dialog, [dialog, &shots] {
            auto* acquisition = static_cast<TGetDataForm*>(dialog);
            // Ten weeks back: the weeks' results give the horses a form guide.
            acquisition->DateTimePicker1->setDate(QDate::currentDate().addDays(-70));
            acquisition->ButtonStart->click();
            QElapsedTimer waited;
            waited.start();
            while (!acquisition->ButtonStart->isEnabled() && waited.elapsed() < 60000) Settle(20);
            shots[Utf8ToQString("acquisition")] = Shot(*acquisition);
            acquisition->close();
        });
    };
    form.JVBtnClick();
    if (form.DateCombo->count() == 0) {
        std::fprintf(stderr, "makemanual: the demo programme was not filed\n");
        return false;
    }

    // The first day of the coming week (the list has the newest day first, the weeks of
    // results after it) with its 11th race: the race card tab, the schedule tab, and the form
    // guide tab with the day list hidden.
    auto dateOf = [&form](int i) {
        return QDate::fromString(form.DateCombo->itemText(i).left(11), Utf8ToQString("yyyy年MM月dd日"));
    };
    int day = 0;
    while (day + 1 < form.DateCombo->count() && dateOf(day + 1).daysTo(dateOf(0)) <= 1) ++day;
    form.DateCombo->setCurrentIndex(day);
    emit form.DateCombo->activated(day);
    if (form.DatList->count() > 10) form.DatList->setCurrentRow(10);
    form.PageControl1->setCurrentIndex(0);
    shots[Utf8ToQString("main")] = Shot(form);
    form.PageControl1->setCurrentIndex(1);
    shots[Utf8ToQString("schedule")] = Shot(form);
    form.PageControl1->setCurrentIndex(2);
    form.SpeedButton8Click();
    shots[Utf8ToQString("form")] = Shot(form);
    form.SpeedButton8Click();
    form.PageControl1->setCurrentIndex(0);

    // The print preview, and its first page as it prints.
    form.showPreview = [&shots](TAllPrintForm& preview) {
        preview.show();
        shots[Utf8ToQString("preview")] = Shot(preview);
        TPrevX& prev = *preview.PrevX1;
        const QSize page = prev.PageSize(1);
        if (page.isEmpty()) return;
        QImage sheet(QSize(780, static_cast<int>(std::lround(780.0 * page.height() / page.width()))),
                     QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        prev.DrawPage(p, 1, QRectF(QPointF(0, 0), QSizeF(sheet.size())));
        p.setPen(QPen(QColor(128, 128, 128), 1));
        p.drawRect(sheet.rect().adjusted(0, 0, -1, -1));
        p.end();
        shots[Utf8ToQString("page")] = sheet;
        preview.close();
    };
    form.print1btnClick();
    form.close();
    TMsgDlg::SetRecording(false);
    return shots.size() == 6;
}

// The table of contents for the headings of levels 2 and 3, with "00" for the page numbers.
QString TableOfContents(const QString& markdown, int& entries) {
    QString toc = Utf8ToQString("## 目次\n\n| 見出し | ページ |\n|:---|---:|\n");
    entries = 0;
    for (const QString& line : markdown.split('\n')) {
        QString title;
        if (line.startsWith(QStringLiteral("## ")))
            title = line.mid(3).trimmed();
        else if (line.startsWith(QStringLiteral("### ")))
            title = Utf8ToQString("　　") + line.mid(4).trimmed();
        if (title.isEmpty()) continue;
        toc += QStringLiteral("| %1 | 00 |\n").arg(title);
        ++entries;
    }
    return toc;
}

}  // namespace

int main(int argc, char** argv) {
    TurfpadApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: makemanual INPUT.md OUTPUT.pdf [PICTURE-FOLDER]\n");
        return 2;
    }
    PrepareApplication();
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", argv[1]);
        return 1;
    }
    QString markdown = QString::fromUtf8(in.readAll());

    QTemporaryDir work;
    std::map<QString, QImage> shots;
    if (!work.isValid() || !TakePictures(work.path(), shots)) {
        std::fprintf(stderr, "makemanual: the pictures of the program could not be taken\n");
        return 1;
    }
    if (argc == 4) {
        QDir().mkpath(QString::fromLocal8Bit(argv[3]));
        for (const auto& [name, image] : shots)
            image.save(QDir(QString::fromLocal8Bit(argv[3])).filePath(name + ".png"));
    }

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(Utf8ToQString("ターフパッド 使用説明書"));
    pdf.setCreator("Turfpad");
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    pdf.setResolution(300);
    const double dpmm = pdf.resolution() / 25.4;  // device pixels a millimetre
    const QSizeF page(pdf.width(), pdf.height());

    int tocEntries = 0;
    markdown.replace(QStringLiteral("[[目次]]"), TableOfContents(markdown, tocEntries));
    markdown = JoinWideLines(markdown);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&pdf);  // lay out in points on the page, not on a screen
    QFont body(Utf8ToQString(kPGothic));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setDefaultStyleSheet("table { border-collapse: collapse; } td, th { padding: 3px; }");
    doc.setMarkdown(markdown);  // clears the document, its resources too: the pictures come after
    for (const auto& [name, image] : shots) doc.addResource(QTextDocument::ImageResource, QUrl("shot:" + name), image);

    // The page: 20 mm at the sides, room for the header above and the page number below. The
    // layout counts margins in screen pixels (1/96 inch) and scales them to the page.
    const double pxmm = 96.0 / 25.4;
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setLeftMargin(20 * pxmm);
    frame.setRightMargin(20 * pxmm);
    frame.setTopMargin(22 * pxmm);
    frame.setBottomMargin(24 * pxmm);
    doc.rootFrame()->setFrameFormat(frame);
    doc.setPageSize(page);

    // Lines with air between them (not the pictures' lines), chapter headings with room
    // around them, and the pictures as wide as the text allows (image sizes count in screen
    // pixels of 1/96 inch). Where chapters break pages is left to the pagination below.
    const double textWidthPx = (210.0 - 40.0) / 25.4 * 96.0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextCursor c(b);
        QTextBlockFormat f = b.blockFormat();
        if (f.headingLevel() == 2) {
            f.setTopMargin(4 * pxmm);
            f.setBottomMargin(2 * pxmm);
        }
        const bool picture = b.begin() != b.end() && b.begin().fragment().charFormat().isImageFormat();
        if (f.headingLevel() == 0 && !picture) f.setLineHeight(135, QTextBlockFormat::ProportionalHeight);
        c.setBlockFormat(f);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QImage& source = shots[image.name().mid(5)];
            if (source.isNull()) continue;
            const double limit = image.name() == QStringLiteral("shot:page") ? textWidthPx * 0.75 : textWidthPx * 0.96;
            const double width = std::min<double>(source.width(), limit);
            image.setWidth(width);
            image.setHeight(width * source.height() / source.width());
            QTextCursor at(&doc);
            at.setPosition(fragment.position());
            at.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            at.setCharFormat(image);
            QTextBlockFormat centred = b.blockFormat();
            centred.setAlignment(Qt::AlignHCenter);
            c.setBlockFormat(centred);
            break;  // a picture stands alone in its paragraph
        }
    }

    // The contents without ruled cells; the first table is the contents.
    QTextTable* contents = nullptr;
    for (QTextFrame* child : doc.rootFrame()->childFrames())
        if ((contents = qobject_cast<QTextTable*>(child)) != nullptr) break;
    if (contents == nullptr) {
        std::fprintf(stderr, "makemanual: no table of contents\n");
        return 1;
    }
    QTextTableFormat plain = contents->format();
    plain.setBorder(0);
    plain.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    plain.setWidth(QTextLength(QTextLength::PercentageLength, 80));
    plain.setCellPadding(2);
    contents->setFormat(plain);

    // The pages: chapters, pictures and headings where they fit. The layout counts in device
    // pixels of the page, the margins above scaled to it.
    const turfpad::PageFrame pageFrame{page.height(), 22 * dpmm, 24 * dpmm};
    Paginate(doc, pageFrame);
    const QStringList faults = StraySpaces(doc) + PageFaults(doc, pageFrame);
    for (const QString& fault : faults) std::fprintf(stderr, "makemanual: %s\n", qPrintable(fault));
    if (!faults.isEmpty()) return 1;

    // The page numbers of the contents: the headings' pages once laid out. The numbers take
    // the place of "00" and change no line, so no heading moves.
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    std::vector<int> pages;
    bool pastContents = false;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level == 2 && b.text() == Utf8ToQString("目次")) {
            pastContents = true;
            continue;
        }
        if (pastContents && (level == 2 || level == 3))
            pages.push_back(static_cast<int>(layout->blockBoundingRect(b).top() / page.height()) + 1);
    }
    for (int row = 1; row < contents->rows() && row - 1 < static_cast<int>(pages.size()); ++row) {
        QTextCursor cell = contents->cellAt(row, 1).firstCursorPosition();
        cell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cell.insertText(QString::number(pages[static_cast<std::size_t>(row - 1)]));
    }

    const int pageCount = doc.pageCount();
    QPainter p(&pdf);
    if (!p.isActive()) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", argv[2]);
        return 1;
    }
    QFont small(Utf8ToQString(kPGothic));
    small.setPointSizeF(8.5);
    for (int i = 0; i < pageCount; ++i) {
        if (i > 0) pdf.newPage();
        p.save();
        const QRectF view(0, i * page.height(), page.width(), page.height());
        p.translate(0, -view.top());
        p.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&p, context);
        p.restore();

        p.setFont(small);
        p.setPen(QColor(80, 80, 80));
        const QRectF header(20 * dpmm, 10 * dpmm, page.width() - 40 * dpmm, 7 * dpmm);
        if (i > 0) {
            p.drawText(header, Qt::AlignRight | Qt::AlignVCenter, Utf8ToQString("ターフパッド 使用説明書"));
            p.drawLine(QPointF(header.left(), header.bottom()), QPointF(header.right(), header.bottom()));
        }
        const QRectF footer(20 * dpmm, page.height() - 16 * dpmm, page.width() - 40 * dpmm, 7 * dpmm);
        p.drawText(footer, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("%1 / %2").arg(i + 1).arg(pageCount));
    }
    p.end();
    return tocEntries > 0 && pageCount > 0 ? 0 : 1;
}
