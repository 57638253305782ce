// The horse index beside the race data: kept by the filer, and never trusted over the files.
// Whatever happened to the files or the index behind its back, the form must be the one a
// folder without any index gives.
#include "formguide/HorseRunIndex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "RunRaceRecords.h"
#include "TempDir.h"
#include "browse/DayReading.h"
#include "datafolder/RaceFiles.h"
#include "formguide/FormGuide.h"
#include "text/Cp932.h"
#include "text/PathText.h"

using namespace turfpad;
using turfpad::testing::Race;
using turfpad::testing::ReadAll;
using turfpad::testing::Runner;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

constexpr const char* kFirst = "2022100001";
constexpr const char* kSecond = "2022100002";

// The day shown (12/12 中山 11R, two runners) and earlier days with runs of both, two of the
// second horse's on one day at two racecourses.
void FileDays(const fs::path& dir) {
    RaceFiler filer(dir);
    filer.SetDurable(false);
    filer.File(Race("20261212", "06", 11).Raw({3, 1}, "2").Raw({884, 2}, "00").Raw({882, 2}, "02").str());
    filer.File(Runner("20261212", "06", 11, 1, kFirst, "00").Raw({3, 1}, "2").str());
    filer.File(Runner("20261212", "06", 11, 2, kSecond, "00").Raw({3, 1}, "2").str());
    filer.File(Race("20261128", "09", 5).str());
    filer.File(Runner("20261128", "09", 5, 4, kSecond, "01").str());
    filer.File(Race("20261128", "07", 6).str());
    filer.File(Runner("20261128", "07", 6, 8, kSecond, "05").str());
    filer.File(Race("20261121", "05", 2).str());
    filer.File(Runner("20261121", "05", 2, 3, kFirst, "02").str());
    filer.File(Race("20261031", "05", 9).str());
    filer.File(Runner("20261031", "05", 9, 7, kSecond, "00", "4").str());
    filer.Flush();
}

fs::path DayFile(const fs::path& dir, const char* day, std::string_view extension) {
    return RaceFilePath(dir, Sj(day) + std::string(extension));
}

// 12/05 京都, where the first horse finished 4th, filed in another folder and copied in.
void CopyDayIn(const fs::path& dir) {
    TempDir other;
    {
        RaceFiler filer(other.path());
        filer.SetDurable(false);
        filer.File(Race("20261205", "08", 3).str());
        filer.File(Runner("20261205", "08", 3, 6, kFirst, "04").str());
    }
    for (const char* ext : {".jvRA", ".jvSEr"})
        fs::copy_file(DayFile(other.path(), "2026年12月05日京都", ext), DayFile(dir, "2026年12月05日京都", ext));
}

fs::path MonthFile(const fs::path& dir, const char* name) { return HorseIndexFolder(dir) / name; }

// Every day file's last write time set back an hour, as in a folder fed long ago.
void AgeFiles(const fs::path& dir) {
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) fs::last_write_time(e.path(), fs::last_write_time(e.path()) - std::chrono::hours(1));
}

std::vector<FormRow> Form(const fs::path& dir, std::size_t runs, HorseRunIndex* built = nullptr) {
    HorseRunIndex local;
    HorseRunIndex& index = built ? *built : local;
    index.Build(dir);
    RaceCardTable table;
    NoProgress progress;
    EXPECT_TRUE(ReadDay(dir, Sj("2026年12月12日中山"), table, progress).ok());
    FormGuideRuns read;
    read.Take(index, table, {10}, runs);
    return RaceForm(table, 10, read);
}

// The form a copy of the folder without the index gives: every day read from its files.
std::vector<FormRow> ScannedForm(const fs::path& dir, std::size_t runs) {
    TempDir copy;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) fs::copy_file(e.path(), copy.path() / e.path().filename());
    return Form(copy.path(), runs);
}

// The form as turfpad-cli form gives it: the index brought up to date for the race's runners.
std::vector<FormRow> QuickForm(const fs::path& dir, std::size_t runs, FormGuideRuns& read) {
    RaceCardTable table;
    NoProgress progress;
    EXPECT_TRUE(ReadDay(dir, Sj("2026年12月12日中山"), table, progress).ok());
    EXPECT_TRUE(read.Read(dir, table, {10}, runs));
    return RaceForm(table, 10, read);
}

// The data folder's own write time set to `ns` since 1970, as a copying tool puts it back.
// The C runtime's way, under std::filesystem, cannot open a folder on Windows.
bool SetFolderTime(const fs::path& dir, std::int64_t ns) {
#ifdef _WIN32
    const HANDLE h =
        CreateFileW(dir.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<ULONGLONG>(ns / 100 + 116444736000000000LL);  // 100 ns ticks since 1601
    FILETIME ft;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    const bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
    CloseHandle(h);
    return ok;
#else
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)}};
    return utimensat(AT_FDCWD, dir.c_str(), times, 0) == 0;
#endif
}

// The data folder's own time moved by `shift` from now (by default an hour back, as for a
// folder nothing was added to for a while).
bool AgeFolder(const fs::path& dir, std::chrono::seconds shift = -std::chrono::hours(1)) {
    const auto now = std::chrono::system_clock::now() + shift;
    return SetFolderTime(dir, std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count());
}

// Files and folder aged, then looked at whole once: the index and the folder's stamp recorded.
void Settle(const fs::path& dir) {
    AgeFiles(dir);
    ASSERT_TRUE(AgeFolder(dir));
    Form(dir, 5);
}

// The form, both after a full check and as a query while the folder is unchanged gives it, is
// the one reading every file gives.
void ExpectRightForm(const fs::path& dir) {
    for (std::size_t runs : {1u, 5u}) EXPECT_EQ(FormTsv(Form(dir, runs)), FormTsv(ScannedForm(dir, runs))) << runs;
    ASSERT_TRUE(AgeFolder(dir));
    Form(dir, 5);
    for (std::size_t runs : {1u, 5u}) {
        FormGuideRuns index;
        EXPECT_EQ(FormTsv(QuickForm(dir, runs, index)), FormTsv(ScannedForm(dir, runs))) << runs;
        EXPECT_FALSE(index.LastBuild().listed);
    }
}

std::vector<std::string> DatesOf(const std::vector<FormRow>& rows) {
    std::vector<std::string> out;
    for (const FormRow& r : rows) out.push_back(r[2] + (r[3].empty() ? "" : " " + Cp932ToUtf8(r[3])));
    return out;
}

}  // namespace

TEST(HorseIndexTest, TheFilerKeepsTheIndexOfTheDaysItWrites) {
    TempDir dir;
    FileDays(dir.path());
    HorseIndexMonth month;
    ASSERT_TRUE(month.Parse(ReadAll(MonthFile(dir.path(), "202611.idx"))));
    ASSERT_EQ(month.days.size(), 3u);  // 28 中京, 28 阪神, 21 東京: newest first
    EXPECT_EQ(month.days[0].key, Sj("2026年11月28日中京"));
    EXPECT_EQ(month.days[0].stamp, StampOf(DayFile(dir.path(), "2026年11月28日中京", kSeExtension)));
    std::vector<std::string> found;
    for (const HorseIndexMonth::Entry& e : month.entries)
        found.push_back(std::string(e.pedigree.data(), 10) + " " + Cp932ToUtf8(month.days[e.day].key) + " " +
                        std::to_string(e.slot));
    // 5R 4番 is slot 4*18+3; the runner without a result on 12/12 is not a run.
    EXPECT_EQ(found, (std::vector<std::string>{"2022100001 2026年11月21日東京 20", "2022100002 2026年11月28日中京 97",
                                               "2022100002 2026年11月28日阪神 75"}));
    EXPECT_TRUE(HorseIndexMonth().Parse(ReadAll(MonthFile(dir.path(), "202610.idx"))));

    // A later filing of one day keeps the other days of its month as they were.
    {
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        filer.File(Runner("20261121", "05", 2, 5, "2022100003", "01").str());
    }
    ASSERT_TRUE(month.Parse(ReadAll(MonthFile(dir.path(), "202611.idx"))));
    EXPECT_EQ(month.days.size(), 3u);
    EXPECT_EQ(month.entries.size(), 4u);

    // Filed again without its result, that run leaves the index: the month file, written over
    // in place, is shorter than before and whole.
    {
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        filer.File(Runner("20261121", "05", 2, 5, "2022100003", "00").str());
    }
    ASSERT_TRUE(month.Parse(ReadAll(MonthFile(dir.path(), "202611.idx"))));
    EXPECT_EQ(month.entries.size(), 3u);

    std::vector<FormRow> rows = Form(dir.path(), 5);
    EXPECT_EQ(DatesOf(rows),
              (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京", "2026/10/31 東京"}));
    ExpectRightForm(dir.path());
}

TEST(HorseIndexTest, RunsOfOneDayAtTwoRacecoursesAreBothWeighedAtTheLimit) {
    TempDir dir;
    FileDays(dir.path());
    // 阪神 sorts before 中京 by racecourse code, after it by day file name.
    EXPECT_EQ(DatesOf(Form(dir.path(), 1)), (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神"}));
    ExpectRightForm(dir.path());
}

TEST(HorseIndexTest, AFileReplacedBehindTheIndexsBackIsReadAgain) {
    TempDir dir;
    FileDays(dir.path());
    AgeFiles(dir.path());
    HorseRunIndex index;
    Form(dir.path(), 5, &index);
    Form(dir.path(), 5, &index);
    EXPECT_EQ(index.LastBuild().daysRead, 0u);  // trusted once its days are old enough

    // The 阪神 day replaced: the second horse's run taken out, the first's put in, same size.
    const fs::path se = DayFile(dir.path(), "2026年11月28日阪神", kSeExtension);
    std::string content = ReadAll(se);
    std::string line = Runner("20261128", "09", 5, 4, kFirst, "07").str();
    content.replace(75 * line.size(), line.size(), line);
    WriteAll(se, content);
    std::vector<FormRow> rows = Form(dir.path(), 5, &index);
    EXPECT_EQ(index.LastBuild().daysRead, 1u);
    EXPECT_EQ(rows[0][2], "2026/11/28");
    EXPECT_EQ(rows[0][9], "7");
    ExpectRightForm(dir.path());

    // Replaced again within the same tick, the second horse's run back in the slot: the
    // size and the time stay, but a day taken so soon after its last write is not trusted.
    const fs::file_time_type written = fs::last_write_time(se);
    line = Runner("20261128", "09", 5, 4, kSecond, "09").str();
    content.replace(75 * line.size(), line.size(), line);
    WriteAll(se, content);
    fs::last_write_time(se, written);
    rows = Form(dir.path(), 5);
    EXPECT_EQ(DatesOf(rows),
              (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京", "2026/10/31 東京"}));
    EXPECT_EQ(rows[1][9], "9");
    ExpectRightForm(dir.path());
}

TEST(HorseIndexTest, ADamagedIndexIsRebuiltNeverTrusted) {
    TempDir dir;
    FileDays(dir.path());
    AgeFiles(dir.path());
    const fs::path month = MonthFile(dir.path(), "202611.idx");
    Form(dir.path(), 5);
    const std::string whole = ReadAll(month);
    ASSERT_TRUE(HorseIndexMonth().Parse(whole));

    // An index that, if trusted, would send the second horse to a runner of another day.
    HorseIndexMonth misleading;
    ASSERT_TRUE(misleading.Parse(whole));
    for (HorseIndexMonth::Entry& e : misleading.entries) e.slot = static_cast<std::uint8_t>(e.slot + 1);
    const std::string wrong = misleading.Serialize();

    std::string flipped = wrong;
    flipped[flipped.size() / 2] ^= 0x01;  // checksum no longer matches
    std::string stale = wrong;
    stale[8] = 9;  // another version
    const std::vector<std::pair<const char*, std::string>> damages = {
        {"truncated", wrong.substr(0, wrong.size() - 1)},
        {"cut in the entries", wrong.substr(0, wrong.size() - 20)},
        {"empty", ""},
        {"a byte changed", flipped},
        {"another version", stale},
        {"longer", wrong + "x"},
        {"not ours", std::string(whole.size(), 'T')},
    };
    for (const auto& [what, bytes] : damages) {
        WriteAll(month, bytes);
        HorseRunIndex index;
        std::vector<FormRow> rows = Form(dir.path(), 5, &index);
        EXPECT_EQ(index.LastBuild().monthsDamaged, 1u) << what;
        EXPECT_EQ(index.LastBuild().daysRead, 3u) << what;
        EXPECT_EQ(DatesOf(rows), (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京",
                                                           "2026/10/31 東京"}))
            << what;
        EXPECT_TRUE(HorseIndexMonth().Parse(ReadAll(month))) << what << ": written again whole";
    }
    ExpectRightForm(dir.path());
}

TEST(HorseIndexTest, DaysCopiedInAndDeletedAreFollowed) {
    TempDir dir;
    FileDays(dir.path());
    AgeFiles(dir.path());
    Form(dir.path(), 5);

    // A day copied in from another folder, in a month the index has not seen.
    CopyDayIn(dir.path());
    std::vector<FormRow> rows = Form(dir.path(), 5);
    EXPECT_EQ(rows[0][2], "2026/12/05");
    EXPECT_EQ(rows[0][9], "4");
    ExpectRightForm(dir.path());

    // A day's RA file deleted: the day is gone from the folder, and its runs from the form.
    fs::remove(DayFile(dir.path(), "2026年11月28日阪神", kRaExtension));
    // Another day's SE file deleted: its runs are gone too.
    fs::remove(DayFile(dir.path(), "2026年10月31日東京", kSeExtension));
    rows = Form(dir.path(), 5);
    EXPECT_EQ(DatesOf(rows), (std::vector<std::string>{"2026/12/05 京都", "2026/11/21 東京", "2026/11/28 中京"}));
    ExpectRightForm(dir.path());

    // Every day of a month deleted: its month file goes too.
    fs::remove(DayFile(dir.path(), "2026年10月31日東京", kRaExtension));
    Form(dir.path(), 5);
    EXPECT_FALSE(fs::exists(MonthFile(dir.path(), "202610.idx")));
}

TEST(HorseIndexTest, AFolderWhereTheIndexCannotBeWrittenStillGivesTheForm) {
    TempDir dir;
    // Where the index's folder would be there is a file: neither the filer nor a reader can
    // write the index, and both go on without it.
    WriteAll(HorseIndexFolder(dir.path()), "not a folder");
    FileDays(dir.path());
    HorseRunIndex index;
    std::vector<FormRow> rows = Form(dir.path(), 5, &index);
    EXPECT_EQ(index.LastBuild().monthsWritten, 0u);
    EXPECT_EQ(DatesOf(rows),
              (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京", "2026/10/31 東京"}));
    EXPECT_EQ(ReadAll(HorseIndexFolder(dir.path())), "not a folder");
}

// A link planted where the index's folder belongs: neither the filer nor a form query reads,
// writes or removes anything in the folder it points to, and the form is still right.
TEST(HorseIndexTest, ALinkPlantedAsTheIndexFolderIsNeitherReadNorWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need developer mode on Windows";
#endif
    TempDir dir;
    const fs::path outside = dir / "outside", data = dir / "Data";
    fs::create_directories(outside);
    fs::create_directories(data);
    WriteAll(outside / "202611.idx", "precious");
    WriteAll(outside / "other.idx", "kept");
    fs::create_directory_symlink(outside, HorseIndexFolder(data));
    FileDays(data);
    EXPECT_EQ(FormTsv(Form(data, 5)), FormTsv(ScannedForm(data, 5)));
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(outside)) names.push_back(PathText(e.path().filename()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"202611.idx", "other.idx"}));
    EXPECT_EQ(ReadAll(outside / "202611.idx"), "precious");
}

// Links planted at the index's own files, a symbolic and a hard one to files outside, and one
// at its stamp: the filer's writes in place and a query's writes replace the names, never
// the files they lead to.
TEST(HorseIndexTest, LinksPlantedAtTheIndexsFilesAreNeverWrittenThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need developer mode on Windows";
#endif
    TempDir dir;
    const fs::path outside = dir / "outside", data = dir / "Data", index = data / ".turfpad-horses";
    fs::create_directories(outside);
    fs::create_directories(index);
    for (const char* name : {"a", "b", "c"}) WriteAll(outside / name, "precious");
    fs::create_symlink(outside / "a", index / "202611.idx");
    fs::create_hard_link(outside / "b", index / "202610.idx");
    fs::create_symlink(outside / "c", index / "folder.stamp");
    FileDays(data);
    EXPECT_EQ(FormTsv(Form(data, 5)), FormTsv(ScannedForm(data, 5)));
    for (const char* name : {"a", "b", "c"}) EXPECT_EQ(ReadAll(outside / name), "precious") << name;
    EXPECT_TRUE(HorseIndexMonth().Parse(ReadAll(index / "202611.idx")));
}

TEST(HorseIndexTest, TheDaysAreTheRaFilesOfADayKeyWhateverTheyAreInTheFolder) {
    TempDir dir;
    FileDays(dir.path());
    AgeFiles(dir.path());
#ifndef _WIN32  // symbolic links need developer mode on Windows
    // A day's RA file kept elsewhere and linked in: still a day of the folder.
    TempDir elsewhere;
    const fs::path ra = DayFile(dir.path(), "2026年11月21日東京", kRaExtension);
    fs::rename(ra, elsewhere.path() / "ra");
    fs::create_symlink(elsewhere.path() / "ra", ra);
#endif
    // Names that are no day: a key too long, a character cp932 has not, not a date at all,
    // and a folder named like a day.
    WriteAll(dir.path() / PathFromText("2026年11月21日東京x.jvRA"), "x");
    WriteAll(dir.path() / PathFromText("2026年11月21日東\xF0\x9F\x90\x8E.jvRA"), "x");
    WriteAll(dir.path() / "readme.jvRA", "x");
    fs::create_directory(DayFile(dir.path(), "2026年11月14日東京", kRaExtension));

    HorseRunIndex index;
    std::vector<FormRow> rows = Form(dir.path(), 5, &index);
    EXPECT_EQ(index.LastBuild().days, 5u);
    EXPECT_EQ(DatesOf(rows),
              (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京", "2026/10/31 東京"}));
    Form(dir.path(), 5, &index);
    EXPECT_EQ(index.LastBuild().daysRead, 0u);  // the linked day's SE file found again by its name
}

TEST(HorseIndexTest, WhileNoDayIsAddedOrRemovedAQueryLooksOnlyAtTheDaysItsRunnersRunsDependOn) {
    TempDir dir;
    FileDays(dir.path());
    Settle(dir.path());
    FormGuideRuns index;
    const std::vector<FormRow> one = QuickForm(dir.path(), 1, index);
    EXPECT_FALSE(index.LastBuild().listed);
    // One run each is found in November: October is not looked at, nor the race's own day.
    EXPECT_EQ(index.LastBuild().days, 3u);
    EXPECT_EQ(FormTsv(one), FormTsv(ScannedForm(dir.path(), 1)));
    EXPECT_EQ(FormTsv(QuickForm(dir.path(), 5, index)), FormTsv(ScannedForm(dir.path(), 5)));
    EXPECT_EQ(index.LastBuild().days, 4u);

    // The 阪神 day written over in place, which leaves the folder's time as it was: the
    // second horse's run there becomes the first horse's.
    const fs::path se = DayFile(dir.path(), "2026年11月28日阪神", kSeExtension);
    std::string content = ReadAll(se);
    const std::string line = Runner("20261128", "09", 5, 4, kFirst, "07").str();
    content.replace(75 * line.size(), line.size(), line);
    const fs::file_time_type written = fs::last_write_time(se);
    WriteAll(se, content);
    fs::last_write_time(se, written + std::chrono::seconds(1));
    const std::vector<FormRow> rows = QuickForm(dir.path(), 5, index);
    EXPECT_FALSE(index.LastBuild().listed);
    EXPECT_EQ(index.LastBuild().daysRead, 1u);
    EXPECT_EQ(rows[0][2], "2026/11/28");
    EXPECT_EQ(rows[0][9], "7");
    EXPECT_EQ(FormTsv(rows), FormTsv(ScannedForm(dir.path(), 5)));
    // What was read again is kept: the next query reads nothing.
    QuickForm(dir.path(), 5, index);
    EXPECT_FALSE(index.LastBuild().listed);
    EXPECT_EQ(index.LastBuild().daysRead, 0u);
}

TEST(HorseIndexTest, WhatTheFolderStampCannotVouchForSendsTheQueryBackToTheWholeFolder) {
    TempDir dir;
    FileDays(dir.path());
    Settle(dir.path());
    FormGuideRuns index;
    // A day brought in by a tool that puts the folder's time back afterwards (rsync -a, cp -a,
    // tar), with the index looked at whole at that time: the new run is found all the same.
    constexpr std::int64_t kCopiedAt = 1'764'000'000'000'000'000;  // 2025-11-24, ns since 1970
    ASSERT_TRUE(SetFolderTime(dir.path(), kCopiedAt));
    Form(dir.path(), 5);
    CopyDayIn(dir.path());
    ASSERT_TRUE(SetFolderTime(dir.path(), kCopiedAt));
    EXPECT_EQ(QuickForm(dir.path(), 5, index)[0][2], "2026/12/05");
    EXPECT_TRUE(index.LastBuild().listed);
    fs::remove(DayFile(dir.path(), "2026年12月05日京都", ".jvRA"));
    fs::remove(DayFile(dir.path(), "2026年12月05日京都", ".jvSEr"));

    Settle(dir.path());
    const fs::path month = MonthFile(dir.path(), "202611.idx");
    const fs::path stamp = HorseIndexFolder(dir.path()) / "folder.stamp";
    const std::string monthBytes = ReadAll(month), stampBytes = ReadAll(stamp);
    // A month file whole in itself, with the day stamps of the files, but sending the second
    // horse to another runner: only the stamp's record of the month shows it is not the one
    // the last full check left.
    HorseIndexMonth misleading;
    ASSERT_TRUE(misleading.Parse(monthBytes));
    for (HorseIndexMonth::Entry& e : misleading.entries) e.slot = static_cast<std::uint8_t>(e.slot + 1);
    std::string flipped = stampBytes;
    flipped[flipped.size() / 2] ^= 0x01;
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"a month file put back", [&] { WriteAll(month, misleading.Serialize()); }},
        {"a month file removed", [&] { fs::remove(month); }},
        {"the stamp cut short", [&] { WriteAll(stamp, stampBytes.substr(0, stampBytes.size() - 3)); }},
        {"a byte of the stamp changed", [&] { WriteAll(stamp, flipped); }},
        {"the stamp removed", [&] { fs::remove(stamp); }},
    };
    for (const auto& [what, change] : changes) {
        change();
        FormGuideRuns again;
        const std::vector<FormRow> rows = QuickForm(dir.path(), 5, again);
        EXPECT_TRUE(again.LastBuild().listed) << what;
        EXPECT_EQ(DatesOf(rows), (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神", "2026/11/28 中京",
                                                           "2026/10/31 東京"}))
            << what;
        ASSERT_TRUE(AgeFolder(dir.path()));
        Form(dir.path(), 5);  // recorded again for the next case
        QuickForm(dir.path(), 5, again);
        EXPECT_FALSE(again.LastBuild().listed) << what;
    }

    // A day copied in: the folder's time moves, and the new run is found.
    CopyDayIn(dir.path());
    const std::vector<FormRow> rows = QuickForm(dir.path(), 5, index);
    EXPECT_TRUE(index.LastBuild().listed);
    EXPECT_EQ(rows[0][2], "2026/12/05");
    EXPECT_EQ(FormTsv(rows), FormTsv(ScannedForm(dir.path(), 5)));
}

TEST(HorseIndexTest, AYoungHorsesRunsAreLookedForBackToTheYearItTurnedTwoAndNoFurther) {
    // Foaled in 2024: it may have run from January 2026, never before.
    constexpr const char* kYoung = "2024100009";
    TempDir dir;
    {
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        filer.File(Race("20261212", "06", 11).Raw({3, 1}, "2").str());
        filer.File(Runner("20261212", "06", 11, 1, kYoung, "00").Raw({3, 1}, "2").str());
        filer.File(Race("20260110", "08", 3).str());
        filer.File(Runner("20260110", "08", 3, 2, kYoung, "02").str());
        filer.File(Race("20251227", "06", 1).str());
        filer.File(Runner("20251227", "06", 1, 5, kFirst, "01").str());
    }
    Settle(dir.path());
    FormGuideRuns index;
    std::vector<FormRow> rows = QuickForm(dir.path(), 5, index);
    EXPECT_FALSE(index.LastBuild().listed);
    EXPECT_EQ(index.LastBuild().days, 1u);  // 2026/01/10 only
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], "2026/01/10");

    // Its first run's day written over in place is still seen.
    const fs::path se = DayFile(dir.path(), "2026年01月10日京都", kSeExtension);
    std::string content = ReadAll(se);
    const std::string line = Runner("20260110", "08", 3, 2, kYoung, "05").str();
    content.replace((2 * 18 + 1) * line.size(), line.size(), line);
    WriteAll(se, content);
    rows = QuickForm(dir.path(), 5, index);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][9], "5");
    EXPECT_EQ(FormTsv(rows), FormTsv(ScannedForm(dir.path(), 5)));
}

TEST(HorseIndexTest, RunsOnTheRaceDayOrLaterAreNeverCountedTowardsTheRecentRuns) {
    TempDir dir;
    FileDays(dir.path());
    {
        // Results of both horses on the race's own day at another racecourse, and a week on.
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        filer.File(Race("20261212", "09", 3).str());
        filer.File(Runner("20261212", "09", 3, 1, kFirst, "01").str());
        filer.File(Runner("20261212", "09", 3, 2, kSecond, "02").str());
        filer.File(Race("20261219", "06", 11).str());
        filer.File(Runner("20261219", "06", 11, 1, kFirst, "03").str());
        filer.File(Runner("20261219", "06", 11, 2, kSecond, "04").str());
    }
    Settle(dir.path());
    FormGuideRuns index;
    EXPECT_EQ(DatesOf(QuickForm(dir.path(), 1, index)),
              (std::vector<std::string>{"2026/11/21 東京", "2026/11/28 阪神"}));
    EXPECT_FALSE(index.LastBuild().listed);
    ExpectRightForm(dir.path());
}

TEST(HorseIndexTest, AMonthFileNamingADayOutsideTheDataFolderIsNeverFollowed) {
    TempDir dir;
    FileDays(dir.path());
    Settle(dir.path());
    // A folder in the data folder holding a day's files under another name, in which the
    // second horse finished 13th on 11/28.
    const fs::path elsewhere = dir.path() / PathFromText("2026年11月28日");
    fs::create_directory(elsewhere);
    std::string se = ReadAll(DayFile(dir.path(), "2026年11月28日阪神", kSeExtension));
    const std::string line = Runner("20261128", "09", 5, 1, kSecond, "13").str();
    se.replace(72 * line.size(), line.size(), line);
    WriteAll(elsewhere / "xxx.jvSEr", se);
    fs::copy_file(DayFile(dir.path(), "2026年11月28日阪神", kRaExtension), elsewhere / "xxx.jvRA");
    ASSERT_TRUE(AgeFolder(dir.path()));  // making the folder moved the data folder's time
    Form(dir.path(), 5);                 // and the stamp records it again

    // A month file and stamp, whole and matching, that send the second horse there: the key
    // 2026年11月28日/xxx names a file in that folder.
    const fs::path monthPath = MonthFile(dir.path(), "202611.idx");
    HorseIndexMonth month;
    ASSERT_TRUE(month.Parse(ReadAll(monthPath)));
    HorseIndexMonth::Day day;
    day.key = Sj("2026年11月28日") + "/xxx";
    ASSERT_EQ(day.key.size(), 18u);
    day.stamp = StampOf(elsewhere / "xxx.jvSEr");
    day.taken = day.stamp.written + 3'600'000'000'000LL;
    // 28日中京 and 28日阪神 sort after it, 21日東京 before.
    month.days.insert(month.days.begin() + 2, day);
    for (HorseIndexMonth::Entry& e : month.entries)
        if (e.day >= 2) ++e.day;
    HorseIndexMonth::Entry e;
    std::memcpy(e.pedigree.data(), kSecond, 10);
    e.day = 2;
    e.slot = 72;
    month.entries.push_back(e);
    month.Sort();
    const std::string bytes = month.Serialize();
    WriteAll(monthPath, bytes);
    const fs::path stampPath = HorseIndexFolder(dir.path()) / PathFromText(kHorseIndexStampName);
    HorseIndexStamp stamp;
    ASSERT_TRUE(stamp.Parse(ReadAll(stampPath)));
    std::uint64_t sum = 0;
    for (int i = 0; i < 8; ++i)
        sum |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[bytes.size() - 8 + i])) << (8 * i);
    stamp.months["202611.idx"] = sum;
    WriteAll(stampPath, stamp.Serialize());

    FormGuideRuns index;
    const std::vector<FormRow> rows = QuickForm(dir.path(), 5, index);
    EXPECT_TRUE(index.LastBuild().listed);
    for (const FormRow& r : rows) EXPECT_NE(r[9], "13");
    EXPECT_EQ(FormTsv(rows), FormTsv(ScannedForm(dir.path(), 5)));
}
