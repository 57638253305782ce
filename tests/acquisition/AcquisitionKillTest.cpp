// A process in the middle of an acquisition is killed at random moments, both while the
// stand-in downloads and while the records are read and filed. After every kill each race
// data file is whole and the starting point in the settings file is as it was; the next
// acquisition from it files everything and gives exactly the files of an uninterrupted one.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include "AcquisitionSupport.h"
#include "Subprocess.h"
#include "TempDir.h"
#include "YearStream.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/LocalJVLink.h"
#include "records/RecordLayout.h"
#include "text/PathText.h"

namespace turfpad {
namespace {

using namespace turfpad::testing;
namespace fs = std::filesystem;

const std::string kAcquire = TURFPAD_ACQUIRE;
constexpr int kWeeks = 4;
constexpr int kDownloadMsPerFile = 15;

// The settings file as the user left it: other sections around the starting point.
const std::string kSettings =
    "[locate]\r\ntop=10\r\nleft=20\r\n[JvDataGet]\r\nLastTime=2024/12/31 00:00:00\r\n[datalist]\r\nSelect=3\r\n";

class AcquisitionKill : public ::testing::Test {
  protected:
    AcquisitionKill() : stream(YearStream(kWeeks)) {
        WriteJvdFiles(stream, dir.path() / "source");
        std::string error;
        EXPECT_TRUE(
            SaveLocalJVLinkSettings(standIn(), {PathText(dir.path() / "source"), "", kDownloadMsPerFile, ""}, error))
            << error;
    }

    fs::path standIn() const { return dir.path() / "JVLinkLocal.ini"; }

    // One acquisition's places: stand-in cache, settings file, data folder.
    struct Places {
        fs::path cache, settings, data;
    };
    Places Fresh(const std::string& name) const {
        Places r{dir.path() / (name + "-cache"), dir.path() / (name + ".ini"), dir.path() / (name + "-Data")};
        WriteAll(r.settings, kSettings);
        return r;
    }
    std::vector<std::string> Args(const Places& r) const {
        return {PathText(standIn()), PathText(r.cache), PathText(r.settings), PathText(r.data)};
    }
    RunResult Acquire(const Places& r) const { return turfpad::testing::Run(kAcquire, Args(r)); }

    static std::string SettingsAfter(const std::string& lastTime) {
        std::string s = kSettings;
        s.replace(s.find("2024/12/31 00:00:00"), 19, lastTime);
        return s;
    }

    TempDir dir;
    std::vector<JvFile> stream;
};

TEST_F(AcquisitionKill, FilesStayWholeAndTheStartingPointStaysUntilAnAcquisitionCompletes) {
    // The same records filed directly, one source file after another.
    fs::create_directories(dir.path() / "direct");
    {
        RaceFiler filer(dir.path() / "direct");
        for (const JvFile& f : stream) {
            for (const std::string& r : f.records) filer.File(r);
            filer.Flush();
        }
    }
    const auto expected = RaceFilesIn(dir.path() / "direct");
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kWeeks * 2 * 3 * 2));
    const std::string last = stream.back().name.substr(12, 14);
    const std::string finalSettings =
        SettingsAfter(last.substr(0, 4) + "/" + last.substr(4, 2) + "/" + last.substr(6, 2) + " " + last.substr(8, 2) +
                      ":" + last.substr(10, 2) + ":" + last.substr(12, 2));

    // Uninterrupted: first with everything to download, then again with the cache full.
    Places clean = Fresh("clean");
    auto t0 = std::chrono::steady_clock::now();
    RunResult downloading = Acquire(clean);
    const auto downloadTime = std::chrono::steady_clock::now() - t0;
    ASSERT_EQ(downloading.status, 0) << downloading.out << downloading.err;
    EXPECT_NE(downloading.out.find("DownloadCount:" + std::to_string(stream.size())), std::string::npos);
    EXPECT_EQ(RaceFilesIn(clean.data), expected);
    EXPECT_EQ(ReadAll(clean.settings), kSettings);  // not after a download

    fs::remove_all(clean.data);
    t0 = std::chrono::steady_clock::now();
    RunResult atOnce = Acquire(clean);
    const auto readTime = std::chrono::steady_clock::now() - t0;
    ASSERT_EQ(atOnce.status, 0) << atOnce.out << atOnce.err;
    EXPECT_NE(atOnce.out.find("DownloadCount:0"), std::string::npos);
    EXPECT_EQ(RaceFilesIn(clean.data), expected);
    EXPECT_EQ(ReadAll(clean.settings), finalSettings);

    // What starting the program costs before the acquisition begins: a run that finds
    // nothing newer. Kills fall between that and the end of an uninterrupted run.
    Places idle = Fresh("idle");
    WriteAll(idle.settings, SettingsAfter("2099/12/31 00:00:00"));
    t0 = std::chrono::steady_clock::now();
    RunResult nothing = Acquire(idle);
    const auto startTime = std::chrono::steady_clock::now() - t0;
    EXPECT_NE(nothing.out.find("box: 最新のデータがありません。"), std::string::npos) << nothing.out;

    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> moment(0.02, 0.98);
    int killedWhileRunning = 0;
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Even rounds download into an empty cache; odd ones read the full cache at once,
        // the path that stores the starting point when it completes.
        const bool download = round % 2 == 0;
        Places run = Fresh("round" + std::to_string(round));
        if (!download) fs::copy(clean.cache, run.cache);
        const auto full = download ? downloadTime : readTime;

        pid_t pid = Start(kAcquire, Args(run));
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(
            startTime + std::chrono::duration<double>(full - startTime) * moment(random));
        std::this_thread::sleep_for(wait);
        int status = 0;
        if (kill(pid, 0) == 0) {
            Kill(pid);
            status = -SIGKILL;
        } else {
            status = Wait(pid);
        }
        ASSERT_TRUE(status == 0 || status == -SIGKILL) << status;
        killedWhileRunning += status == -SIGKILL;

        const auto files = RaceFilesIn(run.data);
        for (const auto& [name, content] : files) {
            bool ra = name.ends_with(".jvRA");
            EXPECT_TRUE(IsWholeRaceFile(content, ra ? kRaRecordSize : kSeRecordSize)) << name;
        }
        std::size_t cached = 0;
        std::error_code ec;
        for (fs::directory_iterator it(run.cache, ec), end; !ec && it != end; it.increment(ec))
            cached += it->path().extension() == ".jvd";
        std::cout << "round " << round << (download ? " (download)" : " (read at once)") << ": "
                  << (status == -SIGKILL ? "killed" : "finished") << " after " << wait.count() / 1000 << " of "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(full).count() << " ms, " << cached << "/"
                  << stream.size() << " files in the cache, " << files.size() << " race data files" << std::endl;
        const std::string settings = ReadAll(run.settings);
        if (settings != kSettings) {
            // Only a completed acquisition moves the starting point, and only after every
            // record is on disk.
            EXPECT_FALSE(download);
            EXPECT_EQ(settings, finalSettings);
            EXPECT_EQ(RaceFilesIn(run.data), expected);
            continue;
        }

        // The next acquisition, from the same starting point, makes everything good.
        RunResult next = Acquire(run);
        ASSERT_EQ(next.status, 0) << next.out << next.err;
        EXPECT_EQ(RaceFilesIn(run.data), expected);
        EXPECT_TRUE(OtherFilesIn(run.data).empty());  // no temporary left behind
        for (const auto& e : fs::directory_iterator(run.cache))
            EXPECT_EQ(e.path().extension(), ".jvd") << e.path().filename();
        const bool readAtOnce = next.out.find("DownloadCount:0") != std::string::npos;
        EXPECT_EQ(ReadAll(run.settings), readAtOnce ? finalSettings : kSettings);
        fs::remove_all(run.data);
        fs::remove_all(run.cache);
    }
    EXPECT_GE(killedWhileRunning, 6);
}

}  // namespace
}  // namespace turfpad
