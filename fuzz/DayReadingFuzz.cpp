// Reads arbitrary race data files as a day and composes every race of it. Whatever the files
// hold, reading must not crash, must report a damaged day instead of reading garbage, and the
// composed texts keep their byte widths and never hold half a character at a cut.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "browse/DayReading.h"
#include "browse/RaceTexts.h"
#include "text/Cp932.h"

namespace fs = std::filesystem;
using namespace turfpad;

namespace {

const fs::path& Data() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("turfpad-fuzz-day-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

// A cut text never ends in the first byte of a two-byte character.
bool Whole(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) i += IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    return i == s.size();
}

}  // namespace

// Input: two bytes giving how much of the rest is the RA file; the remainder is the SE file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::size_t split = (static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8) * 8;
    std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    split = std::min(split, rest.size());
    const std::string day = Sj("2026年12月12日中山");
    const std::string ra = Cp932ToUtf8(day) + ".jvRA", se = Cp932ToUtf8(day) + ".jvSEr";
    std::ofstream(Data() / ra, std::ios::binary | std::ios::trunc) << rest.substr(0, split);
    std::ofstream(Data() / se, std::ios::binary | std::ios::trunc) << rest.substr(split);

    RaceCardTable table;
    NoProgress progress;
    DayReadResult result = ReadDay(Data(), day, table, progress);
    if (result.outcome != DayReadResult::Outcome::Read) {
        Check(table.LinesRead() == 0);
        return 0;
    }
    Check(table.LinesRead() >= 0 && table.LinesRead() <= 12);
    for (int k = 0; k < table.LinesRead(); ++k) {
        const RaceEntry& race = table.Race(k);
        Check(race.raceKey.size() <= 16 && race.raceName.size() <= 60 && race.RunnerCount() <= 18);
        for (const RunnerEntry& r : race.runners) Check(r.horseName.size() <= 19 && Whole(r.horseName));
        (void)RaceListText(race);
        (void)ScheduleCells(race);
        (void)HeadingTexts(race);
        (void)IsRaceComplete(race);
        std::vector<RaceCardRow> rows = RaceCardRows(table, k);
        Check(rows.size() == static_cast<std::size_t>(race.RunnerCount()));
    }
    return 0;
}
