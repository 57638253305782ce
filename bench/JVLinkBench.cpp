// What an acquisition of the demo week costs in the local JV-Link stand-in, against the
// reference of merely splitting the same files into records in memory.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>

#include "jvlink/DemoProgramme.h"
#include "jvlink/LocalJVLink.h"

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

}  // namespace
