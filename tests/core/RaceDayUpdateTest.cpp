// The race day's update: what JV-Link announces for a day fetched in turn, each open closed
// whatever it answered, and filed: body weights into their race slot, the changes into the
// day's change files, which each fetch replaces whole.
#include <gtest/gtest.h>

#include "RaceDayRecords.h"
#include "SampleRecords.h"
#include "ScriptedJVLink.h"
#include "TempDir.h"
#include "datafolder/ChangeFiles.h"
#include "jvlink/RaceDayUpdate.h"
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
    EXPECT_EQ(lines.back(), "作成済み:11R/2026年12月12日中山.jvO1");
    EXPECT_EQ(statuses.back(), "当日情報を取得中：オッズ 1/1");
    const std::string wh = ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvWH")));
    ASSERT_EQ(wh.size(), 12u * 847);
    EXPECT_EQ(wh.substr(10 * 847, 847), weights);
    EXPECT_EQ(ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1"))).substr(10 * 962, 962), odds);
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
