// The demo programme's fixed material: its own random numbers, the racecourses with their
// tracks and the weekend calendar, the names of horses, jockeys, trainers and owners, and the
// races of one racecourse and day. DemoProgramme.cpp makes the weeks and their runners from
// these.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad::demo {

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

const std::vector<Course>& Courses();
// The course of the code; the first one for a code it does not know.
const Course& CourseOf(std::string_view code);
// The racecourses of a weekend as JRA's calendar has them: the two main meetings of the
// season (east and west) and, most weeks, a third one at a local course. Both days race at
// the same courses.
std::vector<std::string_view> CoursesOn(std::chrono::sys_days saturday);
// The meeting (回次) of a racecourse on a weekend of CoursesOn, and the weekend's place in it
// (0 for its first): meetings are counted within the year, a run of consecutive weekends at a
// course is one meeting, or two (split in halves) when longer than five weekends.
struct MeetingPlace {
    int meeting = 0;
    int weekend = 0;
};
MeetingPlace MeetingOn(std::string_view course, std::chrono::sys_days saturday);

// East (Miho) horses race mostly at the eastern courses, west (Ritto) horses at the western.
int RegionOf(std::string_view course);

// Every horse name that can be made (at most nine characters), in an order of their own.
const std::vector<std::string>& AllNames();
// The value with leading zeros to `width` digits.
std::string Digits(int value, int width);

struct Person {
    std::string name;  // UTF-8, up to four full-width characters
    std::string code;  // 5 digits
    int region = 1;    // trainers: 1 Miho (east), 2 Ritto (west)
    int apprentice = 0;
};

// Jockeys and trainers stay the same from week to week.
const std::vector<Person>& Jockeys();
const std::vector<Person>& Trainers();

extern const std::vector<std::string_view> kOwners;
extern const std::vector<std::string_view> kColours;

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

bool IsSpecial(const RacePlan& r);
// A special race's name (UTF-8, full-width) in at most `chars` characters, as JRA shortens
// them: ステークス as Ｓ, カップ as Ｃ, ハンデキャップ as Ｈ, then the place name cut before
// the ending, never the ending itself (信濃川ステークス: 信濃川Ｓ, in three 信濃Ｓ).
std::string ShortRaceName(std::string_view name, std::size_t chars);
int AddMinutes(int hhmm, int minutes);
// The first prize of a race in units of 100 yen.
int FirstPrize(const RacePlan& r);

// The 12 races of one racecourse and day: ages, class, grade, track, head count, post time,
// and the names of special races (each place name used once in `places`).
std::vector<RacePlan> PlanDay(Rng& rng, std::chrono::sys_days day, const Course& course, int courseIndex, bool sunday,
                              std::set<std::string>& places);

}  // namespace turfpad::demo
