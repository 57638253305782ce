// The race card table: the chosen day's stored RA and SE lines and, cut from them, one race
// entry per race slot with the runner entries of its runners. Every value is held as cp932
// text of its fixed maximum size and turned into display text only where it is shown.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "records/RecordLayout.h"

namespace turfpad {

struct RunnerEntry {
    std::string horseNumber;   // 2  SE 29-30
    std::string postPosition;  // 1  SE 28
    std::string pedigree;      // 10 SE 31-40
    std::string horseName;     // 19 first bytes of SE 41-76
    std::string sex;           // 1  SE 79
    std::string weight;        // 3  SE 289-291, tenths of a kilogram
    std::string jockey;        // 8  SE 307-314
    std::string trainer;       // 8  SE 91-98
    std::string blinker;       // 1  SE 295
    std::string apprentice;    // 1  SE 323
};

struct RaceEntry {
    std::string raceKey;                               // 16 RA 12-27
    std::string raceName;                              // 60 RA 33-92
    std::string shortName;                             // 6  RA 605-610
    std::string grade;                                 // 1  RA 615
    std::string weightType;                            // 1  RA 622
    std::string raceCondition;                         // 3  RA 635-637
    std::string distance;                              // 4  RA 698-701
    std::string track;                                 // 2  RA 706-707
    std::string postTime;                              // 4  RA 874-877
    std::string headCount;                             // 2  RA 882-883
    std::array<RunnerEntry, kRunnersPerRace> runners;  // index = horse number - 1

    // The stored head count read as a number (0 for an empty slot).
    int HeadCount() const { return ReadNumber(headCount); }
    // The runners a card can hold: the head count within 0..18.
    int RunnerCount() const;
    // A stored head count larger than a card holds: such a race cannot be complete.
    bool HeadCountTooLarge() const { return HeadCount() > kRunnersPerRace; }
};

// Byte sizes of the entry texts.
namespace entry_size {
inline constexpr std::size_t kHorseName = 19;
}

class RaceCardTable {
  public:
    RaceCardTable();

    // Empties every race and runner entry and blanks the stored lines: the state before a
    // day is read, and after a day that could not be read.
    void Reset();

    // Stored lines, filled by the day reading: RA line k is a unit of 1272 bytes, SE line
    // (k, j) one of 555 bytes. Lines that were not read are blanks.
    std::string& RaLine(int slot) { return ra_[static_cast<std::size_t>(slot)]; }
    const std::string& RaLine(int slot) const { return ra_[static_cast<std::size_t>(slot)]; }
    std::string& SeLine(int slot, int runner) { return se_[Index(slot, runner)]; }
    const std::string& SeLine(int slot, int runner) const { return se_[Index(slot, runner)]; }
    void SetLinesRead(int n) { linesRead_ = n; }
    int LinesRead() const { return linesRead_; }

    // Cuts the race entries of the RA lines read, and the runner entries of each race's
    // runners, from the stored lines, every text to its size.
    void FillEntries();

    const RaceEntry& Race(int slot) const { return races_[static_cast<std::size_t>(slot)]; }

    // The race slot of the race shown, 0..11.
    int CurrentRace() const { return current_; }
    void SetCurrentRace(int slot);
    const RaceEntry& CurrentEntry() const { return Race(current_); }

  private:
    static std::size_t Index(int slot, int runner) {
        return static_cast<std::size_t>(slot) * kRunnersPerRace + static_cast<std::size_t>(runner);
    }

    std::array<std::string, kRacesPerDay> ra_;
    std::array<std::string, kRacesPerDay * kRunnersPerRace> se_;
    int linesRead_ = 0;
    std::array<RaceEntry, kRacesPerDay> races_;
    int current_ = 0;
};

}  // namespace turfpad
