#include "jvlink/DemoRaceDay.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>

#include "jvlink/DemoBetting.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/DemoTables.h"
#include "jvlink/JVLink.h"
#include "jvlink/JvdFiles.h"

namespace turfpad {
namespace {

using namespace std::chrono;
using demo::Digits;

// The day's timetable, in minutes after midnight or against a race's post time.
constexpr int kMorning = 7 * 60 + 30;  // weather and going, the scratches known overnight
constexpr int kSalesOpen = 8 * 60;     // the odds from then on
constexpr int kWeightsBefore = 60;     // body weights an hour before the post time
constexpr int kResultAfter = 10;       // the result once the race is run and confirmed
constexpr int kGoingChange = 12 * 60;  // the going of the first racecourse changes at noon
constexpr int kPostDelay = 10;         // a post time put back by ten minutes

// Japanese text fields are padded with ideographic spaces.
const std::string kWideBlank = "\x81\x40";

std::string_view Get(std::string_view record, int pos, int len) {
    if (record.size() < static_cast<std::size_t>(pos - 1 + len)) return {};
    return record.substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len));
}

void Put(std::string& record, int pos, std::string_view value) {
    record.replace(static_cast<std::size_t>(pos - 1), value.size(), value);
}

int Number(std::string_view text) {
    int n = 0;
    for (char c : text) n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : n;
    return n;
}

bool AllDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<sys_days> DateOf(std::string_view yyyymmdd) {
    if (yyyymmdd.size() != 8 || !AllDigits(yyyymmdd)) return std::nullopt;
    year_month_day d{year{Number(yyyymmdd.substr(0, 4))}, month{static_cast<unsigned>(Number(yyyymmdd.substr(4, 2)))},
                     day{static_cast<unsigned>(Number(yyyymmdd.substr(6, 2)))}};
    if (!d.ok()) return std::nullopt;
    return sys_days{d};
}

int Minutes(int hhmm) { return hhmm / 100 * 60 + hhmm % 100; }
int Hhmm(int minutes) { return minutes / 60 * 100 + minutes % 60; }

JstTime At(sys_days day, int minutes) { return local_days{day.time_since_epoch()} + std::chrono::minutes{minutes}; }

// "mmddhhmm" of a time.
std::string Announced(JstTime t) {
    const local_days d = floor<days>(t);
    const year_month_day ymd{d};
    const auto hm = duration_cast<minutes>(t - d).count();
    return Digits(static_cast<int>(static_cast<unsigned>(ymd.month())), 2) +
           Digits(static_cast<int>(static_cast<unsigned>(ymd.day())), 2) + Digits(static_cast<int>(hm / 60), 2) +
           Digits(static_cast<int>(hm % 60), 2);
}

std::string DateText(sys_days d) { return TimestampOf(d, 0, 0, 0).substr(0, 8); }

// A cp932 text put in a wider field, padded with ideographic spaces (and a blank for an odd byte).
std::string Wide(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, std::min(text.size(), width)));
    while (s.size() + 2 <= width) s += kWideBlank;
    s.resize(width, ' ');
    return s;
}

std::uint64_t Hash(std::string_view text, std::uint64_t salt) {
    std::uint64_t h = 0xcbf29ce484222325ull ^ salt;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return demo::Rng(h).Next();
}

struct Scratch {
    int horse = 0;  // 1-based
    JstTime at;
};

struct JockeyChange {
    int horse = 0;
    JstTime at;
    std::string before;  // SE bytes 289-291 weight, 297-301 code, 307-314 name, 323 apprentice
    std::string after;
};

struct Race {
    std::string key;  // 16 characters
    sys_days day{};
    std::size_t course = 0;  // index among the day's racecourses
    int number = 0;
    int post = 0;  // minutes after midnight, as planned
    std::optional<JstTime> postChangeAt;
    std::string cardRa, resultRa;
    std::vector<std::string> cardSe, resultSe;  // by horse number; cardSe taken from the results where missing
    std::vector<int> saleOdds;                  // what each runner's odds move towards during the sale
    std::string finalOdds, payouts;
    std::vector<Scratch> scratches;
    std::optional<JockeyChange> jockeyChange;

    int Post() const { return post + (postChangeAt ? kPostDelay : 0); }
    JstTime ResultAt() const { return At(day, Post() + kResultAfter); }
    const Scratch* ScratchOf(int horse, JstTime now) const {
        for (const Scratch& s : scratches)
            if (s.horse == horse && s.at <= now) return &s;
        return nullptr;
    }
};

struct Going {
    int weather = 1, turf = 1, dirt = 1;
};

struct CourseDay {
    sys_days day{};
    std::string prefix;  // year to 日次 (the race key without the race number)
    Going initial, changed;
    std::optional<JstTime> changeAt;
    Going At(JstTime t) const { return changeAt && *changeAt <= t ? changed : initial; }
};

}  // namespace

JstTime JstOf(system_clock::time_point t) { return local_seconds{floor<seconds>(t).time_since_epoch()} + hours{9}; }

std::optional<JstTime> ParseDemoClock(std::string_view text) {
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':')
        return std::nullopt;
    const std::string digits =
        std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) + std::string(text.substr(8, 2));
    const std::optional<sys_days> d = DateOf(digits);
    const std::string_view hh = text.substr(11, 2), mm = text.substr(14, 2);
    if (!d || !AllDigits(hh) || !AllDigits(mm) || Number(hh) > 23 || Number(mm) > 59) return std::nullopt;
    return At(*d, Number(hh) * 60 + Number(mm));
}

namespace {

enum class KeyKind { Bad, Day, Race };

struct Key {
    KeyKind kind = KeyKind::Bad;
    std::string date;     // yyyymmdd
    std::string course;   // jj
    std::string meeting;  // kkhh, empty for the short race key
    int race = 0;
};

Key ParseKey(std::string_view key) {
    Key k;
    if (!AllDigits(key) || (key.size() != 8 && key.size() != 12 && key.size() != 16)) return k;
    if (!DateOf(key.substr(0, 8))) return k;
    k.date = key.substr(0, 8);
    if (key.size() == 8) {
        k.kind = KeyKind::Day;
        return k;
    }
    k.course = key.substr(8, 2);
    if (key.size() == 16) k.meeting = key.substr(10, 4);
    k.race = Number(key.substr(key.size() - 2));
    if (k.race < 1) return k;
    k.kind = KeyKind::Race;
    return k;
}

}  // namespace

int CheckRealtimeRequest(std::string_view dataspec, std::string_view key) {
    if (dataspec != "0B11" && dataspec != "0B14" && dataspec != "0B15" && dataspec != "0B31")
        return jvresult::kBadDataspec;
    const Key k = ParseKey(key);
    if (k.kind == KeyKind::Bad) return jvresult::kBadKey;
    if (dataspec == "0B14" && k.kind != KeyKind::Day) return jvresult::kBadKey;
    if (dataspec == "0B31" && k.kind != KeyKind::Race) return jvresult::kBadKey;
    return jvresult::kOk;
}

bool RaceDayKept(sys_days day, JstTime now) {
    const sys_days today{floor<days>(now).time_since_epoch()};
    const sys_days monday = MondayOf(day);
    return monday <= today && monday + days{7} >= MondayOf(today);
}

struct DemoRaceWeek::Data {
    sys_days monday{};
    std::vector<Race> races;  // Saturday then Sunday, by racecourse, by race number
    std::vector<CourseDay> courseDays;

    const CourseDay& CourseDayOf(const Race& r) const {
        for (const CourseDay& c : courseDays)
            if (c.day == r.day && r.key.compare(0, 14, c.prefix) == 0) return c;
        return courseDays.front();
    }

    void Load(sys_days anyDay);
    void PlanChanges();
    void ScratchRunner(Race& r, int horse, JstTime at);

    std::string RaRecord(const Race& r, JstTime now) const;
    std::string SeRecord(const Race& r, int horse, JstTime now) const;
    std::string WhRecord(const Race& r) const;
    std::string OddsDuringSale(const Race& r, JstTime now) const;
    std::vector<std::pair<JstTime, std::string>> Announcements(sys_days day) const;
};

void DemoRaceWeek::Data::Load(sys_days anyDay) {
    monday = MondayOf(anyDay);
    std::map<std::string, Race> byKey;
    std::vector<std::string> order;
    auto raceOf = [&](std::string_view record) -> Race& {
        std::string key(Get(record, 12, 16));
        auto [it, added] = byKey.try_emplace(key);
        if (added) {
            order.push_back(key);
            it->second.key = key;
        }
        return it->second;
    };
    auto records = [](const JvdFile& f) { return SplitRecords(f.content); };
    for (const JvdFile& f : DemoProgramme(monday)) {
        for (const std::string& rec : records(f)) {
            if (rec.compare(0, 2, "RA") == 0) raceOf(rec).cardRa = rec;
            if (rec.compare(0, 2, "SE") == 0) {
                Race& r = raceOf(rec);
                const std::size_t horse = static_cast<std::size_t>(Number(Get(rec, 29, 2)));
                if (r.cardSe.size() < horse) r.cardSe.resize(horse);
                r.cardSe[horse - 1] = rec;
            }
        }
    }
    for (const JvdFile& f : DemoResults(monday)) {
        for (const std::string& rec : records(f)) {
            Race& r = raceOf(rec);
            if (rec.compare(0, 2, "RA") == 0) r.resultRa = rec;
            if (rec.compare(0, 2, "O1") == 0) r.finalOdds = rec;
            if (rec.compare(0, 2, "HR") == 0) r.payouts = rec;
            if (rec.compare(0, 2, "SE") == 0) {
                const std::size_t horse = static_cast<std::size_t>(Number(Get(rec, 29, 2)));
                if (r.resultSe.size() < horse) r.resultSe.resize(horse);
                r.resultSe[horse - 1] = rec;
            }
        }
    }
    // A runner missing from the cards (the week's incomplete race) is taken from the results,
    // its result cleared as the cards have it.
    std::string blankResult;
    for (const auto& [key, r] : byKey)
        if (!r.cardSe.empty() && !r.cardSe.front().empty()) blankResult = r.cardSe.front().substr(324);
    std::vector<std::string> prefixes;
    for (const std::string& key : order) {
        Race r = std::move(byKey[key]);
        if (r.cardRa.empty() || r.resultRa.empty()) continue;
        r.cardSe.resize(r.resultSe.size());
        for (std::size_t h = 0; h < r.cardSe.size(); ++h)
            if (r.cardSe[h].empty()) r.cardSe[h] = r.resultSe[h].substr(0, 324) + blankResult;
        r.day = *DateOf(key.substr(0, 8));
        r.number = Number(key.substr(14, 2));
        r.post = Minutes(Number(Get(r.cardRa, 874, 4)));
        const std::string prefix = key.substr(0, 14);
        auto at = std::find(prefixes.begin(), prefixes.end(), prefix);
        if (at == prefixes.end()) {
            prefixes.push_back(prefix);
            CourseDay c;
            c.day = r.day;
            c.prefix = prefix;
            c.initial = {Number(Get(r.resultRa, 888, 1)), Number(Get(r.resultRa, 889, 1)),
                         Number(Get(r.resultRa, 890, 1))};
            c.changed = c.initial;
            courseDays.push_back(c);
            at = prefixes.end() - 1;
        }
        std::size_t first = 0;
        while (first < courseDays.size() && courseDays[first].day != r.day) ++first;
        r.course = static_cast<std::size_t>(at - prefixes.begin()) - first;
        // What the sale moves towards: the final odds; a runner that does not start has none,
        // and is priced from its place in the market meanwhile.
        for (const std::string& se : r.resultSe) {
            const int odds = Number(Get(se, 360, 4));
            r.saleOdds.push_back(odds > 0 ? odds : 150 + static_cast<int>(Hash(se.substr(30, 10), 1) % 600));
        }
        races.push_back(std::move(r));
    }
    PlanChanges();
}

// A runner scratched on the day: no place in the result, the ones behind it a place up, the
// others' popularity among the starters left, the odds and payouts made again with its bets
// refunded.
void DemoRaceWeek::Data::ScratchRunner(Race& r, int horse, JstTime at) {
    r.scratches.push_back({horse, at});
    std::string& se = r.resultSe[static_cast<std::size_t>(horse - 1)];
    const int position = Number(Get(se, 335, 2));
    se = se.substr(0, 324) + r.cardSe[static_cast<std::size_t>(horse - 1)].substr(324);
    Put(se, 325, "000    ");
    Put(se, 332, "1");
    for (std::string& other : r.resultSe) {
        if (Number(Get(other, 335, 2)) > position) {
            Put(other, 333, Digits(Number(Get(other, 333, 2)) - 1, 2));
            Put(other, 335, Digits(Number(Get(other, 335, 2)) - 1, 2));
        }
    }
    std::vector<std::size_t> byOdds;
    for (std::size_t i = 0; i < r.resultSe.size(); ++i)
        if (Number(Get(r.resultSe[i], 360, 4)) > 0) byOdds.push_back(i);
    std::stable_sort(byOdds.begin(), byOdds.end(), [&](std::size_t a, std::size_t b) {
        return Number(Get(r.resultSe[a], 360, 4)) < Number(Get(r.resultSe[b], 360, 4));
    });
    for (std::size_t k = 0; k < byOdds.size(); ++k) Put(r.resultSe[byOdds[k]], 364, Digits(static_cast<int>(k + 1), 2));

    int starters = 0, finishers = 0;
    demo::BettingRace b;
    b.key = r.key;
    b.made = DateText(r.day);
    b.seed = Hash(r.key, 2);
    const char grade = Get(r.cardRa, 615, 1).empty() ? ' ' : Get(r.cardRa, 615, 1)[0];
    b.scale = grade == 'A' ? 20 : grade == 'B' || grade == 'C' ? 6 : grade == 'E' || grade == 'L' ? 2 : 1;
    for (const std::string& s : r.resultSe) {
        demo::BettingRunner runner;
        runner.post = Number(Get(s, 28, 1));
        runner.abnormal = Number(Get(s, 332, 1));
        runner.odds = Number(Get(s, 360, 4));
        runner.position = Number(Get(s, 335, 2));
        starters += runner.abnormal == 0 || runner.abnormal >= 4;
        finishers += runner.abnormal == 0;
        b.runners.push_back(runner);
    }
    Put(r.resultRa, 884, Digits(starters, 2) + Digits(finishers, 2));
    r.finalOdds = demo::OddsRecord(b);
    r.payouts = demo::PayoutRecord(b);
}

// The changes of each race day, drawn from the day alone: at the first racecourse a scratch in
// one of the afternoon races and the going worse from noon; at the second a jockey change; at
// the last a post time put back. The runners the results have as scratched (出走取消) are
// announced in the morning.
void DemoRaceWeek::Data::PlanChanges() {
    for (Race& r : races) {
        for (std::size_t h = 0; h < r.resultSe.size(); ++h)
            if (Get(r.resultSe[h], 332, 1) == "1")
                r.scratches.push_back({static_cast<int>(h + 1), At(r.day, kMorning)});
    }
    for (sys_days day : {monday + days{5}, monday + days{6}}) {
        demo::Rng rng(0x5261636544617900ull ^ static_cast<std::uint64_t>(day.time_since_epoch().count()));
        std::vector<Race*> today[3];
        std::size_t courses = 0;
        for (Race& r : races)
            if (r.day == day && r.course < 3) {
                today[r.course].push_back(&r);
                courses = std::max(courses, r.course + 1);
            }
        if (courses < 2) continue;
        auto race = [&](std::size_t course, int number) { return today[course][static_cast<std::size_t>(number - 1)]; };

        // The scratch: a runner that finished fourth or later, not in a dead heat, so that the
        // first three stay as the results have them.
        for (int tries = 0, number = rng.Between(6, 11); tries < 12; ++tries, number = number % 12 + 1) {
            Race& r = *race(0, number);
            std::vector<int> candidates;
            for (std::size_t h = 0; h < r.resultSe.size(); ++h)
                if (Number(Get(r.resultSe[h], 335, 2)) >= 4 && Get(r.resultSe[h], 337, 1) != "1" &&
                    Get(r.resultSe[h], 332, 1) == "0")
                    candidates.push_back(static_cast<int>(h + 1));
            if (candidates.empty()) continue;
            ScratchRunner(r, candidates[static_cast<std::size_t>(rng.Below(static_cast<int>(candidates.size())))],
                          At(day, std::max(kSalesOpen + 30, r.post - 150)));
            break;
        }

        // The going of the first racecourse a step worse from noon (heavy going a step better).
        for (CourseDay& c : courseDays) {
            if (c.day != day || c.prefix != race(0, 1)->key.substr(0, 14)) continue;
            c.changeAt = At(day, kGoingChange);
            c.changed.turf = c.initial.turf >= 4 ? 3 : c.initial.turf + 1;
            c.changed.dirt = c.initial.dirt >= 4 ? 3 : c.initial.dirt + 1;
        }

        // The jockey change: a runner of the second racecourse that starts gets a jockey who
        // rides in other races there that day but not in this one, without an apprentice's
        // allowance (the weight carried goes up by the allowance the first jockey had).
        {
            Race& r = *race(1, rng.Between(2, 9));
            int horse = rng.Between(1, static_cast<int>(r.cardSe.size()));
            for (std::size_t tries = 0; tries < r.cardSe.size(); ++tries) {
                if (Get(r.resultSe[static_cast<std::size_t>(horse - 1)], 332, 1) == "0") break;
                horse = horse % static_cast<int>(r.cardSe.size()) + 1;
            }
            const std::string& se = r.cardSe[static_cast<std::size_t>(horse - 1)];
            auto riding = [&](std::string_view code) {
                return std::any_of(r.cardSe.begin(), r.cardSe.end(),
                                   [&](const std::string& s) { return Get(s, 297, 5) == code; });
            };
            for (std::size_t other = 0, n = today[1].size(); other < n; ++other) {
                const Race& o = *today[1][(other + static_cast<std::size_t>(rng.Below(12))) % n];
                auto free = std::find_if(o.cardSe.begin(), o.cardSe.end(), [&](const std::string& s) {
                    return Get(s, 323, 1) == "0" && !riding(Get(s, 297, 5));
                });
                if (free == o.cardSe.end()) continue;
                JockeyChange jc;
                jc.horse = horse;
                jc.at = At(day, std::max(kSalesOpen + 15, r.post - 100));
                const int allowance = Number(Get(se, 323, 1));
                jc.before = std::string(Get(se, 289, 3)) + std::string(Get(se, 297, 5)) + std::string(Get(se, 307, 8)) +
                            std::string(Get(se, 323, 1));
                jc.after = Digits(Number(Get(se, 289, 3)) + 10 * allowance, 3) + std::string(Get(*free, 297, 5)) +
                           std::string(Get(*free, 307, 8)) + "0";
                r.jockeyChange = jc;
                break;
            }
        }

        // The post time put back, at the last racecourse.
        {
            Race& r = *race(courses - 1, rng.Between(3, 10));
            r.postChangeAt = At(day, r.post - 45);
        }
    }
}

std::string DemoRaceWeek::Data::RaRecord(const Race& r, JstTime now) const {
    const bool run = r.ResultAt() <= now;
    std::string ra = r.cardRa;
    if (run) {
        Put(ra, 3, "7");
        ra.replace(883, ra.size() - 883, r.resultRa.substr(883));
    }
    const JstTime morning = At(r.day, kMorning);
    if (now >= morning) {
        Put(ra, 4, DateText(r.day));
        // The going a race is run on, or the going now for a race still to come.
        const Going g = CourseDayOf(r).At(run ? At(r.day, r.Post()) : now);
        Put(ra, 888, Digits(g.weather, 1) + Digits(g.turf, 1) + Digits(g.dirt, 1));
    }
    if (r.postChangeAt && *r.postChangeAt <= now) {
        Put(ra, 874, Digits(Hhmm(r.Post()), 4));
        Put(ra, 878, Digits(Hhmm(r.post), 4));
    }
    return ra;
}

std::string DemoRaceWeek::Data::SeRecord(const Race& r, int horse, JstTime now) const {
    const std::size_t h = static_cast<std::size_t>(horse - 1);
    std::string se = r.cardSe[h];
    if (r.ResultAt() <= now) {
        Put(se, 3, "7");
        se.replace(324, se.size() - 324, r.resultSe[h].substr(324));
    } else {
        if (At(r.day, r.post - kWeightsBefore) <= now) Put(se, 325, Get(r.resultSe[h], 325, 7));
        if (r.ScratchOf(horse, now)) {
            Put(se, 325, "000    ");
            Put(se, 332, "1");
        }
    }
    if (now >= At(r.day, kMorning)) Put(se, 4, DateText(r.day));
    if (r.jockeyChange && r.jockeyChange->horse == horse && r.jockeyChange->at <= now) {
        const std::string& a = r.jockeyChange->after;
        const std::string& b = r.jockeyChange->before;
        Put(se, 289, a.substr(0, 3));
        Put(se, 292, b.substr(0, 3));
        Put(se, 297, a.substr(3, 5));
        Put(se, 302, b.substr(3, 5));
        Put(se, 307, a.substr(8, 8));
        Put(se, 315, b.substr(8, 8));
        Put(se, 323, a.substr(16, 1));
        Put(se, 324, b.substr(16, 1));
    }
    return se;
}

std::string DemoRaceWeek::Data::WhRecord(const Race& r) const {
    const JstTime at = At(r.day, r.post - kWeightsBefore);
    std::string wh(847, ' ');
    Put(wh, 1, "WH1");
    Put(wh, 4, DateText(r.day));
    Put(wh, 12, r.key);
    Put(wh, 28, Announced(at));
    for (std::size_t h = 0; h < r.cardSe.size() && h < 18; ++h) {
        const int slot = 36 + 45 * static_cast<int>(h);
        Put(wh, slot, Digits(static_cast<int>(h + 1), 2));
        Put(wh, slot + 2, Get(r.cardSe[h], 41, 36));
        Put(wh, slot + 38, r.ScratchOf(static_cast<int>(h + 1), at) ? "000    " : Get(r.resultSe[h], 325, 7));
    }
    Put(wh, 846, "\r\n");
    return wh;
}

// The odds as sold up to `now`: each runner's odds wander about the final ones and close in on
// them towards the post time, so that every announcement differs a little from the one before.
std::string DemoRaceWeek::Data::OddsDuringSale(const Race& r, JstTime now) const {
    const JstTime close = At(r.day, r.Post() - 1);
    const JstTime t = std::min<JstTime>(floor<minutes>(now), close);
    const double left = std::clamp(static_cast<double>(duration_cast<minutes>(close - t).count()), 0.0, 480.0);
    const auto slot = static_cast<std::uint64_t>(duration_cast<minutes>(t.time_since_epoch()).count());
    demo::BettingRace b;
    b.key = r.key;
    b.made = DateText(r.day);
    b.announced = Announced(t);
    b.seed = Hash(r.key, 3);
    for (std::size_t h = 0; h < r.cardSe.size(); ++h) {
        demo::BettingRunner runner;
        runner.post = Number(Get(r.cardSe[h], 28, 1));
        runner.abnormal = r.ScratchOf(static_cast<int>(h + 1), t) ? 1 : 0;
        const std::string horse = r.key + Digits(static_cast<int>(h + 1), 2);
        const double trend = static_cast<double>(Hash(horse, 4) % 1000) / 1000.0 - 0.5;
        const double wobble = static_cast<double>(Hash(horse, 5 + slot) % 1000) / 1000.0 - 0.5;
        const double factor = std::exp(trend * 1.2 * left / 240.0 + wobble * 0.25 * std::min(left, 60.0) / 60.0);
        runner.odds = std::clamp(static_cast<int>(std::lround(r.saleOdds[h] * factor)), 11, 9999);
        b.runners.push_back(runner);
    }
    return demo::OddsRecord(b);
}

// The changes of a day (WE, AV, JC, TC) with their announcement times, in announcement order.
std::vector<std::pair<JstTime, std::string>> DemoRaceWeek::Data::Announcements(sys_days day) const {
    std::vector<std::pair<JstTime, std::string>> out;
    auto head = [&](std::string_view type, std::string_view key, JstTime at, std::size_t size) {
        std::string rec(size, ' ');
        Put(rec, 1, type);
        Put(rec, 3, "1");
        Put(rec, 4, DateText(day));
        Put(rec, 12, key);
        Put(rec, type == "WE" ? 26 : 28, Announced(at));
        Put(rec, static_cast<int>(size) - 1, "\r\n");
        return rec;
    };
    for (const CourseDay& c : courseDays) {
        if (c.day != day) continue;
        const JstTime morning = At(day, kMorning);
        std::string we = head("WE", c.prefix, morning, 42);
        Put(we, 34, "1" + Digits(c.initial.weather, 1) + Digits(c.initial.turf, 1) + Digits(c.initial.dirt, 1) + "000");
        out.emplace_back(morning, we);
        if (c.changeAt) {
            std::string change = head("WE", c.prefix, *c.changeAt, 42);
            Put(change, 34,
                "3 " + Digits(c.changed.turf, 1) + Digits(c.changed.dirt, 1) + " " + Digits(c.initial.turf, 1) +
                    Digits(c.initial.dirt, 1));
            out.emplace_back(*c.changeAt, change);
        }
    }
    for (const Race& r : races) {
        if (r.day != day) continue;
        for (const Scratch& s : r.scratches) {
            std::string av = head("AV", r.key, s.at, 78);
            Put(av, 36, Digits(s.horse, 2));
            Put(av, 38, Get(r.cardSe[static_cast<std::size_t>(s.horse - 1)], 41, 36));
            Put(av, 74, "001");
            out.emplace_back(s.at, av);
        }
        if (const auto& jc = r.jockeyChange) {
            std::string rec = head("JC", r.key, jc->at, 161);
            Put(rec, 36, Digits(jc->horse, 2));
            Put(rec, 38, Get(r.cardSe[static_cast<std::size_t>(jc->horse - 1)], 41, 36));
            Put(rec, 74, jc->after.substr(0, 8));
            Put(rec, 82, Wide(jc->after.substr(8, 8), 34));
            Put(rec, 116, jc->after.substr(16, 1));
            Put(rec, 117, jc->before.substr(0, 8));
            Put(rec, 125, Wide(jc->before.substr(8, 8), 34));
            Put(rec, 159, jc->before.substr(16, 1));
            out.emplace_back(jc->at, rec);
        }
        if (r.postChangeAt) {
            std::string tc = head("TC", r.key, *r.postChangeAt, 45);
            Put(tc, 36, Digits(Hhmm(r.Post()), 4) + Digits(Hhmm(r.post), 4));
            out.emplace_back(*r.postChangeAt, tc);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

DemoRaceWeek::DemoRaceWeek(sys_days anyDay) : d_(std::make_unique<Data>()) { d_->Load(anyDay); }
DemoRaceWeek::~DemoRaceWeek() = default;
DemoRaceWeek::DemoRaceWeek(DemoRaceWeek&&) noexcept = default;
DemoRaceWeek& DemoRaceWeek::operator=(DemoRaceWeek&&) noexcept = default;

sys_days DemoRaceWeek::Monday() const { return d_->monday; }

std::vector<std::string> DemoRaceWeek::Realtime(std::string_view dataspec, std::string_view keyText,
                                                JstTime now) const {
    std::vector<std::string> out;
    if (CheckRealtimeRequest(dataspec, keyText) != jvresult::kOk) return out;
    const Key key = ParseKey(keyText);
    const sys_days day = *DateOf(key.date);
    if (MondayOf(day) != d_->monday || !RaceDayKept(day, now)) return out;
    if (dataspec == "0B14") {
        for (auto& [at, rec] : d_->Announcements(day))
            if (at <= now) out.push_back(std::move(rec));
        return out;
    }
    for (const Race& r : d_->races) {
        if (r.day != day) continue;
        if (key.kind == KeyKind::Race && (r.key.compare(8, 2, key.course) != 0 || r.number != key.race ||
                                          (!key.meeting.empty() && r.key.compare(10, 4, key.meeting) != 0)))
            continue;
        const bool run = r.ResultAt() <= now;
        if (dataspec == "0B15") {
            out.push_back(d_->RaRecord(r, now));
            for (std::size_t h = 0; h < r.cardSe.size(); ++h)
                out.push_back(d_->SeRecord(r, static_cast<int>(h + 1), now));
            if (run) {
                std::string hr = r.payouts;
                Put(hr, 4, DateText(r.day));
                out.push_back(hr);
            }
        } else if (dataspec == "0B11") {
            if (At(r.day, r.post - kWeightsBefore) <= now) out.push_back(d_->WhRecord(r));
        } else if (dataspec == "0B31") {
            if (run) {
                std::string o1 = r.finalOdds;
                Put(o1, 4, DateText(r.day));
                out.push_back(o1);
            } else if (At(r.day, kSalesOpen) <= now) {
                out.push_back(d_->OddsDuringSale(r, now));
            }
        }
    }
    return out;
}

std::vector<DemoRaceWeek::Change> DemoRaceWeek::Changes() const {
    std::vector<Change> out;
    for (sys_days day : {d_->monday + days{5}, d_->monday + days{6}}) {
        for (auto& [at, rec] : d_->Announcements(day)) {
            const std::string type = rec.substr(0, 2);
            if (type == "WE" && rec[33] == '1') continue;  // the morning's state, not a change
            Change c;
            c.type = type;
            c.race = type == "WE" ? rec.substr(11, 14) + "00" : rec.substr(11, 16);
            c.horse = type == "AV" || type == "JC" ? Number(rec.substr(35, 2)) : 0;
            c.at = at;
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::string> DemoRealtime(std::string_view dataspec, std::string_view key, JstTime now) {
    if (CheckRealtimeRequest(dataspec, key) != jvresult::kOk) return {};
    const std::optional<sys_days> day = DateOf(key.substr(0, 8));
    if (!RaceDayKept(*day, now)) return {};
    return DemoRaceWeek(*day).Realtime(dataspec, key, now);
}

}  // namespace turfpad
