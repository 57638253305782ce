// What a printed race card needs of one race: the texts as cut from the stored records
// (cp932, fixed widths), and the wording of each text on the page.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

// One runner, by horse number.
struct PrintedRunner {
    std::string postPosition;  // 1 byte
    std::string horseNumber;   // 2
    std::string horseName;     // 19, as the race entry keeps it
    std::string sex;           // 1, sex code
    std::string weight;        // 3, weight carried in tenths of a kilogram
    std::string jockey;        // 8
    std::string trainer;       // 8
    std::string blinker;       // 1
    std::string apprentice;    // 1
    std::string age;           // 2 (SE 83-84)
};

// One race. runners[k - 1] is the runner with horse number k; a missing one prints as blank.
struct PrintedRace {
    std::string raceKey;        // 16: year 4, month 2, day 2, racecourse 2, meeting 2, day 2, race 2
    std::string raceName;       // 60
    std::string weightType;     // 1
    std::string raceCondition;  // 3
    std::string distance;       // 4
    std::string track;          // 2
    std::string postTime;       // 4, hhmm
    std::string headCount;      // 2
    std::vector<PrintedRunner> runners;
};

// The texts of a race from its stored RA line and the stored SE lines of its 18 runner slots
// (slot k - 1 for horse number k; fewer lines leave the rest blank).
PrintedRace PrintedRaceFromRecords(std::string_view raLine, std::span<const std::string> seSlots);

// The most runner bands a page has room for.
inline constexpr int kMaxPrintedRunners = 18;

// The wording of the page, cp932. Numbers are read leniently (leading blanks, then digits)
// except where a text says strictly.
std::string PrintedRacecourse(const PrintedRace& race);  // racecourse name of key chars 9-10
int PrintedRaceNumber(const PrintedRace& race);          // key chars 15-16
// "2024年 5月26日東京 2回 8日". Month and day are converted strictly: throws
// std::invalid_argument when either is not all digits.
std::string PrintedDateLine(const PrintedRace& race);
std::string PrintedPostTime(const PrintedRace& race);   // "15時40分発走"
std::string PrintedHeadCount(const PrintedRace& race);  // "18頭"
std::string PrintedDistance(const PrintedRace& race);   // "2400m"
std::string PrintedWeightType(std::string_view code);
// Ten bytes; the win-count classes (see RaceConditionName) for races of their dates.
std::string PrintedRaceCondition(std::string_view code, std::string_view raceDate = {});
std::string PrintedTrack(std::string_view code);
// The number of runner bands: the head count, at most 18 and never below 0.
int PrintedBandCount(const PrintedRace& race);

std::string PrintedPostPosition(const PrintedRunner& r);  // in decimal
std::string PrintedHorseNumber(const PrintedRunner& r);   // ①..⑱ or "－"
std::string PrintedHorseName(const PrintedRunner& r);     // the first 18 bytes, whole characters only
std::string PrintedSexAge(const PrintedRunner& r);        // "牡 4"
std::string PrintedWeight(const PrintedRunner& r);        // "57.5kg" or empty
std::string PrintedBlinker(const PrintedRunner& r);       // "ﾌﾞﾘﾝｶ" or empty
std::string PrintedApprentice(const PrintedRunner& r);    // "1kg減".."3kg減" or empty

// A stored text converted strictly to a number: all digits, or std::invalid_argument.
int StrictNumber(std::string_view cp932);

}  // namespace turfpad
