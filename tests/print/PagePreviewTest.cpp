#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "FakePrinter.h"
#include "JapaneseUi.h"
#include "PagePreview.h"
#include "PrintTestSupport.h"

namespace turfpad {
namespace {

using testing::OpLog;

struct PrevFixture : ::testing::Test {
    FakePrinter printer;
    TPrevX prev{&printer};
    PrevFixture() { prev.SetScreenDpi(96); }

    // A set of n pages, page i carrying the text "page i".
    void MakePages(int n) {
        prev.BeginDoc();
        for (int i = 1; i <= n; ++i) {
            if (i > 1) prev.NewPage();
            prev.TextOut(100, 100, QStringLiteral("page %1").arg(i));
        }
        prev.EndDoc();
    }
    // The "page i" texts of each printed page of a job.
    static std::vector<QString> PageTexts(const FakePrinter::Job& job) {
        std::vector<QString> out;
        for (const DrawnPage& page : job.pages) {
            QString text;
            for (const DrawnItem& item : page)
                if (item.kind == DrawnItem::Kind::Text) text += item.text;
            out.push_back(text);
        }
        return out;
    }
};

TEST(PrevRounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(1, 2), 0);
    EXPECT_EQ(RoundHalfEven(3, 2), 2);
    EXPECT_EQ(RoundHalfEven(5, 2), 2);
    EXPECT_EQ(RoundHalfEven(-1, 2), 0);
    EXPECT_EQ(RoundHalfEven(-3, 2), -2);
    EXPECT_EQ(RoundHalfEven(-5, 4), -1);
    EXPECT_EQ(RoundHalfEven(7, 4), 2);
    // Font heights from points round the usual way.
    EXPECT_EQ(MulDiv(10, 600, 72), 83);
    EXPECT_EQ(MulDiv(20, 600, 72), 167);
    EXPECT_EQ(MulDiv(3, 12, 72), 1);  // 0.5 away from zero
    EXPECT_EQ(MulDiv(-3, 12, 72), -1);
}

TEST_F(PrevFixture, ConvertsTenthsOfAMillimetreToPrinterPixels) {
    prev.Measure();
    EXPECT_EQ(prev.X(1990), 4701);
    EXPECT_EQ(prev.Y(1990), 4701);
    EXPECT_EQ(prev.X(0), 0);
    EXPECT_EQ(prev.Y(2674), 6317);
    prev.SetMarginLeft(10);
    prev.SetMarginTop(-10);
    EXPECT_EQ(prev.X(1980), 4701);
    EXPECT_EQ(prev.Y(2000), 4701);
    prev.SetMapMode(TPrevMapModes::pmmLo);
    EXPECT_EQ(prev.X(189), 4701);  // whole millimetres, margin 10 mm
    EXPECT_EQ(prev.Y(209), 4701);
}

TEST_F(PrevFixture, ConversionsRoundExactHalvesToEven) {
    FakePrinter::Metrics m;
    m.dpiX = 127;  // one tenth of a millimetre is exactly half a pixel
    m.dpiY = 381;  // 1.5 pixels
    printer.SetMetrics(m);
    prev.Measure();
    EXPECT_EQ(prev.X(1), 0);
    EXPECT_EQ(prev.X(3), 2);
    EXPECT_EQ(prev.X(5), 2);
    EXPECT_EQ(prev.X(-3), -2);
    EXPECT_EQ(prev.Y(1), 2);
    EXPECT_EQ(prev.Y(3), 4);  // 4.5
    EXPECT_EQ(prev.Y(5), 8);  // 7.5
}

TEST_F(PrevFixture, PenWidthsAreTenthsOfAScreenPixel) {
    prev.Measure();
    EXPECT_EQ(prev.PenWidth(1), 1);    // 0.625
    EXPECT_EQ(prev.PenWidth(5), 3);    // 3.125
    EXPECT_EQ(prev.PenWidth(20), 12);  // 12.5
    EXPECT_EQ(prev.PenWidth(12), 8);   // 7.5
    EXPECT_EQ(prev.PenWidth(10), 6);
    EXPECT_EQ(prev.PenWidth(0), 1);  // never thinner than one pixel
    prev.SetScreenDpi(120);
    EXPECT_EQ(prev.PenWidth(20), 10);
}

TEST_F(PrevFixture, MeasuresTheSheetAtTheZoom) {
    prev.SetZoomScale(50);
    prev.Measure();
    EXPECT_DOUBLE_EQ(prev.Scale(), 0.08);
    EXPECT_EQ(prev.PaperWidth(), 397);
    EXPECT_EQ(prev.PaperHeight(), 561);
    EXPECT_EQ(prev.PrintableOffsetX(), 8);
    EXPECT_EQ(prev.PrintableOffsetY(), 8);
    EXPECT_EQ(prev.PrintableWidth(), 381);   // 380.8
    EXPECT_EQ(prev.PrintableHeight(), 545);  // 545.28
    prev.FitToSheet();
    EXPECT_EQ(prev.size(), QSize(417, 581));

    prev.SetZoomScale(100);  // the true size in screen inches
    EXPECT_EQ(prev.size(), QSize(794 + 20, 1123 + 20));
}

// The sheet is drawn at the printer's vertical resolution over the screen's: a printer whose
// two resolutions differ must not stretch the preview by the horizontal one.
TEST_F(PrevFixture, TheScaleComesFromTheVerticalResolution) {
    FakePrinter::Metrics m;
    m.dpiX = 300;
    m.dpiY = 600;
    printer.SetMetrics(m);
    prev.SetZoomScale(50);
    prev.Measure();
    EXPECT_DOUBLE_EQ(prev.Scale(), 0.08);  // 96 / 600 x 50 %
    EXPECT_EQ(prev.PaperHeight(), 561);
}

TEST_F(PrevFixture, SettersIgnoreValuesOutOfRange) {
    EXPECT_EQ(prev.ZoomScale(), 25);
    prev.SetZoomScale(24);
    EXPECT_EQ(prev.ZoomScale(), 25);
    prev.SetZoomScale(201);
    EXPECT_EQ(prev.ZoomScale(), 25);
    prev.SetZoomScale(200);
    EXPECT_EQ(prev.ZoomScale(), 200);
    prev.SetZoomScale(25);
    EXPECT_EQ(prev.ZoomScale(), 25);

    prev.SetPageNo(1);  // no pages yet
    prev.SetFromPage(1);
    EXPECT_EQ(prev.PageNo(), 1);
    MakePages(3);
    for (int bad : {0, 4, -1}) {
        prev.SetPageNo(bad);
        prev.SetFromPage(bad);
    }
    EXPECT_EQ(prev.PageNo(), 1);
    EXPECT_EQ(prev.FromPage(), 1);
    prev.SetPageNo(3);
    prev.SetFromPage(2);
    EXPECT_EQ(prev.PageNo(), 3);
    EXPECT_EQ(prev.FromPage(), 2);

    EXPECT_EQ(prev.ToPage(), 9999);
    prev.SetToPage(0);
    EXPECT_EQ(prev.ToPage(), 9999);
    prev.SetToPage(20000);  // no upper limit
    EXPECT_EQ(prev.ToPage(), 20000);
}

TEST_F(PrevFixture, BeginDocStartsAFreshSet) {
    MakePages(3);
    prev.SetPageNo(3);
    prev.SetFromPage(2);
    prev.SetToPage(2);
    prev.BeginDoc();
    EXPECT_EQ(prev.PageCount(), 1);
    EXPECT_TRUE(prev.PageOpen());
    EXPECT_EQ(prev.PageNo(), 1);
    EXPECT_EQ(prev.FromPage(), 1);
    EXPECT_EQ(prev.ToPage(), 9999);
    prev.NewPage();
    EXPECT_EQ(prev.PageCount(), 2);
    prev.EndDoc();
    EXPECT_FALSE(prev.PageOpen());
    EXPECT_EQ(prev.PageCount(), 2);
}

TEST_F(PrevFixture, PagesTakeThePrintableSizeWhenTheyAreOpened) {
    prev.BeginDoc();
    FakePrinter::Metrics m;
    m.printable = QSize(4000, 6000);
    printer.SetMetrics(m);
    prev.NewPage();
    prev.EndDoc();
    EXPECT_EQ(prev.PageSize(1), QSize(4760, 6816));
    EXPECT_EQ(prev.PageSize(2), QSize(4000, 6000));
    EXPECT_EQ(prev.Page(1).boundingRect(), QRect(0, 0, 4760, 6816));
}

TEST_F(PrevFixture, EveryPageStartsWithAFreshCanvas) {
    prev.BeginDoc();
    prev.Canvas().font.size = 20;
    prev.Canvas().pen.width = 12;
    prev.Canvas().brush.style = Qt::NoBrush;
    prev.NewPage();
    const TPrevCanvas& c = prev.Canvas();
    EXPECT_EQ(c.font, TPrevCanvas().font);
    EXPECT_EQ(c.font.name, QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(c.pen, TPrevPen());
    EXPECT_EQ(c.brush, TPrevBrush());
}

TEST_F(PrevFixture, WithoutAPrinterTheOperationsFailAndChangeNothing) {
    MakePages(2);
    printer.SetInstalled(false);
    try {
        prev.Measure();
        FAIL() << "no error";
    } catch (const EPrevError& e) {
        EXPECT_STREQ(e.what(), "プリンタが登録されていません");
    }
    EXPECT_THROW(prev.BeginDoc(), EPrevError);
    EXPECT_EQ(prev.PageCount(), 2);
    EXPECT_THROW(prev.NewPage(), EPrevError);
    EXPECT_EQ(prev.PageCount(), 2);
    EXPECT_THROW(prev.Print(), EPrevError);
    EXPECT_TRUE(printer.Jobs().empty());
}

TEST_F(PrevFixture, PrintsTheChosenRangeAsOneJob) {
    MakePages(12);
    prev.SetTitle(QStringLiteral("出馬表"));
    prev.SetFromPage(3);
    prev.SetToPage(3);
    EXPECT_TRUE(prev.Print());
    prev.SetFromPage(1);
    prev.SetToPage(12);
    EXPECT_TRUE(prev.Print());
    prev.SetFromPage(10);
    prev.SetToPage(100);  // beyond the last page: up to the last
    EXPECT_TRUE(prev.Print());

    ASSERT_EQ(printer.Jobs().size(), 3u);
    EXPECT_EQ(printer.Jobs()[0].title, QStringLiteral("出馬表"));
    EXPECT_EQ(PageTexts(printer.Jobs()[0]), std::vector<QString>{"page 3"});
    std::vector<QString> all;
    for (int i = 1; i <= 12; ++i) all.push_back(QStringLiteral("page %1").arg(i));
    EXPECT_EQ(PageTexts(printer.Jobs()[1]), all);
    EXPECT_EQ(PageTexts(printer.Jobs()[2]), (std::vector<QString>{"page 10", "page 11", "page 12"}));
}

TEST_F(PrevFixture, AnEmptyRangePrintsNothing) {
    EXPECT_FALSE(prev.Print());  // no pages at all
    MakePages(5);
    prev.SetToPage(2);
    prev.SetFromPage(4);
    EXPECT_FALSE(prev.Print());
    printer.SetRefuseJobs(true);  // e.g. the file dialog was cancelled
    prev.SetFromPage(1);
    EXPECT_FALSE(prev.Print());
    EXPECT_TRUE(printer.Jobs().empty());
}

TEST_F(PrevFixture, PagesReachThePrinterAtTheirRecordedPositions) {
    prev.BeginDoc();
    TPrevCanvas& c = prev.Canvas();
    c.font.name = QStringLiteral("ＭＳ ゴシック");
    c.font.size = 10;
    c.font.bold = true;
    c.font.color = Qt::red;
    c.brush.style = Qt::NoBrush;
    c.pen.width = prev.PenWidth(20);
    prev.TextOut(100, 200, QStringLiteral("東京"));
    prev.Rectangle(100, 280, 1990, 406);
    prev.MoveTo(150, 280);
    prev.LineTo(150, 2674);
    prev.EndDoc();
    ASSERT_TRUE(prev.Print());

    const DrawnPage& page = printer.Jobs().at(0).pages.at(0);
    ASSERT_EQ(page.size(), 3u);
    const DrawnItem& text = page[0];
    EXPECT_EQ(text.kind, DrawnItem::Kind::Text);
    EXPECT_EQ(text.text, QStringLiteral("東京"));
    EXPECT_EQ(text.font.pixelSize(), 83);
    EXPECT_TRUE(text.font.bold());
    EXPECT_EQ(text.pen.color(), QColor(Qt::red));
    QFont f = text.font;
    f.setFamily(QStringLiteral("ＭＳ ゴシック"));  // the face the page names, whichever draws it
    EXPECT_NEAR(text.pos.x(), 236, 0.01);
    EXPECT_NEAR(text.pos.y(), 472 + QFontMetricsF(f).ascent(), 0.5);  // placed by its top

    const DrawnItem& rect = page[1];
    EXPECT_EQ(rect.kind, DrawnItem::Kind::Rect);
    EXPECT_NEAR(rect.rect.left(), 236, 0.01);
    EXPECT_NEAR(rect.rect.top(), 661, 0.01);
    EXPECT_NEAR(rect.rect.right(), 4701, 0.01);
    EXPECT_NEAR(rect.rect.bottom(), 959, 0.01);
    EXPECT_DOUBLE_EQ(rect.pen.widthF(), 12);
    EXPECT_EQ(rect.brush.style(), Qt::NoBrush);

    const DrawnItem& line = page[2];
    EXPECT_EQ(line.kind, DrawnItem::Kind::Line);
    EXPECT_NEAR(line.line.x1(), 354, 0.01);
    EXPECT_NEAR(line.line.y1(), 661, 0.01);
    EXPECT_NEAR(line.line.x2(), 354, 0.01);
    EXPECT_NEAR(line.line.y2(), 6317, 0.01);
}

TEST_F(PrevFixture, TextOnASolidBrushIsDrawnOnItsColour) {
    prev.BeginDoc();
    prev.Canvas().brush.color = Qt::black;
    prev.Canvas().font.color = Qt::white;
    prev.TextOut(120, 175, QStringLiteral("5"));
    prev.Canvas().brush.style = Qt::NoBrush;
    prev.TextOut(300, 175, QStringLiteral("6"));
    prev.EndDoc();
    ASSERT_TRUE(prev.Print());
    const DrawnPage& page = printer.Jobs().at(0).pages.at(0);
    ASSERT_EQ(page.size(), 3u);  // background, "5", "6" without one
    EXPECT_EQ(page[0].kind, DrawnItem::Kind::Rect);
    EXPECT_EQ(page[0].brush.color(), QColor(Qt::black));
    EXPECT_NEAR(page[0].rect.left(), prev.X(120), 0.01);
    EXPECT_NEAR(page[0].rect.top(), prev.Y(175), 0.01);
    EXPECT_GT(page[0].rect.width(), 0);
    EXPECT_EQ(page[1].text, QStringLiteral("5"));
    EXPECT_EQ(page[1].pen.color(), QColor(Qt::white));
    EXPECT_EQ(page[2].text, QStringLiteral("6"));
}

TEST_F(PrevFixture, ReportsEveryOperationWithItsSettings) {
    OpLog log;
    log.Attach(prev);
    prev.BeginDoc();
    prev.Canvas().pen.width = 7;
    prev.MoveTo(100, 200);
    prev.LineTo(300, 200);
    prev.NewPage();
    prev.Rectangle(10, 20, 30, 40);
    prev.EndDoc();
    ASSERT_EQ(log.ops.size(), 3u);
    EXPECT_EQ(log.ops[0].kind, TPrevOp::Kind::MoveTo);
    const TPrevOp& line = log.ops[1];
    EXPECT_EQ(line.kind, TPrevOp::Kind::LineTo);
    EXPECT_EQ(line.page, 1);
    EXPECT_EQ(line.from, QPoint(100, 200));
    EXPECT_EQ(line.at, QPoint(300, 200));
    EXPECT_EQ(line.devFrom, QPoint(236, 472));
    EXPECT_EQ(line.devAt, QPoint(709, 472));
    EXPECT_EQ(line.canvas.pen.width, 7);
    const TPrevOp& rect = log.ops[2];
    EXPECT_EQ(rect.page, 2);
    EXPECT_EQ(rect.at, QPoint(10, 20));
    EXPECT_EQ(rect.to, QPoint(30, 40));
    EXPECT_EQ(rect.devTo, QPoint(71, 94));
    EXPECT_EQ(rect.canvas.pen.width, 1);  // the new page's own canvas
}

TEST_F(PrevFixture, DrawingWithoutAnOpenPageIsIgnored) {
    OpLog log;
    log.Attach(prev);
    prev.TextOut(1, 1, QStringLiteral("x"));
    prev.LineTo(5, 5);
    MakePages(1);
    prev.Rectangle(1, 1, 2, 2);
    EXPECT_EQ(log.ops.size(), 1u);  // only the page's own text
}

// Colour of a preview pixel, as a grey level.
int Grey(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

TEST_F(PrevFixture, PaintsTheSheetThePrintableAreaAndThePageStretchedIntoIt) {
    prev.SetZoomScale(50);
    prev.BeginDoc();
    prev.Canvas().brush.color = Qt::black;
    prev.Rectangle(0, 0, 1000, 1000);  // 2362 printer pixels square: 189 preview pixels
    prev.EndDoc();
    prev.FitToSheet();
    QImage image = prev.grab().toImage();
    ASSERT_EQ(image.size(), QSize(417, 581));
    EXPECT_LT(Grey(image, 10, 300), 64);    // sheet outline, left
    EXPECT_LT(Grey(image, 406, 300), 64);   // and right: 397 pixels wide
    EXPECT_GT(Grey(image, 407, 300), 64);   // outside the sheet
    EXPECT_GT(Grey(image, 300, 300), 192);  // the white sheet
    // The page is drawn from the printable area's corner (8 + 10 pixels in).
    EXPECT_LT(Grey(image, 18 + 100, 18 + 100), 64);
    EXPECT_LT(Grey(image, 18 + 180, 18 + 180), 64);
    EXPECT_GT(Grey(image, 18 + 200, 18 + 100), 192);
    EXPECT_GT(Grey(image, 18 + 100, 18 + 200), 192);
}

// Dark pixels of the preview of one page holding `text` in `face` at 20 pt.
int InkOfPreviewedText(const QString& face, const QString& text, bool bold, int zoom) {
    FakePrinter printer;
    TPrevX prev(&printer);
    prev.SetScreenDpi(96);
    prev.SetZoomScale(zoom);
    prev.BeginDoc();
    prev.Canvas().font.name = face;
    prev.Canvas().font.size = 20;
    prev.Canvas().font.bold = bold;
    prev.TextOut(100, 100, text);
    prev.EndDoc();
    prev.FitToSheet();
    const QImage image = prev.grab().toImage();
    int ink = 0;
    for (int y = 0; y < image.height() / 4; ++y)
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

TEST(PrevBold, ThePreviewShowsBoldTextBoldAtEveryZoom) {
    const QString gothic = QString::fromUtf8(kGothic);
    const QString real = PrintFace(gothic, true);
    if (real == gothic) GTEST_SKIP() << "no gothic with a real bold face is installed (fonts-noto-cjk)";
    EXPECT_EQ(PrintFace(QString::fromUtf8(kPGothic), true), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(PrintFace(gothic, false), gothic);  // regular text keeps the widths it had
    EXPECT_EQ(PrintFace(QStringLiteral("Arial"), true), QStringLiteral("Arial"));
    // Bold text on the page is darker than the same face's regular text, at every zoom.
    const QString text = QString::fromUtf8("中山ﾚｰｽ");
    for (int zoom : {25, 50, 75, 100}) {
        const int sheet = InkOfPreviewedText(real, QString(), false, zoom);  // outline and margins
        const int regular = InkOfPreviewedText(real, text, false, zoom) - sheet;
        const int bold = InkOfPreviewedText(gothic, text, true, zoom) - sheet;
        ASSERT_GT(regular, 0) << zoom;
        EXPECT_GT(bold * 100, regular * 115) << "zoom " << zoom << ": " << regular << " / " << bold;
    }
}

// A lazy document draws a page when it is first shown or printed, once, as its own page,
// with the metrics the printer had when the document began.
TEST_F(PrevFixture, LazyPagesAreDrawnOnFirstSightOnce) {
    std::vector<int> drawn;
    std::vector<TPrevOp> ops;
    prev.SetOnDraw([&](const TPrevOp& op) { ops.push_back(op); });
    prev.LazyDoc(3, [&](TPrevX& p, int n) {
        drawn.push_back(n);
        p.TextOut(100, 100 * n, QString::number(n));
    });
    EXPECT_EQ(prev.PageCount(), 3);
    EXPECT_TRUE(drawn.empty());
    const int x = prev.X(100);
    FakePrinter::Metrics coarser = printer.GetMetrics();
    coarser.dpiX = coarser.dpiY = 300;  // a printer chosen meanwhile
    printer.SetMetrics(coarser);
    prev.Measure();
    prev.Page(2);
    prev.Page(2);
    EXPECT_EQ(drawn, (std::vector<int>{2}));
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].page, 2);
    EXPECT_EQ(ops[0].devAt.x(), x);
    ASSERT_TRUE(prev.Print());
    EXPECT_EQ(drawn, (std::vector<int>{2, 1, 3}));
    const auto& pages = printer.Jobs().at(0).pages;
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t n = 1; n <= 3; ++n) {
        QStringList texts;
        for (const DrawnItem& item : pages[n - 1])
            if (item.kind == DrawnItem::Kind::Text) texts << item.text;
        EXPECT_EQ(texts, QStringList{QString::number(n)});
    }
}

}  // namespace
}  // namespace turfpad
