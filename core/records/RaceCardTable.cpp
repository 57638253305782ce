#include "records/RaceCardTable.h"

#include <algorithm>

#include "text/Cp932.h"

namespace turfpad {
namespace {

// A field of a stored line cut to the entry's size. Where the cut falls inside a two-byte
// character its first byte becomes a blank, so an entry never ends in half a character.
std::string Cut(std::string_view line, Field f, std::size_t size) { return CutBytes(FieldOf(line, f), size); }
std::string Cut(std::string_view line, Field f) { return Cut(line, f, static_cast<std::size_t>(f.len)); }

}  // namespace

int RaceEntry::RunnerCount() const { return std::clamp(HeadCount(), 0, kRunnersPerRace); }

RaceCardTable::RaceCardTable() { Reset(); }

void RaceCardTable::Reset() {
    for (std::string& line : ra_) line.assign(kRaRecordSize, ' ');
    for (std::string& line : se_) line.assign(kSeRecordSize, ' ');
    linesRead_ = 0;
    races_.fill(RaceEntry{});
}

void RaceCardTable::FillEntries() {
    for (int k = 0; k < linesRead_ && k < kRacesPerDay; ++k) {
        const std::string& line = RaLine(k);
        RaceEntry& e = races_[static_cast<std::size_t>(k)];
        e.raceKey = Cut(line, ra::RaceKey);
        e.raceName = Cut(line, ra::RaceName);
        e.shortName = Cut(line, ra::ShortName);
        e.grade = Cut(line, ra::Grade);
        e.weightType = Cut(line, ra::WeightType);
        e.raceCondition = Cut(line, ra::RaceCondition);
        e.distance = Cut(line, ra::Distance);
        e.track = Cut(line, ra::Track);
        e.postTime = Cut(line, ra::PostTime);
        e.headCount = Cut(line, ra::HeadCount);
        for (int j = 0; j < e.RunnerCount(); ++j) {
            const std::string& se = SeLine(k, j);
            RunnerEntry& r = e.runners[static_cast<std::size_t>(j)];
            r.horseNumber = Cut(se, se::HorseNumber);
            r.postPosition = Cut(se, se::PostPosition);
            r.pedigree = Cut(se, se::Pedigree);
            r.horseName = Cut(se, se::HorseName, entry_size::kHorseName);
            r.sex = Cut(se, se::Sex);
            r.weight = Cut(se, se::Weight);
            r.jockey = Cut(se, se::Jockey);
            r.trainer = Cut(se, se::Trainer);
            r.blinker = Cut(se, se::Blinker);
            r.apprentice = Cut(se, se::Apprentice);
        }
    }
}

void RaceCardTable::SetCurrentRace(int slot) { current_ = std::clamp(slot, 0, kRacesPerDay - 1); }

}  // namespace turfpad
