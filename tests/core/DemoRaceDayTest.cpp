// The demo race day as the stand-in announces it. Records are read at their public byte
// positions (1-based, CR LF included), never through the program's own field constants.
#include "jvlink/DemoRaceDay.h"

#include <gtest/gtest.h>

#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"

#include <map>
#include <set>

namespace turfpad {
namespace {

using namespace std::chrono;

std::string F(const std::string& r, int pos, int len) { return r.substr(static_cast<std::size_t>(pos - 1), len); }
int N(const std::string& r, int pos, int len) { return std::stoi(F(r, pos, len)); }

// A time in Japan on a day of December 2026.
JstTime T(int d, int h, int m = 0) { return local_days{year{2026} / 12 / d} + hours{h} + minutes{m}; }
JstTime PostOf(int d, const std::string& ra) { return T(d, N(ra, 874, 2), N(ra, 876, 2)); }

// The week of Saturday 12 and Sunday 13 December 2026, made once for all tests.
const DemoRaceWeek& Week() {
    static const DemoRaceWeek week(sys_days{year{2026} / 12 / 12});
    return week;
}

std::vector<std::string> Of(const std::vector<std::string>& records, const std::string& type) {
    std::vector<std::string> out;
    for (const std::string& r : records)
        if (r.compare(0, 2, type) == 0) out.push_back(r);
    return out;
}

// Results are out for a race from ten minutes after its post time: none in the morning, those
// run by then in the afternoon, every race in the evening; payouts with the results only.
TEST(DemoRaceDay, ResultsFollowTheClock) {
    for (int d : {12, 13}) {
        const std::string day = "202612" + std::to_string(d);
        for (JstTime now : {T(d, 8), T(d, 13), T(d, 13, 35), T(d, 18)}) {
            const auto records = Week().Realtime("0B15", day, now);
            const auto ras = Of(records, "RA");
            ASSERT_EQ(ras.size(), 36u);
            int run = 0;
            for (const std::string& ra : ras) {
                ASSERT_EQ(ra.size(), 1272u);
                const bool due = PostOf(d, ra) + minutes{10} <= now;
                EXPECT_EQ(F(ra, 3, 1), due ? "7" : "2") << F(ra, 12, 16);
                run += due;
            }
            EXPECT_EQ(Of(records, "HR").size(), static_cast<std::size_t>(run));
            for (const std::string& se : Of(records, "SE")) EXPECT_EQ(se.size(), 555u);
            if (now == T(d, 8)) {
                EXPECT_EQ(run, 0);
            }
            if (now == T(d, 18)) {
                EXPECT_EQ(run, 36);
            }
            if (now == T(d, 13)) {
                EXPECT_GT(run, 5);
            }
        }
    }
}

// The minute a race's result is due, and the minute before.
TEST(DemoRaceDay, ResultAtPostTimePlusTenMinutes) {
    const std::string ra = Of(Week().Realtime("0B15", "202612120601", T(12, 8)), "RA").at(0);
    const JstTime due = PostOf(12, ra) + minutes{10};
    EXPECT_EQ(F(Of(Week().Realtime("0B15", "202612120601", due), "RA").at(0), 3, 1), "7");
    EXPECT_EQ(F(Of(Week().Realtime("0B15", "202612120601", due - minutes{1}), "RA").at(0), 3, 1), "2");
}

// Body weights an hour before the post time: in WH and in the runners' SE.
TEST(DemoRaceDay, BodyWeightsAnHourBeforeThePost) {
    const auto cards = Week().Realtime("0B15", "20261212", T(12, 8));
    EXPECT_TRUE(Week().Realtime("0B11", "20261212", T(12, 8)).empty());
    const JstTime now = T(12, 11);
    const auto weights = Week().Realtime("0B11", "20261212", now);
    std::map<std::string, std::string> byRace;
    for (const std::string& wh : weights) {
        ASSERT_EQ(wh.size(), 847u);
        EXPECT_EQ(F(wh, 1, 3), "WH1");
        EXPECT_EQ(F(wh, 846, 2), "\r\n");
        byRace[F(wh, 12, 16)] = wh;
    }
    const auto se = Of(Week().Realtime("0B15", "20261212", now), "SE");
    for (const std::string& ra : Of(cards, "RA")) {
        const bool out = PostOf(12, ra) - minutes{60} <= now;
        ASSERT_EQ(byRace.count(F(ra, 12, 16)), out ? 1u : 0u) << F(ra, 12, 16);
        if (!out) continue;
        const std::string& wh = byRace[F(ra, 12, 16)];
        const int at = N(ra, 874, 2) * 60 + N(ra, 876, 2) - 60;
        EXPECT_EQ(N(wh, 28, 8), 12120000 + at / 60 * 100 + at % 60);
        for (const std::string& s : se) {
            if (F(s, 12, 16) != F(ra, 12, 16)) continue;
            const int slot = 36 + 45 * (N(s, 29, 2) - 1);
            EXPECT_EQ(F(wh, slot, 2), F(s, 29, 2));
            EXPECT_EQ(F(wh, slot + 2, 36), F(s, 41, 36));
            EXPECT_EQ(F(wh, slot + 38, 7), F(s, 325, 7));
            EXPECT_TRUE(F(s, 325, 3) != "   ");
        }
    }
    // A race not weighed yet has blank weights on its cards.
    for (const std::string& s : se)
        if (F(s, 12, 16) == "2026121206050312") {
            EXPECT_EQ(F(s, 325, 3), "   ");
        }
}

// Every race day announces a going change, a scratch on the day, a jockey change and a post
// time change; all of them after the morning's weather and going.
TEST(DemoRaceDay, EachDayAnnouncesEveryKindOfChange) {
    for (int d : {12, 13}) {
        const std::string day = "202612" + std::to_string(d);
        EXPECT_TRUE(Week().Realtime("0B14", day, T(d, 7)).empty());
        const auto changes = Week().Realtime("0B14", day, T(d, 18));
        std::map<std::string, int> kinds;
        for (const std::string& r : changes) {
            const std::string type = F(r, 1, 2);
            static const std::map<std::string, std::size_t> kSizes = {{"WE", 42}, {"AV", 78}, {"JC", 161}, {"TC", 45}};
            ASSERT_EQ(r.size(), kSizes.at(type)) << type;
            EXPECT_EQ(r.substr(r.size() - 2), "\r\n");
            kinds[type + (type == "WE" ? F(r, 34, 1) : "")]++;
            if (type == "AV" && F(r, 32, 4) != "0730") kinds["AV on the day"]++;
        }
        EXPECT_EQ(kinds["WE1"], 3);
        EXPECT_EQ(kinds["WE3"], 1);
        EXPECT_GE(kinds["AV on the day"], 1);
        EXPECT_EQ(kinds["JC"], 1);
        EXPECT_EQ(kinds["TC"], 1);
    }
}

std::string Find(const std::vector<std::string>& records, const std::string& type, const std::string& test = {}) {
    for (const std::string& r : records)
        if (r.compare(0, 2, type) == 0 && (test.empty() || r.find(test) != std::string::npos)) return r;
    return {};
}
JstTime AnnouncedAt(int d, const std::string& r, int pos) { return T(d, N(r, pos + 4, 2), N(r, pos + 6, 2)); }
std::string SeOf(const std::vector<std::string>& records, const std::string& race, int horse) {
    for (const std::string& r : records)
        if (r.compare(0, 2, "SE") == 0 && F(r, 12, 16) == race && N(r, 29, 2) == horse) return r;
    return {};
}

// The scratch of the day: 取消 in the cards from its announcement, no place in the result (the
// others placed 1, 2, 3... without a gap), its win bets refunded, its odds "----".
TEST(DemoRaceDay, ScratchIsCarriedIntoCardsResultAndPayouts) {
    std::string av;
    for (const std::string& r : Week().Realtime("0B14", "20261212", T(12, 18)))
        if (F(r, 1, 2) == "AV" && F(r, 32, 4) != "0730") av = r;
    ASSERT_FALSE(av.empty());
    const std::string race = F(av, 12, 16);
    const int horse = N(av, 36, 2);
    const JstTime at = AnnouncedAt(12, av, 28);
    EXPECT_EQ(F(SeOf(Week().Realtime("0B15", race, at - minutes{1}), race, horse), 332, 1), "0");
    EXPECT_EQ(F(SeOf(Week().Realtime("0B15", race, at), race, horse), 332, 1), "1");

    const auto after = Week().Realtime("0B15", race, T(12, 18));
    const std::string se = SeOf(after, race, horse);
    EXPECT_EQ(F(se, 332, 1), "1");
    EXPECT_EQ(F(se, 335, 2), "00");
    // The others keep their order of the results week, those behind it a place up.
    std::map<int, std::string> results;
    for (const JvdFile& f : DemoResults(sys_days{year{2026} / 12 / 12}))
        for (const std::string& r : SplitRecords(f.content))
            if (F(r, 1, 2) == "SE" && F(r, 12, 16) == race) results[N(r, 29, 2)] = r;
    const int scratched = N(results.at(horse), 335, 2);
    ASSERT_GE(scratched, 4);
    for (const std::string& s : Of(after, "SE")) {
        if (N(s, 29, 2) == horse) continue;
        const int was = N(results.at(N(s, 29, 2)), 335, 2);
        EXPECT_EQ(N(s, 335, 2), was > scratched ? was - 1 : was) << F(s, 29, 2);
    }
    const std::string hr = Find(after, "HR");
    EXPECT_EQ(F(hr, 50, 1), "1");              // 返還フラグ 単勝
    EXPECT_EQ(F(hr, 59 + horse - 1, 1), "1");  // 返還馬番情報
    EXPECT_NE(N(hr, 103, 2), horse);           // not the winner
    const std::string o1 = Find(Week().Realtime("0B31", race, T(12, 18)), "O1");
    EXPECT_EQ(F(o1, 44 + 8 * (horse - 1) + 2, 4), "----");
}

// The jockey change reaches the runner's SE from its announcement, the first jockey kept as
// the one before the change.
TEST(DemoRaceDay, JockeyChangeInTheRunnersRecord) {
    const std::string jc = Find(Week().Realtime("0B14", "20261212", T(12, 18)), "JC");
    ASSERT_FALSE(jc.empty());
    const std::string race = F(jc, 12, 16);
    const int horse = N(jc, 36, 2);
    const JstTime at = AnnouncedAt(12, jc, 28);
    const std::string before = SeOf(Week().Realtime("0B15", race, at - minutes{1}), race, horse);
    const std::string after = SeOf(Week().Realtime("0B15", race, at), race, horse);
    EXPECT_EQ(F(before, 297, 5), F(jc, 120, 5));
    EXPECT_EQ(F(after, 297, 5), F(jc, 77, 5));
    EXPECT_EQ(F(after, 302, 5), F(jc, 120, 5));
    EXPECT_EQ(F(after, 289, 3), F(jc, 74, 3));
    EXPECT_EQ(F(after, 307, 8), F(jc, 82, 8));
    EXPECT_NE(F(jc, 77, 5), F(jc, 120, 5));
}

// The post time change in RA 874-877 (the time before at 878-881), and the result ten
// minutes after the new post time.
TEST(DemoRaceDay, PostTimeChangeInTheRace) {
    const std::string tc = Find(Week().Realtime("0B14", "20261213", T(13, 18)), "TC");
    ASSERT_FALSE(tc.empty());
    const std::string race = F(tc, 12, 16);
    const JstTime at = AnnouncedAt(13, tc, 28);
    EXPECT_EQ(F(Find(Week().Realtime("0B15", race, at - minutes{1}), "RA"), 874, 4), F(tc, 40, 4));
    const std::string ra = Find(Week().Realtime("0B15", race, at), "RA");
    EXPECT_EQ(F(ra, 874, 4), F(tc, 36, 4));
    EXPECT_EQ(F(ra, 878, 4), F(tc, 40, 4));
    const JstTime post = T(13, N(tc, 36, 2), N(tc, 38, 2));
    EXPECT_EQ(F(Find(Week().Realtime("0B15", race, post + minutes{9}), "RA"), 3, 1), "2");
    EXPECT_EQ(F(Find(Week().Realtime("0B15", race, post + minutes{10}), "RA"), 3, 1), "7");
}

// The going: the morning's in the cards, the changed one for the races run after the change,
// the morning's for those run before it.
TEST(DemoRaceDay, GoingChangeInLaterRacesOnly) {
    const auto changes = Week().Realtime("0B14", "20261212", T(12, 18));
    std::string change;
    for (const std::string& r : changes)
        if (F(r, 1, 2) == "WE" && F(r, 34, 1) == "3") change = r;
    ASSERT_FALSE(change.empty());
    const std::string course = F(change, 12, 14);
    const JstTime at = AnnouncedAt(12, change, 26);
    EXPECT_NE(F(change, 36, 2), F(change, 39, 2));
    for (const std::string& ra : Of(Week().Realtime("0B15", "20261212", T(12, 18)), "RA")) {
        if (F(ra, 12, 14) != course) continue;
        EXPECT_EQ(F(ra, 889, 2), PostOf(12, ra) >= at ? F(change, 36, 2) : F(change, 39, 2)) << F(ra, 26, 2);
    }
}

// Odds during the sale move with the time, popularity following them; once run, the final
// odds are the result's.
TEST(DemoRaceDay, OddsMoveDuringTheSaleAndEndAsTheResults) {
    const std::string race = "2026121209050311";
    EXPECT_TRUE(Week().Realtime("0B31", race, T(12, 7, 59)).empty());
    const std::string early = Find(Week().Realtime("0B31", race, T(12, 9)), "O1");
    const std::string late = Find(Week().Realtime("0B31", race, T(12, 11)), "O1");
    ASSERT_EQ(early.size(), 962u);
    EXPECT_EQ(F(early, 3, 1), "1");
    EXPECT_EQ(F(early, 28, 8), "12120900");
    EXPECT_EQ(F(late, 28, 8), "12121100");
    const int heads = N(early, 36, 2);
    int moved = 0;
    for (const std::string* o : {&early, &late}) {
        for (int i = 0; i < heads; ++i) {
            for (int j = 0; j < heads; ++j) {
                const int oi = N(*o, 46 + 8 * i, 4), oj = N(*o, 46 + 8 * j, 4);
                if (oi < oj) {
                    EXPECT_LT(N(*o, 50 + 8 * i, 2), N(*o, 50 + 8 * j, 2));
                }
            }
        }
    }
    for (int i = 0; i < heads; ++i) moved += F(early, 46 + 8 * i, 4) != F(late, 46 + 8 * i, 4);
    EXPECT_GT(moved, heads / 2);

    const auto result = Week().Realtime("0B15", race, T(12, 18));
    const std::string final = Find(Week().Realtime("0B31", race, T(12, 18)), "O1");
    EXPECT_EQ(F(final, 3, 1), "4");
    EXPECT_EQ(F(final, 28, 8), "00000000");
    for (const std::string& se : Of(result, "SE")) {
        if (F(se, 332, 1) != "0") continue;
        const int slot = 44 + 8 * (N(se, 29, 2) - 1);
        EXPECT_EQ(F(final, slot + 2, 6), F(se, 360, 6));
    }
}

// A day's data is there from the Monday of its week to the Sunday after.
TEST(DemoRaceDay, KeptFromItsMondayForTwoWeeks) {
    const sys_days saturday{year{2026} / 12 / 12};
    EXPECT_FALSE(RaceDayKept(saturday, T(6, 23, 59)));
    EXPECT_TRUE(RaceDayKept(saturday, T(7, 0)));
    EXPECT_TRUE(RaceDayKept(saturday, T(20, 23, 59)));
    EXPECT_FALSE(RaceDayKept(saturday, T(21, 0)));
    EXPECT_TRUE(DemoRealtime("0B15", "20261212", T(6, 23, 59)).empty());
    EXPECT_EQ(DemoRealtime("0B15", "20261212", T(7, 0)).size(), Week().Realtime("0B15", "20261212", T(7, 0)).size());
    EXPECT_FALSE(DemoRealtime("0B15", "20261212", T(7, 0)).empty());
}

TEST(DemoRaceDay, DemoClockText) {
    EXPECT_EQ(ParseDemoClock("2026-12-12 09:30"), T(12, 9, 30));
    EXPECT_EQ(ParseDemoClock("2026-12-13 23:59"), T(13, 23, 59));
    for (const char* bad : {"", "2026-12-12", "2026-12-12 9:30", "2026-12-12 24:00", "2026-12-12 12:60",
                            "2026-02-30 12:00", "2026/12/12 12:00", "2026-12-12T12:00", " 2026-12-12 12:00"})
        EXPECT_FALSE(ParseDemoClock(bad)) << bad;
    EXPECT_EQ(JstOf(sys_days{year{2026} / 12 / 12} + hours{15}), T(13, 0));
}

}  // namespace
}  // namespace turfpad
