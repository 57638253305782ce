#include "ProcessIds.h"
#include "jvlink/LocalJVLink.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

#include "AcquisitionSupport.h"
#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/PlatformJVLink.h"
#include "text/PathText.h"

namespace turfpad {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::system_clock;
using turfpad::testing::ReadAll;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;

// The stand-in serves the demo by the time in Japan (UTC+9), whatever the machine's time zone.
Clock::time_point Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    using namespace std::chrono;
    return sys_days{year{y} / mo / d} + hours{h - 9} + minutes{mi} + seconds{s};
}

std::string Record(const std::string& type, const std::string& body) { return type + body + "\r\n"; }

struct Read {
    int rc;
    std::string buffer;
    std::string file;
};

class LocalJVLinkTest : public ::testing::Test {
  protected:
    LocalJVLinkTest() {
        std::filesystem::create_directories(source());
        now = Local(2026, 12, 9, 12, 0, 0);
    }

    std::filesystem::path source() const { return dir.path() / "src"; }
    std::filesystem::path cache() const { return dir.path() / "cache"; }
    std::filesystem::path settingsFile() const { return dir.path() / "JVLinkLocal.ini"; }

    std::unique_ptr<LocalJVLink> Make() {
        LocalJVLink::Config c;
        c.settingsFile = settingsFile();
        c.cacheDir = cache();
        c.clock = [this] { return now; };
        c.dialog = [this](LocalJVLinkSettings& s) {
            shownSettings = s;
            if (!dialogAnswer) return false;
            s = *dialogAnswer;
            return true;
        };
        auto link = std::make_unique<LocalJVLink>(c);
        EXPECT_EQ(link->JVInit("TEST0001/TEST0002/Turfpad/Version 1.00"), 0);
        return link;
    }

    void UseSource(int msPerFile) {
        std::string error;
        ASSERT_TRUE(SaveLocalJVLinkSettings(settingsFile(), {PathText(source()), "KEY", msPerFile, ""}, error))
            << error;
    }

    void Source(const std::string& name, const std::string& content) { WriteAll(source() / name, content); }

    // Three files of the source, newest last.
    void ThreeFiles() {
        Source("RAVW2026121220261207000001.jvd", Record("RA", "1") + Record("RA", "2"));
        Source("SEVW2026121220261207000002.jvd", Record("SE", "1"));
        Source("O1VW2026121220261207000003.jvd", Record("O1", "1"));
    }

    static Read Next(JVLink& link, int size = kJVReadBufferSize) {
        Read r;
        r.rc = link.JVRead(r.buffer, size, r.file);
        return r;
    }

    // Every result up to 0 (or another stop), records shown by their bytes.
    static std::vector<std::string> Drain(JVLink& link) {
        std::vector<std::string> seen;
        for (int i = 0; i < 10000; ++i) {
            Read r = Next(link);
            seen.push_back(r.rc > 0 ? r.buffer : std::to_string(r.rc));
            if (r.rc == 0 || r.rc < -3) break;
        }
        return seen;
    }

    TempDir dir;
    Clock::time_point now;
    std::optional<LocalJVLinkSettings> dialogAnswer;
    std::optional<LocalJVLinkSettings> shownSettings;
    int reads = 0, downloads = 0;
    std::string last;
};

TEST_F(LocalJVLinkTest, InitChecksTheSoftwareIdentifier) {
    LocalJVLink link({settingsFile(), cache(), [this] { return now; }, nullptr});
    EXPECT_EQ(link.JVInit(""), -101);
    EXPECT_EQ(link.JVInit(std::string(64, 'A')), -102);
    EXPECT_EQ(link.JVInit(" TEST0001/"), -103);
    // A refused identifier leaves the control uninitialised.
    EXPECT_EQ(link.JVOpen("RACE", "20261201000000", 2, reads, downloads, last), -201);
    EXPECT_EQ(link.JVStatus(), -201);
    std::string buffer, file;
    int size = kJVReadBufferSize;
    EXPECT_EQ(link.JVRead(buffer, size, file), -201);
    EXPECT_EQ(link.JVInit(std::string(63, 'A')), 0);
}

TEST_F(LocalJVLinkTest, OpenChecksItsParameters) {
    UseSource(0);
    ThreeFiles();
    auto link = Make();
    for (const char* kind : {"race", "RACEX", "", "DIFF"})
        EXPECT_EQ(link->JVOpen(kind, "20261201000000", 2, reads, downloads, last), -111) << kind;
    for (const char* from :
         {"2026120100000", "202612010000000", "2026-12-01 0000", "20261301000000", "20261232000000", "20230229000000",
          "20261201240000", "20261201006000", "20261201000060", "00001201000000", "2026120100000x", ""})
        EXPECT_EQ(link->JVOpen("RACE", from, 2, reads, downloads, last), -112) << from;
    for (int option : {0, 5, -1})
        EXPECT_EQ(link->JVOpen("RACE", "20261201000000", option, reads, downloads, last), -115) << option;
    // A leap day is a valid fromtime; options 1 to 4 are all accepted.
    for (int option = 1; option <= 4; ++option) {
        EXPECT_EQ(link->JVOpen("RACE", "20240229235959", option, reads, downloads, last), 0) << option;
        EXPECT_EQ(link->JVClose(), 0);
    }
}

TEST_F(LocalJVLinkTest, StateErrors) {
    UseSource(0);
    ThreeFiles();
    auto link = Make();
    EXPECT_EQ(link->JVStatus(), -203);
    EXPECT_EQ(Next(*link).rc, -203);
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), -202);
    EXPECT_EQ(reads, 0);  // out-values of a refused open are cleared
    EXPECT_EQ(link->JVClose(), 0);
    EXPECT_EQ(link->JVStatus(), -203);
    EXPECT_EQ(link->JVClose(), 0);
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
}

TEST_F(LocalJVLinkTest, SelectsNewerRaceFilesInTimeStampOrder) {
    UseSource(0);
    Source("RAVW2026121220261207000005.jvd", Record("RA", "old"));
    Source("SEVW2026121220261207000030.jvd", Record("SE", "c"));
    Source("HRVM2026121220261207000020.jvd", Record("HR", "b"));
    Source("AAVW2026121220261207000099.jvd", Record("AA", "not race data"));
    Source("RAVW2026121220261307000099.jvd", Record("RA", "bad time stamp"));
    Source("RAVX2026121220261207000099.jvd", Record("RA", "bad name"));
    Source("notes.txt", "x");
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261207000005", 2, reads, downloads, last), 0);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(downloads, 2);
    EXPECT_EQ(last, "20261207000030");
    EXPECT_EQ(link->JVStatus(), 2);
    Read first = Next(*link);
    EXPECT_EQ(first.buffer, "HRb\r\n");
    EXPECT_EQ(first.file, "HRVM2026121220261207000020.jvd");
    EXPECT_EQ(Drain(*link), (std::vector<std::string>{"-1", "SEc\r\n", "-1", "0"}));
    link->JVClose();

    EXPECT_EQ(link->JVOpen("RACE", "20261207000030", 2, reads, downloads, last), -1);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(downloads, 0);
    EXPECT_EQ(last, "");
    EXPECT_EQ(link->JVClose(), 0);
}

TEST_F(LocalJVLinkTest, ReadsRecordsFileByFileThenEnds) {
    UseSource(0);
    Source("RAVW2026121220261207000001.jvd", Record("RA", "1") + "\r\n" + Record("RA", "2"));
    Source("SEVW2026121220261207000002.jvd", Record("SE", "1") + "SElast-without-line-end");
    Source("SEVW2026121220261207000003.jvd", "");
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    ASSERT_EQ(link->JVStatus(), 3);
    EXPECT_EQ(Drain(*link), (std::vector<std::string>{"RA1\r\n", "RA2\r\n", "-1", "SE1\r\n", "SElast-without-line-end",
                                                      "-1", "-1", "0"}));
    EXPECT_EQ(Next(*link).rc, 0);  // and stays at the end
}

TEST_F(LocalJVLinkTest, ReadCutsARecordToTheSizeGiven) {
    UseSource(0);
    Source("RAVW2026121220261207000001.jvd", Record("RA", std::string(1270, 'x')) + Record("RA", "short"));
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    link->JVStatus();
    std::string buffer, file;
    int size = 100;
    EXPECT_EQ(link->JVRead(buffer, size, file), 100);
    EXPECT_EQ(buffer, "RA" + std::string(98, 'x'));
    EXPECT_EQ(size, 1274);  // the record's whole length
    size = kJVReadBufferSize;
    EXPECT_EQ(link->JVRead(buffer, size, file), 9);
    EXPECT_EQ(buffer, "RAshort\r\n");
    EXPECT_EQ(size, 9);
}

TEST_F(LocalJVLinkTest, DownloadFollowsTheClockAndFirstFilesCanBeRead) {
    UseSource(100);
    ThreeFiles();
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(downloads, 3);
    EXPECT_EQ(link->JVStatus(), 0);
    EXPECT_EQ(Next(*link).rc, -3);
    now += 99ms;
    EXPECT_EQ(link->JVStatus(), 0);
    now += 1ms;
    EXPECT_EQ(link->JVStatus(), 1);
    EXPECT_TRUE(std::filesystem::exists(cache() / "RAVW2026121220261207000001.jvd"));
    EXPECT_FALSE(std::filesystem::exists(cache() / "SEVW2026121220261207000002.jvd"));
    EXPECT_EQ(Next(*link).buffer, "RA1\r\n");
    EXPECT_EQ(Next(*link).buffer, "RA2\r\n");
    EXPECT_EQ(Next(*link).rc, -1);
    EXPECT_EQ(Next(*link).rc, -3);  // the second file is still on its way
    EXPECT_EQ(Next(*link).rc, -3);
    now += 250ms;
    EXPECT_EQ(link->JVStatus(), 3);
    now += 10s;
    EXPECT_EQ(link->JVStatus(), 3);  // never beyond the download count
    EXPECT_EQ(Drain(*link), (std::vector<std::string>{"SE1\r\n", "-1", "O11\r\n", "-1", "0"}));
    EXPECT_EQ(ReadAll(cache() / "SEVW2026121220261207000002.jvd"), Record("SE", "1"));
}

TEST_F(LocalJVLinkTest, RepeatOfARangeReadsAtOnce) {
    UseSource(100);
    ThreeFiles();
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    now += 1s;
    ASSERT_EQ(link->JVStatus(), 3);
    Drain(*link);
    link->JVClose();

    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(downloads, 0);
    EXPECT_EQ(link->JVStatus(), 0);
    EXPECT_EQ(Drain(*link).size(), 8u);
    link->JVClose();

    // A source file that changed is fetched again.
    Source("SEVW2026121220261207000002.jvd", Record("SE", "1") + Record("SE", "2"));
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(downloads, 1);
}

// A process killed while copying a file into the cache leaves its temporary copy behind;
// the next acquisition clears it away and fetches the file again.
TEST_F(LocalJVLinkTest, OpenClearsCopiesLeftByAKilledProcess) {
    UseSource(0);
    ThreeFiles();
    const unsigned long gone = turfpad::testing::EndedProcessId();
    ASSERT_GT(gone, 0u);
    std::filesystem::create_directories(cache());
    const auto stale = cache() / (".SEVW2026121220261207000002.jvd." + std::to_string(gone) + ".part");
    const auto live =
        cache() / (".SEVW2026121220261207000002.jvd." + std::to_string(turfpad::testing::OwnProcessId()) + ".part");
    WriteAll(stale, "SE");
    WriteAll(live, "SE");
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(downloads, 3);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));  // its writer still runs
    EXPECT_EQ(link->JVStatus(), 3);
    EXPECT_EQ(Drain(*link).size(), 8u);
}

TEST_F(LocalJVLinkTest, CancelStopsTheDownloadAndKeepsTheSessionOpen) {
    UseSource(100);
    ThreeFiles();
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    now += 150ms;
    ASSERT_EQ(link->JVStatus(), 1);
    link->JVCancel();
    now += 10s;
    EXPECT_EQ(link->JVStatus(), 1);
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), -202);
    // What arrived can be read; the rest will never come, so no endless -3.
    EXPECT_EQ(Drain(*link), (std::vector<std::string>{"RA1\r\n", "RA2\r\n", "-1", "-502"}));
    EXPECT_EQ(link->JVClose(), 0);

    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(downloads, 2);  // the cancelled files are still to download
}

TEST_F(LocalJVLinkTest, CloseDuringTheDownloadEndsTheSession) {
    UseSource(100);
    ThreeFiles();
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(link->JVClose(), 0);
    now += 10s;
    EXPECT_EQ(link->JVStatus(), -203);
    EXPECT_EQ(Next(*link).rc, -203);
    EXPECT_FALSE(std::filesystem::exists(cache() / "RAVW2026121220261207000001.jvd"));
}

TEST_F(LocalJVLinkTest, FailedDownloadIsReported) {
    UseSource(100);
    ThreeFiles();
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    std::filesystem::remove(source() / "SEVW2026121220261207000002.jvd");
    now += 1s;
    EXPECT_EQ(link->JVStatus(), -502);
    EXPECT_EQ(Drain(*link), (std::vector<std::string>{"RA1\r\n", "RA2\r\n", "-1", "-502"}));
}

TEST_F(LocalJVLinkTest, MissingSourceFolderIsASettingsError) {
    std::string error;
    ASSERT_TRUE(SaveLocalJVLinkSettings(settingsFile(), {PathText(dir.path() / "gone"), "", 0, ""}, error));
    auto link = Make();
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), -211);
    EXPECT_EQ(link->JVStatus(), -203);
}

TEST_F(LocalJVLinkTest, SettingsDialogSavesOrLeavesTheSettings) {
    UseSource(100);
    auto link = Make();
    // Cancel: 0 and nothing changes.
    std::string before = ReadAll(settingsFile());
    EXPECT_EQ(link->JVSetUIProperties(), 0);
    ASSERT_TRUE(shownSettings);
    EXPECT_EQ(shownSettings->sourceFolder, PathText(source()));
    EXPECT_EQ(shownSettings->downloadMsPerFile, 100);
    EXPECT_EQ(ReadAll(settingsFile()), before);

    dialogAnswer = LocalJVLinkSettings{"", "ABCD-EFGH-IJKL-MNOP-Q", 250, ""};
    EXPECT_EQ(link->JVSetUIProperties(), 0);
    EXPECT_EQ(LoadLocalJVLinkSettings(settingsFile()), *dialogAnswer);

    // A source folder that does not exist is refused and not saved.
    dialogAnswer = LocalJVLinkSettings{PathText(dir.path() / "gone"), "", 250, ""};
    EXPECT_EQ(link->JVSetUIProperties(), -100);
    EXPECT_EQ(LoadLocalJVLinkSettings(settingsFile()).sourceFolder, "");
}

TEST_F(LocalJVLinkTest, SettingsThatCannotBeSavedGiveMinus100) {
    LocalJVLink link({dir.path() / "no-such-folder" / "JVLinkLocal.ini", cache(), [this] { return now; },
                      [](LocalJVLinkSettings& s) {
                          s.serviceKey = "KEY";
                          return true;
                      }});
    EXPECT_EQ(link.JVSetUIProperties(), -100);
}

TEST(LocalJVLinkSettingsTest, ReadsLeniently) {
    TempDir dir;
    WriteAll(dir.path() / "s.ini",
             "[JVLinkLocal]\r\n; comment\r\nSourceFolder = /data/jv \r\nServiceKey=K1\r\nDownloadMsPerFile=abc\r\n");
    LocalJVLinkSettings s = LoadLocalJVLinkSettings(dir.path() / "s.ini");
    EXPECT_EQ(s.sourceFolder, "/data/jv");
    EXPECT_EQ(s.serviceKey, "K1");
    EXPECT_EQ(s.downloadMsPerFile, 300);  // unreadable: the default
    WriteAll(dir.path() / "s.ini", "DownloadMsPerFile=-5\n");
    EXPECT_EQ(LoadLocalJVLinkSettings(dir.path() / "s.ini").downloadMsPerFile, 0);
    EXPECT_EQ(LoadLocalJVLinkSettings(dir.path() / "missing.ini"), LocalJVLinkSettings{});
    std::string error;
    EXPECT_FALSE(SaveLocalJVLinkSettings(dir.path() / "s.ini", {"a\nb", "", 0, ""}, error));
}

// Without a source folder the stand-in serves the demo programme of the clock's week, and the
// results of the weeks since the starting point.
TEST_F(LocalJVLinkTest, DemoProgrammeGoesThroughDownloadAndCache) {
    auto link = Make();  // no settings file: the demo, 300 ms per file
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    // The week before's results (stamped its Sunday evening) are newer than the start.
    std::vector<JvdFile> demo = DemoWeeks(std::chrono::sys_days{std::chrono::year{2026} / 12 / 9}, 2);
    ASSERT_EQ(demo.size(), 8u + 6u);
    EXPECT_EQ(demo[0].name, "RAVW2026120520261206180001.jvd");
    EXPECT_EQ(reads, static_cast<int>(demo.size()));
    EXPECT_EQ(downloads, reads);
    EXPECT_EQ(last, "20261207000006");
    now += 299ms;
    EXPECT_EQ(link->JVStatus(), 0);
    now += 5s;
    EXPECT_EQ(link->JVStatus(), reads);
    std::string all;
    for (const std::string& r : Drain(*link))
        if (r.size() > 2) all += r;
    std::string expected;
    for (const JvdFile& f : demo) expected += f.content;
    EXPECT_EQ(all, expected);
    link->JVClose();

    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(downloads, 0);
    link->JVClose();
    EXPECT_EQ(link->JVOpen("RACE", last, 2, reads, downloads, last), -1);
    link->JVClose();

    // The next week brings the next programme.
    now += std::chrono::hours(24 * 7);
    ASSERT_EQ(link->JVOpen("RACE", "20261207000006", 2, reads, downloads, last), 0);
    EXPECT_EQ(last, "20261214000006");
    EXPECT_EQ(reads, 8 + 6);  // this week's results and the next week's cards
    EXPECT_EQ(downloads, reads);
    link->JVClose();

    // A start set weeks back brings those weeks' results.
    ASSERT_EQ(link->JVOpen("RACE", "20261101000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(reads, static_cast<int>(DemoWeeks(std::chrono::sys_days{std::chrono::year{2026} / 12 / 14}, 8).size()));
    EXPECT_EQ(reads, 7 * 8 + 6);
}

TEST_F(LocalJVLinkTest, DemoFilesAreNeverInTheFuture) {
    now = Local(2026, 12, 7, 0, 0, 3);
    auto link = Make();
    ASSERT_EQ(link->JVOpen("RACE", "20261207000000", 2, reads, downloads, last), 0);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(last, "20261207000003");
    link->JVClose();
    now = Local(2026, 12, 7, 0, 0, 0);
    EXPECT_EQ(link->JVOpen("RACE", "20261207000000", 2, reads, downloads, last), -1);
}

// The race-day open: its answers before, during and after a session, and for each request.
TEST_F(LocalJVLinkTest, RealtimeOpenAnswers) {
    now = Local(2026, 12, 12, 18, 0, 0);
    LocalJVLink raw({settingsFile(), cache(), [this] { return now; }, nullptr});
    EXPECT_EQ(raw.JVRTOpen("0B15", "20261212"), -201);

    auto link = Make();
    struct Case {
        const char* kind;
        const char* key;
        int rc;
    };
    const Case cases[] = {
        {"0B15", "20261212", 0},    {"0B15", "202612120611", 0},    {"0B31", "2026121206050311", 0},
        {"0B11", "20261212", 0},    {"0B14", "20261212", 0},        {"0B15", "2026121", -114},
        {"0B15", "20261332", -114}, {"0B31", "20261212", -114},     {"0B14", "202612120611", -114},
        {"0B99", "20261212", -111}, {"0B15", "20261210", -1},       {"0B31", "2026121206990311", -1},
        {"0B15", "20261219", -1},  // the next week: not announced yet
        {"0B15", "20261205", 0},   // last week's: kept a week
        {"0B15", "20261129", -1},  // the week before: gone
        {"0B15", "00010106", -1},   {"0B15", "202612121", -114},    {"0B15", "2026121a", -114},
        {"0B15", "20260230", -114}, {"0B15", "202612120600", -114}, {"0b15", "20261212", -111},
        {"RACE", "20261212", -111},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(link->JVRTOpen(c.kind, c.key), c.rc) << c.kind << " " << c.key;
        EXPECT_EQ(link->JVClose(), 0);
    }
    ASSERT_EQ(link->JVRTOpen("0B15", "2026121206050311"), 0);
    EXPECT_EQ(link->JVRTOpen("0B15", "20261212"), -202);
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 1, reads, downloads, last), -202);
    std::vector<std::string> seen = Drain(*link);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[seen.size() - 2], "-1");
    EXPECT_EQ(seen.back(), "0");
    EXPECT_EQ(seen[0].substr(0, 3), "RA7");
    EXPECT_EQ(seen[seen.size() - 3].substr(0, 2), "HR");
    for (std::size_t i = 0; i + 2 < seen.size(); ++i) EXPECT_EQ(seen[i].substr(seen[i].size() - 2), "\r\n");
    link->JVClose();

    // A source folder announces nothing on the day.
    UseSource(0);
    EXPECT_EQ(link->JVRTOpen("0B15", "20261212"), -1);
    EXPECT_EQ(link->JVClose(), 0);
}

// The demo clock decides what is announced, and which week JVOpen serves; an invalid one
// counts as none.
TEST_F(LocalJVLinkTest, DemoClockDecidesWhatIsServed) {
    std::string error;
    LocalJVLinkSettings settings;
    settings.demoClock = "2026-12-12 08:00";
    ASSERT_TRUE(SaveLocalJVLinkSettings(settingsFile(), settings, error)) << error;
    EXPECT_EQ(LoadLocalJVLinkSettings(settingsFile()), settings);

    now = Local(2027, 3, 1, 12, 0, 0);
    auto link = Make();
    ASSERT_EQ(link->JVRTOpen("0B15", "202612120611"), 0);
    EXPECT_EQ(Next(*link).buffer.substr(0, 3), "RA2");
    link->JVClose();
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 1, reads, downloads, last), 0);
    EXPECT_EQ(last.substr(0, 8), "20261207");
    link->JVClose();

    settings.demoClock = "2026-12-12 8:00";
    ASSERT_TRUE(SaveLocalJVLinkSettings(settingsFile(), settings, error)) << error;
    EXPECT_EQ(LoadLocalJVLinkSettings(settingsFile()).demoClock, "2026-12-12 8:00");
    now = Local(2026, 12, 12, 18, 0, 0);
    ASSERT_EQ(link->JVRTOpen("0B15", "202612120611"), 0);
    EXPECT_EQ(Next(*link).buffer.substr(0, 3), "RA7");
    link->JVClose();

    settings.demoClock = "2026-12-12\n08:00";
    EXPECT_FALSE(SaveLocalJVLinkSettings(settingsFile(), settings, error));
}

TEST(PlatformJVLinkTest, FactoryCanBeReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the platform's JV-Link is the COM control (see the Windows tests)";
#endif
    std::string error;
    auto platform = CreateJVLink(error);
    ASSERT_NE(platform, nullptr);
    EXPECT_NE(dynamic_cast<LocalJVLink*>(platform.get()), nullptr);
    {
        ScopedJVLinkFactory failing([](std::string& e) -> std::unique_ptr<JVLink> {
            e = "not installed";
            return nullptr;
        });
        EXPECT_EQ(CreateJVLink(error), nullptr);
        EXPECT_EQ(error, "not installed");
    }
    EXPECT_NE(CreateJVLink(error), nullptr);
}

}  // namespace
}  // namespace turfpad
