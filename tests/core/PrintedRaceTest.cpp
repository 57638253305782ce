#include <gtest/gtest.h>

#include <stdexcept>

#include "PrintedRaceSamples.h"
#include "browse/PrintedRace.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

PrintedRace KeyRace(std::string key) {
    PrintedRace race;
    race.raceKey = std::move(key);
    return race;
}

TEST(PrintedRaceTexts, DateLineGivesTheMeetingAndItsDay) {
    EXPECT_EQ(PrintedDateLine(KeyRace("2024052605020811")), Sj("2024年 5月26日東京 2回 8日"));
    EXPECT_EQ(PrintedDateLine(KeyRace("2024120106051001")), Sj("2024年12月 1日中山 5回10日"));
    EXPECT_EQ(PrintedDateLine(KeyRace("2024120109051201")), Sj("2024年12月 1日阪神 5回12日"));
}

TEST(PrintedRaceTexts, DateLineNeedsDigitsForMonthAndDay) {
    EXPECT_THROW(PrintedDateLine(KeyRace("2024 5260502081")), std::invalid_argument);
    // A short key is read as far as it goes.
    EXPECT_EQ(PrintedDateLine(KeyRace("20240526")), Sj("2024年 5月26日    "
                                                       " 回 日"));
    EXPECT_THROW(PrintedDateLine(KeyRace("")), std::invalid_argument);
    EXPECT_THROW(PrintedDateLine(KeyRace("2024MM26")), std::invalid_argument);
}

TEST(PrintedRaceTexts, HeaderTexts) {
    PrintedRace race = testing::Race(11);
    EXPECT_EQ(PrintedRacecourse(race), Sj("東京"));
    EXPECT_EQ(PrintedRaceNumber(race), 11);
    EXPECT_EQ(PrintedPostTime(race), Sj("15時40分発走"));
    race.postTime = "0950";
    EXPECT_EQ(PrintedPostTime(race), Sj("09時50分発走"));
    race.headCount = "08";
    EXPECT_EQ(PrintedHeadCount(race), Sj(" 8頭"));
    race.headCount = "00";
    EXPECT_EQ(PrintedHeadCount(race), Sj("  頭"));
    race.distance = "1200";
    EXPECT_EQ(PrintedDistance(race), "1200m");
    race.distance = "0000";
    EXPECT_EQ(PrintedDistance(race), "    m");
    race.raceKey = "2024052605020805";
    EXPECT_EQ(PrintedRaceNumber(race), 5);
}

TEST(PrintedRaceTexts, WeightTypeHasItsOwnWording) {
    EXPECT_EQ(PrintedWeightType("1"), Sj("ハンデ"));
    EXPECT_EQ(PrintedWeightType("2"), Sj("別定　"));
    EXPECT_EQ(PrintedWeightType("3"), Sj("馬齢　"));
    EXPECT_EQ(PrintedWeightType("4"), Sj("定量　"));
    for (const char* other : {"0", "5", " ", "", " 1"}) EXPECT_EQ(PrintedWeightType(other), "") << other;
}

TEST(PrintedRaceTexts, RaceConditionHasItsOwnWording) {
    EXPECT_EQ(PrintedRaceCondition("701"), Sj("新馬　　　"));
    EXPECT_EQ(PrintedRaceCondition("702"), Sj("未出走　　"));
    EXPECT_EQ(PrintedRaceCondition("703"), Sj("未勝利　　"));
    EXPECT_EQ(PrintedRaceCondition("999"), Sj("ｵｰﾌﾟﾝ　　 "));
    EXPECT_EQ(PrintedRaceCondition("   "), Sj("　　　　　"));
    EXPECT_EQ(PrintedRaceCondition("000"), Sj("　　　　　"));
    EXPECT_EQ(PrintedRaceCondition("100"), Sj("1億円下   "));
    EXPECT_EQ(PrintedRaceCondition("016"), Sj("1600万円下"));
    EXPECT_EQ(PrintedRaceCondition("005"), Sj(" 500万円下"));
    EXPECT_EQ(PrintedRaceCondition("099"), Sj("9900万円下"));
    // Only the exact codes have words; anything else is read as a number.
    EXPECT_EQ(PrintedRaceCondition(" 00"), Sj("   0万円下"));
    EXPECT_EQ(PrintedRaceCondition("101"), Sj("10100万円下"));
    for (const char* code : {"701", "999", "000", "100", "016"})
        EXPECT_EQ(PrintedRaceCondition(code).size(), 10u) << code;
    // From 2019-06-01 the win-count classes, in the same ten bytes.
    EXPECT_EQ(PrintedRaceCondition("010", "20190601"), Sj("2勝クラス "));
    EXPECT_EQ(PrintedRaceCondition("010", "20190531"), Sj("1000万円下"));
    EXPECT_EQ(PrintedRaceCondition("703", "20261212"), Sj("未勝利　　"));
}

TEST(PrintedRaceTexts, TrackHasItsOwnWording) {
    EXPECT_EQ(PrintedTrack("10"), Sj("芝直"));
    EXPECT_EQ(PrintedTrack("11"), Sj("芝左"));
    EXPECT_EQ(PrintedTrack("16"), Sj("芝左"));
    EXPECT_EQ(PrintedTrack("17"), Sj("芝右"));
    EXPECT_EQ(PrintedTrack("22"), Sj("芝右"));
    EXPECT_EQ(PrintedTrack("23"), Sj("ﾀﾞ左"));
    EXPECT_EQ(PrintedTrack("24"), Sj("ﾀﾞ右"));
    EXPECT_EQ(PrintedTrack("29"), Sj("ﾀﾞ直"));
    EXPECT_EQ(PrintedTrack("51"), Sj("障害"));
    EXPECT_EQ(PrintedTrack("59"), Sj("障害"));
    for (const char* none : {"25", "26", "27", "28", "09", "30", "50", "60", "  ", ""})
        EXPECT_EQ(PrintedTrack(none), "") << none;
}

TEST(PrintedRaceTexts, RunnerTexts) {
    PrintedRunner r = testing::Runner(3, 7, "ホース", "1", "04", "575", "1", "2");
    EXPECT_EQ(PrintedPostPosition(r), "3");
    EXPECT_EQ(PrintedHorseNumber(r), Sj("⑦"));
    EXPECT_EQ(PrintedSexAge(r), Sj("牡 4"));
    EXPECT_EQ(PrintedWeight(r), "57.5kg");
    EXPECT_EQ(PrintedBlinker(r), Sj("ﾌﾞﾘﾝｶ"));
    EXPECT_EQ(PrintedApprentice(r), Sj("2kg減"));

    r.postPosition = " ";
    r.horseNumber = "00";
    r.sex = "3";
    r.age = "10";
    r.weight = "   ";
    r.blinker = "2";
    r.apprentice = "4";
    EXPECT_EQ(PrintedPostPosition(r), "0");
    EXPECT_EQ(PrintedHorseNumber(r), Sj("－"));
    EXPECT_EQ(PrintedSexAge(r), Sj("ｾﾝ10"));
    EXPECT_EQ(PrintedWeight(r), "");
    EXPECT_EQ(PrintedBlinker(r), "");
    EXPECT_EQ(PrintedApprentice(r), "");
    r.horseNumber = "18";
    r.sex = "0";
    r.age = "00";
    r.apprentice = "1";
    EXPECT_EQ(PrintedHorseNumber(r), Sj("⑱"));
    EXPECT_EQ(PrintedSexAge(r), "  ");
    EXPECT_EQ(PrintedApprentice(r), Sj("1kg減"));
    r.apprentice = "3";
    EXPECT_EQ(PrintedApprentice(r), Sj("3kg減"));
}

TEST(PrintedRaceTexts, HorseNameIsCutToEighteenBytesOfWholeCharacters) {
    PrintedRunner r;
    // Nine full-width characters fill 18 bytes; the 19th kept byte is dropped.
    r.horseName = Sj("アイウエオカキクケ") + "\x83";
    EXPECT_EQ(PrintedHorseName(r), Sj("アイウエオカキクケ"));
    // A name whose 18th byte starts a two-byte character: that byte becomes a blank
    // instead of half a character.
    r.horseName = Sj("ABCアイウエオカキ") + "\x83\x4e";
    ASSERT_EQ(r.horseName.size(), 19u);
    std::string cut = PrintedHorseName(r);
    EXPECT_EQ(cut, Sj("ABCアイウエオカキ") + " ");
    EXPECT_EQ(cut.size(), 18u);
    EXPECT_TRUE(TryCp932ToUtf8(cut).has_value());
}

TEST(PrintedRaceTexts, BandsFollowTheHeadCountUpToEighteen) {
    PrintedRace race;
    for (auto [count, bands] : std::vector<std::pair<std::string, int>>{
             {"18", 18}, {"08", 8}, {"01", 1}, {"00", 0}, {"  ", 0}, {"20", 18}, {"99", 18}, {"-3", 0}}) {
        race.headCount = count;
        EXPECT_EQ(PrintedBandCount(race), bands) << count;
    }
}

TEST(PrintedRaceTexts, RacesAreCutFromTheirRecords) {
    std::string ra = RecordBuilder::Ra()
                         .Raw(ra::RaceKey, "2024052605020811")
                         .Text(ra::RaceName, "東京優駿")
                         .Raw(ra::WeightType, "3")
                         .Raw(ra::RaceCondition, "999")
                         .Number(ra::Distance, 2400)
                         .Raw(ra::Track, "11")
                         .Raw(ra::PostTime, "1540")
                         .Number(ra::HeadCount, 2);
    std::vector<std::string> se(2);
    se[0] = RecordBuilder::Se()
                .Raw(se::RaceKey, "2024052605020811")
                .Raw(se::PostPosition, "1")
                .Raw(se::HorseNumber, "01")
                .Text(se::HorseName, "アイウエオカキクケコ")
                .Raw(se::Sex, "2")
                .Raw(se::Age, "03")
                .Raw(se::Weight, "550")
                .Text(se::Jockey, "騎手")
                .Text(se::Trainer, "調教")
                .Raw(se::Blinker, "1")
                .Raw(se::Apprentice, "3");
    se[1] = RecordBuilder::BlankSe();
    PrintedRace race = PrintedRaceFromRecords(ra, se);
    EXPECT_EQ(race.raceKey, "2024052605020811");
    EXPECT_EQ(race.raceName, PadBytes(Sj("東京優駿　　　　　　　　　　　　　　　　　　　　　　　　　　"), 60));
    EXPECT_EQ(race.raceName.size(), 60u);
    EXPECT_EQ(race.weightType, "3");
    EXPECT_EQ(race.raceCondition, "999");
    EXPECT_EQ(race.distance, "2400");
    EXPECT_EQ(race.track, "11");
    EXPECT_EQ(race.postTime, "1540");
    EXPECT_EQ(race.headCount, "02");
    ASSERT_EQ(race.runners.size(), 18u);
    const PrintedRunner& r = race.runners[0];
    EXPECT_EQ(r.postPosition, "1");
    EXPECT_EQ(r.horseNumber, "01");
    EXPECT_EQ(r.horseName, Sj("アイウエオカキクケ") + " ");  // 19 bytes, as the race entry keeps them
    EXPECT_EQ(r.sex, "2");
    EXPECT_EQ(r.age, "03");
    EXPECT_EQ(r.weight, "550");
    EXPECT_EQ(r.jockey, Sj("騎手　　"));
    EXPECT_EQ(r.trainer, Sj("調教　　"));
    EXPECT_EQ(r.blinker, "1");
    EXPECT_EQ(r.apprentice, "3");
    EXPECT_EQ(race.runners[1].horseNumber, "  ");
    EXPECT_EQ(race.runners[17].postPosition, "");  // no record for the slot
}

}  // namespace
}  // namespace turfpad
