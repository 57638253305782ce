// 馬柱印刷: one landscape page per race through the preview, each run's texts on it, the
// printer's sheet turned back afterwards so the race cards print as before; and the PDF file.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>

#include "FakePrinter.h"
#include "FormGuidePrint.h"
#include "MessageBox.h"
#include "PdfOutput.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "PrintTestSupport.h"
#include "RaceCardPrint.h"
#include "TempDir.h"

namespace turfpad {
namespace {

using testing::MapIni;

FormRow Run(const char* date, const char* course, const char* position) {
    FormRow row;
    const char* cells[kFormColumns] = {"3",  "ミライノホシ", date,     course, "11R",    "ベンチ", "芝右1600m", "稍重",
                                       "16", position,       "1:35.2", "4",    "騎手名", "57.0",   "480(+4)"};
    for (int i = 0; i < kFormColumns; ++i) row[static_cast<std::size_t>(i)] = Sj(cells[i]);
    return row;
}

// Races of a day: race n has n runners, the first with two runs (the later one won).
std::vector<RaceFormPage> Day(int races) {
    std::vector<RaceFormPage> pages;
    for (int n = 1; n <= races; ++n) {
        RaceFormPage page;
        page.heading = Sj("2026/12/12 中山 " + std::to_string(n) + "R ベンチ 芝右1600m");
        for (int r = 1; r <= n; ++r) {
            RunnerForm runner;
            runner.post = (r + 1) / 2;
            runner.number = r;
            runner.name = Sj("ミライノホシ");
            if (r == 1) {
                runner.runs = {Run("2026/11/28", "阪神", "1"), Run("2026/10/31", "東京", "中止")};
                runner.won = {true, false};
            }
            page.runners.push_back(runner);
        }
        pages.push_back(page);
    }
    return pages;
}

std::vector<QString> Texts(const DrawnPage& page) {
    std::vector<QString> out;
    for (const DrawnItem& item : page)
        if (item.kind == DrawnItem::Kind::Text) out.push_back(item.text);
    return out;
}

bool Has(const std::vector<QString>& texts, const QString& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

struct FormPrintFixture : ::testing::Test {
    FakePrinter printer;  // A4 portrait
    MapIni ini;
    int shown = 0;
    FormPrintFixture() { TMsgDlg::SetRecording(true); }
    ~FormPrintFixture() override { TMsgDlg::TakeShown(); }
};

TEST_F(FormPrintFixture, OneLandscapePagePerRaceWithEachRunsTexts) {
    const QSize portrait = printer.SheetSize();
    PrintFormGuides(nullptr, printer, ini, QStringLiteral("2026年12月12日中山"), Day(12), [&](TAllPrintForm& form) {
        ++shown;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("ターフパッド　馬柱印刷"));
        EXPECT_TRUE(printer.Landscape());
        EXPECT_EQ(form.PrevX1->PageCount(), 12);
        EXPECT_EQ(form.UpDown1->Max(), 12);
        const QSize page = form.PrevX1->PageSize(1);
        EXPECT_GT(page.width(), page.height());
        form.BitBtn4->click();  // every page
    });
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(printer.Jobs().size(), 1u);
    const auto& pages = printer.Jobs()[0].pages;
    ASSERT_EQ(pages.size(), 12u);
    const std::vector<QString> first = Texts(pages[0]);
    EXPECT_TRUE(Has(first, QStringLiteral("2026/12/12 中山 1R ベンチ 芝右1600m")));
    EXPECT_TRUE(Has(first, QStringLiteral("2026/11/28 阪神 11R 16頭")));
    EXPECT_TRUE(Has(first, QStringLiteral("ベンチ 芝右1600m 稍重")));
    EXPECT_TRUE(Has(first, QStringLiteral("1:35.2 4人 騎手名 57.0 480(+4)")));
    // Nothing on the page is set smaller than 7 points (58 px at the printer's 600 dpi).
    for (const DrawnItem& item : pages[0]) {
        if (item.kind != DrawnItem::Kind::Text) continue;
        EXPECT_GE(item.font.pixelSize(), 58) << item.text.toStdString();
    }
    EXPECT_TRUE(Has(first, QStringLiteral("中止")));
    EXPECT_TRUE(Has(first, QStringLiteral("5走前")));
    // The twelfth race: twelve runners, each its number.
    const std::vector<QString> last = Texts(pages[11]);
    EXPECT_TRUE(Has(last, QStringLiteral("12")));
    EXPECT_TRUE(Has(last, QStringLiteral("2026/12/12 中山 12R ベンチ 芝右1600m")));

    // The sheet is turned back: the race cards print portrait as before.
    EXPECT_FALSE(printer.Landscape());
    EXPECT_EQ(printer.SheetSize(), portrait);
    TPrevX prev(&printer);
    DrawRaceCards(prev, std::vector<PrintedRace>{testing::Race(1)});
    EXPECT_LT(prev.PageSize(1).width(), prev.PageSize(1).height());
}

// With 18 runners a row is at its lowest; a run's three lines still stand a 7-point line
// apart and stay inside the row (1660 / 18 tenths of a millimetre: 217 px at 600 dpi).
TEST_F(FormPrintFixture, EighteenRunnersRunLinesClearEachOther) {
    PrintFormGuides(nullptr, printer, ini, QStringLiteral("day"), Day(18),
                    [&](TAllPrintForm& form) { form.BitBtn4->click(); });
    ASSERT_EQ(printer.Jobs().size(), 1u);
    std::vector<const DrawnItem*> lines;  // the first run's three lines come first
    for (const DrawnItem& item : printer.Jobs()[0].pages.at(17))
        if (item.kind == DrawnItem::Kind::Text &&
            (item.text.startsWith("2026/11/28") || item.text.startsWith(QStringLiteral("ベンチ")) ||
             item.text.startsWith("1:35.2")))
            lines.push_back(&item);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_GE(lines[1]->pos.y(), lines[0]->pos.y() + 58);
    EXPECT_GE(lines[2]->pos.y(), lines[1]->pos.y() + 58);
    EXPECT_LE(lines[2]->rect.bottom() - lines[0]->rect.top(), 217);
}

TEST_F(FormPrintFixture, ASheetAlreadyOnItsSideStaysSo) {
    printer.SetLandscape(true);
    PrintFormGuides(nullptr, printer, ini, QStringLiteral("day"), Day(1), [&](TAllPrintForm&) { ++shown; });
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(printer.Landscape());
}

TEST_F(FormPrintFixture, NoDayOrNoPrinterShowsNoWindowAndLeavesTheSheet) {
    PrintFormGuides(nullptr, printer, ini, QStringLiteral(" "), Day(2), [&](TAllPrintForm&) { ++shown; });
    auto messages = TMsgDlg::TakeShown();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("分析用ﾃﾞｰﾀを選択してください。"));

    printer.SetInstalled(false);
    PrintFormGuides(nullptr, printer, ini, QStringLiteral("day"), Day(2), [&](TAllPrintForm&) { ++shown; });
    messages = TMsgDlg::TakeShown();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("プリンタが登録されていません"));
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(printer.Landscape());
}

TEST(FormGuidePdf, A4LandscapeOnePagePerRace) {
    testing::TempDir dir;
    QString keep = qEnvironmentVariable("TURFPAD_PDF_DIR");
    const QString path = keep.isEmpty() ? QString::fromStdString((dir.path() / "form.pdf").string())
                                        : QDir(keep).filePath(QStringLiteral("form.pdf"));
    QString error;
    ASSERT_TRUE(WriteFormGuidesPdf(path, Day(3), &error)) << error.toStdString();
    const std::string pdf = testing::ReadAll(path.toStdString());
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        pages += pdf[at + 11] != 's';
    EXPECT_EQ(pages, 3);
    EXPECT_NE(pdf.find("/MediaBox [0 0 842"), std::string::npos);  // 842 x 595 points

    EXPECT_FALSE(WriteFormGuidesPdf(path, {}, &error));
    EXPECT_EQ(error, QStringLiteral("印刷するレースがありません"));
}

}  // namespace
}  // namespace turfpad
