#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPainter>
#include <stdexcept>

#include "FakePrinter.h"
#include "GridPrinter.h"
#include "MessageBox.h"
#include "PrintTestSupport.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

using testing::TableGrid;

constexpr const char* kKey = "2024052605020811";

struct GridFixture : ::testing::Test {
    FakePrinter printer;
    TStrGridPrinter sgp{&printer};
    std::vector<std::pair<int, int>> pageBands;  // (column band, row band) of each page begun

    GridFixture() {
        TMsgDlg::SetRecording(true);
        sgp.OnBeginPage = [this](TStrGridPrinter& s) {
            pageBands.emplace_back(s.CurrentColBand(), s.CurrentRowBand());
            DrawScheduleDateHeader(s, kKey);
        };
    }
    const std::vector<DrawnPage>& PrintJob(PrintGridSource& grid) {
        sgp.TargetGrid = &grid;
        EXPECT_TRUE(printer.BeginJob(QString()));
        sgp.Print();
        printer.EndJob();
        return printer.Jobs().back().pages;
    }
    static std::vector<DrawnItem> Of(const DrawnPage& page, DrawnItem::Kind kind) {
        std::vector<DrawnItem> out;
        for (const DrawnItem& item : page)
            if (item.kind == kind) out.push_back(item);
        return out;
    }
    // The cell texts of a page ("c,r"), without the header.
    static std::vector<QString> CellTexts(const DrawnPage& page) {
        std::vector<QString> out;
        for (const DrawnItem& item : Of(page, DrawnItem::Kind::Text))
            if (item.clip) out.push_back(item.text);
        return out;
    }
};

TEST_F(GridFixture, MeasuresMarginsAndRatiosInPrinterPixels) {
    TableGrid grid({64}, {15});
    sgp.TargetGrid = &grid;
    sgp.Measure();
    EXPECT_EQ(sgp.LeftPixels(), 236);  // 10 mm at 600 dpi, cut
    EXPECT_EQ(sgp.RightPixels(), 118);
    EXPECT_EQ(sgp.TopPixels(), 236);
    EXPECT_EQ(sgp.BottomPixels(), 236);
    EXPECT_EQ(sgp.PrintableWidth(), 4760 - 236 - 118);
    EXPECT_EQ(sgp.PrintableHeight(), 6816 - 236 - 236);
    EXPECT_DOUBLE_EQ(sgp.RatioX(), 6.25);
    EXPECT_DOUBLE_EQ(sgp.RatioY(), 6.25);
    EXPECT_EQ(sgp.X(10), 236);
    EXPECT_EQ(sgp.Y(4), 94);
    EXPECT_EQ(sgp.X(127), 3000);  // exactly 5 inches: no loss from 25.4 in floating point
}

TEST_F(GridFixture, WithoutAGridOnlyTheMarginsAreSetAndNothingPrints) {
    EXPECT_EQ(sgp.LeftPixels(), 236);  // measured when made
    EXPECT_EQ(sgp.PageTotal(), 0);
    ASSERT_TRUE(printer.BeginJob(QString()));
    sgp.Print();
    printer.EndJob();
    EXPECT_TRUE(printer.Jobs()[0].pages[0].empty());
    EXPECT_TRUE(pageBands.empty());
}

TEST_F(GridFixture, ADaysScheduleFitsOnOnePageUnderItsDate) {
    TableGrid grid({40, 70, 110, 64, 44, 80}, std::vector<int>(13, 15));
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(sgp.PageTotal(), 1);

    std::vector<DrawnItem> texts = Of(pages[0], DrawnItem::Kind::Text);
    ASSERT_EQ(texts.size(), 1u + 6 * 13);
    const DrawnItem& header = texts[0];
    EXPECT_EQ(header.text, QStringLiteral("2024年 5月26日"));
    EXPECT_FALSE(header.clip);
    double ascent = QFontMetricsF(header.font).ascent();
    EXPECT_NEAR(header.pos.x(), 236, 0.01);
    EXPECT_NEAR(header.pos.y(), 94 + ascent, 0.01);
    EXPECT_EQ(header.font.pixelSize(), 75);  // the grid's 9 points at 600 dpi

    // The first cell: from 10 mm, 10 mm, text 2 grid pixels in, clipped to the cell.
    const DrawnItem& first = texts[1];
    EXPECT_EQ(first.text, QStringLiteral("0,0"));
    EXPECT_NEAR(first.pos.x(), 236 + 12, 0.01);
    EXPECT_NEAR(first.pos.y(), 236 + 12 + ascent, 0.01);
    ASSERT_TRUE(first.clip);
    EXPECT_EQ(*first.clip, QRectF(236, 236, 250, 93));  // 40 × 6.25 wide, trunc(15 × 6.25) high

    std::vector<DrawnItem> rects = Of(pages[0], DrawnItem::Kind::Rect);
    ASSERT_EQ(rects.size(), 6u * 13);  // every cell, empty or not, has its outline
    EXPECT_EQ(rects[0].rect, QRectF(236, 236, 250, 93));
    EXPECT_EQ(rects[0].pen.color(), QColor(Qt::black));
    EXPECT_EQ(rects[0].brush.style(), Qt::NoBrush);
    // Neighbours share their borders: each outline ends where the next cell begins.
    EXPECT_EQ(rects[1].rect.left(), rects[0].rect.right());
    EXPECT_EQ(rects[6].rect.top(), rects[0].rect.bottom());
    // Rows advance by the unrounded height: row 2 starts at trunc(236 + 2 × 93.75).
    EXPECT_EQ(rects[12].rect.top(), 423);
    EXPECT_EQ(sgp.LastY(), 236 + 1218);  // trunc(13 × 93.75)
}

TEST_F(GridFixture, TallGridsContinueDownWithTheHeaderOnEveryPage) {
    TableGrid grid({100}, std::vector<int>(100, 15));  // 93 printer pixels a row: 68 rows a page
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(sgp.RowBandStarts(), (std::vector<int>{0, 68}));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CellTexts(pages[0]).back(), QStringLiteral("0,67"));
    EXPECT_EQ(CellTexts(pages[1]).front(), QStringLiteral("0,68"));
    EXPECT_EQ(CellTexts(pages[1]).size(), 32u);
    for (const DrawnPage& page : pages)
        EXPECT_EQ(Of(page, DrawnItem::Kind::Text)[0].text, QStringLiteral("2024年 5月26日"));
    // The second page starts again at the top margin.
    EXPECT_EQ(Of(pages[1], DrawnItem::Kind::Rect)[0].rect.top(), 236);
}

TEST_F(GridFixture, WideGridsSplitAcrossAndPrintAllRowBandsOfABandFirst) {
    TableGrid grid(std::vector<int>(10, 100), std::vector<int>(100, 15));  // 625 pixels a column: 7 a page
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(sgp.ColBandStarts(), (std::vector<int>{0, 7}));
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pageBands, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));
    EXPECT_EQ(CellTexts(pages[0]).front(), QStringLiteral("0,0"));
    EXPECT_EQ(CellTexts(pages[1]).front(), QStringLiteral("0,68"));
    EXPECT_EQ(CellTexts(pages[2]).front(), QStringLiteral("7,0"));
    EXPECT_EQ(CellTexts(pages[3]).back(), QStringLiteral("9,99"));
    EXPECT_EQ(Of(pages[2], DrawnItem::Kind::Rect)[0].rect.left(), 236);
}

TEST_F(GridFixture, LongTextsAreCutAtTheCellEdge) {
    TableGrid grid({30, 30}, {15});
    grid.cells[{0, 0}] = QStringLiteral("とても長いレース名の文字列");
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    std::vector<DrawnItem> texts = Of(pages[0], DrawnItem::Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(*texts[1].clip, QRectF(236, 236, 187, 93));  // trunc(30 × 6.25) wide
    EXPECT_EQ(*texts[2].clip, QRectF(423, 236, 187, 93));
}

TEST_F(GridFixture, ARowTallerThanThePageGetsItsOwnBand) {
    TableGrid grid({50}, {2000, 15, 15});  // 12500 printer pixels: more than a page
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(sgp.RowBandStarts(), (std::vector<int>{0, 0, 1}));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(CellTexts(pages[0]).empty());  // band 1 is empty: header only
    EXPECT_EQ(Of(pages[0], DrawnItem::Kind::Text).size(), 1u);
    EXPECT_EQ(CellTexts(pages[1]), std::vector<QString>{"0,0"});
    EXPECT_EQ(CellTexts(pages[2]), (std::vector<QString>{"0,1", "0,2"}));
}

// A band takes rows (and columns) as long as they fit: one that ends exactly at the edge of the
// printable room still belongs to it; the next one starts a new band.
TEST_F(GridFixture, ARowOrColumnThatExactlyFillsTheRoomStaysInItsBand) {
    FakePrinter::Metrics m;
    m.printable = QSize(4400 + 354, 6250 + 472);  // room: 4400 x 6250 printer pixels
    printer.SetMetrics(m);
    TableGrid grid({700, 4, 16}, {1000, 16});  // 1000 rows x 6.25 = 6250; 700 + 4 columns = 4400
    sgp.TargetGrid = &grid;
    sgp.Measure();
    ASSERT_EQ(sgp.PrintableHeight(), 6250);
    EXPECT_EQ(sgp.RowBandStarts(), (std::vector<int>{0, 1}));
    EXPECT_EQ(sgp.ColBandStarts(), (std::vector<int>{0, 2}));
    EXPECT_EQ(sgp.PageTotal(), 4);
}

TEST_F(GridFixture, GridsBeyondAHundredBandsAcrossStillPrintEveryPage) {
    TableGrid grid(std::vector<int>(250, 300), {15});  // 1875 pixels a column: two a page
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(sgp.ColBands(), 125);
    ASSERT_EQ(pages.size(), 125u);
    EXPECT_EQ(CellTexts(pages[124]), (std::vector<QString>{"248,0", "249,0"}));
}

TEST_F(GridFixture, GridsBeyondAThousandBandsDownStillPrintEveryPage) {
    TableGrid grid({50}, std::vector<int>(1100, 600));  // 3750 pixels a row: one a page
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(sgp.RowBands(), 1100);
    ASSERT_EQ(pages.size(), 1100u);
    EXPECT_EQ(CellTexts(pages[1099]), std::vector<QString>{"0,1099"});
    EXPECT_EQ(pageBands.back(), std::make_pair(1, 1100));
}

TEST_F(GridFixture, CellsKeepTheGridsSettingsWhateverTheHeaderDoes) {
    sgp.OnBeginPage = [](TStrGridPrinter& s) {
        QFont big = s.Canvas()->font();
        big.setPixelSize(300);
        s.Canvas()->setFont(big);
        s.Canvas()->setPen(Qt::red);
        s.Canvas()->setBrush(Qt::blue);
        s.Canvas()->drawText(QPointF(0, 300), QStringLiteral("見出し"));
    };
    int ends = 0;
    sgp.OnEndPage = [&](TStrGridPrinter& s) {
        ++ends;
        EXPECT_EQ(s.LastY(), 236 + 93);
    };
    TableGrid grid({50}, {15});
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    std::vector<DrawnItem> texts = Of(pages[0], DrawnItem::Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].font.pixelSize(), 300);
    EXPECT_EQ(texts[1].font.pixelSize(), 75);
    EXPECT_EQ(texts[1].pen.color(), QColor(Qt::black));
    EXPECT_EQ(Of(pages[0], DrawnItem::Kind::Rect)[0].brush.style(), Qt::NoBrush);
    EXPECT_EQ(ends, 1);
}

TEST_F(GridFixture, AFailingHeaderSkipsThatPageAndPrintingGoesOn) {
    int calls = 0;
    sgp.OnBeginPage = [&](TStrGridPrinter&) {
        if (++calls == 1) throw std::invalid_argument("no date");
    };
    TableGrid grid({100}, std::vector<int>(100, 15));
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].empty());
    EXPECT_EQ(CellTexts(pages[1]).size(), 32u);
}

TEST_F(GridFixture, AGridFontInPixelsPrintsAtItsPointSize) {
    TableGrid grid({50}, {15});
    grid.font = QFont(QStringLiteral("ＭＳ ゴシック"));
    grid.font.setPixelSize(12);  // 9 points on a 96 dpi screen
    const std::vector<DrawnPage>& pages = PrintJob(grid);
    EXPECT_EQ(Of(pages[0], DrawnItem::Kind::Text)[1].font.pixelSize(), 75);
}

TEST(ScheduleHeader, DateOfTheCurrentRace) {
    EXPECT_EQ(ScheduleDateText("2024052605020811"), Sj("2024年 5月26日"));
    EXPECT_EQ(ScheduleDateText("2024120106051001"), Sj("2024年12月 1日"));
    EXPECT_THROW(ScheduleDateText(""), std::invalid_argument);
    EXPECT_THROW(ScheduleDateText("2024 5260502081"), std::invalid_argument);
    EXPECT_FALSE(ScheduleReady(""));
    EXPECT_FALSE(ScheduleReady("                "));
    EXPECT_TRUE(ScheduleReady("2024052605020811"));
}

struct ScheduleCommand : ::testing::Test {
    FakePrinter printer;
    TStrGridPrinter sgp{&printer};
    TableGrid grid{{40, 70}, std::vector<int>(13, 15)};
    std::string current;
    ScheduleCommand() {
        TMsgDlg::SetRecording(true);
        InstallScheduleHeader(sgp, [this] { return current; });
    }
};

TEST_F(ScheduleCommand, BeforeADayIsReadWarnsAndPrintsNothing) {
    EXPECT_FALSE(PrintSchedule(nullptr, printer, sgp, grid, current));
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(shown[0].text, QStringLiteral("分析用ﾃﾞｰﾀを選択してください。"));
    EXPECT_TRUE(printer.Jobs().empty());
}

TEST_F(ScheduleCommand, PrintsTheGridUnderTheDateOfTheCurrentRace) {
    current = kKey;
    EXPECT_TRUE(PrintSchedule(nullptr, printer, sgp, grid, current));
    ASSERT_EQ(printer.Jobs().size(), 1u);
    const DrawnPage& page = printer.Jobs()[0].pages.at(0);
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page[0].text, QStringLiteral("2024年 5月26日"));
    EXPECT_EQ(sgp.TargetGrid, nullptr);  // the grid is not held once it has printed
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
}

TEST_F(ScheduleCommand, AJobThatFailsIsReportedAndADeclinedOneIsNot) {
    current = kKey;
    printer.SetFailEndJob(true);  // e.g. a PDF file that could not be written
    EXPECT_FALSE(PrintSchedule(nullptr, printer, sgp, grid, current));
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("印刷できませんでした。"));
    printer.SetFailEndJob(false);
    printer.SetRefuseJobs(true);  // the user cancelled choosing the file
    EXPECT_FALSE(PrintSchedule(nullptr, printer, sgp, grid, current));
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
}

TEST_F(ScheduleCommand, WithoutAPrinterSaysSo) {
    current = kKey;
    printer.SetInstalled(false);
    EXPECT_FALSE(PrintSchedule(nullptr, printer, sgp, grid, current));
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("デフォルト プリンタが存在しません"));
}

}  // namespace
}  // namespace turfpad
