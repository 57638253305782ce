#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "RaceDayRecords.h"
#include "SampleRecords.h"
#include "TempDir.h"
#include "datafolder/AtomicFile.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"
#include "text/PathText.h"

using namespace turfpad;
using turfpad::testing::ReadAll;
using turfpad::testing::SampleRa;
using turfpad::testing::SampleSe;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

std::string Ra(const char* date, const char* course, int race, const char* name = "テスト") {
    return SampleRa(date, course, race).Text({33, 60}, name);  // race name
}

std::string Se(const char* date, const char* course, int race, int horse) {
    return SampleSe(date, course, race, horse).Text({41, 36}, "ウマ" + std::to_string(race * 100 + horse));  // name
}

std::string Line(const std::string& record) { return record; }  // a slot plus CR LF is the record

std::vector<std::string> Units(const std::string& content, std::size_t size) {
    std::vector<std::string> units;
    for (std::size_t at = 0; at < content.size(); at += size) units.push_back(content.substr(at, size));
    return units;
}

const std::string kRaName = "2026年12月12日中山.jvRA";
const std::string kSeName = "2026年12月12日中山.jvSEr";

}  // namespace

TEST(Filing, FirstRaRecordCreatesTheWholeFileWithOneSlotFilled) {
    TempDir dir;
    std::string rec = Ra("20261212", "06", 11);
    FilingResult r = FileRaceRecord(dir.path(), rec);
    ASSERT_EQ(r.outcome, FilingResult::Outcome::Filed);
    EXPECT_EQ(Cp932ToUtf8(r.ListLine()), "作成済み:11R/" + kRaName);
    EXPECT_EQ(r.ListLineUtf8(), Cp932ToUtf8(r.ListLine()));

    std::string content = ReadAll(dir / kRaName);
    ASSERT_EQ(content.size(), kRaFileSize);
    EXPECT_TRUE(IsWholeRaceFile(content, kRaRecordSize));
    auto units = Units(content, kRaRecordSize);
    std::string blank = std::string(1270, ' ') + "\r\n";
    for (int i = 0; i < 12; ++i) EXPECT_EQ(units[i], i == 10 ? Line(rec) : blank) << i;
    EXPECT_EQ(fs::file_size(dir / kRaName), 15264u);
}

TEST(Filing, SeSlotsFollowRaceAndHorseNumber) {
    TempDir dir;
    std::string r2h1 = Se("20261212", "06", 2, 1);
    std::string r12h18 = Se("20261212", "06", 12, 18);
    FilingResult r = FileRaceRecord(dir.path(), r2h1);
    ASSERT_EQ(r.outcome, FilingResult::Outcome::Filed);
    EXPECT_EQ(Cp932ToUtf8(r.ListLine()), "作成済み:02R/01番/" + kSeName);
    EXPECT_EQ(r.ListLineUtf8(), Cp932ToUtf8(r.ListLine()));
    FileRaceRecord(dir.path(), r12h18);

    std::string content = ReadAll(dir / kSeName);
    ASSERT_EQ(content.size(), kSeFileSize);
    auto units = Units(content, kSeRecordSize);
    ASSERT_EQ(units.size(), 216u);
    EXPECT_EQ(units[18], r2h1);  // the 19th line
    EXPECT_EQ(units[215], r12h18);
    for (int i = 0; i < 215; ++i)
        if (i != 18) {
            EXPECT_EQ(units[i], std::string(553, ' ') + "\r\n") << i;
        }
}

TEST(Filing, ALaterRecordReplacesItsSlotAndNothingElse) {
    TempDir dir;
    RaceFiler filer(dir.path());
    for (int race = 1; race <= 12; ++race) filer.File(Ra("20261212", "06", race, "初回"));
    filer.Flush();
    std::string before = ReadAll(dir / kRaName);
    std::string again = Ra("20261212", "06", 5, "二回目");
    filer.File(again);
    filer.Flush();
    auto oldUnits = Units(before, kRaRecordSize);
    auto newUnits = Units(ReadAll(dir / kRaName), kRaRecordSize);
    ASSERT_EQ(newUnits.size(), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(newUnits[i], i == 4 ? again : oldUnits[i]) << i;
}

TEST(Filing, TwoRacecoursesOnOneDayGetTwoPairsOfFiles) {
    TempDir dir;
    FileRaceRecord(dir.path(), Ra("20261212", "06", 1));
    FileRaceRecord(dir.path(), Ra("20261212", "09", 1));
    FileRaceRecord(dir.path(), Ra("20261212", "ZZ", 1));  // unknown code: four blanks
    EXPECT_TRUE(fs::exists(dir / "2026年12月12日中山.jvRA"));
    EXPECT_TRUE(fs::exists(dir / "2026年12月12日阪神.jvRA"));
    EXPECT_TRUE(fs::exists(dir / "2026年12月12日    .jvRA"));
}

TEST(Filing, RecordsWithoutASlotAreNotFiled) {
    TempDir top;
    fs::create_directories(top / "a" / "b");
    struct {
        fs::path p;
        const fs::path& path() const { return p; }
    } dir{top / "a" / "b"};
    using O = FilingResult::Outcome;
    // Not yet assigned numbers and other record types are passed over quietly.
    EXPECT_EQ(FileRaceRecord(dir.path(), RecordBuilder::Ra()
                                             .Raw(ra::Year, "2026")
                                             .Raw(ra::Month, "12")
                                             .Raw(ra::Day, "12")
                                             .Raw(ra::RaceNumber, "00")
                                             .str())
                  .outcome,
              O::PassedOver);
    EXPECT_EQ(FileRaceRecord(dir.path(), RecordBuilder::Ra()
                                             .Raw(ra::Year, "2026")
                                             .Raw(ra::Month, "12")
                                             .Raw(ra::Day, "12")
                                             .Raw(ra::RaceNumber, "  ")
                                             .str())
                  .outcome,
              O::PassedOver);
    EXPECT_EQ(FileRaceRecord(dir.path(), Se("20261212", "06", 1, 0)).outcome, O::PassedOver);
    EXPECT_EQ(FileRaceRecord(dir.path(), "UM2" + std::string(100, '0') + "\r\n").outcome, O::PassedOver);
    EXPECT_EQ(FileRaceRecord(dir.path(), "").outcome, O::PassedOver);
    // Records that would break the files or leave the folder are rejected with a reason.
    std::string rec = Ra("20261212", "06", 1);
    std::vector<std::string> bad = {
        rec.substr(0, 1271),                          // short
        rec + " ",                                    // long
        rec.substr(0, 1270) + "\n\n",                 // no CR LF
        std::string(rec).replace(500, 1, "\n"),       // a line end inside
        std::string(rec).replace(11, 8, "../../x/"),  // date bytes not digits
        std::string(rec).replace(15, 2, "1/"),        //
        Ra("20261212", "06", 13),                     // no slot
        Se("20261212", "06", 1, 19),                  //
        Se("20261212", "06", 99, 1),                  //
        // A race or horse number that is not two digits names no slot for sure.
        std::string(rec).replace(25, 2, "1x"),                           // RA race number, 26-27
        std::string(rec).replace(25, 2, "1 "),                           //
        std::string(rec).replace(25, 2, "-1"),                           //
        std::string(rec).replace(25, 2, "1\x81"),                        //
        std::string(Se("20261212", "06", 1, 1)).replace(25, 2, " 1"),    // SE race number, 26-27
        std::string(Se("20261212", "06", 1, 10)).replace(28, 2, "1\t"),  // SE horse number, 29-30
    };
    for (const std::string& b : bad) {
        FilingResult r = FileRaceRecord(dir.path(), b);
        EXPECT_EQ(r.outcome, O::Rejected);
        EXPECT_FALSE(r.reason.empty());
    }
    // Nothing was written, inside the data folder or above it.
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(top.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(top / "a"), fs::directory_iterator()), 1);
}

TEST(Filing, ADamagedFileIsNeverExtendedOrOverwritten) {
    TempDir dir;
    for (const std::string& damaged :
         {std::string(100, ' '), std::string(kRaFileSize, ' '), std::string(kRaFileSize + 1272, ' ')}) {
        WriteAll(dir / kRaName, damaged);
        try {
            FileRaceRecord(dir.path(), Ra("20261212", "06", 1));
            ADD_FAILURE() << "filed into a damaged file";
        } catch (const FilingError& e) {
            EXPECT_NE(std::string(e.what()).find(kRaName), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadAll(dir / kRaName), damaged);
    }
    // A file that cannot even be looked at (a link to itself) is not taken for a missing one.
    // (Windows without developer mode cannot make links: that case is left out there.)
    fs::remove(dir / kRaName);
    std::error_code linkError;
    fs::create_symlink(PathFromText(kRaName), dir / kRaName, linkError);
    if (!linkError) {
        EXPECT_THROW(FileRaceRecord(dir.path(), Ra("20261212", "06", 1)), FilingError);
        EXPECT_TRUE(fs::is_symlink(dir / kRaName));
        fs::remove(dir / kRaName);
    }

    // Right size, but a line end inside a line.
    RaceFiler filer(dir.path());
    std::string content;
    for (int i = 0; i < 12; ++i) content += std::string(1270, ' ') + "\r\n";
    content[3000] = '\n';
    WriteAll(dir / kRaName, content);
    EXPECT_THROW(filer.File(Ra("20261212", "06", 1)), FilingError);
    EXPECT_EQ(ReadAll(dir / kRaName), content);
}

TEST(Filing, UnwritableOrMissingFolderGivesAnErrorAndKeepsTheRecords) {
    TempDir dir;
    fs::path data = dir / "Data";
    EXPECT_THROW(FileRaceRecord(data, Ra("20261212", "06", 1)), FilingError);

    fs::create_directory(data);
    RaceFiler filer(data);
    filer.File(Ra("20261212", "06", 1));
    // A folder where the file should go refuses the write, even to root. (The name is text:
    // on Windows a narrow path would be read in the ANSI code page and name another folder.)
    const fs::path file = data / PathFromText(kRaName);
    fs::create_directory(file);
    for (bool empty : {true, false}) {
        if (!empty) fs::create_directory(file / "x");
        try {
            filer.Flush();
            ADD_FAILURE() << "no error";
        } catch (const FilingError& e) {
            EXPECT_NE(std::string(e.what()).find("「" + kRaName + "」に書き込めません"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(filer.HasUnwritten());
    EXPECT_TRUE(fs::is_directory(file / "x"));
    fs::remove_all(file);
    filer.Flush();  // the held record goes out once the folder is writable again
    EXPECT_FALSE(filer.HasUnwritten());
    EXPECT_EQ(ReadAll(file).size(), kRaFileSize);
}

TEST(Filing, HeldFilesGoOutWhenManyAreHeld) {
    TempDir dir;
    RaceFiler filer(dir.path(), 2);
    filer.File(Ra("20261212", "06", 1));
    filer.File(Se("20261212", "06", 1, 1));
    EXPECT_EQ(filer.HeldFiles(), 2u);
    EXPECT_FALSE(fs::exists(dir / kRaName));
    filer.File(Ra("20261213", "06", 1));  // a third file: the day of the first two is written out
    EXPECT_TRUE(fs::exists(dir / kRaName));
    EXPECT_TRUE(fs::exists(dir / kSeName));
    EXPECT_EQ(filer.HeldFiles(), 1u);
    EXPECT_TRUE(filer.HasUnwritten());
}

// Batches of a record or two per file (a stream in random order) let the limit grow to the
// most allowed; batches of full files (a stream in file order) keep it.
TEST(Filing, SparseBatchesLetTheLimitOfHeldFilesGrowDenseOnesKeepIt) {
    for (const int perFile : {1, 7, 8}) {
        TempDir dir;
        RaceFiler filer(dir.path(), 4);
        filer.SetDurable(false);
        filer.SetMostHeldFiles(16);
        for (int day = 10; day <= 14; ++day)  // the fifth day writes a batch of four files out
            for (int horse = 1; horse <= perFile; ++horse)
                filer.File(Se(("202612" + std::to_string(day)).c_str(), "06", 1, horse));
        EXPECT_EQ(filer.MaxHeldFiles(), perFile < 8 ? 16u : 4u) << perFile << " records per file";
    }
}

// A flush between batches writes a day only with both its files: an RA file filed into alone
// is held back (unwritten, the folder free for readers) until its SE file is filed into, or
// until the last flush; past the memory cap it goes out all the same.
TEST(FilingSafety, ADayGoesOutWithBothFilesOrAtTheLastFlush) {
    TempDir dir;
    const std::string ra1 = Ra("20261212", "06", 1), se1 = Se("20261212", "06", 1, 1);
    RaceFiler filer(dir.path());
    filer.File(ra1);
    filer.File(Ra("20261213", "06", 1));
    filer.FlushWholeDays();
    EXPECT_FALSE(fs::exists(dir / kRaName));
    EXPECT_EQ(filer.HeldBackFiles(), 2u);
    EXPECT_EQ(filer.HeldFiles(), 0u);
    EXPECT_EQ(filer.UnwrittenRecords(), 2u);
    EXPECT_FALSE(filer.IsWritten(Utf8ToCp932(kRaName)));
    DataFolderLock reader(dir.path());
    std::string error;
    EXPECT_EQ(reader.Lock(
                  DataFolderLock::Mode::Shared, [] { return false; }, error),
              DataFolderLock::Result::Locked);
    reader.Unlock();

    filer.File(se1);
    filer.FlushWholeDays();
    EXPECT_EQ(ReadAll(dir / kRaName).substr(0, kRaRecordSize), ra1);
    EXPECT_EQ(ReadAll(dir / kSeName).substr(0, kSeRecordSize), se1);
    EXPECT_EQ(filer.HeldBackFiles(), 1u);  // 13 December has no runners yet
    EXPECT_EQ(filer.UnwrittenRecords(), 1u);
    filer.Flush();
    EXPECT_TRUE(fs::exists(dir / "2026年12月13日中山.jvRA"));
    EXPECT_FALSE(filer.HasUnwritten());

    // An SE file alone is held back the same way, but not beyond the cap: the sum of what is
    // held back (two SE files of 216 slots of 555 bytes) is weighed against it.
    for (const std::size_t cap : {239760u, 239759u, 119880u}) {
        filer.SetMaxHeldBack(cap);
        filer.File(Se("20261212", "06", 2, 1));
        filer.File(Se("20261213", "06", 2, 1));
        filer.FlushWholeDays();
        EXPECT_EQ(filer.HasUnwritten(), cap == 239760u) << cap;
        filer.Flush();
        EXPECT_EQ(ReadAll(dir / kSeName).substr(18 * kSeRecordSize, kSeRecordSize), Se("20261212", "06", 2, 1));
    }
}

// Odds and payouts wait for the next race cards written, so that one sync of the disk serves
// both, or for the last flush; meanwhile the folder is free, and what another filer put into
// the same file stays. A file read into the buffer of a larger one let go holds only its own.
TEST(FilingSafety, OddsAndPayoutsGoOutWithTheNextRaceCardsOrAtTheLastFlush) {
    using turfpad::testing::Hr;
    using turfpad::testing::O1;
    TempDir dir;
    const fs::path odds = dir / "2026年12月13日中山.jvO1HR";
    RaceFiler filer(dir.path());
    filer.File(Ra("20261212", "06", 1));
    filer.File(Se("20261212", "06", 1, 1));
    filer.FlushWholeDays();
    filer.File(O1("20261213", "06", 1));
    filer.File(Hr("20261213", "06", 12));
    filer.FlushWholeDays();
    EXPECT_FALSE(fs::exists(odds));
    EXPECT_EQ(filer.UnwrittenRecords(), 2u);
    {
        RaceFiler other(dir.path());
        other.File(O1("20261213", "06", 2));
    }
    filer.File(Ra("20261213", "06", 1));
    filer.File(Se("20261213", "06", 1, 1));
    filer.FlushWholeDays();
    EXPECT_FALSE(filer.HasUnwritten());
    const auto blanks = [](std::size_t size, std::size_t n) {
        std::string line(size - 2, ' ');
        line += "\r\n";
        std::string all;
        for (std::size_t i = 0; i < n; ++i) all += line;
        return all;
    };
    EXPECT_EQ(ReadAll(odds), O1("20261213", "06", 1) + O1("20261213", "06", 2) + blanks(962, 10) + blanks(719, 11) +
                                 Hr("20261213", "06", 12));

    filer.File(Hr("20261214", "06", 1));
    filer.FlushWholeDays();
    EXPECT_FALSE(fs::exists(dir / "2026年12月14日中山.jvO1HR"));
    filer.Flush();
    EXPECT_EQ(ReadAll(dir / "2026年12月14日中山.jvO1HR"), blanks(962, 12) + Hr("20261214", "06", 1) + blanks(719, 11));

    // Odds damaged meanwhile are never written into; the race cards of their batch still go
    // out, and the failure is reported after them.
    filer.File(O1("20261215", "06", 1));
    filer.FlushWholeDays();
    WriteAll(dir / "2026年12月15日中山.jvO1HR", "damaged");
    filer.File(Ra("20261215", "06", 1));
    filer.File(Se("20261215", "06", 1, 1));
    EXPECT_THROW(filer.FlushWholeDays(), FilingError);
    EXPECT_EQ(ReadAll(dir / "2026年12月15日中山.jvO1HR"), "damaged");
    EXPECT_EQ(ReadAll(dir / "2026年12月15日中山.jvRA").substr(0, kRaRecordSize), Ra("20261215", "06", 1));
    EXPECT_EQ(filer.UnwrittenRecords(), 1u);

    // No more of them wait than make a batch.
    RaceFiler few(dir.path(), 2);
    few.File(O1("20261216", "06", 1));
    few.File(Hr("20261217", "06", 1));
    few.FlushWholeDays();
    EXPECT_FALSE(few.HasUnwritten());
}

// While a day is held back the folder is free: another filer's records of the same files
// written meanwhile stay, only the held-back filer's own records are laid over them.
TEST(FilingSafety, AHeldBackDayIsLaidOverWhatOthersFiledMeanwhile) {
    TempDir dir;
    RaceFiler held(dir.path());
    held.File(Ra("20261212", "06", 1, "ホールド"));
    held.File(Ra("20261212", "06", 3, "ホールド"));
    held.FlushWholeDays();
    {
        RaceFiler other(dir.path());
        other.File(Ra("20261212", "06", 2, "ほか"));
        other.File(Ra("20261212", "06", 3, "ほか"));
        other.File(Se("20261212", "06", 2, 1));
    }
    held.File(Se("20261212", "06", 1, 1));
    held.FlushWholeDays();
    EXPECT_FALSE(held.HasUnwritten());
    std::vector<std::string> ra = Units(ReadAll(dir / kRaName), kRaRecordSize);
    EXPECT_EQ(ra[0], Ra("20261212", "06", 1, "ホールド"));
    EXPECT_EQ(ra[1], Ra("20261212", "06", 2, "ほか"));
    EXPECT_EQ(ra[2], Ra("20261212", "06", 3, "ホールド"));  // filed again when its day went out
    std::vector<std::string> se = Units(ReadAll(dir / kSeName), kSeRecordSize);
    EXPECT_EQ(se[0], Se("20261212", "06", 1, 1));
    EXPECT_EQ(se[18], Se("20261212", "06", 2, 1));
}

// A held-back file that another program damaged meanwhile is never written into: its
// records count as not written, the rest of the filer goes on.
TEST(FilingSafety, AHeldBackFileDamagedMeanwhileIsLeftAndCounted) {
    TempDir dir;
    RaceFiler held(dir.path());
    held.File(Ra("20261212", "06", 1));
    held.File(Ra("20261212", "06", 2));
    held.File(Ra("20261213", "06", 1));
    held.FlushWholeDays();
    WriteAll(dir / kRaName, "damaged");
    try {
        held.File(Se("20261213", "06", 1, 1));
        ADD_FAILURE() << "no error";
    } catch (const FilingError& e) {
        EXPECT_NE(std::string(e.what()).find("壊れています"), std::string::npos) << e.what();
    }
    EXPECT_EQ(held.UnwrittenRecords(), 3u);  // two lost, one held back
    held.Flush();
    EXPECT_EQ(ReadAll(dir / kRaName), "damaged");
    EXPECT_EQ(ReadAll(dir / "2026年12月13日中山.jvRA").substr(0, kRaRecordSize), Ra("20261213", "06", 1));
}

TEST(Filing, LeavesNoTemporaryFilesBehind) {
    TempDir dir;
    {
        RaceFiler filer(dir.path());
        filer.File(Ra("20261212", "06", 1));
        filer.File(Se("20261212", "06", 1, 1));
    }  // written out on destruction
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    // The lock file stays: removing it would let two filers lock two different files. The
    // horse index holds the month's file only.
    EXPECT_EQ(names, (std::vector<std::string>{".turfpad-horses", ".turfpad.lock", kRaName, kSeName}));
    std::vector<std::string> months;
    for (const auto& e : fs::directory_iterator(dir / ".turfpad-horses"))
        months.push_back(e.path().filename().string());
    EXPECT_EQ(months, std::vector<std::string>{"202612.idx"});
    // A temporary file of a process that no longer runs is swept away by the next filer.
    WriteAll(dir / ("." + kRaName + ".999999999.part"), "x");
    RaceFiler next(dir.path());
    EXPECT_FALSE(fs::exists(dir / ("." + kRaName + ".999999999.part")));
}

// A filer that died among its batch's renames left the batch's record: the next one to take
// the lock, a reader too, completes the renames first. A record that does not name our own
// temporary files beside the files they were made for renames nothing and is removed.
TEST(FilingSafety, ABatchCutShortIsCompletedByTheNextLockAndAStrangeRecordRenamesNothing) {
    const std::string raTmp = "." + kRaName + ".999999999.part", seTmp = "." + kSeName + ".999999999.part";
    struct Case {
        std::string record;
        bool completed;
    } cases[] = {
        {raTmp + "\t" + kRaName + "\n" + seTmp + "\t" + kSeName + "\n", true},
        {seTmp + "\t" + kRaName + "\n", false},          // another file's temporary file
        {raTmp + "\t../" + kRaName + "\n", false},       // outside the folder
        {raTmp + "\t" + kRaName + "\n" + seTmp, false},  // cut short
        {"." + kRaName + ".x.part\t" + kRaName + "\n", false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteAll(dir / kRaName, "old RA");
        WriteAll(dir / kSeName, "old SE");
        WriteAll(dir / raTmp, "new RA");
        WriteAll(dir / seTmp, "new SE");
        fs::rename(dir / seTmp, dir / kSeName);  // one rename made before the filer died
        WriteAll(dir / std::string(kBatchRecordName), c.record);
        RemoveStaleTemporaries(dir.path());  // what a starting filer does first
        DataFolderLock lock(dir.path());
        std::string error;
        ASSERT_EQ(lock.Lock(DataFolderLock::Mode::Shared, nullptr, error), DataFolderLock::Result::Locked) << error;
        EXPECT_EQ(ReadAll(dir / kRaName), c.completed ? "new RA" : "old RA") << c.record;
        EXPECT_EQ(ReadAll(dir / kSeName), "new SE");
        EXPECT_FALSE(fs::exists(dir / std::string(kBatchRecordName))) << c.record;
    }
}

// Links planted in the data folder by someone with write access to it: at the temporary
// file's old, predictable name, at a stale temporary file's name and at the lock file's name.
// None is ever followed; the files they point to keep their bytes.
TEST(FilingSafety, PlantedLinksAreNeverFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need developer mode on Windows";
#endif
    TempDir dir;
    const fs::path data = dir / "Data";
    fs::create_directories(data);
    WriteAll(dir / "outside", "precious");
    // Every file the filer writes: the race card pair, the odds and payouts, the weights.
    const std::vector<std::pair<std::string, std::string>> filed = {
        {kRaName, Ra("20261212", "06", 1)},
        {kSeName, Se("20261212", "06", 1, 1)},
        {"2026年12月12日中山.jvO1HR", turfpad::testing::O1("20261212", "06", 1)},
        {"2026年12月12日中山.jvWH", turfpad::testing::RaceDayRecord("WH", 847, "20261212", "06", 1, {})}};
    for (const auto& [name, record] : filed)
        fs::create_symlink(dir / "outside", data / ("." + name + "." + std::to_string(getpid()) + ".part"));
    fs::create_symlink(dir / "outside", data / ("." + kSeName + ".999999999.0123456789abcdef.part"));
    WriteAll(data / ("." + kSeName + ".999999998.fedcba9876543210.part"), "stale");
    for (const auto& [name, record] : filed) {
        FileRaceRecord(data, record);
        EXPECT_EQ(ReadAll(dir / "outside"), "precious") << name;
        EXPECT_EQ(ReadAll(data / name).substr(0, record.size()), record) << name;
    }
    // The sweep of stale temporary files removes our own regular file and leaves the link.
    EXPECT_TRUE(fs::is_symlink(data / ("." + kSeName + ".999999999.0123456789abcdef.part")));
    EXPECT_FALSE(fs::exists(data / ("." + kSeName + ".999999998.fedcba9876543210.part")));

    const fs::path other = dir / "Other";
    fs::create_directories(other);
    fs::create_symlink(dir / "outside", other / ".turfpad.lock");
    EXPECT_THROW(FileRaceRecord(other, Ra("20261212", "06", 1)), FilingError);
    EXPECT_EQ(ReadAll(dir / "outside"), "precious");
    EXPECT_FALSE(fs::exists(other / kRaName));

    // A link to nowhere at the waiting readers' file: a reader kept waiting makes no file there.
    fs::create_symlink(dir / "made", data / ".turfpad.wait");
    DataFolderLock filing(data), reader(data);
    std::string error;
    ASSERT_EQ(filing.Lock(DataFolderLock::Mode::Exclusive, nullptr, error), DataFolderLock::Result::Locked);
    EXPECT_EQ(reader.Lock(
                  DataFolderLock::Mode::Shared, [] { return false; }, error),
              DataFolderLock::Result::GaveUp);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "made")));
}

#ifndef _WIN32
// A replaced file keeps its permission bits, even those the umask would take; a new file gets
// what the umask leaves; a file without any write bit is not replaced.
TEST(FilingSafety, PermissionBitsKeptAndReadOnlyFilesLeftAlone) {
    struct UmaskSet {
        mode_t old = umask(027);
        ~UmaskSet() { umask(old); }
    } umaskSet;
    TempDir dir;
    FileRaceRecord(dir.path(), Ra("20261212", "06", 1));
    struct stat st {};
    ASSERT_EQ(stat((dir / kRaName).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    for (const mode_t bits : {0604, 0666, 0662, 0600}) {
        ASSERT_EQ(chmod((dir / kRaName).c_str(), bits), 0);
        FileRaceRecord(dir.path(), Ra("20261212", "06", 2));
        ASSERT_EQ(stat((dir / kRaName).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, bits) << std::oct << bits;
    }

    ASSERT_EQ(chmod((dir / kRaName).c_str(), 0444), 0);
    const std::string before = ReadAll(dir / kRaName);
    try {
        FileRaceRecord(dir.path(), Ra("20261212", "06", 3));
        ADD_FAILURE() << "no error";
    } catch (const FilingError& e) {
        EXPECT_NE(std::string(e.what()).find("読み取り専用"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(dir / kRaName), before);
}
#endif  // the file permissions of POSIX systems

// A filer holds the data folder from its first file until it is written out: a second filer
// waits (its waiting function is asked), gives up when told, and a reader's shared lock waits
// for the write. Both files of a flush are replaced inside one hold.
TEST(FilingSafety, OneFilerAtATime) {
    TempDir dir;
    RaceFiler first(dir.path());
    first.File(Ra("20261212", "06", 1));
    first.File(Se("20261212", "06", 1, 1));
    EXPECT_EQ(first.UnwrittenRecords(), 2u);
    EXPECT_FALSE(first.IsWritten(Utf8ToCp932(kSeName)));

    RaceFiler second(dir.path());
    int asked = 0;
    second.SetWaiting([&] { return ++asked < 3; });
    EXPECT_THROW(second.File(Ra("20261212", "06", 2)), FolderBusyError);
    EXPECT_EQ(asked, 3);

    DataFolderLock reader(dir.path());
    std::string error;
    EXPECT_EQ(reader.Lock(
                  DataFolderLock::Mode::Shared, [] { return false; }, error),
              DataFolderLock::Result::GaveUp);
    first.Flush();
    EXPECT_TRUE(first.IsWritten(Utf8ToCp932(kSeName)));
    EXPECT_EQ(first.UnwrittenRecords(), 0u);
    ASSERT_EQ(reader.Lock(DataFolderLock::Mode::Shared, nullptr, error), DataFolderLock::Result::Locked);
    // A reader holds writers off; its lock gone, the second filer files over the first's
    // records without losing them.
    asked = 0;
    EXPECT_THROW(second.File(Ra("20261212", "06", 2)), FolderBusyError);
    reader.Unlock();
    second.File(Ra("20261212", "06", 2));
    second.Flush();
    const std::string ra = ReadAll(dir / kRaName);
    EXPECT_EQ(ra.substr(0, kRaRecordSize), Ra("20261212", "06", 1));
    EXPECT_EQ(ra.substr(kRaRecordSize, kRaRecordSize), Ra("20261212", "06", 2));
}

// A filer that gives the lock back after each batch and takes it again at once lets a reader
// that waits in first: the reader waits for the batch under way, never for the next ones.
TEST(FilingSafety, AWaitingReaderGoesBeforeTheFilersNextBatch) {
    TempDir dir;
    std::atomic<int> batches{0};
    std::atomic<bool> stop{false};
    std::thread filer([&] {
        DataFolderLock lock(dir.path());
        std::string error;
        while (!stop) {
            if (lock.Lock(
                    DataFolderLock::Mode::Exclusive, [] { return true; }, error) != DataFolderLock::Result::Locked)
                return;
            ++batches;
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            lock.Unlock();
        }
    });
    int worst = 0;
    // Thirty reads at least, and on until the filer has made thirty batches (a loaded machine
    // may run it slowly), so that every read had batches to wait for.
    for (int read = 0; read < 1000 && (read < 30 || batches < 30); ++read) {
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
        DataFolderLock reader(dir.path());
        std::string error;
        const int before = batches;
        ASSERT_EQ(reader.Lock(DataFolderLock::Mode::Shared, nullptr, error), DataFolderLock::Result::Locked);
        worst = std::max(worst, batches - before);
    }
    stop = true;
    filer.join();
    EXPECT_GE(batches, 30);
    EXPECT_LE(worst, 1);
}

TEST(DayList, SortedNamesNewestFirst) {
    TempDir dir;
    EXPECT_TRUE(DayEntries(dir.path()).empty());
    FileRaceRecord(dir.path(), Ra("20060108", "06", 1));
    FileRaceRecord(dir.path(), Ra("20060108", "08", 1));
    FileRaceRecord(dir.path(), Ra("20060107", "06", 1));
    FileRaceRecord(dir.path(), Ra("20251228", "06", 1));
    FileRaceRecord(dir.path(), Se("20301228", "06", 1, 1));  // an SE file alone lists nothing
    WriteAll(dir / "notes.txt", "x");
    WriteAll(dir / "short.jvRA", "x");
    fs::create_directory(dir / "2099年01月01日中山.jvRA");  // a folder, not a file
    WriteAll(dir / "2024年01月01日中山.JVRA", "x");         // the mask ignores letter case
    std::vector<std::string> days;
    for (const std::string& d : DayEntries(dir.path())) days.push_back(Cp932ToUtf8(d));
    // Within a day the racecourses stand in the reverse of their sorted (byte) order:
    // 京都 (8B 9E) sorts before 中山 (92 86).
    EXPECT_EQ(days, (std::vector<std::string>{"2025年12月28日中山", "2024年01月01日中山", "2006年01月08日中山",
                                              "2006年01月08日京都", "2006年01月07日中山"}));
}

TEST(UnitFile, ReadsFixedUnitsByPosition) {
    TempDir dir;
    std::string r3h5 = Se("20261212", "06", 3, 5);
    FileRaceRecord(dir.path(), r3h5);
    UnitFile se(dir / kSeName, kSeRecordSize);
    EXPECT_EQ(se.UnitCount(), 216u);
    std::string unit;
    se.Read(2 * 18 + 4, unit);
    EXPECT_EQ(unit, r3h5);
    se.Read(0, unit);
    EXPECT_EQ(unit, std::string(553, ' ') + "\r\n");
    EXPECT_THROW(se.Read(216, unit), FilingError);

    WriteAll(dir / "short.jvSEr", std::string(1000, ' '));
    UnitFile shortFile(dir / "short.jvSEr", kSeRecordSize);
    EXPECT_EQ(shortFile.UnitCount(), 1u);
    EXPECT_THROW(shortFile.Read(1, unit), FilingError);
    EXPECT_THROW(UnitFile(dir / "missing.jvRA", kRaRecordSize), FilingError);
}

TEST(Filing, ABareCarriageReturnOrALastDateByteThatIsNoDigitIsRejected) {
    TempDir dir;
    using O = FilingResult::Outcome;
    const std::string rec = Ra("20261212", "06", 1);
    FilingResult cr = FileRaceRecord(dir.path(), std::string(rec).replace(500, 1, "\r"));
    EXPECT_EQ(cr.outcome, O::Rejected);
    EXPECT_NE(cr.reason.find("改行"), std::string::npos) << cr.reason;
    // 12-19 is the date: its last byte (the day's second digit) is checked as well.
    EXPECT_EQ(FileRaceRecord(dir.path(), std::string(rec).replace(18, 1, "/")).outcome, O::Rejected);
    // The highest race and horse numbers have their slots.
    EXPECT_EQ(FileRaceRecord(dir.path(), Ra("20261212", "06", 12)).outcome, O::Filed);
    EXPECT_EQ(FileRaceRecord(dir.path(), Se("20261212", "06", 12, 18)).outcome, O::Filed);
    EXPECT_EQ(Units(ReadAll(dir / kSeName), 555).back(), Se("20261212", "06", 12, 18));
}

TEST(Filing, AStoredLineWithABareCarriageReturnIsNoWholeUnit) {
    const std::string line = std::string(10, 'x') + "\r\n";
    EXPECT_TRUE(IsWholeUnit(line));
    EXPECT_FALSE(IsWholeUnit(std::string(line).replace(4, 1, "\r")));
    EXPECT_FALSE(IsWholeUnit(std::string(line).replace(4, 1, "\n")));
    EXPECT_FALSE(IsWholeUnit("x\n\r\n"));
}

// Durable filing syncs once for all the files of a flush, before they replace the old ones;
// without durability nothing waits for the disk.
TEST(Filing, ADurableFlushSyncsAndAQuickOneDoesNot) {
    TempDir dir;
    {
        RaceFiler filer(dir.path());
        filer.File(Ra("20261212", "06", 1));
        filer.File(Se("20261212", "06", 1, 1));
        const std::size_t before = SyncCount();
        filer.Flush();
        EXPECT_GE(SyncCount(), before + 1);
#ifndef _WIN32
        EXPECT_EQ(SyncCount(), before + 1);  // one sync for the batch
#endif
    }
    RaceFiler quick(dir.path());
    quick.SetDurable(false);
    quick.File(Ra("20261212", "06", 2));
    const std::size_t before = SyncCount();
    quick.Flush();
    EXPECT_EQ(SyncCount(), before);
    EXPECT_EQ(Units(ReadAll(dir / kRaName), 1272)[1], Ra("20261212", "06", 2));
    // A single file written durably (the settings file's way) is synced as well.
    std::string error;
    ASSERT_TRUE(WriteWholeFile(dir / "one.txt", "x", true, error)) << error;
    EXPECT_EQ(SyncCount(), before + 1);
    ASSERT_TRUE(WriteWholeFile(dir / "one.txt", "y", false, error)) << error;
    EXPECT_EQ(SyncCount(), before + 1);
}
