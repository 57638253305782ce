// What an acquisition of the demo week costs in the local JV-Link stand-in, against the
// reference of merely splitting the same files into records in memory; and what a race day's
// fetch (JVRTOpen) of the demo costs.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>

#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/DemoRaceDay.h"
#include "jvlink/LocalJVLink.h"
#include "jvlink/RaceDayUpdate.h"

namespace {

using namespace turfpad;

const std::chrono::sys_days kWeek{std::chrono::year{2026} / 12 / 9};

void BM_DemoProgrammeWeek(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(DemoProgramme(kWeek));
}
BENCHMARK(BM_DemoProgrammeWeek)->Unit(benchmark::kMillisecond);

// Reference: the records of the week split out of files already in memory.
void BM_SplitWeekReference(benchmark::State& state) {
    std::vector<JvdFile> files = DemoProgramme(kWeek);
    for (auto _ : state) {
        std::size_t records = 0;
        for (const JvdFile& f : files) records += SplitRecords(f.content).size();
        benchmark::DoNotOptimize(records);
    }
}
BENCHMARK(BM_SplitWeekReference)->Unit(benchmark::kMillisecond);

// A repeat acquisition of the demo week (every file already in the cache): JVOpen, then
// JVRead up to the end, then JVClose. Generating the week is part of JVOpen.
void BM_ReadDemoWeekFromCache(benchmark::State& state) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("turfpad-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto clock = [] { return std::chrono::sys_days{std::chrono::year{2026} / 12 / 9} + std::chrono::hours(12); };
    std::string error;
    SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {"", "", 0, ""}, error);  // download at once
    LocalJVLink link({dir / "JVLinkLocal.ini", dir / "cache", clock, nullptr});
    link.JVInit("BENCH");
    int reads = 0, downloads = 0;
    std::string last, buffer, file;
    link.JVOpen("RACE", "20000101000000", 2, reads, downloads, last);
    link.JVStatus();  // the first pass fills the cache
    link.JVClose();
    for (auto _ : state) {
        link.JVOpen("RACE", "20000101000000", 2, reads, downloads, last);
        int records = 0;
        for (;;) {
            int size = kJVReadBufferSize;
            int rc = link.JVRead(buffer, size, file);
            if (rc > 0) ++records;
            if (rc == jvresult::kAllRead || rc < jvresult::kDownloading) break;  // done, or an error
        }
        link.JVClose();
        benchmark::DoNotOptimize(records);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadDemoWeekFromCache)->Unit(benchmark::kMillisecond);

// The race-day requests of a whole day in the middle of the afternoon: the day's cards and
// results (0B15), weights (0B11) and changes (0B14), then the odds (0B31) of each race.
std::vector<std::string> DayRequests(const DemoRaceWeek& week, JstTime now) {
    std::vector<std::string> keys;
    for (const std::string& r : week.Realtime("0B15", "20261212", now))
        if (r.compare(0, 2, "RA") == 0) keys.push_back(r.substr(11, 16));
    return keys;
}

const JstTime kAfternoon = std::chrono::local_days{std::chrono::year{2026} / 12 / 12} + std::chrono::hours{13};

// Making the week's race days once: its programme and results, the changes planned.
void BM_DemoRaceWeek(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(DemoRaceWeek(kWeek));
}
BENCHMARK(BM_DemoRaceWeek)->Unit(benchmark::kMillisecond);

// DemoRealtime of a whole day, the week made once: every request of the day's fetch.
void BM_DemoRealtimeWholeDay(benchmark::State& state) {
    const DemoRaceWeek week(kWeek);
    const std::vector<std::string> races = DayRequests(week, kAfternoon);
    for (auto _ : state) {
        std::size_t records = 0;
        for (const char* kind : {"0B15", "0B11", "0B14"}) records += week.Realtime(kind, "20261212", kAfternoon).size();
        for (const std::string& race : races) records += week.Realtime("0B31", race, kAfternoon).size();
        benchmark::DoNotOptimize(records);
    }
    state.counters["races"] = static_cast<double>(races.size());
}
BENCHMARK(BM_DemoRealtimeWholeDay)->Unit(benchmark::kMillisecond);

// The same day's fetch through the stand-in: JVRTOpen, JVRead to the end, JVClose for each
// request. The first fetch of a week makes the week (see BM_DemoRaceWeek); later ones reuse it.
void BM_StandInRaceDayFetch(benchmark::State& state) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("turfpad-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string error;
    SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {"", "", 0, "2026-12-12 13:00"}, error);
    LocalJVLink link({dir / "JVLinkLocal.ini", dir / "cache", nullptr, nullptr});
    link.JVInit("BENCH");
    const std::vector<std::string> races = DayRequests(DemoRaceWeek(kWeek), kAfternoon);
    std::vector<std::pair<std::string, std::string>> requests = {
        {"0B15", "20261212"}, {"0B11", "20261212"}, {"0B14", "20261212"}};
    for (const std::string& race : races) requests.emplace_back("0B31", race);
    std::string buffer, file;
    for (auto _ : state) {
        int records = 0;
        for (const auto& [kind, key] : requests) {
            if (link.JVRTOpen(kind, key) == 0) {
                for (;;) {
                    int size = kJVReadBufferSize;
                    const int rc = link.JVRead(buffer, size, file);
                    if (rc > 0) ++records;
                    if (rc == jvresult::kAllRead || rc < jvresult::kDownloading) break;
                }
            }
            link.JVClose();
        }
        benchmark::DoNotOptimize(records);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StandInRaceDayFetch)->Unit(benchmark::kMillisecond);

// A whole race day's update as 当日更新 and turfpad-cli update make it: the day's cards,
// weights, changes and the odds of its 36 races fetched through the stand-in and filed into a
// data folder that holds the week's cards, after the last race (everything announced).
void BM_RaceDayUpdateFetchedAndFiled(benchmark::State& state) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("turfpad-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "Data");
    std::string error;
    SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {"", "", 0, "2026-12-12 18:00"}, error);
    {
        RaceFiler filer(dir / "Data");
        for (const JvdFile& f : DemoProgramme(kWeek))
            for (std::size_t at = 0, end; (end = f.content.find("\r\n", at)) != std::string::npos; at = end + 2)
                filer.File(std::string_view(f.content).substr(at, end + 2 - at));
    }
    LocalJVLink link({dir / "JVLinkLocal.ini", dir / "cache", nullptr, nullptr});
    link.JVInit("BENCH");
    UpdateRaceDay(link, dir / "Data", "20261212");  // the week made once, as a running program has it
    std::size_t filed = 0;
    for (auto _ : state) filed = UpdateRaceDay(link, dir / "Data", "20261212").filed;
    state.counters["records"] = static_cast<double>(filed);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RaceDayUpdateFetchedAndFiled)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
