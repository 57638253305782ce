#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>

#include "FakePrinter.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "PrintTestSupport.h"
#include "RaceCardPrint.h"

namespace turfpad {
namespace {

using testing::OpLog;
using testing::Race;

std::string Colour(const QColor& c) { return c.name().toStdString(); }

// One operation in a line of text: kind, page units, and the settings that matter for it.
std::string Format(const TPrevOp& op) {
    auto pt = [](QPoint p) { return std::to_string(p.x()) + "," + std::to_string(p.y()); };
    const TPrevCanvas& c = op.canvas;
    std::string brush = c.brush.style == Qt::NoBrush ? "-" : Colour(c.brush.color);
    switch (op.kind) {
        case TPrevOp::Kind::TextOut: {
            std::string face = c.font.name == QStringLiteral("ＭＳ ゴシック")     ? "G"
                               : c.font.name == QStringLiteral("ＭＳ Ｐゴシック") ? "P"
                                                                                  : "?";
            return "T " + pt(op.at) + " " + op.text.toStdString() + "|" + face + std::to_string(c.font.size) +
                   (c.font.bold ? "B " : " ") + Colour(c.font.color) + "/" + brush;
        }
        case TPrevOp::Kind::MoveTo:
            return "M " + pt(op.at);
        case TPrevOp::Kind::LineTo:
            return "L " + pt(op.from) + " " + pt(op.at) + " p" + std::to_string(c.pen.width);
        case TPrevOp::Kind::Rectangle:
            return "R " + pt(op.at) + " " + pt(op.to) + " p" + std::to_string(c.pen.width) + " " + brush;
    }
    return {};
}

struct PageFixture : ::testing::Test {
    FakePrinter printer;
    TPrevX prev{&printer};
    OpLog log;
    PageFixture() {
        prev.SetScreenDpi(96);
        log.Attach(prev);
    }
    std::vector<std::string> Draw(const PrintedRace& race) {
        prev.BeginDoc();
        DrawRaceCardPage(prev, race);
        prev.EndDoc();
        std::vector<std::string> out;
        for (const TPrevOp& op : log.ops) out.push_back(Format(op));
        return out;
    }
    static std::vector<std::string> Matching(const std::vector<std::string>& ops, const std::string& prefix) {
        std::vector<std::string> out;
        std::copy_if(ops.begin(), ops.end(), std::back_inserter(out),
                     [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
        return out;
    }
};

TEST_F(PageFixture, LaysOutTheWholePageOfARace) {
    std::vector<std::string> ops = Draw(Race(11, {1, 2}));
    const std::string name = "東京優駿" + std::string(52, ' ');
    std::vector<std::string> expected = {
        // Header: bold, texts on white, the race number white on the black box.
        "T 210,220 ﾚｰｽ|G10B #000000/#ffffff",
        "T 100,100 東京|G20B #000000/#ffffff",
        "R 100,170 180,250 p6 #000000",
        "T 105,175 11|G20B #ffffff/#000000",
        "T 300,110 2024年 5月26日東京 2回 8日|G11B #000000/#ffffff",
        "T 900,110 15時40分発走|G11B #000000/#ffffff",
        "T 300,155 " + name + "|G10 #000000/#ffffff",
        "T 300,200  2頭|G10 #000000/#ffffff",
        "T 500,200 馬齢　|G10 #000000/#ffffff",
        "T 800,200 ｵｰﾌﾟﾝ　　 |G10 #000000/#ffffff",
        "T 1100,200 芝左|G10 #000000/#ffffff",
        "T 1300,200 2400m|G10 #000000/#ffffff",
        // Shaded heading band, frame and column rules down to 406 + 126 × 2.
        "R 100,280 1990,406 p12 #c0c0c0",
        "R 100,280 1990,658 p12 -",
        "M 150,280",
        "L 150,280 150,658 p3",
        "M 200,280",
        "L 200,280 200,658 p3",
        "M 580,280",
        "L 580,280 580,658 p3",
        "M 700,280",
        "L 700,280 700,658 p3",
        // Runner 1 opens post group 1.
        "T 115,446 1|G11 #000000/-",
        "M 100,406",
        "L 100,406 1990,406 p8",
        "R 110,436 140,486 p8 -",
        "T 157,446 ①|G11 #000000/-",
        "T 205,419 ホース　　　　　　|P10 #000000/-",
        "T 515,411 牡 4|G9 #000000/-",
        "T 215,466 騎手太郎|G8 #000000/-",
        "T 215,496 調教師名|G8 #000000/-",
        "T 450,466 55.0kg|G8 #000000/-",
        "T 585,416 |G8 #000000/-",
        "T 585,466 |G8 #000000/-",
        // Runner 2 opens post group 2.
        "T 115,572 2|G11 #000000/-",
        "M 100,532",
        "L 100,532 1990,532 p8",
        "R 110,562 140,612 p8 -",
        "T 157,572 ②|G11 #000000/-",
        "T 205,545 ホース　　　　　　|P10 #000000/-",
        "T 515,537 牡 4|G9 #000000/-",
        "T 215,592 騎手太郎|G8 #000000/-",
        "T 215,622 調教師名|G8 #000000/-",
        "T 450,592 55.0kg|G8 #000000/-",
        "T 585,542 |G8 #000000/-",
        "T 585,592 |G8 #000000/-",
        // Labels of the heading band.
        "T 105,320 枠|G12 #000000/-",
        "T 155,320 馬|G12 #000000/-",
        "T 205,293 馬名|G10 #000000/-",
        "T 450,285 性別･馬齢|G8 #000000/-",
        "T 215,340 騎手名|G8 #000000/-",
        "T 215,370 調教師名|G8 #000000/-",
        "T 450,340 負担重量|G8 #000000/-",
        "T 585,300 ブリンカ|G8 #000000/-",
        "T 585,350 見習区分|G8 #000000/-",
    };
    EXPECT_EQ(ops, expected);
    EXPECT_EQ(prev.PageCount(), 1);
}

TEST_F(PageFixture, SixteenRunnersInPairsMakeEightPostGroups) {
    std::vector<int> posts;
    for (int p = 1; p <= 8; ++p) posts.insert(posts.end(), {p, p});
    std::vector<std::string> ops = Draw(Race(1, posts));

    std::vector<std::string> postNumbers = Matching(ops, "T 115,");
    std::vector<std::string> heavy = Matching(ops, "L 100,");
    std::vector<std::string> thin = Matching(ops, "L 150,");
    std::vector<std::string> boxes = Matching(ops, "R 110,");
    ASSERT_EQ(postNumbers.size(), 8u);
    ASSERT_EQ(heavy.size(), 8u);
    ASSERT_EQ(boxes.size(), 8u);
    ASSERT_EQ(thin.size(), 1u + 8u);  // the column rule at 150, then one thin rule per second runner
    for (int p = 1; p <= 8; ++p) {
        int y = 280 + 126 * (2 * p - 1);  // the first runner of the post
        std::string ys = std::to_string(y);
        EXPECT_EQ(postNumbers[p - 1], "T 115," + std::to_string(y + 40) + " " + std::to_string(p) + "|G11 #000000/-");
        EXPECT_EQ(heavy[p - 1], "L 100," + ys + " 1990," + ys + " p8");
        EXPECT_EQ(boxes[p - 1], "R 110," + std::to_string(y + 30) + " 140," + std::to_string(y + 80) + " p8 -");
        std::string y2 = std::to_string(y + 126);
        EXPECT_EQ(thin[p], "L 150," + y2 + " 1990," + y2 + " p1");
    }
    EXPECT_EQ(Matching(ops, "R 100,280 1990,").back(), "R 100,280 1990,2422 p12 -");
}

TEST_F(PageFixture, EightRunnersEachOpenTheirOwnPost) {
    std::vector<std::string> ops = Draw(Race(1, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Matching(ops, "T 115,").size(), 8u);
    EXPECT_EQ(Matching(ops, "L 100,").size(), 8u);
    EXPECT_EQ(Matching(ops, "L 150,").size(), 1u);  // only the column rule
}

TEST_F(PageFixture, WithoutPostPositionsEveryBandGetsAThinRule) {
    std::vector<std::string> ops = Draw(Race(1, {0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(Matching(ops, "T 115,").empty());
    EXPECT_TRUE(Matching(ops, "R 110,").empty());
    EXPECT_TRUE(Matching(ops, "L 100,").empty());
    EXPECT_EQ(Matching(ops, "L 150,").size(), 1u + 6u);
    EXPECT_EQ(Matching(ops, "T 157,").size(), 6u);  // the horse numbers are still there
}

TEST_F(PageFixture, RaceNumbersBelowTenSitFurtherRightInTheBlackBox) {
    std::vector<std::string> five = Draw(Race(5));
    EXPECT_EQ(Matching(five, "T 120,175").size(), 1u);
    EXPECT_EQ(Matching(five, "T 120,175")[0], "T 120,175 5|G20B #ffffff/#000000");
    log.ops.clear();
    std::vector<std::string> eleven = Draw(Race(11));
    EXPECT_EQ(Matching(eleven, "T 105,175")[0], "T 105,175 11|G20B #ffffff/#000000");
    EXPECT_TRUE(Matching(eleven, "T 120,175").empty());
    // The boundary: 9 is the last one-digit number, 10 the first two-digit one.
    log.ops.clear();
    std::vector<std::string> nine = Draw(Race(9));
    ASSERT_EQ(Matching(nine, "T 120,175").size(), 1u);
    log.ops.clear();
    std::vector<std::string> ten = Draw(Race(10));
    ASSERT_EQ(Matching(ten, "T 105,175").size(), 1u);
    EXPECT_EQ(Matching(ten, "T 105,175")[0], "T 105,175 10|G20B #ffffff/#000000");
}

TEST_F(PageFixture, EighteenRunnersFillTheTableTo267Millimetres) {
    std::vector<int> posts{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8};
    std::vector<std::string> ops = Draw(Race(1, posts));
    EXPECT_EQ(Matching(ops, "R 100,280 1990,2674 p12 -").size(), 1u);
    EXPECT_EQ(Matching(ops, "L 700,280 700,2674 p3").size(), 1u);
    EXPECT_EQ(Matching(ops, "T 157,").size(), 18u);
    EXPECT_EQ(Matching(ops, "T 157,2588 ⑱").size(), 1u);  // 280 + 126 × 18 + 40
}

TEST_F(PageFixture, AHeadCountAboveEighteenStillPrintsEighteenBands) {
    PrintedRace race = Race(1, std::vector<int>(18, 0));
    race.headCount = "20";
    std::vector<std::string> ops = Draw(race);
    EXPECT_EQ(Matching(ops, "R 100,280 1990,2674 p12 -").size(), 1u);
    EXPECT_EQ(Matching(ops, "T 157,").size(), 18u);
    EXPECT_EQ(Matching(ops, "T 300,200 20頭").size(), 1u);  // the head count itself is printed as stored
}

TEST_F(PageFixture, RunnersMissingFromTheRaceBandAsBlanks) {
    PrintedRace race = Race(1, {1});
    race.headCount = "03";
    std::vector<std::string> ops = Draw(race);
    EXPECT_EQ(Matching(ops, "T 157,").size(), 3u);
    EXPECT_EQ(Matching(ops, "T 157,698 －").size(), 1u);  // band 3: no runner, no number
    EXPECT_EQ(Matching(ops, "R 100,280 1990,784 p12 -").size(), 1u);
}

TEST_F(PageFixture, MarksAppearOnlyWhereTheRunnerHasThem) {
    PrintedRace race = Race(1, {1, 2});
    race.runners[1].blinker = "1";
    race.runners[1].apprentice = "3";
    std::vector<std::string> ops = Draw(race);
    EXPECT_EQ(Matching(ops, "T 585,416 |")[0], "T 585,416 |G8 #000000/-");  // runner 1: nothing
    EXPECT_EQ(Matching(ops, "T 585,542 ")[0], "T 585,542 ﾌﾞﾘﾝｶ|G8 #000000/-");
    EXPECT_EQ(Matching(ops, "T 585,592 ")[0], "T 585,592 3kg減|G8 #000000/-");
    EXPECT_EQ(Matching(ops, "T 585,300 ブリンカ").size(), 1u);
}

TEST_F(PageFixture, OnePagePerRaceInTheOrderGiven) {
    std::vector<PrintedRace> races;
    for (int n : {1, 2, 3, 4, 6, 7}) races.push_back(Race(n));
    DrawRaceCards(prev, races);
    EXPECT_EQ(prev.PageCount(), 6);
    EXPECT_FALSE(prev.PageOpen());
    std::vector<std::string> numbers;
    for (const TPrevOp& op : log.ops)
        if (op.kind == TPrevOp::Kind::TextOut && op.at.y() == 175) numbers.push_back(op.text.toStdString());
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3", "4", "6", "7"}));
    // Every page starts on its own canvas and sets its face itself.
    for (int page = 1; page <= 6; ++page)
        EXPECT_EQ(Format(log.OfPage(page).front()), "T 210,220 ﾚｰｽ|G10B #000000/#ffffff");
}

// The race card print command.

struct CommandFixture : ::testing::Test {
    FakePrinter printer;
    testing::MapIni ini;
    int shown = 0;
    CommandFixture() { TMsgDlg::SetRecording(true); }

    static std::vector<PrintedRace> Day(std::vector<int> numbers) {
        std::vector<PrintedRace> races;
        for (int n : numbers) races.push_back(Race(n));
        return races;
    }
    // The race number printed in the black box of each page of a job.
    std::vector<QString> PrintedNumbers(const FakePrinter::Job& job) {
        std::vector<QString> out;
        for (const DrawnPage& page : job.pages)
            for (const DrawnItem& item : page)
                if (item.kind == DrawnItem::Kind::Text &&
                    (qRound(item.pos.x()) == 248 || qRound(item.pos.x()) == 283) && item.pos.y() < 590)
                    out.push_back(item.text);
        return out;
    }
};

TEST_F(CommandFixture, WithoutADayOnlyWarns) {
    for (QString date : {QString(), QStringLiteral("  ")}) {
        PrintRaceCards(nullptr, printer, ini, date, Day({1}), [&](TAllPrintForm&) { ++shown; });
        auto messages = TMsgDlg::TakeShown();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].kind, MsgKind::Warning);
        EXPECT_TRUE(messages[0].beep);
        EXPECT_EQ(messages[0].text, QStringLiteral("分析用ﾃﾞｰﾀを選択してください。"));
    }
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(ini.values.empty());  // no window was made
}

TEST_F(CommandFixture, OpensThePreviewOnPageOneOfOnePagePerRace) {
    std::vector<PrintedRace> day = Day({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    PrintRaceCards(nullptr, printer, ini, QStringLiteral("2024年 5月26日(日) 東京"), day, [&](TAllPrintForm& form) {
        ++shown;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("ターフパッド　印刷"));
        EXPECT_EQ(form.PrevX1->PageCount(), 12);
        EXPECT_FALSE(form.PrevX1->PageOpen());
        EXPECT_EQ(form.PrevX1->PageNo(), 1);
        EXPECT_EQ(form.UpDown1->Min(), 1);
        EXPECT_EQ(form.UpDown1->Max(), 12);
        EXPECT_EQ(form.UpDown1->Position(), 1);
        EXPECT_TRUE(form.UpDown1->isVisibleTo(&form));
        EXPECT_EQ(form.PrevX1->ZoomScale(), 50);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
}

TEST_F(CommandFixture, ADayWithoutRaceFivePrintsRaceSixOnPageFive) {
    PrintRaceCards(nullptr, printer, ini, QStringLiteral("day"), Day({1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12}),
                   [&](TAllPrintForm& form) { form.BitBtn4->click(); });
    ASSERT_EQ(printer.Jobs().size(), 1u);
    std::vector<QString> numbers = PrintedNumbers(printer.Jobs()[0]);
    ASSERT_EQ(numbers.size(), 11u);
    EXPECT_EQ(numbers[3], QStringLiteral("4"));
    EXPECT_EQ(numbers[4], QStringLiteral("6"));
    EXPECT_EQ(numbers[10], QStringLiteral("12"));
}

TEST_F(CommandFixture, ADayWithOneRaceHasOnePage) {
    PrintRaceCards(nullptr, printer, ini, QStringLiteral("day"), Day({7}), [&](TAllPrintForm& form) {
        EXPECT_EQ(form.PrevX1->PageCount(), 1);
        EXPECT_EQ(form.UpDown1->Max(), 1);
        form.BitBtn2->click();
    });
    ASSERT_EQ(printer.Jobs().size(), 1u);
    EXPECT_EQ(PrintedNumbers(printer.Jobs()[0]), std::vector<QString>{"7"});
}

TEST_F(CommandFixture, WithoutAPrinterReportsItAndShowsNoWindow) {
    printer.SetInstalled(false);
    PrintRaceCards(nullptr, printer, ini, QStringLiteral("day"), Day({1, 2}), [&](TAllPrintForm&) { ++shown; });
    EXPECT_EQ(shown, 0);
    auto messages = TMsgDlg::TakeShown();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("プリンタが登録されていません"));
}

TEST_F(CommandFixture, AnUnreadableDateStopsTheCommandWithAMessage) {
    std::vector<PrintedRace> day = Day({1, 2});
    day[1].raceKey = "2024XX2605020802";
    PrintRaceCards(nullptr, printer, ini, QStringLiteral("day"), day, [&](TAllPrintForm&) { ++shown; });
    EXPECT_EQ(shown, 0);
    auto messages = TMsgDlg::TakeShown();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("XX")));
}

}  // namespace
}  // namespace turfpad
