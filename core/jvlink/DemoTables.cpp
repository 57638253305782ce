#include "jvlink/DemoTables.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "text/Cp932.h"

namespace turfpad::demo {

using namespace std::chrono;

namespace {

// Horse names: a word alone, or a first part and a word, in katakana.
const std::vector<std::string_view> kNameHeads = {
    "ミラクル", "ラッキー", "スター",   "シルバー",   "ブルー",     "レッド",   "グランド", "ハッピー",
    "ロイヤル", "ミスター", "ダイヤ",   "ドリーム",   "サンライズ", "ムーン",   "ホワイト", "ナイト",
    "フラワー", "ピュア",   "マジック", "ノーブル",   "メモリー",   "エバー",   "コスモ",   "アイ",
    "トップ",   "ワン",     "ベル",     "マイ",       "ゴールド",   "ブラック", "サクラ",   "キング",
    "クイーン", "プリンス", "エアー",   "メイショウ", "タイキ",     "ヒシ",     "テイエム", "ニシノ"};
const std::vector<std::string_view> kNameWords = {
    "ソレイユ",   "アルテミス",   "ブリーズ",   "ハルカ",     "シエル",       "リュミエール", "フォルテ", "エトワール",
    "カレン",     "ヴィクトリー", "オーロラ",   "ミライ",     "ツバサ",       "ヒカリ",       "アサヒ",   "ホマレ",
    "ラピス",     "セレナーデ",   "グローリア", "パッション", "ファンタジア", "ウインド",     "ストーム", "スピカ",
    "レグルス",   "ベガ",         "リゲル",     "シリウス",   "カペラ",       "ノヴァ",       "ルナ",     "ソラ",
    "カイ",       "ユメ",         "ハナ",       "コウ",       "セイラ",       "マリン",       "アトラス", "ペガサス",
    "アルタイル", "デネブ",       "ミモザ",     "カルナ",     "ティアラ",     "ロンド",       "ワルツ",   "ボレロ",
    "アリア",     "カノン",       "フーガ",     "エール",     "ジーク",       "バロン",       "ダンサー", "ランナー",
    "ハヤテ",     "イブキ",       "カグラ",     "ミヤビ"};

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
        set(4, early ? older : young, early ? 5 : 703);
        // Newcomers at the two main meetings only: there are not enough of them for more.
        set(5, young, (!early || month <= 3) && courseIndex_ < 2 ? 701 : 703);
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

}  // namespace

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

// The racecourses of a weekend as JRA's calendar has them: the two main meetings of the
// season (east and west) and, most weeks, a third one at a local course. Both days race at
// the same courses.
std::vector<std::string_view> CoursesOn(sys_days saturday) {
    year_month_day ymd{saturday};
    unsigned month = static_cast<unsigned>(ymd.month());
    bool late = static_cast<unsigned>(ymd.day()) > 14;
    switch (month) {
        case 1:
            return late ? std::vector<std::string_view>{"06", "08", "07"} : std::vector<std::string_view>{"06", "08"};
        case 2:
            return {"05", "08", "10"};
        case 3:
            return {"06", "09", "07"};
        case 4:
            return late ? std::vector<std::string_view>{"05", "08", "03"}
                        : std::vector<std::string_view>{"06", "09", "03"};
        case 5:
            return {"05", "08", "04"};
        case 6:
            return late ? std::vector<std::string_view>{"05", "09", "02"} : std::vector<std::string_view>{"05", "08"};
        case 7:
            return {"03", "10", "02"};
        case 8:
            return {"04", "07", "01"};
        case 9:
            return late ? std::vector<std::string_view>{"06", "09"} : std::vector<std::string_view>{"06", "09", "01"};
        case 10:
            return {"05", "08", "04"};
        case 11:
            return {"05", "08", "03"};
        default:
            return {"06", "09", "07"};
    }
}

MeetingPlace MeetingOn(std::string_view course, sys_days saturday) {
    const auto races = [course](sys_days day) {
        const std::vector<std::string_view> courses = CoursesOn(day);
        return std::find(courses.begin(), courses.end(), course) != courses.end();
    };
    // The first Saturday of the year, then weekend by weekend: each run of weekends at the
    // course ends before a weekend without it (or at `saturday`'s, whichever comes first).
    const year y = year_month_day{saturday}.year();
    sys_days day{y / January / 1};
    while (weekday{day} != Saturday) day += days{1};
    MeetingPlace place;
    int meetingsBefore = 0;
    while (day <= saturday) {
        if (!races(day)) {
            day += weeks{1};
            continue;
        }
        sys_days end = day;  // the run's last weekend
        while (year_month_day{end + weeks{1}}.year() == y && races(end + weeks{1})) end += weeks{1};
        const int length = static_cast<int>((end - day).count() / 7) + 1;
        const int firstHalf = length > 5 ? (length + 1) / 2 : length;
        if (saturday <= end) {
            const int at = static_cast<int>((saturday - day).count() / 7);
            place.meeting = meetingsBefore + 1 + (at >= firstHalf ? 1 : 0);
            place.weekend = at >= firstHalf ? at - firstHalf : at;
            return place;
        }
        meetingsBefore += length > 5 ? 2 : 1;
        day = end + weeks{1};
    }
    return place;
}

namespace {
// The UTF-8 characters of a text, each as its bytes.
std::vector<std::string> Characters(std::string_view utf8) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        out.emplace_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}
}  // namespace

std::string ShortRaceName(std::string_view name, std::size_t chars) {
    if (Characters(name).size() <= chars) return std::string(name);
    std::string s(name);
    for (const auto& [whole, mark] : {std::pair<std::string_view, std::string_view>{"ハンデキャップ", "Ｈ"},
                                      {"ステークス", "Ｓ"},
                                      {"カップ", "Ｃ"}})
        if (const std::size_t at = s.find(whole); at != std::string::npos) s.replace(at, whole.size(), mark);
    std::vector<std::string> c = Characters(s);
    if (c.size() <= chars) return s;
    static const std::vector<std::string_view> kEndings = {"大賞典", "記念", "特別", "Ｓ", "Ｃ", "Ｈ", "杯", "賞"};
    for (std::string_view ending : kEndings) {
        if (!s.ends_with(ending)) continue;
        const std::size_t endingChars = Characters(ending).size();
        if (ending == "特別" && c.size() - endingChars <= chars) return s.substr(0, s.size() - ending.size());
        // The ending kept when the place keeps a character at least; else the place alone.
        const std::size_t placeChars =
            endingChars < chars ? chars - endingChars : std::min(chars, c.size() - endingChars);
        std::string out;
        for (std::size_t i = 0; i < placeChars; ++i) out += c[i];
        return endingChars < chars ? out + std::string(ending) : out;
    }
    std::string out;
    for (std::size_t i = 0; i < chars; ++i) out += c[i];
    return out;
}

// East (Miho) horses race mostly at the eastern courses, west (Ritto) horses at the western.
int RegionOf(std::string_view course) {
    return course == "07" || course == "08" || course == "09" || course == "10" ? 2 : 1;
}

// Every name that can be made (at most nine characters), in an order of their own.
const std::vector<std::string>& AllNames() {
    static const std::vector<std::string> names = [] {
        auto chars = [](std::string_view utf8) { return static_cast<int>(ByteWidth(utf8) / 2); };
        std::vector<std::string> all;
        for (std::string_view w : kNameWords) all.emplace_back(w);
        for (std::string_view h : kNameHeads)
            for (std::string_view w : kNameWords)
                if (chars(h) + chars(w) <= 9) all.push_back(std::string(h) + std::string(w));
        for (std::string_view h : kNameWords)
            for (std::string_view w : kNameWords)
                if (h != w && chars(h) + chars(w) <= 9 && chars(h) <= 3) all.push_back(std::string(h) + std::string(w));
        Rng rng(0x4E616D6573ull);
        for (std::size_t i = all.size() - 1; i > 0; --i)
            std::swap(all[i], all[static_cast<std::size_t>(rng.Below(static_cast<int>(i + 1)))]);
        return all;
    }();
    return names;
}

std::string Digits(int value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
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

std::vector<RacePlan> PlanDay(Rng& rng, sys_days day, const Course& course, int courseIndex, bool sunday,
                              std::set<std::string>& places) {
    return DayBuilder(rng, day, course, courseIndex, sunday, places).Plan();
}

}  // namespace turfpad::demo
