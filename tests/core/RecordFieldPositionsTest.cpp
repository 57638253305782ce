// Every RA and SE field the program reads, checked on records in which every byte position
// holds its own value: a field read a few bytes off, or from its neighbour, reads other bytes.
// Positions and lengths are the public JV-Data layout's (1-based), written out here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "browse/PrintedRace.h"
#include "records/RaceCardTable.h"

using namespace turfpad;

namespace {

// Printable ASCII that differs from byte to byte in no short period: no line end, no cp932
// lead byte, so every field keeps its bytes when it is cut to its size.
std::string DistinctRecord(std::string_view type, std::size_t size) {
    std::string r(size, ' ');
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < size - 2; ++i) {
        x = x * 1103515245u + 12345u;
        r[i] = static_cast<char>('!' + (x >> 16) % 94);
    }
    r.replace(0, 2, type);
    r.replace(size - 2, 2, "\r\n");
    return r;
}

std::string At(const std::string& record, int pos, int len) {
    return record.substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len));
}

struct Expected {
    const char* name;
    int pos;
    int len;
    std::string got;
};

class RecordFieldPositions : public ::testing::Test {
  protected:
    void SetUp() override {
        ra = DistinctRecord("RA", 1272);
        se = DistinctRecord("SE", 555);
        // The fields that decide what is read at all hold what a race card holds.
        ra.replace(881, 2, "01");  // 882-883 head count: one runner
        se.replace(25, 2, "01");   // 26-27 race number
        se.replace(28, 2, "01");   // 29-30 horse number
    }
    std::string ra, se;
};

TEST_F(RecordFieldPositions, TheRaceCardTableTakesEveryFieldFromItsPublicPosition) {
    RaceCardTable table;
    table.RaLine(0) = ra;
    table.SeLine(0, 0) = se;
    table.SetLinesRead(1);
    table.FillEntries();
    const RaceEntry& race = table.Race(0);
    ASSERT_EQ(race.RunnerCount(), 1);
    const RunnerEntry& runner = race.runners[0];

    const std::vector<Expected> raceFields = {
        {"race key", 12, 16, race.raceKey},       {"race name", 33, 60, race.raceName},
        {"short name 3", 605, 6, race.shortName}, {"grade", 615, 1, race.grade},
        {"weight type", 622, 1, race.weightType}, {"condition, youngest", 635, 3, race.raceCondition},
        {"distance", 698, 4, race.distance},      {"track", 706, 2, race.track},
        {"post time", 874, 4, race.postTime},     {"head count (entries)", 882, 2, race.headCount},
    };
    for (const Expected& f : raceFields) EXPECT_EQ(f.got, At(ra, f.pos, f.len)) << "RA " << f.name;

    const std::vector<Expected> runnerFields = {
        {"post position", 28, 1, runner.postPosition},
        {"horse number", 29, 2, runner.horseNumber},
        {"pedigree number", 31, 10, runner.pedigree},
        {"horse name, first 19 bytes", 41, 19, runner.horseName},
        {"sex", 79, 1, runner.sex},
        {"trainer short name", 91, 8, runner.trainer},
        {"weight carried", 289, 3, runner.weight},
        {"blinker", 295, 1, runner.blinker},
        {"jockey short name", 307, 8, runner.jockey},
        {"apprentice", 323, 1, runner.apprentice},
    };
    for (const Expected& f : runnerFields) EXPECT_EQ(f.got, At(se, f.pos, f.len)) << "SE " << f.name;
}

TEST_F(RecordFieldPositions, ThePrintedRaceTakesEveryFieldFromItsPublicPosition) {
    const std::vector<std::string> slots = {se};
    const PrintedRace race = PrintedRaceFromRecords(std::string_view(ra).substr(0, 1270), slots);
    ASSERT_FALSE(race.runners.empty());
    const PrintedRunner& runner = race.runners[0];

    const std::vector<Expected> fields = {
        {"RA race key", 12, 16, race.raceKey},       {"RA race name", 33, 60, race.raceName},
        {"RA weight type", 622, 1, race.weightType}, {"RA condition, youngest", 635, 3, race.raceCondition},
        {"RA distance", 698, 4, race.distance},      {"RA track", 706, 2, race.track},
        {"RA post time", 874, 4, race.postTime},     {"RA head count", 882, 2, race.headCount},
    };
    for (const Expected& f : fields) EXPECT_EQ(f.got, At(ra, f.pos, f.len)) << f.name;

    const std::vector<Expected> runnerFields = {
        {"post position", 28, 1, runner.postPosition},
        {"horse number", 29, 2, runner.horseNumber},
        {"sex", 79, 1, runner.sex},
        {"age", 83, 2, runner.age},
        {"trainer short name", 91, 8, runner.trainer},
        {"weight carried", 289, 3, runner.weight},
        {"blinker", 295, 1, runner.blinker},
        {"jockey short name", 307, 8, runner.jockey},
        {"apprentice", 323, 1, runner.apprentice},
    };
    for (const Expected& f : runnerFields) EXPECT_EQ(f.got, At(se, f.pos, f.len)) << "SE " << f.name;
}

TEST_F(RecordFieldPositions, TheRaceKeyAndTheRunnerSlotComeFromTheKeyFields) {
    EXPECT_EQ(std::string(RaceKeyOf(se)), At(se, 12, 16));
    // 26-27 race number and 29-30 horse number: race 3, horse 7 is slot 2 x 18 + 6.
    se.replace(25, 2, "03");
    se.replace(28, 2, "07");
    EXPECT_EQ(RunnerSlotOf(se), 42);
}

}  // namespace
