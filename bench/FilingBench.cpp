// Filing a year of JV-Data into an empty data folder: our filing (files held in memory and
// written out whole at every end of a JV-Link file) against a reference that reads and
// rewrites the whole race data file for every record.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CodeTables.h"
#include "RaceFiles.h"
#include "RecordLayout.h"
#include "YearStream.h"

namespace fs = std::filesystem;
using namespace turfpad;
using turfpad::testing::JvFile;

namespace {

const std::vector<JvFile>& Stream() {
    static const std::vector<JvFile> files = turfpad::testing::YearStream();
    return files;
}

// An empty data folder, with the disk quiet: what earlier runs left to write back is written
// first, so that neither side pays for the other.
fs::path FreshFolder() {
    fs::path p = fs::temp_directory_path() / ("turfpad-bench-" + std::to_string(getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    ::sync();
    return p;
}

// The whole-file approach: for each record read the file (or start blank), replace the
// slot's line, write the whole file back.
void ReferenceFile(const fs::path& dir, const std::string& record) {
    bool runner = record.compare(0, 2, "SE") == 0;
    if (!runner && record.compare(0, 2, "RA") != 0) return;
    int race = NumberOf(record, ra::RaceNumber);
    int horse = runner ? NumberOf(record, se::HorseNumber) : 1;
    if (race <= 0 || horse <= 0) return;
    fs::path path = RaceFilePath(dir, DayKeyOf(record) + std::string(runner ? kSeExtension : kRaExtension));
    std::size_t lineSize = record.size();
    std::string content;
    if (std::ifstream in{path, std::ios::binary}) {
        std::ostringstream s;
        s << in.rdbuf();
        content = s.str();
    } else {
        std::size_t lines = runner ? 216 : 12;
        for (std::size_t i = 0; i < lines; ++i) content += std::string(lineSize - 2, ' ') + "\r\n";
    }
    std::size_t slot =
        runner ? static_cast<std::size_t>((race - 1) * 18 + horse - 1) : static_cast<std::size_t>(race - 1);
    content.replace(slot * lineSize, lineSize, record);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void Report(benchmark::State& state) {
    auto n = turfpad::testing::CountRecords(Stream());
    state.counters["records"] = static_cast<double>(n.ra + n.se + n.other);
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(n.ra + n.se + n.other) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

void BM_Filing(benchmark::State& state) {
    const bool durable = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::path dir = FreshFolder();
        state.ResumeTiming();
        RaceFiler filer(dir);
        filer.SetDurable(durable);
        for (const JvFile& f : Stream()) {
            for (const std::string& r : f.records) filer.File(r);
            filer.Flush();  // every end of a JV-Link file
        }
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    Report(state);
}
BENCHMARK(BM_Filing)->Arg(1)->Arg(0)->ArgName("durable")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceWholeFilePerRecord(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        fs::path dir = FreshFolder();
        state.ResumeTiming();
        for (const JvFile& f : Stream())
            for (const std::string& r : f.records) ReferenceFile(dir, r);
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    Report(state);
}
BENCHMARK(BM_ReferenceWholeFilePerRecord)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
