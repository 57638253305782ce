// The race day's update: what JV-Link announces for a day fetched in turn, each open closed
// whatever it answered, and filed: body weights into their race slot, the changes into the
// day's change files, which each fetch replaces whole.
#include <gtest/gtest.h>

#include "RaceDayRecords.h"
#include "SampleRecords.h"
#include "ScriptedJVLink.h"
#include "TempDir.h"
#include "browse/RaceDayTexts.h"
#include "datafolder/ChangeFiles.h"
#include "jvlink/RaceDayUpdate.h"
#include "records/RaceCardTable.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;

namespace {

std::string Change(const char* type, std::size_t size, const std::string& date, const std::string& course, int race,
                   const Puts& puts = {}) {
    return RaceDayRecord(type, size, date, course, race, puts);
}
// WE has no race: its announcement time stands where the others have the race number.
std::string Weather(const std::string& date, const std::string& course, const std::string& announced) {
    return RaceDayRecord("WE", 42, date, course, 0, {{26, announced}, {34, "3"}, {36, "2"}});
}
std::string ChangesOf(const TempDir& dir, const char* course) {
    return ReadAll(RaceFilePath(dir.path(), Sj(std::string("2026年12月12日") + course + ".jvCH")));
}

}  // namespace

TEST(RaceDayChanges, AFetchReplacesTheDaysChangesWholeAndRejectsWhatIsNotOfTheDay) {
    TempDir dir;
    const std::string scratch = Change("AV", 78, "20261212", "06", 5, {{28, "12120915"}, {36, "03"}});
    const std::string jockey = Change("JC", 161, "20261212", "06", 7, {{36, "08"}});
    const std::string post = Change("TC", 45, "20261212", "06", 11, {{36, "15551545"}});
    const std::string going = Weather("20261212", "09", "12121130");
    const std::vector<std::string> first = {
        scratch,
        SampleRa("20261212", "06", 11).str(),                          // not a change: passed over
        Change("JC", 161, "20261213", "06", 7),                        // another day
        Change("AV", 78, "20261212", "06", 5).substr(0, 75) + "\r\n",  // cut short
        Change("CC", 50, "20261212", "06", 13),                        // no such race
        jockey,
        post,
        going,
        scratch,  // announced twice in one fetch: one change
    };
    const std::vector<FilingResult> filed = FileDayChanges(dir.path(), "20261212", first);
    ASSERT_EQ(filed.size(), first.size());
    using O = FilingResult::Outcome;
    const O expected[] = {O::Filed, O::PassedOver, O::Rejected, O::Rejected, O::Rejected,
                          O::Filed, O::Filed,      O::Filed,    O::Filed};
    for (std::size_t i = 0; i < filed.size(); ++i) EXPECT_EQ(filed[i].outcome, expected[i]) << i;
    EXPECT_EQ(filed[2].reason, "JC レコードの開催年月日が取得した日と違います");
    EXPECT_EQ(filed[3].reason, "AV レコードの長さが 77 バイトです（78 バイトのはずです）");
    EXPECT_EQ(filed[4].reason, "CC レコードのレース番号が 01～12 ではありません");
    EXPECT_EQ(filed[0].ListLineUtf8(), "作成済み:05R/2026年12月12日中山.jvCH");
    EXPECT_EQ(filed[7].ListLineUtf8(), "作成済み:2026年12月12日阪神.jvCH");
    EXPECT_EQ(ChangesOf(dir, "中山"), scratch + jockey + post);
    EXPECT_EQ(ChangesOf(dir, "阪神"), going);
    EXPECT_EQ(ChangeRecordsOf(ChangesOf(dir, "中山") + "junk\r\n").size(), 3u);

    // The next fetch no longer has the scratch nor 阪神's going: both are withdrawn.
    FileDayChanges(dir.path(), "20261212", {jockey});
    EXPECT_EQ(ChangesOf(dir, "中山"), jockey);
    EXPECT_EQ(ChangesOf(dir, "阪神"), "");
    // Nothing announced at all any more.
    FileDayChanges(dir.path(), "20261212", {});
    EXPECT_EQ(ChangesOf(dir, "中山"), "");
}

TEST(RaceDayUpdate, FetchesEachKindInTurnClosesEveryOpenAndFilesWhatCame) {
    TempDir dir;
    const std::string ra = SampleRa("20261212", "06", 11).str();
    const std::string key = ra.substr(11, 16);  // year to race number
    const std::string weights = RaceDayRecord("WH", 847, "20261212", "06", 11, {{36, "01"}, {74, "486+004"}});
    const std::string odds = O1("20261212", "06", 11, {{44, "01005201"}});
    ScriptedJVLink jv;
    jv.realtime["0B15 20261212"] = {0, {ra}};
    jv.realtime["0B11 20261212"] = {0, {weights}};
    jv.realtime["0B31 " + key] = {0, {odds}};  // 0B14: nothing announced (-1)
    std::vector<std::string> lines, statuses;
    RaceDayUpdateHooks hooks;
    hooks.filed = [&](const std::string& l) { lines.push_back(l); };
    hooks.status = [&](const std::string& s) { statuses.push_back(s); };
    const RaceDayUpdateReport report = UpdateRaceDay(jv, dir.path(), "20261212", hooks);

    std::vector<std::string> opens;
    for (const std::string& c : jv.calls)
        if (c.starts_with("JVRTOpen") || c == "JVClose") opens.push_back(c);
    EXPECT_EQ(opens,
              (std::vector<std::string>{"JVRTOpen 0B15 20261212", "JVClose", "JVRTOpen 0B11 20261212", "JVClose",
                                        "JVRTOpen 0B14 20261212", "JVClose", "JVRTOpen 0B31 " + key, "JVClose"}));
    EXPECT_FALSE(report.failed);
    EXPECT_EQ(report.filed, 3u);
    EXPECT_EQ(lines.back(), "作成済み:11R/2026年12月12日中山.jvO1HR");
    EXPECT_EQ(statuses.back(), "当日情報を取得中：オッズ 1/1");
    const std::string wh = ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvWH")));
    ASSERT_EQ(wh.size(), 12u * 847);
    EXPECT_EQ(wh.substr(10 * 847, 847), weights);
    EXPECT_EQ(ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1HR"))).substr(10 * 962, 962), odds);
}

TEST(RaceDayUpdate, AJVLinkErrorEndsTheUpdateAfterItsClose) {
    TempDir dir;
    ScriptedJVLink jv;
    jv.realtime["0B11 20261212"] = {-303, {}};
    const RaceDayUpdateReport report = UpdateRaceDay(jv, dir.path(), "20261212");
    EXPECT_TRUE(report.failed);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0],
              "JVRTOpenエラー（0B11）:サービスキーが設定されていません。（サービスキーが空値）(-303)");
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_EQ(jv.Count("JVRTOpen 0B14 20261212"), 0);
}

TEST(RaceDayTexts, MarginsAsANewspaperGivesThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"H  ", "ハナ"}, {"A  ", "アタマ"}, {"K  ", "クビ"},  {"D  ", "同着"},  {"Z  ", "大差"},  {"_12", "1/2"},
        {"_34", "3/4"},  {"1  ", "1"},      {"112", "1.1/2"}, {"134", "1.3/4"}, {"214", "2.1/4"}, {"9  ", "9"},
        {"   ", ""},     {"X  ", ""},       {"0  ", ""},      {"99 ", ""},
    };
    for (const auto& [code, shown] : cases) EXPECT_EQ(Cp932ToUtf8(MarginText(code)), shown) << code;
}

// A race as the 速報 tab has it on race day: body weights from the WH record over the
// runners' own, a scratch, a jockey changed twice (first rider → last), the post time change
// of this race only, the racecourse's going, the result with its margin.
TEST(RaceDayTexts, TheRaceWithItsWeightsChangesAndResult) {
    RaceCardTable table;
    table.RaLine(10) = SampleRa("20261212", "06", 11).Raw({882, 2}, "03").str();
    for (int h = 1; h <= 3; ++h) {
        RecordBuilder se = SampleSe("20261212", "06", 11, h);
        se.Raw({307, 8}, Sj("田中")).Raw({325, 7}, "500-002");
        if (h == 3) se.Raw({332, 1}, "0").Raw({335, 2}, "02").Raw({339, 4}, "1352").Raw({343, 6}, "_12K  ");
        table.SeLine(10, h - 1) = se.str();
    }
    const std::string wh =
        RaceDayRecord("WH", 847, "20261212", "06", 11, {{36, "01"}, {74, "486+004"}, {81, "02"}, {119, "999   "}});
    const std::string changes =
        Change("AV", 78, "20261212", "06", 11, {{36, "02"}}) +
        Change("JC", 161, "20261212", "06", 11, {{36, "01"}, {82, Sj("佐藤")}, {125, Sj("田中")}}) +
        Change("JC", 161, "20261212", "06", 11, {{36, "01"}, {82, Sj("鈴木")}, {125, Sj("佐藤")}}) +
        Change("TC", 45, "20261212", "06", 10, {{36, "15201510"}}) +  // another race
        Change("TC", 45, "20261212", "06", 11, {{36, "15551545"}}) + Weather("20261212", "06", "12121130");
    const RaceDayInfo race = RaceDayOf({}, {}, table, 10, wh, changes);
    ASSERT_EQ(race.runners.size(), 3u);
    const auto& [one, two, three] = std::tie(race.runners[0], race.runners[1], race.runners[2]);
    EXPECT_EQ(Cp932ToUtf8(one.bodyWeight), "486(+4)");
    EXPECT_EQ(Cp932ToUtf8(two.bodyWeight), "計不");
    EXPECT_EQ(Cp932ToUtf8(three.bodyWeight), "500(-2)");  // not in the WH record: its own
    EXPECT_EQ(Cp932ToUtf8(one.jockey), "田中→鈴木");
    EXPECT_TRUE(one.jockeyChanged);
    EXPECT_EQ(Cp932ToUtf8(three.jockey), "田中");
    EXPECT_TRUE(two.scratched);
    EXPECT_EQ(Cp932ToUtf8(two.position), "取消");
    EXPECT_FALSE(one.scratched);
    EXPECT_EQ(Cp932ToUtf8(three.position), "2");
    EXPECT_EQ(three.time, "1:35.2");
    EXPECT_EQ(Cp932ToUtf8(three.margin), "1/2+クビ");
    ASSERT_EQ(race.notices.size(), 2u);
    EXPECT_EQ(Cp932ToUtf8(race.notices[0]), "発走時刻変更 15:45→15:55");
    EXPECT_EQ(Cp932ToUtf8(race.notices[1]), "11:30 芝 稍重（変更）");
}
