#include "jvlink/DemoProgramme.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "jvlink/DemoBetting.h"
#include "jvlink/DemoTables.h"
#include "records/RecordBuilder.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

using namespace std::chrono;

using namespace demo;

// The stable: every horse of the demo, known by its year of birth and its number within that
// year, with what it is like and its whole career fixed for life. Its turn comes every
// `interval` weeks (the weeks where (week + phase) % interval == 0) from its first run up to
// its last; at some of its turns, fixed from how good it is, it wins. Its class in any week
// follows from the wins before that week, and the week of one of its wins puts it in a race
// of its class that it wins. So any week's programme can be made on its own, and the same
// horses turn up again in the weeks around it with the records they made there.
constexpr int kFoalsPerYear = 2400;
constexpr long kNever = 1L << 30;

std::uint64_t Mix(std::uint64_t x) {
    Rng r(x);
    return r.Next();
}

constexpr sys_days kFirstMonday{year{1970} / January / 5};

long WeekIndex(sys_days monday) { return static_cast<long>((monday - kFirstMonday).count() / 7); }
sys_days SaturdayOf(long week) { return kFirstMonday + days{7 * week + 5}; }

// The first week whose Saturday is `day` or later.
long WeekFrom(sys_days day) {
    const sys_days monday = MondayOf(day - days{5});
    return WeekIndex(monday < day - days{5} ? monday + days{7} : monday);
}

struct Horse {
    int born = 0;
    int serial = 0;
    int sex = 1;
    int coat = 1;
    bool turf = true;
    int distance = 1600;
    int ability = 50;
    int interval = 4;
    int phase = 0;
    long debut = 0;                                   // the week of its first run, a due week
    long last = 0;                                    // its last run (counted from 0)
    long wins[4] = {kNever, kNever, kNever, kNever};  // the runs it wins, maiden race to 3勝クラス
    std::size_t trainer = 0, jockey = 0, owner = 0, colours = 0;
    int bodyWeight = 470;
    std::uint64_t seed = 0;

    int Region() const { return Trainers()[trainer].region; }
    std::string Pedigree() const { return Digits(born, 4) + "10" + Digits(serial, 4); }
    const std::string& Name() const {
        const std::vector<std::string>& names = AllNames();
        return names[static_cast<std::size_t>((born % 6) * kFoalsPerYear + serial) % names.size()];
    }
    int SexAt(int age) const { return sex == 3 && age < 3 ? 1 : sex; }
    long WeekOf(long run) const { return debut + run * interval; }
    // In training: from its first run to its last.
    bool Racing(long week) const { return week >= debut && week <= WeekOf(last); }
    bool Due(long week) const { return Racing(week) && (week + phase) % interval == 0; }
    // The due weeks from its debut up to, not including, `week`.
    long RunsBefore(long week) const {
        auto dueBefore = [&](long w) { return (w + phase + interval - 1) / interval; };
        return week <= debut ? 0 : dueBefore(week) - dueBefore(debut);
    }
    // Races won before the week: 0 a maiden, 1 to 3 the class, 4 the open class.
    int ClassAt(long week) const {
        int c = 0;
        for (long w : wins) c += w != kNever && WeekOf(w) < week;
        return c;
    }
    bool WinsIn(long week) const {
        return Due(week) &&
               std::any_of(std::begin(wins), std::end(wins), [&](long w) { return w != kNever && WeekOf(w) == week; });
    }
    int BodyWeightAt(long week) const {
        return bodyWeight + 2 * static_cast<int>(Mix(seed ^ static_cast<std::uint64_t>(week / 2)) % 6) - 4;
    }
};

Horse MakeHorse(int born, int serial) {
    Horse h;
    h.born = born;
    h.serial = serial;
    h.seed = 0x486F727365ull ^ (static_cast<std::uint64_t>(born) << 20) ^ static_cast<std::uint64_t>(serial);
    Rng rng(h.seed);
    int roll = rng.Below(100);
    h.sex = roll < 10 ? 3 : roll < 55 ? 1 : 2;
    h.coat = rng.Between(1, 7);
    h.turf = rng.Chance(55);
    static const int kDistances[] = {1200, 1400, 1600, 1800, 2000, 2200, 2400};
    h.distance = kDistances[rng.Below(7)];
    h.ability = rng.Below(100);
    static const int kIntervals[] = {2, 2, 3, 3, 4, 5};
    h.interval = kIntervals[rng.Below(6)];
    h.phase = rng.Below(h.interval);
    long first = WeekIndex(MondayOf(sys_days{year{born + 2} / June / 1})) + rng.Below(40);
    while ((first + h.phase) % h.interval != 0) ++first;
    h.debut = first;
    h.trainer = static_cast<std::size_t>(rng.Below(static_cast<int>(Trainers().size())));
    h.jockey = static_cast<std::size_t>(rng.Below(static_cast<int>(Jockeys().size())));
    h.owner = static_cast<std::size_t>(rng.Below(static_cast<int>(kOwners.size())));
    h.colours = static_cast<std::size_t>(rng.Below(static_cast<int>(kColours.size())));
    h.bodyWeight = (h.sex == 2 ? 440 : 470) + 2 * rng.Between(-15, 15);

    // Its career. Maiden races end with August of the three-year-old season: a horse that has
    // not won by then retires. Two-year-olds and three-year-olds before June race among their
    // own age in maiden, 1勝クラス and open races only, so a third win waits for that June, when
    // it meets older horses in its class. Better horses win sooner and win more: of a crop,
    // half never win and one in twenty reaches the open class, so that the
    // wins of a week fill most of its races. A winner retires in a week between its fourth
    // and its eighth birthdays.
    const auto runBefore = [&](long week) { return (week - 1 - h.debut) / h.interval; };
    const auto runFrom = [&](long week) { return std::max(0L, (week - h.debut + h.interval - 1) / h.interval); };
    const long lastMaidenRun = runBefore(WeekFrom(sys_days{year{born + 3} / September / 1}));
    const long gap = (100 - h.ability) / 10;
    const int wins = h.ability >= 95 ? 4 : h.ability >= 88 ? 3 : h.ability >= 75 ? 2 : h.ability >= 50 ? 1 : 0;
    long run = gap / 2 + rng.Below(6);
    if (wins == 0 || run > lastMaidenRun) {
        h.last = lastMaidenRun - rng.Below(static_cast<int>(std::min(lastMaidenRun, 8L)) + 1);
        return h;
    }
    h.last = runBefore(WeekFrom(sys_days{year{born + 4} / January / 1}) + rng.Below(4 * 52));
    const long summer = runFrom(WeekFrom(sys_days{year{born + 3} / June / 1})) + rng.Below(4);
    for (int j = 0; j < wins; ++j) {
        if (j >= 2) run = std::max(run, summer);
        // Fewer wins fall in the weeks with two racecourses, which have fewer races.
        if (CoursesOn(SaturdayOf(h.WeekOf(run))).size() < 3 && rng.Chance(35)) ++run;
        if (run > h.last) break;
        h.wins[j] = run;
        run += 1 + gap / 2 + rng.Below(4);
    }
    return h;
}

// A horse as it stands in one week.
struct Entrant {
    const Horse* horse = nullptr;
    int age = 0;
    long runs = 0;  // due weeks before this week
    int cls = 0;    // races won
    bool due = false;
    bool wins = false;  // this week holds one of its wins
    bool last = false;  // its last run
    bool used = false;
};

struct Meeting {
    sys_days day;
    bool sunday;
    std::vector<std::string_view> courses;
};

struct PlannedRace {
    std::size_t meeting = 0;
    std::size_t courseIndex = 0;
    int number = 0;
    RacePlan plan;
    RacePlan planned;  // as the day's plan had it
    std::string key;
    std::vector<Entrant*> runners;   // by horse number
    Entrant* winner = nullptr;       // who wins it
    std::vector<Entrant*> deadHeat;  // who share the win with him
};

struct Going {
    int weather = 1, turf = 1, dirt = 1;
};

struct RunResult {
    int abnormal = 0;  // 異常区分
    int position = 0;
    int time = 0;  // tenths of a second
    int odds = 0;  // tenths
    int popularity = 0;
    int last3f = 0;
    int diff = 0;             // tenths, against the winner (the winner: against the second, negative)
    int deadHeat = 0;         // the other horses it shares its place with
    int market = 0;           // how the betting rates it, the starters' win odds made from it
    const char* margin = "";  // 着差コード to the horse in front; blank for the winner
};

// The margin to the horse in front from the tenths between them, as the judges give it
// (about six lengths a second); with no tenths between them a nose, a head or a neck.
const char* MarginCode(int tenths, int which) {
    static const char* const close[] = {"H  ", "A  ", "K  "};
    static const char* const lengths[] = {"_12", "1  ", "134", "212", "3  ", "312", "4  ", "5  ",
                                          "5  ", "6  ", "7  ", "7  ", "8  ", "9  ", "9  "};
    if (tenths <= 0) return close[which % 3];
    return tenths <= 15 ? lengths[tenths - 1] : "Z  ";
}

bool AgeFits(Ages ages, int age) {
    switch (ages) {
        case Ages::Two:
            return age == 2;
        case Ages::Three:
            return age == 3;
        case Ages::ThreeUp:
            return age >= 3;
        case Ages::FourUp:
            return age >= 4;
    }
    return false;
}

bool Young(Ages ages) { return ages == Ages::Two || ages == Ages::Three; }

// JRA's conditions by races won: 新馬 only for a horse's first run, 未勝利 for maidens, the
// 1勝, 2勝 and 3勝クラス for horses with one, two and three wins, open races for the open
// class (four wins), and among two- and three-year-olds for any horse that has won.
bool ClassFits(const RacePlan& r, const Entrant& e) {
    switch (r.condition) {
        case 701:
            return e.runs == 0;
        case 703:
            return e.cls == 0;
        case 5:
            return e.cls == 1;
        case 10:
            return e.cls == 2;
        case 16:
            return e.cls == 3;
        default:
            return e.cls >= 4 || (Young(r.ages) && e.cls >= 1);
    }
}

// The race condition for a class below the open class.
int ConditionOf(int cls) {
    static const int kConditions[] = {703, 5, 10, 16};
    return kConditions[std::clamp(cls, 0, 3)];
}

// The age group of the season that a horse of the age and class runs in: before June
// three-year-olds among themselves and older horses from four; from June two-year-olds,
// three-year-old maidens up to August, and the rest with older horses.
Ages AgesFor(int age, int cls, sys_days day) {
    const unsigned month = static_cast<unsigned>(year_month_day{day}.month());
    if (month <= 5) return age <= 3 ? Ages::Three : Ages::FourUp;
    if (age == 2) return Ages::Two;
    return age == 3 && cls == 0 && month <= 8 ? Ages::Three : Ages::ThreeUp;
}

// Winning time in tenths of a second: the distance on the surface, the going, the class.
int WinningTime(const RacePlan& r, const Going& g, Rng& rng) {
    const int d = r.track.distance;
    const bool turf = r.track.code < 23;
    static const int kTurfGoing[] = {0, 0, 5, 12, 25};   // tenths per 1000 m slower
    static const int kDirtGoing[] = {0, 0, -3, -6, -8};  // wet dirt is faster
    int t = turf ? (646 * d) / 1000 - 95 : (683 * d) / 1000 - 105;
    t += (turf ? kTurfGoing[g.turf] : kDirtGoing[g.dirt]) * d / 1000;
    int cls = r.condition == 701 || r.condition == 703 ? 8 : r.condition == 5 ? 5 : r.condition == 10 ? 3 : 1;
    t += cls * d / 1000;
    return t + rng.Between(-5, 5);
}

class WeekBuilder {
  public:
    explicit WeekBuilder(sys_days monday)
        : monday_(monday),
          week_(WeekIndex(monday)),
          rng_(0x5475726670616430ull ^ static_cast<std::uint64_t>(monday.time_since_epoch().count())),
          results_(0x526573756C7473ull ^ static_cast<std::uint64_t>(monday.time_since_epoch().count())),
          betting_(0x42657474696E67ull ^ static_cast<std::uint64_t>(monday.time_since_epoch().count())) {}

    // The race cards of the week, or (`results`) the same races with their results.
    std::vector<JvdFile> Build(bool results) {
        sys_days saturday = monday_ + days{5};
        std::vector<std::string_view> courses = CoursesOn(saturday);
        meetings_ = {{saturday, false, courses}, {saturday + days{1}, true, courses}};

        // The race whose data is not yet complete: one of Sunday's.
        incompleteCourse_ = rng_.Below(static_cast<int>(courses.size()));
        incompleteRace_ = rng_.Between(1, 12);

        Stable(static_cast<int>(year_month_day{saturday}.year()));
        for (std::size_t m = 0; m < meetings_.size(); ++m) {
            for (std::size_t c = 0; c < courses.size(); ++c) {
                const Course& course = CourseOf(courses[c]);
                std::vector<RacePlan> plans =
                    PlanDay(rng_, meetings_[m].day, course, static_cast<int>(c), meetings_[m].sunday, usedPlaces_);
                for (int number = 1; number <= 12; ++number) {
                    PlannedRace race;
                    race.meeting = m;
                    race.courseIndex = c;
                    race.number = number;
                    race.plan = race.planned = plans[static_cast<std::size_t>(number - 1)];
                    race.key = RaceKey(meetings_[m], course, number);
                    races_.push_back(std::move(race));
                }
            }
        }
        Enter();

        std::vector<JvdFile> files;
        int second = 0;
        sys_days stamped = results ? monday_ + days{6} : monday_;
        int hour = results ? 18 : 0;
        std::vector<std::pair<std::string, std::string>> settled;  // each day's final odds and payouts
        for (std::size_t m = 0; m < meetings_.size(); ++m) {
            std::string ra, se, odds, payouts;
            for (PlannedRace& race : races_) {
                if (race.meeting != m) continue;
                // The race is run on the cards' week too, unseen, so that the odds before it
                // come from the same betting as the final ones.
                if (race.number == 1) going_ = DayGoing();
                const std::vector<RunResult> outcome = Results(race);
                const std::vector<RunResult> shown = results ? outcome : std::vector<RunResult>{};
                ra += RaRecord(race, shown);
                bool incomplete = !results && meetings_[m].sunday &&
                                  static_cast<int>(race.courseIndex) == incompleteCourse_ &&
                                  race.number == incompleteRace_;
                int missing = incomplete ? rng_.Between(1, race.plan.headCount) : 0;
                std::vector<std::string> runners = Runners(race, shown);
                for (int h = 1; h <= race.plan.headCount; ++h)
                    if (h != missing) se += runners[static_cast<std::size_t>(h - 1)];
                if (!results && race.courseIndex == 0) KeepCardDraws(race.plan.headCount);
                BettingRace betting = Betting(race, outcome, results);
                odds += OddsRecord(betting);
                if (results) payouts += PayoutRecord(betting);
            }
            std::string date = Date(meetings_[m].day);
            files.push_back({FileName("RA", date, stamped, hour, ++second), ra});
            files.push_back({FileName("SE", date, stamped, hour, ++second), se});
            if (results)
                settled.emplace_back(std::move(odds), std::move(payouts));
            else
                files.push_back({FileName("O1", date, stamped, hour, ++second), odds});
        }
        // After the results, each day's final odds and payouts.
        for (std::size_t m = 0; m < settled.size(); ++m) {
            std::string date = Date(meetings_[m].day);
            files.push_back({FileName("O1", date, stamped, hour, ++second), settled[m].first});
            files.push_back({FileName("HR", date, stamped, hour, ++second), settled[m].second});
        }
        return files;
    }

  private:
    static std::string Date(sys_days day) { return TimestampOf(day, 0, 0, 0).substr(0, 8); }

    static std::string FileName(std::string_view type, const std::string& date, sys_days stamped, int hour,
                                int second) {
        return std::string(type) + "VW" + date + TimestampOf(stamped, hour, 0, second) + ".jvd";
    }

    // The horses in training this week.
    void Stable(int year) {
        for (int born = year - 7; born <= year - 2; ++born) {
            for (int serial = 0; serial < kFoalsPerYear; ++serial) horses_.push_back(MakeHorse(born, serial));
        }
        entrants_.reserve(horses_.size());
        for (const Horse& h : horses_) {
            if (!h.Racing(week_)) continue;
            Entrant e;
            e.horse = &h;
            e.age = year - h.born;
            e.runs = h.RunsBefore(week_);
            e.cls = h.ClassAt(week_);
            e.due = h.Due(week_);
            e.wins = h.WinsIn(week_);
            e.last = e.due && week_ == h.WeekOf(h.last);
            entrants_.push_back(e);
        }
    }

    // Fills every race. First each horse whose win falls this week gets a race of its class,
    // which it wins; then every other race gets a winner whose win changes nothing later: a
    // horse in its last run, or in an open race one of the open class. A race takes the class
    // (and, as JRA's programme allows, the age group) of its winner where it does not fit him
    // as planned. Then the fields, the scarcest kinds of race first.
    void Enter() {
        std::vector<Entrant*> destined, harmless, open;
        for (Entrant& e : entrants_) {
            if (e.wins)
                destined.push_back(&e);
            else if (e.last || (e.due && e.cls >= 4))
                harmless.push_back(&e);
            else if (e.cls >= 4)
                open.push_back(&e);
        }
        // The higher classes first: theirs are the fewer races.
        std::stable_sort(destined.begin(), destined.end(),
                         [](const Entrant* a, const Entrant* b) { return a->cls > b->cls; });
        for (Entrant* e : destined) {
            e->used = true;  // a win it cannot have here would be one it has later: it rests
            std::vector<PlannedRace*> free;
            for (PlannedRace& race : races_)
                if (!race.winner) free.push_back(&race);
            if (PlannedRace* race = BestRace(free, *e)) {
                race->winner = e;
                continue;
            }
            // More wins than races for them: it shares one, a dead heat of two.
            for (PlannedRace& race : races_)
                if (race.winner && race.winner->wins && race.deadHeat.empty() && AgeFits(race.plan.ages, e->age) &&
                    ClassFits(race.plan, *e)) {
                    race.deadHeat.push_back(e);
                    break;
                }
        }
        // Special races first, they take fewer horses; an ordinary race becomes an open one
        // only where no other winner can be had, with an open-class horse out of its turn.
        for (bool lastResort : {false, true}) {
            for (bool special : {true, false}) {
                for (PlannedRace& race : races_) {
                    if (race.winner || IsSpecial(race.plan) != special) continue;
                    Entrant* e = BestWinner(race, harmless, lastResort);
                    if (!e && lastResort) e = BestWinner(race, open, true);
                    if (e) {
                        race.winner = e;
                        e->used = true;
                    }
                }
            }
        }

        auto rank = [](const RacePlan& r) {
            switch (r.condition) {
                case 701:
                    return 0;
                case 999:
                    return 1;
                case 16:
                    return 2;
                case 10:
                    return 3;
                case 5:
                    return 4;
                default:
                    return 5;
            }
        };
        std::vector<std::size_t> order(races_.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return rank(races_[a].plan) < rank(races_[b].plan); });
        for (std::size_t i : order) {
            PlannedRace& race = races_[i];
            int region = RegionOf(meetings_[race.meeting].courses[race.courseIndex]);
            std::vector<Entrant*> picks = Field(race, region);
            if (picks.size() < 5 && race.plan.condition == 701) {  // too few newcomers: a maiden race
                race.plan.condition = 703;
                picks = Field(race, region);
            }
            if (picks.size() < 5 && race.winner && !race.winner->wins) {
                // Too few horses of the class left: an open race, won by an open-class horse.
                race.winner->used = false;
                race.plan = race.planned;
                race.winner = BestWinner(race, open, true);
                if (race.winner) race.winner->used = true;
                picks = Field(race, region);
            }
            for (Entrant* e : picks) e->used = true;
            race.plan.headCount = static_cast<int>(picks.size());
            race.runners = std::move(picks);
        }
    }

    // The winners and the field beside them, by horse number.
    std::vector<Entrant*> Field(const PlannedRace& race, int region) {
        std::vector<Entrant*> picks = Pick(race, region);
        std::vector<Entrant*> winners = race.deadHeat;
        if (race.winner) winners.push_back(race.winner);
        for (Entrant* w : winners) {
            // Each winner drawn a horse number of its own.
            std::size_t at =
                static_cast<std::size_t>(Mix(w->horse->seed ^ static_cast<std::uint64_t>(week_)) % (picks.size() + 1));
            picks.insert(picks.begin() + static_cast<std::ptrdiff_t>(at), w);
        }
        return picks;
    }

    // The race as it would be run with the horse: as planned if the horse fits it; else, where
    // JRA's programme would have it so, for the horse's class (an ordinary race any class of
    // its age group, a special one any class from the 1勝クラス, an open race none) and for
    // the horse's age group. Empty where the race cannot take the horse.
    std::optional<RacePlan> Adapted(const PlannedRace& race, const Entrant& e, bool anyOpen = false) const {
        RacePlan r = race.plan;
        if (AgeFits(r.ages, e.age) && ClassFits(r, e)) return r;
        const Ages ages = AgeFits(r.ages, e.age) ? r.ages : AgesFor(e.age, e.cls, meetings_[race.meeting].day);
        if (ages == Ages::Two && r.track.distance > 2000) return std::nullopt;
        if (e.cls >= 4 && !Young(ages) && (r.grade == 'E' || anyOpen)) {
            r.condition = 999;  // an open special (オープン特別)
        } else if (r.condition != 999) {
            if (e.cls >= 4 || (Young(ages) && e.cls >= 2) || (!Young(ages) && e.cls == 0)) return std::nullopt;
            if (IsSpecial(r) && e.cls == 0) return std::nullopt;
            r.condition = e.cls == 0 && e.runs == 0 && r.condition == 701 ? 701 : ConditionOf(e.cls);
        }
        if (ages != r.ages && !IsSpecial(r)) r.weightType = Young(ages) ? 3 : 4;
        r.ages = ages;
        if (!AgeFits(r.ages, e.age) || !ClassFits(r, e)) return std::nullopt;
        return r;
    }

    // How well the race suits the horse: its own region, surface and distance; races that
    // keep their plan before those that change.
    long Suits(const PlannedRace& race, const Entrant& e, const RacePlan& adapted) const {
        const Horse& h = *e.horse;
        const RacePlan& r = race.plan;
        long score = 0;
        if (adapted.ages == r.ages && adapted.condition == r.condition) score += 100000;
        if (!IsSpecial(r)) score += 10000;
        if (h.Region() == RegionOf(meetings_[race.meeting].courses[race.courseIndex])) score += 800;
        if (h.turf == (r.track.code < 23)) score += 1500;
        score -= std::abs(h.distance - r.track.distance);
        return score + static_cast<long>(Mix(h.seed ^ static_cast<std::uint64_t>(week_ * 131 + race.number)) % 200);
    }

    // The race among `races` that suits the horse best, adapted to him.
    PlannedRace* BestRace(const std::vector<PlannedRace*>& races, const Entrant& e) {
        PlannedRace* best = nullptr;
        std::optional<RacePlan> plan;
        long bestScore = 0;
        for (PlannedRace* race : races) {
            std::optional<RacePlan> adapted = Adapted(*race, e);
            if (!adapted) continue;
            long score = Suits(*race, e, *adapted);
            if (!best || score > bestScore) best = race, bestScore = score, plan = std::move(adapted);
        }
        if (best) best->plan = *plan;
        return best;
    }

    // The horse among `horses` that suits the race best, the race adapted to him.
    Entrant* BestWinner(PlannedRace& race, const std::vector<Entrant*>& horses, bool anyOpen) {
        Entrant* best = nullptr;
        std::optional<RacePlan> plan;
        long bestScore = 0;
        for (Entrant* e : horses) {
            if (e->used) continue;
            std::optional<RacePlan> adapted = Adapted(race, *e, anyOpen);
            if (!adapted) continue;
            long score = Suits(race, *e, *adapted);
            if (!best || score > bestScore) best = e, bestScore = score, plan = std::move(adapted);
        }
        if (best) race.plan = *plan;
        return best;
    }

    // The field beside the winner: horses of the race's age and class whose turn it is this
    // week first, then those of its region and its surface and distance. None of them wins.
    std::vector<Entrant*> Pick(const PlannedRace& race, int region) {
        const RacePlan& r = race.plan;
        const bool turf = r.track.code < 23;
        std::vector<std::pair<long, Entrant*>> scored;
        for (Entrant& e : entrants_) {
            if (e.used || !AgeFits(r.ages, e.age) || !ClassFits(r, e)) continue;
            const Horse& h = *e.horse;
            long score = 0;
            if (e.due) {
                score += 30000;
            } else {
                long off = (week_ + h.phase) % h.interval;
                score += 2000 * std::min<long>(3, std::min(off, h.interval - off));
            }
            if (h.Region() == region) score += 800;
            if (h.turf == turf) score += 1500;
            score -= std::abs(h.distance - r.track.distance);
            // The same horses come first week after week, so that those who run, run regularly.
            score += static_cast<long>(Mix(h.seed) % 8000);
            score += static_cast<long>(Mix(h.seed ^ static_cast<std::uint64_t>(week_ * 131 + race.number)) % 200);
            scored.emplace_back(score, &e);
        }
        // Horses out of their turn fill a field only up to ten runners.
        const std::size_t taken = (race.winner ? 1 : 0) + race.deadHeat.size();
        std::size_t inTurn = static_cast<std::size_t>(
            std::count_if(scored.begin(), scored.end(), [](const auto& s) { return s.first >= 19000; }));
        std::size_t planned = static_cast<std::size_t>(r.headCount) - taken;
        std::size_t n =
            std::min({scored.size(), planned, std::max(inTurn, std::min<std::size_t>(planned, 10 - taken))});
        std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(n), scored.end(),
                          [](const auto& a, const auto& b) {
                              return a.first != b.first ? a.first > b.first : a.second->horse < b.second->horse;
                          });
        std::vector<Entrant*> picks;
        std::set<std::string_view> names;
        if (race.winner) names.insert(race.winner->horse->Name());
        for (const Entrant* e : race.deadHeat) names.insert(e->horse->Name());
        for (std::size_t i = 0; i < scored.size() && picks.size() < n; ++i)
            if (names.insert(scored[i].second->horse->Name()).second) picks.push_back(scored[i].second);
        return picks;
    }

    std::string RaceKey(const Meeting& m, const Course& course, int number) const {
        const MeetingPlace place = MeetingOn(course.code, m.sunday ? m.day - days{1} : m.day);
        const int meeting = place.meeting;
        const int meetingDay = 1 + 2 * place.weekend + (m.sunday ? 1 : 0);
        return Date(m.day) + std::string(course.code) + Digits(meeting, 2) + Digits(meetingDay, 2) + Digits(number, 2);
    }

    Going DayGoing() {
        Going g;
        int roll = results_.Below(100);
        g.turf = roll < 70 ? 1 : roll < 86 ? 2 : roll < 95 ? 3 : 4;
        g.dirt = std::min(4, g.turf + (g.turf > 1 || results_.Chance(15) ? 1 : 0));
        g.weather = g.turf == 1 ? (results_.Chance(70) ? 1 : 2) : g.turf == 2 ? (results_.Chance(50) ? 2 : 4) : 3;
        return g;
    }

    // The race run: who withdrew, the betting, the order home and the times.
    std::vector<RunResult> Results(const PlannedRace& race) {
        const RacePlan& r = race.plan;
        const bool turf = r.track.code < 23;
        const std::size_t n = race.runners.size();
        std::vector<RunResult> out(n);
        std::vector<int> market(n), form(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Entrant& e = *race.runners[i];
            const Horse& h = *e.horse;
            int roll = results_.Below(1000);
            const bool wins = race.runners[i] == race.winner ||  // the winners start and finish
                              std::count(race.deadHeat.begin(), race.deadHeat.end(), race.runners[i]);
            out[i].abnormal = wins ? 0 : roll < 18 ? 1 : roll < 21 ? 2 : roll < 24 ? 3 : roll < 31 ? 4 : 0;
            int fit = (h.turf == turf ? 8 : -6) - std::abs(h.distance - r.track.distance) / 100;
            market[i] = h.ability + fit + results_.Between(-12, 12) + (wins ? 12 : 0);
            form[i] = h.ability + fit + results_.Between(0, 30) + (wins ? 1000 : 0);
            out[i].market = market[i];
        }
        auto starts = [&](std::size_t i) { return out[i].abnormal == 0 || out[i].abnormal >= 4; };
        if (std::count_if(out.begin(), out.end(), [](const RunResult& x) { return x.abnormal == 0; }) < 3)
            for (RunResult& x : out) x.abnormal = 0;

        // The betting: win odds from each runner's share of the market, less the take.
        double total = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (starts(i)) total += std::exp(market[i] / 12.0);
        std::vector<std::size_t> byOdds;
        for (std::size_t i = 0; i < n; ++i) {
            if (!starts(i)) continue;
            double share = std::exp(market[i] / 12.0) / total;
            out[i].odds = std::clamp(static_cast<int>(std::lround(8.0 / share)), 11, 9999);
            byOdds.push_back(i);
        }
        std::stable_sort(byOdds.begin(), byOdds.end(),
                         [&](std::size_t a, std::size_t b) { return out[a].odds < out[b].odds; });
        for (std::size_t k = 0; k < byOdds.size(); ++k) out[byOdds[k]].popularity = static_cast<int>(k + 1);

        // The order home and the times.
        std::vector<std::size_t> home;
        for (std::size_t i = 0; i < n; ++i)
            if (out[i].abnormal == 0) home.push_back(i);
        std::stable_sort(home.begin(), home.end(), [&](std::size_t a, std::size_t b) { return form[a] > form[b]; });
        int time = WinningTime(r, going_, results_);
        int last3f = (turf ? 345 : 372) + (turf ? 4 : -2) * (going_.turf - 1) + results_.Between(-8, 8);
        int winner = time;
        const std::size_t tied = 1 + race.deadHeat.size();  // the first home, side by side
        for (std::size_t k = 0; k < home.size(); ++k) {
            const int before = time;
            if (k >= tied) time += results_.Chance(15) ? 0 : results_.Between(1, k < 3 ? 3 : 6);
            RunResult& x = out[home[k]];
            if (k > 0) x.margin = k < tied ? "D  " : MarginCode(time - before, static_cast<int>(k) + time);
            x.position = k < tied ? 1 : static_cast<int>(k + 1);
            x.deadHeat = k < tied ? static_cast<int>(tied - 1) : 0;
            x.time = time;
            x.last3f = last3f + (k == 0 ? 0 : results_.Between(-4, 10));
            x.diff = time - winner;
        }
        if (tied == 1 && home.size() > 1) out[home[0]].diff = -(out[home[1]].time - winner);
        return out;
    }

    std::string RaRecord(const PlannedRace& race, const std::vector<RunResult>& results) {
        const Meeting& m = meetings_[race.meeting];
        const RacePlan& r = race.plan;
        RecordBuilder b = RecordBuilder::Ra();
        b.Raw(ra::DataCategory, results.empty() ? "2" : "7");
        b.Raw(ra::MadeDate, Date(results.empty() ? monday_ : monday_ + days{6})).Raw(ra::RaceKey, race.key);
        b.Number(ra::Weekday, m.sunday ? 2 : 1);
        if (IsSpecial(r)) {
            b.Text(ra::RaceName, r.name);
            b.Text(ra::ShortName10, ShortRaceName(r.name, 10)).Text(ra::ShortName6, ShortRaceName(r.name, 6));
            b.Text(ra::ShortName, ShortRaceName(r.name, 3));
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
        if (!results.empty()) {
            int starters = 0, finishers = 0;
            for (const RunResult& x : results) {
                starters += x.abnormal == 0 || x.abnormal >= 4;
                finishers += x.abnormal == 0;
            }
            b.Number(ra::Starters, starters).Number(ra::Finishers, finishers);
            b.Number(ra::Weather, going_.weather).Number(ra::TurfGoing, going_.turf).Number(ra::DirtGoing, going_.dirt);
        }
        return b.str();
    }

    std::vector<std::string> Runners(const PlannedRace& race, const std::vector<RunResult>& results) {
        const RacePlan& r = race.plan;
        std::vector<int> posts = PostPositions(r.headCount);
        std::vector<std::size_t> riders(Jockeys().size());
        for (std::size_t i = 0; i < riders.size(); ++i) riders[i] = i;
        std::vector<std::string> records;
        for (int h = 1; h <= r.headCount; ++h) {
            const Entrant& e = *race.runners[static_cast<std::size_t>(h - 1)];
            const Horse& horse = *e.horse;
            int sex = horse.SexAt(e.age);
            // Every jockey rides one horse of a race at most; the horse's own rider when free.
            auto own = std::find(riders.begin(), riders.end(), horse.jockey);
            std::size_t pick = own != riders.end() && rng_.Chance(70)
                                   ? static_cast<std::size_t>(own - riders.begin())
                                   : static_cast<std::size_t>(rng_.Below(static_cast<int>(riders.size())));
            const Person& jockey = Jockeys()[riders[pick]];
            riders.erase(riders.begin() + static_cast<std::ptrdiff_t>(pick));
            const Person& trainer = Trainers()[horse.trainer];
            int allowance = IsSpecial(r) ? 0 : jockey.apprentice;

            RecordBuilder b = RecordBuilder::Se();
            b.Raw(se::DataCategory, results.empty() ? "2" : "7");
            b.Raw(se::MadeDate, Date(results.empty() ? monday_ : monday_ + days{6})).Raw(se::RaceKey, race.key);
            b.Number(se::PostPosition, posts[static_cast<std::size_t>(h - 1)]).Number(se::HorseNumber, h);
            b.Raw(se::Pedigree, horse.Pedigree());
            b.Text(se::HorseName, horse.Name());
            b.Number({80, 1}, 1).Number(se::CoatColour, horse.coat);
            b.Number(se::Sex, sex).Number(se::Age, e.age);
            b.Number(se::EastWest, trainer.region).Raw(se::TrainerCode, trainer.code).Text(se::Trainer, trainer.name);
            b.Text(se::OwnerName, kOwners[horse.owner]).Text(se::Colours, kColours[horse.colours]);
            b.Number(se::Weight, WeightFor(r, e.age, sex) - 10 * allowance);
            b.Number(se::Blinker, rng_.Chance(12) ? 1 : 0);
            b.Raw(se::JockeyCode, jockey.code).Text(se::Jockey, jockey.name);
            b.Number(se::Apprentice, allowance);
            b.Raw({325, 7}, "");  // body weight and its change: not weighed yet
            if (!results.empty()) Result(b, e, results[static_cast<std::size_t>(h - 1)]);
            records.push_back(b.str());
        }
        return records;
    }

    void Result(RecordBuilder& b, const Entrant& e, const RunResult& x) {
        const Horse& horse = *e.horse;
        b.Number(se::Abnormal, x.abnormal);
        if (x.abnormal == 1 || x.abnormal == 2) {
            b.Raw(se::BodyWeight, x.abnormal == 1 ? "000" : "999");
        } else {
            int weight = horse.BodyWeightAt(week_);
            int change = weight - horse.BodyWeightAt(week_ - horse.interval);
            b.Number(se::BodyWeight, weight);
            if (e.runs == 0) {
                b.Raw(se::WeightSign, " ").Raw(se::WeightChange, "");  // a first run: nothing to compare
            } else {
                b.Raw(se::WeightSign, change > 0   ? "+"
                                      : change < 0 ? "-"
                                                   : " ")
                    .Number(se::WeightChange, std::abs(change));
            }
        }
        b.Number(se::ArrivalOrder, x.position).Number(se::Position, x.position);
        if (x.deadHeat > 0) b.Number({337, 1}, 1).Number({338, 1}, x.deadHeat);  // 同着区分, 同着頭数
        if (x.time > 0) b.Number(se::Time, (x.time / 600) * 1000 + (x.time % 600 / 10) * 10 + x.time % 10);
        if (*x.margin != '\0') b.Raw(se::Margin, x.margin);
        b.Number(se::WinOdds, x.odds).Number(se::Popularity, x.popularity);
        if (x.last3f > 0) b.Number(se::Last3F, x.last3f);
        if (x.time > 0) b.Raw(se::TimeDiff, (x.diff < 0 ? "-" : "+") + Digits(std::min(999, std::abs(x.diff)), 3));
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

    // The cards' stream once also drew odds for each day's first racecourse; those draws are
    // still taken so that a week's cards stay as they have always been.
    void KeepCardDraws(int headCount) {
        for (int i = headCount - 1; i > 0; --i) rng_.Below(i + 1);
        for (int rank = 0; rank < headCount; ++rank) rng_.Below(10);
    }

    // The betting on the race: on the cards' week the odds a few minutes before the off, the
    // market as the result will have it give or take a little, every runner still in; once
    // run, the final odds the results carry, with the finishing positions.
    BettingRace Betting(const PlannedRace& race, const std::vector<RunResult>& outcome, bool results) {
        const RacePlan& r = race.plan;
        const Meeting& m = meetings_[race.meeting];
        BettingRace b;
        b.key = race.key;
        b.made = Date(results ? monday_ + days{6} : monday_);
        b.seed = Mix(betting_.Next());
        b.scale = r.grade == 'A' ? 20 : r.grade == 'B' || r.grade == 'C' ? 6 : IsSpecial(r) ? 2 : 1;
        const std::vector<int> posts = PostPositions(r.headCount);
        Rng noise(b.seed ^ 0x4D61726B6574ull);
        double total = 0;
        std::vector<double> weight(outcome.size());
        for (std::size_t i = 0; i < outcome.size(); ++i) {
            weight[i] = std::exp((outcome[i].market + noise.Between(-6, 6)) / 12.0);
            total += weight[i];
        }
        for (std::size_t i = 0; i < outcome.size(); ++i) {
            BettingRunner runner;
            runner.post = posts[i];
            if (results) {
                runner.abnormal = outcome[i].abnormal;
                runner.odds = outcome[i].odds;
                runner.position = outcome[i].position;
            } else {
                runner.odds = std::clamp(static_cast<int>(std::lround(8.0 * total / weight[i])), 11, 9999);
            }
            b.runners.push_back(runner);
        }
        if (!results) b.announced = Date(m.day).substr(4, 4) + Digits(AddMinutes(r.postTime, -10), 4);
        return b;
    }

    sys_days monday_;
    long week_;
    Rng rng_;
    Rng results_;
    Rng betting_;  // odds and payouts
    std::vector<Meeting> meetings_;
    std::vector<Horse> horses_;
    std::vector<Entrant> entrants_;
    std::vector<PlannedRace> races_;
    std::set<std::string> usedPlaces_;
    Going going_;
    int incompleteCourse_ = 0;
    int incompleteRace_ = 0;
};

}  // namespace

sys_days MondayOf(sys_days day) {
    unsigned sinceMonday = (weekday{day}.c_encoding() + 6) % 7;
    return day - days{sinceMonday};
}

std::vector<JvdFile> DemoProgramme(sys_days anyDay) { return WeekBuilder(MondayOf(anyDay)).Build(false); }

std::vector<JvdFile> DemoResults(sys_days anyDay) { return WeekBuilder(MondayOf(anyDay)).Build(true); }

std::vector<JvdFile> DemoWeeks(sys_days anyDay, int weeks) {
    std::vector<JvdFile> files;
    sys_days monday = MondayOf(anyDay);
    for (int back = weeks - 1; back >= 1; --back) {
        std::vector<JvdFile> week = DemoResults(monday - days{7 * back});
        std::move(week.begin(), week.end(), std::back_inserter(files));
    }
    if (weeks >= 1) {
        std::vector<JvdFile> week = DemoProgramme(monday);
        std::move(week.begin(), week.end(), std::back_inserter(files));
    }
    return files;
}

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
