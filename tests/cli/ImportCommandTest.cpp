#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "SampleRecords.h"
#include "Subprocess.h"
#include "TempDir.h"
#include "YearStream.h"
#include "datafolder/RaceFiles.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TURFPAD_CLI;

std::string Ra(const char* day, const char* course, int race) {
    return SampleRa(std::string("202612") + day, course, race);
}

std::string Se(int race, int horse) { return SampleSe("20261212", "06", race, horse); }

RunResult Cli(const std::vector<std::string>& args, const std::string& input = {}) { return Run(kCli, args, input); }

// The race data files of a folder with their contents.
std::map<std::string, std::string> RaceFiles(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        if (name.ends_with(".jvRA") || name.ends_with(".jvSEr")) files[name] = ReadAll(e.path());
    }
    return files;
}

}  // namespace

TEST(ImportCommand, FilesEveryRecordAndListsIt) {
    TempDir dir;
    std::string stream = Ra("12", "06", 11) + Se(3, 7) + "UM2" + std::string(50, '0') + "\r\n" + Ra("13", "09", 1);
    WriteAll(dir / "a.jvd", stream);
    RunResult r = Cli({"import", "--data", (dir / "Data").string(), (dir / "a.jvd").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "作成済み:11R/2026年12月12日中山.jvRA\n"
              "作成済み:03R/07番/2026年12月12日中山.jvSEr\n"
              "作成済み:01R/2026年12月13日阪神.jvRA\n");
    EXPECT_EQ(r.err, "登録 3 件、対象外 1 件、不正 0 件\n");
    EXPECT_EQ(ReadAll(dir / "Data" / "2026年12月12日中山.jvSEr").substr((2 * 18 + 6) * 555, 555), Se(3, 7));

    RunResult days = Cli({"days", "--data", (dir / "Data").string()});
    EXPECT_EQ(days.status, 0);
    EXPECT_EQ(days.out, "2026年12月13日阪神\n2026年12月12日中山\n");
}

TEST(ImportCommand, ReportsRejectedRecordsAndReadsStandardInput) {
    TempDir dir;
    std::string bad = Ra("12", "06", 1).substr(0, 1000) + "\r\n";
    std::string stream = Ra("12", "06", 1) + bad + Ra("12", "06", 13) + Se(1, 0);
    RunResult r = Cli({"import", "--data", (dir / "Data").string(), "-"}, stream);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "作成済み:01R/2026年12月12日中山.jvRA\n");
    EXPECT_EQ(r.err,
              "-: 2 件目: RA レコードの長さが 1002 バイトです（1272 バイトのはずです）\n"
              "-: 3 件目: RA レコードのレース番号 13 は 1～12 の範囲外です\n"
              "登録 1 件、対象外 1 件、不正 2 件\n");
}

TEST(ImportCommand, DamagedFileStopsWithItsName) {
    TempDir dir;
    fs::create_directories(dir / "Data");
    WriteAll(dir / "Data" / "2026年12月12日中山.jvRA", "broken");
    RunResult r = Cli({"import", "--data", (dir / "Data").string(), "-"}, Ra("12", "06", 1));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("2026年12月12日中山.jvRA」が壊れています"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(dir / "Data" / "2026年12月12日中山.jvRA"), "broken");
}

TEST(ImportCommand, UsageErrorsAndUnreadableFiles) {
    TempDir dir;
    WriteAll(dir / "ok.jvd", Ra("12", "06", 1));
    RunResult missing =
        Cli({"import", "--data", (dir / "Data").string(), (dir / "ok.jvd").string(), (dir / "missing.jvd").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing.jvd を読み込めません"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "Data" / "2026年12月12日中山.jvRA"));  // nothing filed
    EXPECT_EQ(Cli({"import"}).status, 2);
    EXPECT_EQ(Cli({"import", "--bogus", "x"}).status, 2);
    EXPECT_EQ(Cli({"import", "--data"}).status, 2);
    EXPECT_EQ(Cli({"days", "extra"}).status, 2);
    EXPECT_EQ(Cli({"nonsense"}).status, 2);
    EXPECT_EQ(Cli({}).status, 2);
}

// A process importing a large stream is killed at random moments. After every kill each race
// data file is whole, and importing the stream again gives exactly the files of an
// uninterrupted import.
TEST(ImportCommand, SurvivesBeingKilledAtAnyMoment) {
    TempDir dir;
    WriteAll(dir / "year.jvd", Concatenated(YearStream(24)));
    const std::string clean = (dir / "clean").string();
    const std::string killed = (dir / "killed").string();

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Cli({"import", "--data", clean, (dir / "year.jvd").string()}).status, 0);
    auto full = std::chrono::steady_clock::now() - start;
    const auto expected = RaceFiles(clean);
    ASSERT_EQ(expected.size(), 24u * 2 * 3 * 2);

    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> moment(0.02, 0.98);
    int killedWhileRunning = 0;
    for (int round = 0; round < 20; ++round) {
        pid_t pid = Start(kCli, {"import", "--data", killed, (dir / "year.jvd").string()});
        std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(full * moment(random)));
        int status = 0;
        if (kill(pid, 0) == 0) {
            Kill(pid);
            ++killedWhileRunning;
        } else {
            status = Wait(pid);
        }
        EXPECT_TRUE(status == 0 || status == -9) << status;
        if (!fs::exists(killed)) continue;
        for (const auto& [name, content] : RaceFiles(killed)) {
            bool ra = name.ends_with(".jvRA");
            EXPECT_TRUE(IsWholeRaceFile(content, ra ? kRaRecordSize : kSeRecordSize)) << name << " round " << round;
        }
        ASSERT_EQ(Cli({"import", "--data", killed, (dir / "year.jvd").string()}).status, 0);
        EXPECT_TRUE(RaceFiles(killed) == expected) << "round " << round;
        fs::remove_all(killed);
    }
    EXPECT_GE(killedWhileRunning, 15);
}
