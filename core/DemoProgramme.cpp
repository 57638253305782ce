#include "DemoProgramme.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "Cp932.h"
#include "RecordBuilder.h"
#include "RecordLayout.h"

namespace turfpad {
namespace {

using namespace std::chrono;

// A small generator of our own: the same seed gives the same programme with every compiler
// and standard library (the standard distributions differ between implementations).
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))];
    }

  private:
    std::uint64_t state_;
};

struct Track {
    int code;
    int distance;
};

struct Course {
    std::string_view code;
    std::vector<Track> turf;
    std::vector<Track> dirt;
    std::vector<std::string_view> places;  // for the names of special races
};

const std::vector<Course>& Courses() {
    static const std::vector<Course> courses = {
        {"01",
         {{17, 1200}, {17, 1500}, {17, 1800}, {17, 2000}, {17, 2600}},
         {{24, 1000}, {24, 1700}, {24, 2400}},
         {"大通", "藻岩山", "支笏湖", "羊ヶ丘", "石狩", "定山渓", "十勝", "富良野"}},
        {"02",
         {{17, 1200}, {17, 1800}, {17, 2000}, {17, 2600}},
         {{24, 1000}, {24, 1700}, {24, 2400}},
         {"大沼", "松前", "五稜郭", "湯の川", "恵山", "駒ヶ岳", "北斗", "奥尻"}},
        {"03",
         {{17, 1200}, {17, 1800}, {17, 2000}, {17, 2600}},
         {{24, 1150}, {24, 1700}, {24, 2400}},
         {"会津", "猪苗代", "安達太良", "相馬", "白河", "郡山", "磐梯", "吾妻"}},
        {"04",
         {{10, 1000}, {11, 1400}, {12, 1600}, {12, 1800}, {11, 2000}, {11, 2200}, {12, 2000}},
         {{23, 1200}, {23, 1800}, {23, 2500}},
         {"佐渡", "弥彦", "柏崎", "村上", "寺泊", "信濃川", "妙高", "糸魚川"}},
        {"05",
         {{11, 1400}, {11, 1600}, {11, 1800}, {11, 2000}, {11, 2300}, {11, 2400}},
         {{23, 1300}, {23, 1400}, {23, 1600}, {23, 2100}},
         {"府中", "多摩川", "調布", "稲城", "三鷹", "立川", "国分寺", "高尾"}},
        {"06",
         {{18, 1200}, {18, 1600}, {17, 1800}, {17, 2000}, {18, 2200}, {17, 2500}},
         {{24, 1200}, {24, 1800}, {24, 2400}},
         {"習志野", "館山", "九十九里", "鋸南", "銚子", "市川", "幕張", "佐倉"}},
        {"07",
         {{11, 1200}, {11, 1400}, {11, 1600}, {11, 2000}, {11, 2200}},
         {{23, 1200}, {23, 1400}, {23, 1800}, {23, 1900}},
         {"豊橋", "岡崎", "熱田", "犬山", "知多", "蒲郡", "瀬戸", "渥美"}},
        {"08",
         {{17, 1200}, {17, 1400}, {18, 1600}, {18, 1800}, {17, 2000}, {18, 2200}, {18, 2400}},
         {{24, 1200}, {24, 1400}, {24, 1800}, {24, 1900}},
         {"嵐山", "宇治川", "鴨川", "比叡", "大原", "嵯峨野", "醍醐", "桂川"}},
        {"09",
         {{17, 1200}, {17, 1400}, {18, 1600}, {18, 1800}, {17, 2000}, {18, 2400}},
         {{24, 1200}, {24, 1400}, {24, 1800}, {24, 2000}},
         {"須磨", "舞子", "西宮", "甲南", "六甲", "芦屋", "播磨", "淡路"}},
        {"10",
         {{17, 1200}, {17, 1800}, {17, 2000}, {17, 2600}},
         {{24, 1000}, {24, 1700}, {24, 2400}},
         {"門司", "若松", "玄海", "筑後川", "皿倉", "宗像", "関門", "英彦山"}},
    };
    return courses;
}

const Course& CourseOf(std::string_view code) {
    for (const Course& c : Courses())
        if (c.code == code) return c;
    return Courses().front();
}

// Saturday's and Sunday's racecourses, three choices per season.
struct Pattern {
    std::vector<std::string_view> saturday, sunday;
};

const std::vector<Pattern>& PatternsFor(unsigned month) {
    static const std::vector<Pattern> winter = {{{"06", "08"}, {"06", "08", "07"}},
                                                {{"06", "08", "07"}, {"06", "08", "07"}},
                                                {{"06", "07"}, {"06", "07", "10"}}};
    static const std::vector<Pattern> spring = {{{"05", "08"}, {"05", "08", "03"}},
                                                {{"05", "08", "03"}, {"05", "08", "03"}},
                                                {{"05", "09"}, {"05", "09", "04"}}};
    static const std::vector<Pattern> summer = {{{"04", "10"}, {"04", "10", "01"}},
                                                {{"04", "10", "01"}, {"04", "10", "01"}},
                                                {{"03", "07"}, {"03", "07", "02"}}};
    static const std::vector<Pattern> autumn = {{{"06", "09"}, {"06", "09", "07"}},
                                                {{"05", "08"}, {"05", "08", "03"}},
                                                {{"05", "08", "03"}, {"05", "08", "03"}}};
    if (month <= 3) return winter;
    if (month <= 6) return spring;
    if (month <= 8) return summer;
    return autumn;
}

// Horse names: a word alone, or a first part and a word, in katakana.
const std::vector<std::string_view> kNameHeads = {
    "ミラクル", "ラッキー", "スター",   "シルバー", "ブルー",   "レッド",     "グランド",
    "ハッピー", "ロイヤル", "ミスター", "ダイヤ",   "ドリーム", "サンライズ", "ムーン",
    "ホワイト", "ナイト",   "フラワー", "ピュア",   "マジック", "ノーブル",   "メモリー",
    "エバー",   "コスモ",   "アイ",     "トップ",   "ワン",     "ベル",       "マイ"};
const std::vector<std::string_view> kNameWords = {
    "ソレイユ", "アルテミス",   "ブリーズ",   "ハルカ",     "シエル",       "リュミエール", "フォルテ", "エトワール",
    "カレン",   "ヴィクトリー", "オーロラ",   "ミライ",     "ツバサ",       "ヒカリ",       "アサヒ",   "ホマレ",
    "ラピス",   "セレナーデ",   "グローリア", "パッション", "ファンタジア", "ウインド",     "ストーム", "スピカ",
    "レグルス", "ベガ",         "リゲル",     "シリウス",   "カペラ",       "ノヴァ",       "ルナ",     "ソラ",
    "カイ",     "ユメ",         "ハナ",       "コウ",       "セイラ",       "マリン",       "アトラス", "ペガサス"};

// Every name that can be made, by its length in characters.
const std::map<int, std::vector<std::string>>& NamesByLength() {
    static const std::map<int, std::vector<std::string>> names = [] {
        auto chars = [](std::string_view utf8) { return static_cast<int>(ByteWidth(utf8) / 2); };
        std::map<int, std::vector<std::string>> byLength;
        for (std::string_view w : kNameWords) byLength[chars(w)].emplace_back(w);
        for (std::string_view h : kNameHeads)
            for (std::string_view w : kNameWords)
                if (chars(h) + chars(w) <= 9) byLength[chars(h) + chars(w)].push_back(std::string(h) + std::string(w));
        return byLength;
    }();
    return names;
}

std::string HorseName(Rng& rng, std::set<std::string>& used) {
    // 2 or 3 characters now and then, nine (the longest a name may be) now and then.
    static const int kLengths[] = {2, 3, 3, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9};
    for (int attempt = 0; attempt < 50; ++attempt) {
        auto fits = NamesByLength().find(kLengths[rng.Below(static_cast<int>(std::size(kLengths)))]);
        if (fits == NamesByLength().end()) continue;
        const std::string& name = rng.Pick(fits->second);
        if (used.insert(name).second) return name;
    }
    std::string name = std::string(rng.Pick(kNameHeads)) + std::string(rng.Pick(kNameWords));
    used.insert(name);
    return name;
}

std::string Digits(int value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

struct Person {
    std::string name;  // UTF-8, up to four full-width characters
    std::string code;  // 5 digits
    int region = 1;    // trainers: 1 Miho (east), 2 Ritto (west)
    int apprentice = 0;
};

std::vector<Person> MakePeople(std::uint64_t seed, int count, int codeBase) {
    static const std::vector<std::string_view> surnames = {
        "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤", "吉田", "山田",
        "松本", "井上", "木村", "清水", "山口", "森田", "池田", "橋本", "石川", "前田", "藤田", "岡田",
        "村上", "近藤", "坂本", "遠藤", "青木", "西村", "福田", "太田", "三浦", "藤井", "岡本", "松田"};
    static const std::vector<std::string_view> given2 = {"翔太", "健一", "大輝", "拓也", "誠司", "勇気", "一馬",
                                                         "悠人", "直人", "秀樹", "康太", "雄介", "和也", "隼人",
                                                         "光一", "慎吾", "達也", "亮平", "圭太", "裕二"};
    static const std::vector<std::string_view> given1 = {"亮", "光", "蓮", "航", "誠", "豊", "武", "修"};
    Rng rng(seed);
    std::vector<Person> people;
    std::set<std::string> used;
    while (static_cast<int>(people.size()) < count) {
        std::string name(rng.Pick(surnames));
        name += rng.Chance(75) ? std::string(rng.Pick(given2)) : std::string(rng.Pick(given1));
        if (!used.insert(name).second) continue;
        Person p;
        p.name = name;
        p.code = Digits(codeBase + static_cast<int>(people.size()), 5);
        p.region = rng.Chance(50) ? 1 : 2;
        people.push_back(std::move(p));
    }
    return people;
}

// Jockeys and trainers stay the same from week to week.
const std::vector<Person>& Jockeys() {
    static const std::vector<Person> jockeys = [] {
        std::vector<Person> j = MakePeople(0x4A6F636B6579ull, 40, 1001);
        // The youngest riders still get their weight allowance.
        static const int kAllowances[] = {1, 1, 2, 2, 3, 3, 1, 2};
        for (std::size_t i = 0; i < std::size(kAllowances); ++i) j[j.size() - 1 - i].apprentice = kAllowances[i];
        return j;
    }();
    return jockeys;
}

const std::vector<Person>& Trainers() {
    static const std::vector<Person> trainers = MakePeople(0x547261696E6572ull, 40, 1101);
    return trainers;
}

const std::vector<std::string_view> kOwners = {"山田太郎",         "青葉ファーム", "ミラクルホースクラブ",
                                               "北斗レーシング",   "佐々木一郎",   "グリーンファーム",
                                               "東西ホースクラブ", "高原牧場"};
const std::vector<std::string_view> kColours = {"青，白星散らし", "赤，黄縦縞", "緑，白袖",     "黒，赤一本輪",
                                                "黄，青山形",     "白，緑襷",   "桃，白二本輪", "紫，黄袖"};

enum class Ages { Two = 11, Three = 12, ThreeUp = 13, FourUp = 14 };

struct RacePlan {
    Ages ages = Ages::ThreeUp;
    int condition = 703;  // 701 newcomers, 703 maidens, 005/010/016 classes, 999 open
    char grade = ' ';     // ' ' ordinary race, E special, L listed, A-C graded
    int weightType = 4;
    std::string name;  // UTF-8; empty for ordinary races
    Track track{};
    int headCount = 0;
    int postTime = 0;  // hhmm
};

bool IsSpecial(const RacePlan& r) { return r.grade != ' '; }

int AddMinutes(int hhmm, int minutes) {
    int total = (hhmm / 100) * 60 + hhmm % 100 + minutes;
    return (total / 60) * 100 + total % 60;
}

// The first prize of a race in units of 100 yen.
int FirstPrize(const RacePlan& r) {
    switch (r.grade) {
        case 'A':
            return 1500000;
        case 'B':
            return 670000;
        case 'C':
            return 430000;
        default:
            break;
    }
    switch (r.condition) {
        case 701:
            return 70000;
        case 703:
            return 55000;
        case 5:
            return 80000;
        case 10:
            return 110000;
        case 16:
            return 150000;
        default:
            return 240000;
    }
}

// The races of one racecourse and day.
class DayBuilder {
  public:
    DayBuilder(Rng& rng, sys_days day, const Course& course, int courseIndex, bool sunday,
               std::set<std::string>& places)
        : rng_(rng), day_(day), course_(course), courseIndex_(courseIndex), sunday_(sunday), usedPlaces_(places) {}

    std::vector<RacePlan> Plan() {
        unsigned month = static_cast<unsigned>(year_month_day{day_}.month());
        bool early = month <= 5;  // no two-year-olds yet; older horses race as four-year-olds and up
        Ages older = early ? Ages::FourUp : Ages::ThreeUp;
        Ages young = early ? Ages::Three : Ages::Two;
        std::vector<RacePlan> races(12);
        auto set = [&](int number, Ages ages, int condition) {
            races[static_cast<std::size_t>(number - 1)].ages = ages;
            races[static_cast<std::size_t>(number - 1)].condition = condition;
        };
        set(1, young, 703);
        set(2, early || month > 8 ? young : Ages::Three, 703);
        set(3, early ? Ages::Three : older, early ? 703 : 5);
        set(4, early ? older : young, early ? 5 : 701);
        set(5, young, !early || month <= 3 ? 701 : 703);
        set(6, early ? Ages::Three : older, 5);
        set(7, older, 5);
        set(8, older, 10);
        set(9, rng_.Chance(50) ? young : older, 5);
        set(10, older, rng_.Chance(40) ? 16 : 10);
        set(11, rng_.Chance(20) ? young : older, 999);
        set(12, older, rng_.Chance(50) ? 10 : 5);

        races[8].grade = 'E';
        races[9].grade = 'E';
        races[10].grade = MainGrade();

        static const int kPostTimes[] = {1005, 1035, 1105, 1135, 1225, 1255, 1325, 1355, 1425, 1500, 1540, 1620};
        static const int kStagger[] = {0, 10, -10};
        for (int i = 0; i < 12; ++i) {
            RacePlan& r = races[static_cast<std::size_t>(i)];
            r.postTime = AddMinutes(kPostTimes[i], kStagger[courseIndex_ % 3]);
            r.weightType = WeightType(r);
            r.track = TrackFor(r, i + 1);
            r.headCount = i == 10              ? rng_.Between(12, 18)
                          : r.condition == 701 ? rng_.Between(8, 16)
                                               : rng_.Between(8, 18);
            if (IsSpecial(r)) r.name = SpecialName(r);
        }
        return races;
    }

  private:
    char MainGrade() {
        if (courseIndex_ == 0 && sunday_) {
            static const char kGrades[] = {'A', 'B', 'B', 'C', 'C'};
            return kGrades[rng_.Below(5)];
        }
        if (courseIndex_ == 0) {
            static const char kGrades[] = {'B', 'C', 'C', 'L'};
            return kGrades[rng_.Below(4)];
        }
        static const char kGrades[] = {'C', 'L', 'E', 'E'};
        return kGrades[rng_.Below(4)];
    }

    int WeightType(const RacePlan& r) {
        bool young = r.ages == Ages::Two || r.ages == Ages::Three;
        if (!IsSpecial(r)) return young ? 3 : 4;
        if (r.grade == 'A') return young ? 3 : 4;
        if (r.grade == 'E' && r.condition != 999) {
            int roll = rng_.Below(10);
            return roll < 4 ? 1 : roll < 8 ? 4 : 2;
        }
        return rng_.Chance(60) ? 2 : 1;
    }

    Track TrackFor(const RacePlan& r, int number) {
        int turfChance = number == 11 ? 80 : number <= 3 ? 40 : 55;
        const std::vector<Track>& pool = rng_.Chance(turfChance) ? course_.turf : course_.dirt;
        std::vector<Track> fits;
        for (const Track& t : pool)
            if (r.ages != Ages::Two || t.distance <= 2000) fits.push_back(t);
        return rng_.Pick(fits.empty() ? pool : fits);
    }

    std::string SpecialName(const RacePlan& r) {
        std::string place;
        for (int attempt = 0; attempt < 20; ++attempt) {
            place = std::string(rng_.Pick(course_.places));
            if (usedPlaces_.insert(std::string(course_.code) + place).second) break;
        }
        std::vector<std::string_view> endings;
        if (r.grade == 'A')
            endings = {"記念", "大賞典", "カップ"};
        else if (r.grade == 'B' || r.grade == 'C')
            endings = {"記念", "杯", "ステークス", "大賞典", "カップ"};
        else if (r.condition == 999)
            endings = {"ステークス", "ステークス", "カップ", "賞"};
        else if (r.condition == 16)
            endings = {"ステークス", "特別", "カップ"};
        else
            endings = {"特別", "特別", "賞"};
        return place + std::string(rng_.Pick(endings));
    }

    Rng& rng_;
    sys_days day_;
    const Course& course_;
    int courseIndex_;
    bool sunday_;
    std::set<std::string>& usedPlaces_;
};

struct Meeting {
    sys_days day;
    bool sunday;
    std::vector<std::string_view> courses;
};

class WeekBuilder {
  public:
    explicit WeekBuilder(sys_days monday)
        : monday_(monday),
          rng_(0x5475726670616430ull ^ static_cast<std::uint64_t>(monday.time_since_epoch().count())) {}

    std::vector<JvdFile> Build() {
        sys_days saturday = monday_ + days{5};
        unsigned month = static_cast<unsigned>(year_month_day{saturday}.month());
        const Pattern& pattern = rng_.Pick(PatternsFor(month));
        std::vector<Meeting> meetings = {{saturday, false, pattern.saturday},
                                         {saturday + days{1}, true, pattern.sunday}};

        // The race whose data is not yet complete: one of Sunday's.
        incompleteCourse_ = rng_.Below(static_cast<int>(pattern.sunday.size()));
        incompleteRace_ = rng_.Between(1, 12);

        std::vector<JvdFile> files;
        int second = 0;
        for (const Meeting& m : meetings) {
            std::string ra, se, odds;
            for (std::size_t c = 0; c < m.courses.size(); ++c) {
                const Course& course = CourseOf(m.courses[c]);
                DayBuilder day(rng_, m.day, course, static_cast<int>(c), m.sunday, usedPlaces_);
                std::vector<RacePlan> races = day.Plan();
                bool incomplete = m.sunday && static_cast<int>(c) == incompleteCourse_;
                for (int number = 1; number <= 12; ++number) {
                    const RacePlan& race = races[static_cast<std::size_t>(number - 1)];
                    std::string key = RaceKey(m, course, number);
                    ra += RaRecord(key, m, race);
                    int missing = incomplete && number == incompleteRace_ ? rng_.Between(1, race.headCount) : 0;
                    std::vector<std::string> runners = Runners(key, m, race);
                    for (int h = 1; h <= race.headCount; ++h)
                        if (h != missing) se += runners[static_cast<std::size_t>(h - 1)];
                    if (c == 0) odds += OddsRecord(key, race);
                }
            }
            std::string date = Date(m.day);
            files.push_back({FileName("RA", date, ++second), ra});
            files.push_back({FileName("SE", date, ++second), se});
            files.push_back({FileName("O1", date, ++second), odds});
        }
        return files;
    }

  private:
    static std::string Date(sys_days day) { return TimestampOf(day, 0, 0, 0).substr(0, 8); }

    std::string FileName(std::string_view type, const std::string& date, int second) const {
        return std::string(type) + "VW" + date + TimestampOf(monday_, 0, 0, second) + ".jvd";
    }

    std::string RaceKey(const Meeting& m, const Course& course, int number) const {
        year_month_day ymd{m.day};
        int dayOfYear = static_cast<int>((m.day - sys_days{ymd.year() / January / 1}).count());
        int meeting = 1 + (dayOfYear / 28) % 5;
        int meetingDay = 1 + 2 * ((dayOfYear / 7) % 4) + (m.sunday ? 1 : 0);
        return Date(m.day) + std::string(course.code) + Digits(meeting, 2) + Digits(meetingDay, 2) + Digits(number, 2);
    }

    std::string RaRecord(const std::string& key, const Meeting& m, const RacePlan& r) {
        RecordBuilder b = RecordBuilder::Ra();
        b.Raw(ra::DataCategory, "2").Raw(ra::MadeDate, Date(monday_)).Raw(ra::RaceKey, key);
        b.Number(ra::Weekday, m.sunday ? 2 : 1);
        if (IsSpecial(r)) {
            b.Text(ra::RaceName, r.name);
            b.Text(ra::ShortName10, r.name).Text(ra::ShortName6, r.name);
            b.Text(ra::ShortName, r.name);
            if (r.grade >= 'A' && r.grade <= 'C') {
                b.Number({29, 4}, rng_.Between(1, 999));
                b.Number({612, 3}, rng_.Between(10, 70));
            }
        }
        b.Raw(ra::Grade, std::string(1, r.grade));
        b.Number(ra::RaceType, static_cast<int>(r.ages));
        b.Number(ra::WeightType, r.weightType);
        switch (r.ages) {
            case Ages::Two:
                b.Number(ra::RaceCondition2yo, r.condition);
                break;
            case Ages::Three:
                b.Number(ra::RaceCondition3yo, r.condition);
                break;
            case Ages::ThreeUp:
                b.Number(ra::RaceCondition3yo, r.condition);
                [[fallthrough]];
            case Ages::FourUp:
                b.Number(ra::RaceCondition4yo, r.condition).Number(ra::RaceCondition5yo, r.condition);
                break;
        }
        b.Number(ra::RaceCondition, r.condition);
        b.Number(ra::Distance, r.track.distance).Number(ra::Track, r.track.code);
        bool turf = r.track.code < 23;
        b.Raw(ra::Course, turf ? std::string(1, static_cast<char>('A' + rng_.Below(3))) : "");
        static const int kShares[] = {100, 40, 25, 15, 10};
        int first = FirstPrize(r);
        for (int place = 0; place < 5; ++place)
            b.Number({ra::Prize1.pos + 8 * place, 8}, static_cast<long long>(first) * kShares[place] / 100);
        b.Number(ra::PostTime, r.postTime);
        b.Number(ra::HeadCount, r.headCount).Number(ra::Starters, 0);
        return b.str();
    }

    std::vector<std::string> Runners(const std::string& key, const Meeting& m, const RacePlan& r) {
        int year = static_cast<int>(year_month_day{m.day}.year());
        std::vector<int> posts = PostPositions(r.headCount);
        std::vector<std::size_t> riders(Jockeys().size());
        for (std::size_t i = 0; i < riders.size(); ++i) riders[i] = i;
        std::vector<std::string> records;
        for (int h = 1; h <= r.headCount; ++h) {
            int age = AgeFor(r);
            int sex = SexFor(age);
            // Every jockey rides one horse of a race at most.
            std::size_t pick = static_cast<std::size_t>(rng_.Below(static_cast<int>(riders.size())));
            const Person& jockey = Jockeys()[riders[pick]];
            riders.erase(riders.begin() + static_cast<std::ptrdiff_t>(pick));
            const Person& trainer = rng_.Pick(Trainers());
            int allowance = IsSpecial(r) ? 0 : jockey.apprentice;

            RecordBuilder b = RecordBuilder::Se();
            b.Raw(se::DataCategory, "2").Raw(se::MadeDate, Date(monday_)).Raw(se::RaceKey, key);
            b.Number(se::PostPosition, posts[static_cast<std::size_t>(h - 1)]).Number(se::HorseNumber, h);
            b.Raw(se::Pedigree, Digits(year - age, 4) + "10" + Digits(++pedigreeSerial_ % 10000, 4));
            b.Text(se::HorseName, HorseName(rng_, horseNames_));
            b.Number({80, 1}, 1).Number(se::CoatColour, rng_.Between(1, 7));
            b.Number(se::Sex, sex).Number(se::Age, age);
            b.Number(se::EastWest, trainer.region).Raw(se::TrainerCode, trainer.code).Text(se::Trainer, trainer.name);
            b.Text(se::OwnerName, rng_.Pick(kOwners)).Text(se::Colours, rng_.Pick(kColours));
            b.Number(se::Weight, WeightFor(r, age, sex) - 10 * allowance);
            b.Number(se::Blinker, rng_.Chance(12) ? 1 : 0);
            b.Raw(se::JockeyCode, jockey.code).Text(se::Jockey, jockey.name);
            b.Number(se::Apprentice, allowance);
            b.Raw({325, 7}, "");  // body weight and its change: not weighed yet
            records.push_back(b.str());
        }
        return records;
    }

    int AgeFor(const RacePlan& r) {
        switch (r.ages) {
            case Ages::Two:
                return 2;
            case Ages::Three:
                return 3;
            case Ages::ThreeUp: {
                static const int kAges[] = {3, 3, 3, 3, 4, 4, 4, 5, 5, 6};
                return kAges[rng_.Below(10)];
            }
            case Ages::FourUp:
                break;
        }
        static const int kAges[] = {4, 4, 4, 4, 5, 5, 5, 6, 6, 7};
        return kAges[rng_.Below(10)];
    }

    int SexFor(int age) {
        int roll = rng_.Below(100);
        if (age >= 3 && roll >= 90) return 3;  // geldings only from three on
        return roll < 55 ? 1 : 2;
    }

    int WeightFor(const RacePlan& r, int age, int sex) {
        // Weight for age: two-year-olds 56 kg, three-year-olds 57 kg, older horses 58 kg;
        // fillies and mares 1 kg (two-year-olds) or 2 kg less.
        int base = age == 2 ? 560 : age == 3 ? 570 : 580;
        if (sex == 2) base -= age == 2 ? 10 : 20;
        switch (r.weightType) {
            case 1:  // handicap
                return rng_.Between(104, 118) * 5;
            case 2:  // special weights: extra for winners
                return base + 10 * rng_.Below(3);
            default:
                return base;
        }
    }

    std::string OddsRecord(const std::string& key, const RacePlan& r) {
        std::string o(962, ' ');
        auto put = [&o](int pos, const std::string& value) {
            o.replace(static_cast<std::size_t>(pos - 1), value.size(), value);
        };
        put(1, "O1");
        put(3, "1");
        put(4, Date(monday_));
        put(12, key);
        put(28, Date(monday_).substr(4, 4) + "0000");
        put(36, Digits(r.headCount, 2));
        put(38, Digits(r.headCount, 2));
        put(40, "1110");
        std::vector<int> order(static_cast<std::size_t>(r.headCount));
        for (int i = 0; i < r.headCount; ++i) order[static_cast<std::size_t>(i)] = i;
        for (int i = r.headCount - 1; i > 0; --i)
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(rng_.Below(i + 1))]);
        for (int rank = 0; rank < r.headCount; ++rank) {
            int horse = order[static_cast<std::size_t>(rank)] + 1;
            int odds = std::min(9999, 18 + rank * (rank + 3) * 4 + rng_.Below(10));
            put(44 + 8 * (horse - 1), Digits(horse, 2) + Digits(odds, 4) + Digits(rank + 1, 2));
        }
        put(928, std::string(33, '0'));
        put(961, "\r\n");
        return o;
    }

    sys_days monday_;
    Rng rng_;
    std::set<std::string> usedPlaces_;
    std::set<std::string> horseNames_;
    int pedigreeSerial_ = 0;
    int incompleteCourse_ = 0;
    int incompleteRace_ = 0;
};

}  // namespace

sys_days MondayOf(sys_days day) {
    unsigned sinceMonday = (weekday{day}.c_encoding() + 6) % 7;
    return day - days{sinceMonday};
}

std::vector<JvdFile> DemoProgramme(sys_days anyDay) { return WeekBuilder(MondayOf(anyDay)).Build(); }

std::vector<int> PostPositions(int headCount) {
    std::vector<int> posts;
    if (headCount <= 0) return posts;
    if (headCount <= 8) {
        for (int h = 1; h <= headCount; ++h) posts.push_back(h);
        return posts;
    }
    int base = headCount / 8, extra = headCount % 8;
    for (int post = 1; post <= 8; ++post) {
        int runners = base + (post > 8 - extra ? 1 : 0);
        for (int i = 0; i < runners; ++i) posts.push_back(post);
    }
    return posts;
}

}  // namespace turfpad
