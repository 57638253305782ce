// Reading a day: which units are read, the progress reported, and days whose files are
// missing or damaged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "RaceDays.h"
#include "TempDir.h"
#include "browse/DayReading.h"
#include "browse/RaceTexts.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

struct RecordingProgress : ReadProgress {
    void Show(std::string_view entry, int n) override {
        log += "show:" + std::string(entry) + "/" + std::to_string(n) + ";";
        shown = true;
    }
    void Step() override { ++steps; }
    void Close() override {
        log += "close;";
        shown = false;
    }
    std::string log;
    int steps = 0;
    bool shown = false;
};

class DayReading : public ::testing::Test {
  protected:
    DayReadResult Read(const Meeting& day) { return ReadDay(dir.path(), DayKey(day), table, progress); }
    fs::path RaPath(const Meeting& day) { return RaceFilePath(dir.path(), DayKey(day) + ".jvRA"); }
    fs::path SePath(const Meeting& day) { return RaceFilePath(dir.path(), DayKey(day) + ".jvSEr"); }

    TempDir dir;
    Meeting m;
    RaceCardTable table;
    RecordingProgress progress;
};

bool AllBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// Puts in place of the file something that is there as a file but that cannot be opened,
// whoever runs the test (root reads every ordinary file): a link to a kernel setting that
// can only be written. Without one, a file without permissions serves for other users.
bool PutUnreadableFile(const fs::path& at) {
#ifdef _WIN32
    // On Windows a file that another program holds open without sharing cannot be read.
    static HANDLE held = INVALID_HANDLE_VALUE;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    held = CreateFileW(at.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return held != INVALID_HANDLE_VALUE;
#else
    for (const char* writeOnly : {"/proc/sys/vm/drop_caches", "/proc/sys/vm/compact_memory"}) {
        std::error_code ec;
        if (!fs::is_regular_file(writeOnly, ec) || std::ifstream(writeOnly).is_open()) continue;
        fs::remove(at);
        fs::create_symlink(writeOnly, at);
        return true;
    }
    if (geteuid() == 0) return false;
    fs::permissions(at, fs::perms::none);
    return true;
#endif
}

}  // namespace

TEST_F(DayReading, ReadsEveryRaceLineAndOnlyTheRunnersWithinTheHeadCount) {
    // Race 3 has head count 16, but runners 17 and 18 are in the SE file all the same.
    FileDay(dir.path(), m, {1, 2, 3}, 16);
    File(dir.path(), {SeRecord(m, 3, 17), SeRecord(m, 3, 18)});

    const DayReadResult r = Read(m);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(progress.log, "show:" + DayKey(m) + "/24;close;");
    EXPECT_EQ(progress.steps, 12);  // every RA line of the file, filled or not
    EXPECT_EQ(table.LinesRead(), 12);

    EXPECT_EQ(table.RaLine(2), RaRecord(m, 3, 16));
    for (int j = 0; j < 16; ++j) EXPECT_EQ(table.SeLine(2, j), SeRecord(m, 3, j + 1)) << j;
    EXPECT_TRUE(AllBlank(table.SeLine(2, 16)));
    EXPECT_TRUE(AllBlank(table.SeLine(2, 17)));
    EXPECT_EQ(table.Race(2).runners[16].horseNumber, "");
    EXPECT_EQ(RaceCardRows(table, 2).size(), 16u);  // 17 grid rows with the header

    // Empty slots: blank lines, empty entries.
    EXPECT_TRUE(AllBlank(table.RaLine(5).substr(0, 1270)));
    EXPECT_EQ(table.Race(5).HeadCount(), 0);
}

TEST_F(DayReading, MissingSeFileIsReportedAndLeavesTheTableEmpty) {
    FileDay(dir.path(), m, {1}, 2);
    ASSERT_TRUE(Read(m).ok());
    fs::remove(SePath(m));

    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Missing);
    EXPECT_EQ(r.message, "データ作成が未完了のようです。");
    EXPECT_EQ(progress.log, "show:" + DayKey(m) + "/24;close;show:" + DayKey(m) + "/24;close;");
    EXPECT_EQ(table.LinesRead(), 0);
    EXPECT_EQ(table.Race(0).raceKey, "");
    EXPECT_TRUE(AllBlank(table.RaLine(0)));

    EXPECT_EQ(ReadDay(dir.path(), Sj("2026年01月01日京都"), table, progress).outcome, DayReadResult::Outcome::Missing);
}

TEST_F(DayReading, ADayEntryNeverReachesOutsideTheDataFolder) {
    fs::create_directories(dir / "Data");
    FileDay(dir.path(), m, {1}, 1);  // outside "Data"
    const std::string escape = "../" + DayKey(m);
    EXPECT_EQ(ReadDay(dir / "Data", escape, table, progress).outcome, DayReadResult::Outcome::Missing);
    EXPECT_EQ(ReadDay(dir / "Data", "", table, progress).outcome, DayReadResult::Outcome::Missing);
    EXPECT_FALSE(progress.shown);
}

TEST_F(DayReading, HeadCountAboveEighteenReadsEighteenRunnersAndNoOtherRace) {
    // Race 1 claims 20 runners; the slots after its 18 are race 2's.
    File(dir.path(), {RaRecord(m, 1, 20), RaRecord(m, 2, 2)});
    for (int h = 1; h <= 18; ++h) File(dir.path(), {SeRecord(m, 1, h)});
    File(dir.path(), {SeRecord(m, 2, 1), SeRecord(m, 2, 2)});

    ASSERT_TRUE(Read(m).ok());
    const RaceEntry& one = table.Race(0);
    EXPECT_EQ(one.HeadCount(), 20);
    EXPECT_EQ(one.RunnerCount(), 18);
    EXPECT_FALSE(IsRaceComplete(one));
    EXPECT_EQ(RaceCardRows(table, 0).size(), 18u);
    EXPECT_EQ(one.runners[17].horseNumber, "18");
    // Race 2 is its own.
    const RaceEntry& two = table.Race(1);
    EXPECT_EQ(table.SeLine(1, 0), SeRecord(m, 2, 1));
    EXPECT_EQ(two.runners[0].horseNumber, "01");
    EXPECT_EQ(FieldOf(table.SeLine(1, 0), se::RaceNumber), "02");
    EXPECT_TRUE(IsRaceComplete(two));
}

TEST_F(DayReading, HorseNameOfNineFullWidthCharactersEndsInABlank) {
    std::string se = SeRecord(m, 1, 1);
    const std::string name = Sj("ナインキャラクタズ");  // 9 characters, 18 bytes
    ASSERT_EQ(name.size(), 18u);
    se.replace(40, 36, PadBytes(name + Sj("号"), 36));  // the 19th byte is the first of 号
    File(dir.path(), {RaRecord(m, 1, 1), se});
    ASSERT_TRUE(Read(m).ok());
    const std::string& kept = table.Race(0).runners[0].horseName;
    EXPECT_EQ(kept, name + " ");
    EXPECT_EQ(Cp932ToUtf8(RaceCardRows(table, 0)[0][2]), "ナインキャラクタズ ");
}

// ---- damaged files ----

TEST_F(DayReading, RaFileEndingInsideALineIsDamaged) {
    FileDay(dir.path(), m, {1, 2, 3}, 2);
    std::string ra = ReadAll(RaPath(m));
    WriteAll(RaPath(m), ra.substr(0, 3 * 1272 + 100));
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find("「2026年12月12日中山.jvRA」"), std::string::npos) << r.message;
    EXPECT_EQ(progress.log, "show:" + DayKey(m) + "/24;close;");
    EXPECT_EQ(table.LinesRead(), 0);
    EXPECT_EQ(table.Race(0).raceKey, "");
}

TEST_F(DayReading, RaFileOfWholeLinesOnlyIsReadAsFarAsItGoes) {
    FileDay(dir.path(), m, {1, 2, 3}, 2);
    WriteAll(RaPath(m), ReadAll(RaPath(m)).substr(0, 2 * 1272));
    ASSERT_TRUE(Read(m).ok());
    EXPECT_EQ(table.LinesRead(), 2);
    EXPECT_EQ(progress.steps, 2);
    EXPECT_EQ(table.Race(1).raceKey, "2026121206050802");
    EXPECT_EQ(table.Race(2).raceKey, "");
}

TEST_F(DayReading, SeFileTooShortForTheRunnersIsDamaged) {
    FileDay(dir.path(), m, {1, 2}, 10);
    WriteAll(SePath(m), ReadAll(SePath(m)).substr(0, (18 + 5) * 555));  // race 2 has only 5 lines
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find("「2026年12月12日中山.jvSEr」"), std::string::npos) << r.message;
    EXPECT_EQ(table.LinesRead(), 0);
    EXPECT_TRUE(AllBlank(table.SeLine(0, 0)));  // nothing half-read is left
    EXPECT_FALSE(progress.shown);
}

TEST_F(DayReading, ShiftedLinesAreDamaged) {
    FileDay(dir.path(), m, {1, 2}, 3);
    std::string se = ReadAll(SePath(m));
    se.erase(555 + 100, 1);  // runner 2 of race 1 loses a byte: every later line shifts
    se += " ";
    WriteAll(SePath(m), se);
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find(".jvSEr"), std::string::npos);

    fs::remove(SePath(m));
    fs::remove(RaPath(m));
    FileDay(dir.path(), m, {1, 2}, 3);  // whole again
    std::string ra = ReadAll(RaPath(m));
    ra.replace(1272 + 600, 2, "\r\n");
    WriteAll(RaPath(m), ra);
    EXPECT_EQ(Read(m).outcome, DayReadResult::Outcome::Damaged);
}

TEST_F(DayReading, UnreadableFileIsReportedByName) {
    FileDay(dir.path(), m, {1}, 1);
    ASSERT_TRUE(PutUnreadableFile(SePath(m))) << "no file here that cannot be read";
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find("2026年12月12日中山.jvSEr"), std::string::npos) << r.message;
    EXPECT_FALSE(progress.shown);
    EXPECT_EQ(table.LinesRead(), 0);
}

TEST_F(DayReading, EmptyRaFileHasNoRaces) {
    FileDay(dir.path(), m, {1}, 1);
    WriteAll(RaPath(m), "");
    ASSERT_TRUE(Read(m).ok());
    EXPECT_EQ(table.LinesRead(), 0);
    EXPECT_EQ(progress.steps, 0);
}

// The bounds of a day's files: twelve race lines at most, the last line's runners at the very
// end of the SE file, and a cut that falls inside the twelfth line or inside a runner line.
TEST_F(DayReading, ATwelfthRaceWithEighteenRunnersEndsExactlyAtTheEndOfTheSeFile) {
    std::vector<int> races;
    for (int k = 1; k <= 12; ++k) races.push_back(k);
    FileDay(dir.path(), m, races, 18);
    // A head count above 18 for the last race: its runner units still end at the file's end.
    File(dir.path(), {RaRecord(m, 12, 19)});
    // Anything after the twelfth race line is no race of the day.
    WriteAll(RaPath(m), ReadAll(RaPath(m)) + RaRecord(m, 1, 18));
    const DayReadResult r = Read(m);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(table.LinesRead(), 12);
    EXPECT_EQ(progress.steps, 12);
    EXPECT_EQ(table.Race(11).runners[17].horseNumber, "18");
    EXPECT_EQ(table.Race(11).RunnerCount(), 18);
}

TEST_F(DayReading, ACutInsideTheTwelfthRaceLineIsDamagedAndNamesIt) {
    std::vector<int> races;
    for (int k = 1; k <= 12; ++k) races.push_back(k);
    FileDay(dir.path(), m, races, 1);
    WriteAll(RaPath(m), ReadAll(RaPath(m)).substr(0, 11 * 1272 + 600));
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find("12 行目"), std::string::npos) << r.message;
    EXPECT_EQ(table.LinesRead(), 0);
}

TEST_F(DayReading, ARunnerLineMissingAtTheEndOfTheSeFileIsNamedByRaceAndRunner) {
    FileDay(dir.path(), m, {1}, 3);
    // The file ends exactly where race 1's third runner would start.
    WriteAll(SePath(m), ReadAll(SePath(m)).substr(0, 2 * 555));
    const DayReadResult r = Read(m);
    EXPECT_EQ(r.outcome, DayReadResult::Outcome::Damaged);
    EXPECT_NE(r.message.find("1R の 3 頭目の行がありません"), std::string::npos) << r.message;
}
