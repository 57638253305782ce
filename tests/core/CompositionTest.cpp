// Race card composition: the race card table read from a day's files, and every text the
// browsing screens show, compared byte for byte.
#include <gtest/gtest.h>

#include "RaceDays.h"
#include "TempDir.h"
#include "browse/ClipboardText.h"
#include "browse/DayReading.h"
#include "browse/RaceTexts.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;

namespace {

class Composition : public ::testing::Test {
  protected:
    void SetUp() override {
        FileDay(dir.path(), m, {11}, 16);
        NoProgress progress;
        ASSERT_TRUE(ReadDay(dir.path(), DayKey(m), table, progress).ok());
    }
    const RaceEntry& Race() const { return table.Race(10); }

    TempDir dir;
    Meeting m;
    RaceCardTable table;
};

std::string Ideographic(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "\x81\x40";
    return s;
}

}  // namespace

TEST_F(Composition, RaceEntryHoldsTheFieldsCutToTheirSizes) {
    EXPECT_EQ(table.LinesRead(), 12);  // the RA file always has its 12 lines
    const RaceEntry& e = Race();
    EXPECT_EQ(e.raceKey, "2026121206050811");
    EXPECT_EQ(e.raceName, Sj("有馬記念") + Ideographic(26));
    EXPECT_EQ(e.shortName, Sj("有馬記"));
    EXPECT_EQ(e.grade, "A");
    EXPECT_EQ(e.weightType, "4");
    EXPECT_EQ(e.raceCondition, "999");
    EXPECT_EQ(e.distance, "2500");
    EXPECT_EQ(e.track, "17");
    EXPECT_EQ(e.postTime, "1525");
    EXPECT_EQ(e.headCount, "16");

    const RunnerEntry& r = e.runners[2];
    EXPECT_EQ(r.horseNumber, "03");
    EXPECT_EQ(r.postPosition, "2");
    EXPECT_EQ(r.pedigree, "2021104503");
    // Four full-width characters and then ideographic spaces; the 19th byte would be the
    // first half of one, and becomes a blank.
    EXPECT_EQ(r.horseName, Sj("ウマ０３") + Ideographic(5) + " ");
    EXPECT_EQ(r.sex, "1");
    EXPECT_EQ(r.weight, "570");
    EXPECT_EQ(r.jockey, Sj("騎手０３"));
    EXPECT_EQ(r.trainer, Sj("調教０３"));
    EXPECT_EQ(r.blinker, "1");
    EXPECT_EQ(r.apprentice, "0");
    // The empty slots read as blanks.
    EXPECT_EQ(table.Race(0).raceKey, std::string(16, ' '));
    EXPECT_EQ(table.Race(11).HeadCount(), 0);
}

TEST_F(Composition, RaceListAndScheduleTexts) {
    EXPECT_EQ(RaceListText(Race()), Sj("中山5回 8日11R"));
    const ScheduleRow expected = {Sj(" 中山 5回 8日11R"), Sj(" 16頭"),      Sj(" 有馬記"), " G1   ", Sj(" 定量"),
                                  Sj(" オープン"),        Sj(" 芝右2500m"), " 15:25"};
    EXPECT_EQ(ScheduleCells(Race()), expected);
    const ScheduleRow header = {Sj("場所回日ﾚｰｽNo"), Sj("頭数"), Sj("競走名"), Sj("ｸﾞﾚｰﾄﾞ"),
                                Sj("重量種"),        Sj("条件"), Sj("ﾄﾗｯｸ"),   Sj("発走時刻")};
    EXPECT_EQ(ScheduleHeader(), header);
    EXPECT_EQ(ScheduleColumnWidths(), (std::array<int, 8>{110, 35, 50, 35, 40, 75, 70, 55}));
}

TEST_F(Composition, HeadingTextsAndLooks) {
    const RaceHeading h = HeadingTexts(Race());
    const RaceHeading expected = {Sj("中山"),
                                  "11",
                                  Sj("2026年12月12日 中山 5回 8日"),
                                  Sj("有馬記念") + Ideographic(26),
                                  Sj("定量"),
                                  Sj("オープン"),
                                  Sj("芝右"),
                                  "2500m",
                                  Sj("15時25分発走"),
                                  Sj("16頭")};
    EXPECT_EQ(h, expected);

    const auto& looks = HeadingLooks();
    const int sizes[] = {19, 24, 15, 15, 13, 13, 13, 13, 13, 13};
    for (int i = 0; i < kHeadingLabels; ++i) {
        EXPECT_EQ(looks[i].pixelSize, sizes[i]) << i;
        EXPECT_TRUE(looks[i].bold) << i;
        EXPECT_EQ(looks[i].opaque, i == 1) << i;
    }
    EXPECT_EQ(looks[1].fontColor.Value(), 0x00FFFFFFu);
    EXPECT_EQ(looks[1].background.Value(), 0x00000000u);
    EXPECT_EQ(looks[8].fontColor.Value(), 0x00FF0000u);  // blue, 0x00BBGGRR
    EXPECT_EQ(looks[0].fontColor, kBlack);
}

TEST_F(Composition, HeadingOfRaceOneAndOfAShortMonth) {
    Meeting jan{"20060108", "06", 1, 3};
    FileDay(dir.path(), jan, {1}, 1);
    NoProgress progress;
    ASSERT_TRUE(ReadDay(dir.path(), DayKey(jan), table, progress).ok());
    const RaceHeading h = HeadingTexts(table.Race(0));
    EXPECT_EQ(h[1], " 1");
    EXPECT_EQ(h[2], Sj("2006年 1月 8日 中山 1回 3日"));
    EXPECT_EQ(RaceListText(table.Race(0)), Sj("中山1回 3日 1R"));
    EXPECT_EQ(h[9], Sj(" 1頭"));
}

TEST_F(Composition, RaceCardRowsAndHeader) {
    const RaceCardRow header = {Sj("枠"),   Sj("馬"),     Sj("馬名"),  Sj("性齢"), Sj("斤量"),
                                Sj("騎手"), Sj("調教師"), Sj("ﾌﾞﾘﾝｶ"), Sj("見習")};
    EXPECT_EQ(RaceCardHeader(), header);
    EXPECT_EQ(RaceCardColumnWidths(), (std::array<int, 9>{20, 20, 150, 30, 45, 55, 55, 40, 55}));

    const std::vector<RaceCardRow> rows = RaceCardRows(table, 10);
    ASSERT_EQ(rows.size(), 16u);
    const RaceCardRow third = {
        "2",         "03", Sj("ウマ０３") + Ideographic(5) + " ", Sj("牡 5"), "57.0kg", Sj("騎手０３"), Sj("調教０３"),
        Sj("ﾌﾞﾘﾝｶ"), ""};
    EXPECT_EQ(rows[2], third);
    EXPECT_EQ(rows[1][8], Sj("2kg減"));
    EXPECT_EQ(rows[1][7], "");
    EXPECT_EQ(rows[15][0], "8");
    EXPECT_EQ(rows[15][1], "16");
}

TEST(CardTexts, WeightBlinkerApprentice) {
    EXPECT_EQ(WeightText("550"), "55.0kg");
    EXPECT_EQ(WeightText("575"), "57.5kg");
    EXPECT_EQ(WeightText("   "), "");
    EXPECT_EQ(WeightText(""), "");
    EXPECT_EQ(BlinkerText("1"), Sj("ﾌﾞﾘﾝｶ"));
    EXPECT_EQ(BlinkerText("2"), "");
    EXPECT_EQ(BlinkerText(" "), "");
    EXPECT_EQ(ApprenticeText("1"), Sj("1kg減"));
    EXPECT_EQ(ApprenticeText("3"), Sj("3kg減"));
    EXPECT_EQ(ApprenticeText("4"), "");
    EXPECT_EQ(ApprenticeText("0"), "");
}

TEST(CardTexts, MeetingShowsItsNumberAndDayInTheirWidth) {
    RaceEntry e;
    e.raceKey = "2026121206050801";  // meeting 05, day 08
    EXPECT_EQ(RaceListText(e), Sj("中山5回 8日 1R"));
    e.raceKey = "2026121206051009";  // day 10: its tens where the blank stands
    EXPECT_EQ(RaceListText(e), Sj("中山5回10日 9R"));
    e.raceKey = "2026121206051201";
    EXPECT_EQ(RaceListText(e), Sj("中山5回12日 1R"));
    RaceEntry empty;  // nothing read: no crash, blanks
    EXPECT_EQ(RaceListText(empty), Sj("     回  日 0R"));
}

// ---- completeness ----

TEST_F(Composition, CompleteRaceAndRunnersWithoutPost) {
    EXPECT_TRUE(IsRaceComplete(Race()));
    // Post positions not yet drawn.
    Meeting m2{"20261213", "06", 5, 9};
    std::vector<std::string> recs = {RaRecord(m2, 1, 3)};
    for (int h = 1; h <= 3; ++h) recs.push_back(SeRecord(m2, 1, h));
    recs[2].replace(27, 1, "0");  // runner 2: post position 0
    File(dir.path(), recs);
    NoProgress progress;
    ASSERT_TRUE(ReadDay(dir.path(), DayKey(m2), table, progress).ok());
    EXPECT_FALSE(IsRaceComplete(table.Race(0)));
    EXPECT_EQ(IncompleteRaceMessage(table, 0), Sj("中山 1Rはデータ作成が未完了です。"));
}

TEST_F(Composition, FewerRunnersFiledThanTheHeadCountIsIncomplete) {
    Meeting m2{"20261213", "09", 5, 9};
    File(dir.path(), {RaRecord(m2, 12, 3), SeRecord(m2, 12, 1), SeRecord(m2, 12, 3)});
    NoProgress progress;
    ASSERT_TRUE(ReadDay(dir.path(), DayKey(m2), table, progress).ok());
    EXPECT_FALSE(IsRaceComplete(table.Race(11)));
    EXPECT_EQ(IncompleteRaceMessage(table, 11), Sj("阪神12Rはデータ作成が未完了です。"));
    EXPECT_EQ(RaceCardRows(table, 11).size(), 3u);
}

// ---- clipboard text ----

TEST_F(Composition, ClipboardTextOfARaceWithSixteenRunners) {
    const std::string heading = HeadingTexts(Race())[kHeadingTitleLabel];
    CellMatrix cells;
    cells.emplace_back(RaceCardHeader().begin(), RaceCardHeader().end());
    for (const RaceCardRow& r : RaceCardRows(table, 10)) cells.emplace_back(r.begin(), r.end());
    std::optional<std::string> title = RaceCardTitle(heading, Race().raceKey);
    ASSERT_TRUE(title);
    EXPECT_EQ(*title, Sj("2026年12月12日 中山 5回 8日11R"));
    const std::string text = WholeGridText(cells, *title);

    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size());  // the last line ends in CR LF too
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[0], *title);
    EXPECT_EQ(lines[1], Sj("枠\t馬\t馬名\t性齢\t斤量\t騎手\t調教師\tﾌﾞﾘﾝｶ\t見習"));
    EXPECT_EQ(lines[4], "2\t03\t" + Sj("ウマ０３") + Ideographic(5) + " \t" + Sj("牡 5") + "\t57.0kg\t" +
                            Sj("騎手０３") + "\t" + Sj("調教０３") + "\t" + Sj("ﾌﾞﾘﾝｶ") + "\t");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 8) << i;
}

TEST(ClipboardTitle, RaceNumberWrittenTwoWide) {
    EXPECT_EQ(RaceCardTitle("T", "2026121206050809"), "T 9R");
    EXPECT_EQ(RaceCardTitle("T", "2026121206050811"), "T11R");
    // Nothing read yet: no title, so nothing is copied.
    EXPECT_FALSE(RaceCardTitle("T", ""));
    EXPECT_FALSE(RaceCardTitle("T", "20261212060508  "));
    EXPECT_FALSE(RaceCardTitle("T", "202612120605081X"));
}

TEST(GridRange, ClampsAnOverhangAndRejectsARangeOutside) {
    const CellMatrix cells = {{"a", "b", "c"}, {"d", "e", "f"}};
    EXPECT_EQ(GridRangeText(cells, 0, 0, 2, 1, "T"), "T\r\na\tb\tc\r\nd\te\tf\r\n");
    EXPECT_EQ(GridRangeText(cells, 1, 1, 1, 1, "T"), "T\r\ne\r\n");
    EXPECT_EQ(GridRangeText(cells, -5, -5, 99, 99, "T"), "T\r\na\tb\tc\r\nd\te\tf\r\n");
    EXPECT_EQ(GridRangeText(cells, 2, 0, 7, 0, "T"), "T\r\nc\r\n");
    // Rejected: an empty text, without the title.
    EXPECT_EQ(GridRangeText(cells, 2, 0, 1, 1, "T"), "");    // left > right
    EXPECT_EQ(GridRangeText(cells, 0, 1, 2, 0, "T"), "");    // bottom < top
    EXPECT_EQ(GridRangeText(cells, -3, 0, -1, 1, "T"), "");  // right < 0
    EXPECT_EQ(GridRangeText(cells, 0, -3, 2, -1, "T"), "");  // bottom < 0
    EXPECT_EQ(GridRangeText(cells, 3, 0, 5, 1, "T"), "");    // left >= columns
    EXPECT_EQ(GridRangeText(cells, 0, 2, 2, 5, "T"), "");    // top >= rows
    // A grid without cells gives the title alone, never a cell outside it.
    EXPECT_EQ(GridRangeText(CellMatrix{}, -1, -1, 3, 3, "T"), "T\r\n");
    EXPECT_EQ(GridRangeText(CellMatrix{{}}, -1, 0, 3, 0, "T"), "T\r\n");
    // An empty cell gives nothing between its TABs.
    EXPECT_EQ(GridRangeText(CellMatrix{{"x", "", "z"}}, 0, 0, 2, 0, ""), "\r\nx\t\tz\r\n");
}

TEST(ScheduleTexts, AHeadCountOfNoneOrOneDigitIsWrittenTwoWide) {
    RaceEntry race;
    race.headCount = "00";
    EXPECT_EQ(ScheduleCells(race)[1], Sj("  0頭"));
    race.headCount = "07";
    EXPECT_EQ(ScheduleCells(race)[1], Sj("  7頭"));
    race.headCount = "18";
    EXPECT_EQ(ScheduleCells(race)[1], Sj(" 18頭"));
}
