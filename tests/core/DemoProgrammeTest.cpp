#include "jvlink/DemoProgramme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoTables.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

using namespace std::chrono;

const std::string kIdeographicSpace = "\x81\x40";

sys_days Day(int y, unsigned m, unsigned d) { return sys_days{year{y} / month{m} / day{d}}; }
std::string Date(sys_days d) {
    const year_month_day ymd{d};
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    return text;
}

std::string Digits2(int n) { return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10); }

std::string F(std::string_view record, Field f) { return std::string(FieldOf(record, f)); }

bool OnlyIdeographicSpaces(std::string_view s) {
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        if (s.substr(i, 2) != kIdeographicSpace) return false;
    return s.size() % 2 == 0;
}

// Full-width characters before the padding of a Japanese field.
std::size_t TextChars(std::string_view field) {
    std::size_t n = 0;
    while (2 * n + 1 < field.size() && field.substr(2 * n, 2) != kIdeographicSpace) ++n;
    return n;
}

// Weeks of every season, so that every racecourse pattern and race plan shows up.
std::vector<sys_days> SampleWeeks() {
    std::vector<sys_days> weeks;
    for (int i = 0; i < 53; i += 4) weeks.push_back(Day(2026, 1, 5) + days{7 * i});
    return weeks;
}

struct Week {
    std::vector<std::string> ra, se, other;
};

Week Records(const std::vector<JvdFile>& files) {
    Week w;
    for (const JvdFile& f : files) {
        std::size_t at = 0;
        while (at < f.content.size()) {
            std::size_t end = f.content.find("\r\n", at);
            std::string record = f.content.substr(at, end + 2 - at);
            at = end + 2;
            std::string type = record.substr(0, 2);
            (type == "RA" ? w.ra : type == "SE" ? w.se : w.other).push_back(record);
        }
    }
    return w;
}

TEST(DemoProgrammeTest, WeekRunsFromMondayToSunday) {
    for (unsigned d = 7; d <= 13; ++d) EXPECT_EQ(MondayOf(Day(2026, 12, d)), Day(2026, 12, 7)) << d;
    EXPECT_EQ(MondayOf(Day(2026, 12, 14)), Day(2026, 12, 14));
    EXPECT_EQ(MondayOf(Day(2027, 1, 3)), Day(2026, 12, 28));
}

TEST(DemoProgrammeTest, SameWeekGivesTheSameFiles) {
    std::vector<JvdFile> a = DemoProgramme(Day(2026, 12, 7));
    std::vector<JvdFile> b = DemoProgramme(Day(2026, 12, 13));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_TRUE(a[i].content == b[i].content) << a[i].name;
    }
    std::vector<JvdFile> next = DemoProgramme(Day(2026, 12, 14));
    EXPECT_NE(next[0].name, a[0].name);
    EXPECT_NE(next[1].content.substr(27, 200), a[1].content.substr(27, 200));
}

TEST(DemoProgrammeTest, FilesAreNamedAndStampedFromTheirMonday) {
    std::vector<JvdFile> files = DemoProgramme(Day(2026, 12, 10));
    std::vector<std::string> names;
    for (const JvdFile& f : files) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"RAVW2026121220261207000001.jvd", "SEVW2026121220261207000002.jvd",
                                               "O1VW2026121220261207000003.jvd", "RAVW2026121320261207000004.jvd",
                                               "SEVW2026121320261207000005.jvd", "O1VW2026121320261207000006.jvd"}));
    for (const JvdFile& f : files) {
        std::optional<JvdName> n = ParseJvdName(f.name);
        ASSERT_TRUE(n) << f.name;
        EXPECT_TRUE(IsRaceRecordType(n->type));
    }
}

TEST(DemoProgrammeTest, RecordsHaveTheirFullLengthAndFileWithoutRejection) {
    for (sys_days monday : SampleWeeks()) {
        std::vector<JvdFile> files = DemoProgramme(monday);
        Week w = Records(files);
        ASSERT_FALSE(w.ra.empty());
        ASSERT_FALSE(w.other.empty());
        std::string made = TimestampOf(monday, 0, 0, 0).substr(0, 8);
        for (const std::string& r : w.ra) {
            ASSERT_EQ(r.size(), kRaRecordSize);
            EXPECT_EQ(F(r, ra::DataCategory), "2");
            EXPECT_EQ(F(r, ra::MadeDate), made);
            EXPECT_EQ(F(r, ra::Starters), "00");
        }
        for (const std::string& r : w.se) {
            ASSERT_EQ(r.size(), kSeRecordSize);
            EXPECT_EQ(F(r, se::DataCategory), "2");
        }
        for (const std::string& r : w.other) EXPECT_EQ(r.size(), 962u);  // O1
        for (const JvdFile& f : files) {
            // Exactly one line end per record.
            std::size_t lf = static_cast<std::size_t>(std::count(f.content.begin(), f.content.end(), '\n'));
            std::size_t cr = static_cast<std::size_t>(std::count(f.content.begin(), f.content.end(), '\r'));
            EXPECT_EQ(lf, cr);
        }

        testing::TempDir data;
        RaceFiler filer(data.path());
        filer.SetDurable(false);
        for (const std::string& r : w.ra) ASSERT_EQ(filer.File(r).outcome, FilingResult::Outcome::Filed);
        for (const std::string& r : w.se) ASSERT_EQ(filer.File(r).outcome, FilingResult::Outcome::Filed);
        for (const std::string& r : w.other)  // odds are filed beside the cards
            EXPECT_EQ(filer.File(r).outcome,
                      r.starts_with("O1") ? FilingResult::Outcome::Filed : FilingResult::Outcome::PassedOver);
        filer.Flush();
        std::size_t days = DayEntries(data.path()).size();
        EXPECT_GE(days, 4u);
        EXPECT_LE(days, 6u);
    }
}

TEST(DemoProgrammeTest, PostPositionsFollowTheDraw) {
    EXPECT_EQ(PostPositions(5), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(PostPositions(10), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 7, 8, 8}));
    EXPECT_EQ(PostPositions(17), (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8}));
    EXPECT_EQ(PostPositions(18), (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8}));
    for (int n = 9; n <= 18; ++n) {
        std::vector<int> posts = PostPositions(n);
        ASSERT_EQ(static_cast<int>(posts.size()), n);
        EXPECT_TRUE(std::is_sorted(posts.begin(), posts.end()));
        int previous = 0;
        for (int p = 1; p <= 8; ++p) {
            int count = static_cast<int>(std::count(posts.begin(), posts.end(), p));
            EXPECT_TRUE(count == n / 8 || count == (n + 7) / 8) << n << " post " << p;
            EXPECT_GE(count, previous) << n << " post " << p;  // the extra runners on the outside
            previous = count;
        }
    }
}

// The programme reads like a real one: every field the program shows holds a fitting value.
TEST(DemoProgrammeTest, RacesAndRunnersAreRealistic) {
    std::set<std::string> goodConditions = {"701", "703", "005", "010", "016", "999"};
    std::set<std::string> goodTracks = {"10", "11", "12", "17", "18", "23", "24"};
    int graded = 0, blinkers = 0, apprentices = 0, longNames = 0, shortNames = 0;
    for (sys_days monday : SampleWeeks()) {
        Week w = Records(DemoProgramme(monday));
        std::map<std::string, int> raceCourses[2];  // racecourses of Saturday and Sunday
        std::map<std::string, std::string> races;   // race key to RA record
        std::map<std::string, int> lastPost;
        for (const std::string& r : w.ra) {
            std::string key = F(r, ra::RaceKey);
            races[key] = r;
            int sunday = F(r, ra::Weekday) == "2" ? 1 : 0;
            ++raceCourses[sunday][F(r, ra::Racecourse)];
            int heads = NumberOf(r, ra::HeadCount);
            EXPECT_GE(heads, 5);
            EXPECT_LE(heads, 18);
            EXPECT_TRUE(goodConditions.count(F(r, ra::RaceCondition))) << key;
            EXPECT_TRUE(goodTracks.count(F(r, ra::Track))) << key;
            int post = NumberOf(r, ra::PostTime);
            EXPECT_GE(post, 955);
            EXPECT_LE(post, 1630);
            EXPECT_GT(post, lastPost[key.substr(0, 10)]) << key;  // later race, later post time
            lastPost[key.substr(0, 10)] = post;
            std::string grade = F(r, ra::Grade);
            if (grade == " ") {
                EXPECT_TRUE(OnlyIdeographicSpaces(F(r, ra::RaceName))) << key;
            } else {
                EXPECT_GE(TextChars(F(r, ra::RaceName)), 3u) << key;
                EXPECT_GE(TextChars(F(r, ra::ShortName)), 2u) << key;  // 幕張特別: 幕張
                EXPECT_GE(NumberOf(r, ra::RaceNumber), 9) << key;      // specials in the afternoon
                graded += grade >= "A" && grade <= "C";
            }
        }
        for (const auto& courses : raceCourses) {
            EXPECT_GE(courses.size(), 2u);
            EXPECT_LE(courses.size(), 3u);
            for (const auto& [course, count] : courses) EXPECT_EQ(count, 12) << course;
        }

        std::map<std::string, std::set<std::string>> jockeys;
        for (const std::string& s : w.se) {
            std::string key = F(s, se::RaceKey);
            const std::string& race = races[key];
            int heads = NumberOf(race, ra::HeadCount);
            int horse = NumberOf(s, se::HorseNumber);
            ASSERT_LE(horse, heads);
            EXPECT_EQ(NumberOf(s, se::PostPosition), PostPositions(heads)[static_cast<std::size_t>(horse - 1)]);
            int age = NumberOf(s, se::Age);
            int year = NumberOf(s, se::Year);
            EXPECT_EQ(NumberOf(s, {31, 4}), year - age) << "pedigree number starts with the year of birth";
            int type = NumberOf(race, ra::RaceType);
            EXPECT_TRUE(type == 11 ? age == 2 : type == 12 ? age == 3 : type == 13 ? age >= 3 : age >= 4) << key;
            int sex = NumberOf(s, se::Sex);
            EXPECT_TRUE(sex >= 1 && sex <= 3 && !(sex == 3 && age == 2));
            int weight = NumberOf(s, se::Weight);
            EXPECT_GE(weight, 480);
            EXPECT_LE(weight, 600);
            std::string apprentice = F(s, se::Apprentice);
            EXPECT_TRUE(apprentice >= "0" && apprentice <= "3");
            if (F(race, ra::Grade) != " ") {
                EXPECT_EQ(apprentice, "0") << "no allowance in special races";
            }
            apprentices += apprentice != "0";
            blinkers += F(s, se::Blinker) == "1";
            std::size_t chars = TextChars(F(s, se::HorseName));
            EXPECT_GE(chars, 2u);
            EXPECT_LE(chars, 9u);
            longNames += chars == 9;
            shortNames += chars <= 3;
            EXPECT_TRUE(jockeys[key].insert(F(s, se::Jockey)).second) << "one ride per jockey and race " << key;
            EXPECT_GE(TextChars(F(s, se::Trainer)), 2u);
        }
    }
    EXPECT_GT(graded, 10);
    EXPECT_GT(blinkers, 0);
    EXPECT_GT(apprentices, 0);
    EXPECT_GT(longNames, 0);
    EXPECT_GT(shortNames, 0);
}

// The racecourses follow JRA's calendar: December at 中山, 阪神 and 中京, both days.
TEST(DemoProgrammeTest, RacecoursesFollowTheSeason) {
    auto courses = [](sys_days day) {
        std::set<std::string> found;
        for (const std::string& r : Records(DemoProgramme(day)).ra) found.insert(r.substr(19, 2));
        return found;
    };
    EXPECT_EQ(courses(Day(2026, 12, 12)), (std::set<std::string>{"06", "09", "07"}));
    EXPECT_EQ(courses(Day(2026, 8, 8)), (std::set<std::string>{"04", "07", "01"}));
    EXPECT_EQ(courses(Day(2026, 5, 16)), (std::set<std::string>{"05", "08", "04"}));
    EXPECT_EQ(courses(Day(2026, 2, 14)), (std::set<std::string>{"05", "08", "10"}));
}

// Meetings are numbered as the calendar numbers them: within the year at each racecourse,
// the days counted within the meeting (RA 22-23 and 24-25).
TEST(DemoProgrammeTest, MeetingsAreNumberedAsTheCalendarNumbersThem) {
    const std::vector<std::tuple<sys_days, const char*, const char*, const char*>> table = {
        {Day(2026, 12, 12), "06", "05", "03"}, {Day(2026, 12, 13), "06", "05", "04"},
        {Day(2026, 10, 10), "05", "04", "03"}, {Day(2026, 11, 14), "05", "05", "03"},
        {Day(2026, 2, 14), "05", "01", "03"},  {Day(2026, 6, 20), "05", "03", "07"},
    };
    for (const auto& [day, course, meeting, meetingDay] : table) {
        std::set<std::string> found;
        for (const std::string& r : Records(DemoProgramme(day)).ra)
            if (r.substr(11, 8) == Date(day) && r.substr(19, 2) == course) found.insert(r.substr(21, 4));
        EXPECT_EQ(found, std::set<std::string>{std::string(meeting) + meetingDay}) << Date(day) << " " << course;
    }
}

TEST(DemoProgrammeTest, ShortRaceNamesAreShortenedAsJraShortensThem) {
    const std::vector<std::tuple<const char*, std::size_t, const char*>> table = {
        {"信濃川ステークス", 6, "信濃川Ｓ"}, {"信濃川ステークス", 3, "信濃Ｓ"},    {"市川カップ", 3, "市川Ｃ"},
        {"幕張ステークス", 3, "幕張Ｓ"},     {"信濃川特別", 6, "信濃川特別"},      {"信濃川特別", 3, "信濃川"},
        {"武蔵野大賞典", 6, "武蔵野大賞典"}, {"武蔵野大賞典", 3, "武蔵野"},        {"阿賀野川記念", 3, "阿記念"},
        {"府中ハンデキャップ", 6, "府中Ｈ"}, {"東京湾カップ", 10, "東京湾カップ"},
    };
    for (const auto& [name, chars, shortName] : table)
        EXPECT_EQ(demo::ShortRaceName(name, chars), shortName) << name << chars;
}

// Results: the same races as the cards, with plausible outcomes.
TEST(DemoProgrammeTest, ResultsArePlausible) {
    int withdrawn = 0, races = 0, favouritesWon = 0;
    for (sys_days monday : {Day(2026, 12, 7), Day(2026, 6, 22), Day(2026, 3, 2)}) {
        Week cards = Records(DemoProgramme(monday));
        std::vector<JvdFile> files = DemoResults(monday);
        ASSERT_EQ(files.size(), 8u);  // RA and SE of each day, then each day's O1 and HR
        EXPECT_EQ(files[0].name.substr(12, 14), TimestampOf(monday + days{6}, 18, 0, 1));
        Week results = Records(files);
        ASSERT_EQ(results.ra.size(), cards.ra.size());
        std::map<std::string, std::vector<std::string>> runners;
        for (const std::string& s : results.se) {
            EXPECT_EQ(s.substr(2, 1), "7");
            runners[s.substr(11, 16)].push_back(s);
        }
        for (std::size_t i = 0; i < results.ra.size(); ++i) {
            const std::string& r = results.ra[i];
            EXPECT_EQ(r.substr(2, 1), "7");
            EXPECT_EQ(r.substr(11, 16), cards.ra[i].substr(11, 16));
            const std::vector<std::string>& field = runners[r.substr(11, 16)];
            int heads = std::stoi(r.substr(881, 2)), starters = std::stoi(r.substr(883, 2));
            int finishers = std::stoi(r.substr(885, 2));
            ASSERT_EQ(static_cast<int>(field.size()), heads);
            EXPECT_LE(starters, heads);
            EXPECT_GE(finishers, 3);
            std::set<int> positions;
            std::map<int, int> oddsByPopularity;
            int winnerTime = 0;
            for (const std::string& s : field) {
                int position = std::stoi(s.substr(334, 2));
                char abnormal = s[331];
                if (abnormal == '1' || abnormal == '2' || abnormal == '3') {
                    ++withdrawn;
                    EXPECT_EQ(position, 0);
                    EXPECT_EQ(s.substr(363, 2), "00");
                    continue;
                }
                oddsByPopularity[std::stoi(s.substr(363, 2))] = std::stoi(s.substr(359, 4));
                if (abnormal == '4') continue;
                EXPECT_TRUE(positions.insert(position).second);
                int t = std::stoi(s.substr(338, 1)) * 600 + std::stoi(s.substr(339, 2)) * 10 + (s[341] - '0');
                if (position == 1) {
                    winnerTime = t;
                    favouritesWon += s.substr(363, 2) == "01";
                }
                EXPECT_NE(s.substr(324, 3), "999");
                // The margin to the horse in front: none for the winner, 同着 in a dead heat
                // for first, a nose to 大差 for every other finisher.
                const std::string margin = s.substr(342, 3);
                if (position == 1)
                    EXPECT_TRUE(margin == "000" || margin == "D  ") << margin;
                else
                    EXPECT_NE(std::string("HAK_12345679Z").find(margin[0]), std::string::npos) << margin;
            }
            EXPECT_EQ(static_cast<int>(positions.size()), finishers);
            EXPECT_EQ(*positions.begin(), 1);
            EXPECT_EQ(*positions.rbegin(), finishers);  // a permutation of 1..finishers
            int previous = 0;
            for (const auto& [popularity, odds] : oddsByPopularity) {
                EXPECT_GE(odds, previous) << "popularity follows the odds";
                previous = odds;
            }
            // Seconds per 100 m: about 5.5 to 7.5 whatever the distance and going.
            int distance = std::stoi(r.substr(697, 4));
            EXPECT_GT(winnerTime * 100, distance * 55) << r.substr(11, 16);
            EXPECT_LT(winnerTime * 100, distance * 75) << r.substr(11, 16);
            EXPECT_TRUE(r[888] >= '1' && r[888] <= '4' && r[889] >= '1' && r[889] <= '4');
            ++races;
        }
    }
    EXPECT_GT(withdrawn, 0);
    EXPECT_GT(favouritesWon, races / 6);
    EXPECT_LT(favouritesWon, races * 2 / 3);
}

// The horses of a week's cards ran in the weeks before: most runners have a history.
TEST(DemoProgrammeTest, HorsesRunAgainEveryFewWeeks) {
    std::map<std::string, std::set<std::string>> days;  // pedigree to the days it ran
    Week weeks = Records(DemoWeeks(Day(2026, 12, 12), 8));
    for (const std::string& s : weeks.se) EXPECT_TRUE(days[s.substr(30, 10)].insert(s.substr(11, 8)).second);
    int runners = 0, withHistory = 0, twice = 0;
    for (const std::string& s : weeks.se) {
        if (s.substr(2, 1) != "2") continue;
        ++runners;
        withHistory += days[s.substr(30, 10)].size() >= 2;
        twice += days[s.substr(30, 10)].size() >= 3;
    }
    EXPECT_GT(withHistory, runners / 2);
    EXPECT_GT(twice, runners / 5);
}

// Half a year of results and the cards after them, horse by horse: every run is one its wins
// (SE 335-336 "01") allow by JRA's conditions (RA 635-637, the youngest age's condition),
// and its age (SE 83-84) fits the race (RA 617-618) and grows each 1 January.
TEST(DemoProgrammeTest, HorsesRunOnlyInRacesTheirWinsAllow) {
    // Wins a horse has in a race of the condition: exactly, or (open races) at least.
    const std::map<std::string, std::pair<int, bool>> kWinsFor = {
        {"701", {0, true}}, {"703", {0, true}}, {"005", {1, true}}, {"010", {2, true}}, {"016", {3, true}},
    };
    const std::map<std::string, std::pair<int, int>> kAges = {
        {"11", {2, 2}}, {"12", {3, 3}}, {"13", {3, 99}}, {"14", {4, 99}}};
    Week w = Records(DemoWeeks(Day(2027, 3, 10), 26));
    std::map<std::string, std::string> races;  // race key to RA record
    for (const std::string& r : w.ra) races[r.substr(11, 16)] = r;
    std::map<std::string, std::vector<std::string>> runs;  // pedigree to its runs, in date order
    for (const std::string& s : w.se) runs[s.substr(30, 10)].push_back(s);
    int followedFromMaidens = 0, promoted = 0, inOpenRaces = 0;
    for (auto& [horse, list] : runs) {
        std::sort(list.begin(), list.end(),
                  [](const std::string& a, const std::string& b) { return a.substr(11, 16) < b.substr(11, 16); });
        int wins = 0;
        bool known = false;  // wins is exact, not only at least
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string& s = list[i];
            const std::string& race = races[s.substr(11, 16)];
            ASSERT_FALSE(race.empty());
            const std::string condition = race.substr(634, 3), type = race.substr(616, 2);
            const int age = std::stoi(s.substr(82, 2));
            const std::string at = horse + " " + s.substr(11, 16) + " " + condition;
            ASSERT_TRUE(kAges.count(type)) << at;
            EXPECT_GE(age, kAges.at(type).first) << at;
            EXPECT_LE(age, kAges.at(type).second) << at;
            EXPECT_EQ(age - std::stoi(list[0].substr(82, 2)),
                      std::stoi(s.substr(11, 4)) - std::stoi(list[0].substr(11, 4)))
                << at;
            if (condition == "701") {
                EXPECT_EQ(i, 0u) << "a newcomer that has run " << at;
            }
            if (kWinsFor.count(condition)) {
                const int level = kWinsFor.at(condition).first;
                if (known) {
                    EXPECT_EQ(wins, level) << at;
                } else {
                    EXPECT_LE(wins, level) << at;
                }
                if (!known && i == 0 && level == 0) ++followedFromMaidens;
                if (known && level > 0 && i > 0 && races[list[i - 1].substr(11, 16)].substr(634, 3) == "703")
                    ++promoted;
                wins = level;
                known = true;
            } else {
                ASSERT_EQ(condition, "999") << at;
                const int needed = type == "11" || type == "12" ? 1 : 4;  // young horses: a win
                EXPECT_GE(known ? wins : needed, needed) << "not yet in the open class " << at;
                wins = std::max(wins, needed);
                ++inOpenRaces;
            }
            wins += s.substr(334, 2) == "01";
        }
    }
    EXPECT_GT(followedFromMaidens, 500);
    EXPECT_GT(promoted, 100);
    EXPECT_GT(inOpenRaces, 500);
}

TEST(DemoProgrammeTest, ExactlyOneRaceLacksOneRunner) {
    for (sys_days monday : SampleWeeks()) {
        Week w = Records(DemoProgramme(monday));
        std::map<std::string, int> delivered;
        for (const std::string& s : w.se) ++delivered[F(s, se::RaceKey)];
        int incomplete = 0;
        for (const std::string& r : w.ra) {
            int missing = NumberOf(r, ra::HeadCount) - delivered[F(r, ra::RaceKey)];
            EXPECT_TRUE(missing == 0 || missing == 1);
            incomplete += missing;
        }
        EXPECT_EQ(incomplete, 1);
    }
}

// Odds and payouts read by their byte positions (1-based, as the layouts give them).
std::string At(const std::string& r, int pos, int len) { return r.substr(static_cast<std::size_t>(pos - 1), len); }
int Num(const std::string& r, int pos, int len) { return std::stoi(At(r, pos, len)); }

struct Payout {
    std::string numbers;
    int yen = 0, popularity = 0;
    bool operator<(const Payout& o) const { return numbers < o.numbers; }
};

// The filled slots of one bet type of an HR record.
std::vector<Payout> Payouts(const std::string& hr, int pos, int stride, int slots, int width, int popWidth) {
    std::vector<Payout> out;
    for (int k = 0; k < slots; ++k) {
        int at = pos + stride * k;
        if (At(hr, at, width).find_first_not_of(' ') == std::string::npos) continue;
        out.push_back({At(hr, at, width), Num(hr, at + width, 9), Num(hr, at + width + 9, popWidth)});
    }
    return out;
}

std::string Numbers(std::vector<int> horses, bool numberOrder) {
    if (numberOrder) std::sort(horses.begin(), horses.end());
    std::string out;
    for (int h : horses) out += Digits2(h);
    return out;
}

// Every race of a results week has its final odds and its payouts, which agree with the
// runners' win odds, popularity and finishing positions.
TEST(DemoProgrammeTest, OddsAndPayoutsFollowTheResults) {
    int deadHeats = 0, refunds = 0, races = 0, noBrackets = 0, favouritesPaidFirst = 0;
    for (int back = 1; back <= 12; ++back) {
        const sys_days monday = Day(2026, 12, 7) - days{7 * back};
        std::vector<JvdFile> files = DemoResults(monday);
        Week w = Records(files);
        std::map<std::string, std::vector<std::string>> runners, odds, payouts;
        for (const std::string& s : w.se) runners[s.substr(11, 16)].push_back(s);
        for (const std::string& r : w.other) (r.substr(0, 2) == "O1" ? odds : payouts)[r.substr(11, 16)].push_back(r);
        ASSERT_EQ(odds.size(), w.ra.size());
        ASSERT_EQ(payouts.size(), w.ra.size());
        for (const std::string& r : w.ra) {
            const std::string key = r.substr(11, 16);
            ASSERT_EQ(odds[key].size(), 1u) << key;
            ASSERT_EQ(payouts[key].size(), 1u) << key;
            const std::string& o = odds[key][0];
            const std::string& hr = payouts[key][0];
            ASSERT_EQ(o.size(), 962u);
            ASSERT_EQ(hr.size(), 719u);
            const int heads = Num(r, 882, 2), starters = Num(r, 884, 2);
            EXPECT_EQ(At(o, 3, 1) + At(o, 28, 8), "400000000") << key;  // final odds
            EXPECT_EQ(At(hr, 3, 1), "2");
            EXPECT_EQ(Num(o, 36, 2) * 100 + Num(o, 38, 2), heads * 100 + starters);
            EXPECT_EQ(Num(hr, 28, 2) * 100 + Num(hr, 30, 2), heads * 100 + starters);
            EXPECT_EQ(At(o, 44 + 8 * heads, 8 * (28 - heads)), std::string(8 * (28 - heads), ' '));

            std::map<int, std::string> se;  // by horse number
            std::map<int, std::vector<int>> byPosition;
            std::vector<std::tuple<int, int, int>> market;  // odds, horse, popularity
            std::map<int, int> posts;
            bool withdrawn = false;
            for (const std::string& s : runners[key]) {
                const int h = Num(s, 29, 2), win = 44 + 8 * (h - 1), place = 268 + 12 * (h - 1);
                se[h] = s;
                ++posts[Num(s, 28, 1)];
                ASSERT_EQ(Num(o, win, 2), h);
                if (s[331] >= '1' && s[331] <= '3') {  // did not start
                    withdrawn = true;
                    EXPECT_EQ(At(o, win + 2, 6), s[331] == '1' ? "------" : "******") << key;
                    EXPECT_EQ(At(hr, 59 + h - 1, 1), "1") << "refunded " << key;
                    continue;
                }
                EXPECT_EQ(At(o, win + 2, 6), At(s, 360, 6)) << key << " horse " << h;  // odds and popularity
                market.emplace_back(Num(s, 360, 4), h, Num(s, 364, 2));
                if (Num(s, 335, 2) > 0) byPosition[Num(s, 335, 2)].push_back(h);
                if (starters >= 5) {
                    const int low = Num(o, place + 2, 4), high = Num(o, place + 6, 4);
                    EXPECT_GE(low, 10);
                    EXPECT_LE(low, high);
                    EXPECT_LT(high, Num(s, 360, 4)) << key << " horse " << h;
                }
            }
            refunds += withdrawn;
            EXPECT_EQ(At(hr, 50, 1), withdrawn ? "1" : "0");
            std::sort(market.begin(), market.end());
            for (std::size_t k = 0; k < market.size(); ++k) EXPECT_EQ(std::get<2>(market[k]), static_cast<int>(k + 1));

            // The order home: the first, second and third (two sharing the first in a dead heat).
            std::vector<int> home;
            for (const auto& [position, horses] : byPosition)
                for (int h : horses) home.push_back(h);
            const std::vector<int>& first = byPosition[1];
            const bool deadHeat = first.size() == 2;
            deadHeats += deadHeat;
            EXPECT_EQ(se[first[0]][336], deadHeat ? '1' : '0');
            const std::vector<int> top3(home.begin(), home.begin() + 3);

            std::vector<Payout> win = Payouts(hr, 103, 13, 3, 2, 2);
            ASSERT_EQ(win.size(), first.size()) << key;
            for (const Payout& p : win) {
                const std::string& s = se[std::stoi(p.numbers)];
                EXPECT_EQ(Num(s, 335, 2), 1);
                EXPECT_EQ(p.popularity, Num(s, 364, 2));
                if (deadHeat) {  // the pool shared: less than the odds, never under 100 yen
                    EXPECT_LT(p.yen, Num(s, 360, 4) * 10);
                    EXPECT_GE(p.yen, 100);
                } else {
                    EXPECT_EQ(p.yen, Num(s, 360, 4) * 10) << key;
                }
            }
            std::vector<Payout> place = Payouts(hr, 142, 13, 5, 2, 2);
            const int places = starters >= 8 ? 3 : starters >= 5 ? 2 : 0;
            ASSERT_EQ(static_cast<int>(place.size()), places) << key;
            for (const Payout& p : place) {
                const int h = std::stoi(p.numbers), at = 268 + 12 * (h - 1);
                EXPECT_LE(Num(se[h], 335, 2), places);
                EXPECT_GE(p.yen, Num(o, at + 2, 4) * 10) << key << " horse " << h;
                EXPECT_LE(p.yen, Num(o, at + 6, 4) * 10) << key << " horse " << h;
                EXPECT_EQ(p.popularity, Num(o, at + 10, 2));
            }
            // 枠連: only with more than eight runners, the pairs the draw allows.
            EXPECT_EQ(At(o, 42, 1), heads > 8 ? "1" : "0");
            noBrackets += heads <= 8;
            for (int k = 0, a = 1; a <= 8; ++a)
                for (int b = a; b <= 8; ++b, ++k) {
                    const std::string combo = At(o, 604 + 9 * k, 9);
                    EXPECT_EQ(combo.substr(0, 2), std::to_string(a * 10 + b));
                    const bool drawn = heads > 8 && (a == b ? posts[a] >= 2 : posts[a] >= 1 && posts[b] >= 1);
                    EXPECT_EQ(combo.substr(2) != "       ", drawn) << key << " " << a << "-" << b;
                }
            std::vector<Payout> bracket = Payouts(hr, 207, 13, 3, 2, 2);
            ASSERT_EQ(bracket.size(), heads > 8 ? 1u : 0u) << key;
            if (!bracket.empty()) {
                const int a = Num(se[home[0]], 28, 1), b = Num(se[home[1]], 28, 1);
                const int lo = std::min(a, b), hi = std::max(a, b);
                const int k = (lo - 1) * (18 - lo) / 2 + (hi - lo);  // 1-1 .. 1-8, 2-2 ..
                EXPECT_EQ(bracket[0].numbers, std::to_string(lo * 10 + hi));
                EXPECT_EQ(bracket[0].yen, Num(o, 604 + 9 * k + 2, 5) * 10) << key;
                EXPECT_EQ(bracket[0].popularity, Num(o, 604 + 9 * k + 7, 2));
            }

            // The combinations: 馬連, ワイド and 3連複 in number order, 馬単 and 3連単 in
            // finishing order, both orders of a dead heat.
            using Expected = std::vector<std::string>;
            auto numbers = [](const std::vector<Payout>& v) {
                Expected out;
                for (const Payout& p : v) out.push_back(p.numbers);
                std::sort(out.begin(), out.end());
                return out;
            };
            const int a = home[0], b = home[1], c = home[2];
            Expected exacta = {Numbers({a, b}, false)}, trifecta = {Numbers({a, b, c}, false)};
            if (deadHeat) exacta.push_back(Numbers({b, a}, false)), trifecta.push_back(Numbers({b, a, c}, false));
            std::sort(exacta.begin(), exacta.end());
            std::sort(trifecta.begin(), trifecta.end());
            Expected wide = {Numbers({a, b}, true), Numbers({a, c}, true), Numbers({b, c}, true)};
            std::sort(wide.begin(), wide.end());
            const std::vector<Payout> quinella = Payouts(hr, 246, 16, 3, 4, 3), wides = Payouts(hr, 294, 16, 7, 4, 3),
                                      exactas = Payouts(hr, 454, 16, 6, 4, 3), trio = Payouts(hr, 550, 18, 3, 6, 3),
                                      trifectas = Payouts(hr, 604, 19, 6, 6, 4);
            EXPECT_EQ(numbers(quinella), Expected{Numbers({a, b}, true)}) << key;
            EXPECT_EQ(numbers(wides), wide) << key;
            EXPECT_EQ(numbers(exactas), exacta) << key;
            EXPECT_EQ(numbers(trio), Expected{Numbers(top3, true)}) << key;
            EXPECT_EQ(numbers(trifectas), trifecta) << key;
            EXPECT_TRUE(Payouts(hr, 406, 16, 3, 4, 3).empty());
            for (const auto* type : {&quinella, &wides, &exactas, &trio, &trifectas})
                for (const Payout& p : *type) {
                    EXPECT_GE(p.yen, 100);
                    EXPECT_EQ(p.yen % 10, 0);
                    EXPECT_GE(p.popularity, 1);
                }
            // The three favourites home in their order: the likeliest of every combination.
            if (!deadHeat && Num(se[a], 364, 2) == 1 && Num(se[b], 364, 2) == 2 && Num(se[c], 364, 2) == 3 &&
                Num(se[a], 360, 4) < Num(se[b], 360, 4) && Num(se[b], 360, 4) < Num(se[c], 360, 4)) {
                ++favouritesPaidFirst;
                for (const auto* type : {&quinella, &exactas, &trio, &trifectas})
                    EXPECT_EQ((*type)[0].popularity, 1)
                        << key << " " << (*type)[0].numbers << " " << Num(se[c], 360, 4);
            }
            ++races;
        }
        ASSERT_EQ(files.size(), 8u);
        for (std::size_t i = 4; i < 8; ++i)
            EXPECT_EQ(files[i].name.substr(0, 2) + files[i].name.substr(12, 14),
                      std::string(i % 2 ? "HR" : "O1") + TimestampOf(monday + days{6}, 18, 0, static_cast<int>(i + 1)));
    }
    EXPECT_GT(races, 800);
    EXPECT_GT(deadHeats, 0);
    EXPECT_GT(refunds, 0);
    EXPECT_GT(noBrackets, 0);
    EXPECT_GT(favouritesPaidFirst, 0);
}

// The cards' week has the odds of every race as they stand shortly before the off, every
// runner priced.
TEST(DemoProgrammeTest, CardsCarryTheOddsBeforeEachRace) {
    for (sys_days monday : {Day(2026, 12, 7), Day(2026, 7, 13), Day(2026, 2, 2)}) {
        Week w = Records(DemoProgramme(monday));
        std::map<std::string, std::string> odds;
        for (const std::string& o : w.other) EXPECT_TRUE(odds.emplace(o.substr(11, 16), o).second);
        ASSERT_EQ(odds.size(), w.ra.size());
        for (const std::string& r : w.ra) {
            const std::string& o = odds[r.substr(11, 16)];
            const int heads = Num(r, 882, 2);
            EXPECT_EQ(At(o, 3, 1), "1");
            EXPECT_EQ(At(o, 28, 4), At(r, 16, 4)) << "announced on the race day";
            EXPECT_LT(Num(o, 32, 4), Num(r, 874, 4)) << "before the post time";
            EXPECT_GE(Num(o, 32, 4) + 100, Num(r, 874, 4));
            EXPECT_EQ(Num(o, 36, 2), heads);
            std::vector<std::pair<int, int>> byPopularity(static_cast<std::size_t>(heads));
            for (int h = 1; h <= heads; ++h) {
                const int odd = Num(o, 46 + 8 * (h - 1), 4), popularity = Num(o, 50 + 8 * (h - 1), 2);
                ASSERT_TRUE(popularity >= 1 && popularity <= heads);
                byPopularity[static_cast<std::size_t>(popularity - 1)] = {odd, h};
            }
            EXPECT_TRUE(std::is_sorted(byPopularity.begin(), byPopularity.end())) << r.substr(11, 16);
            EXPECT_GT(std::stoll(At(o, 928, 11)), 0);
        }
    }
}

}  // namespace
}  // namespace turfpad
