// Filing a year of JV-Data into an empty data folder: our filing (files held in memory and
// written out whole at every end of a JV-Link file, as the acquisition does: a day's RA file
// waits for its SE file) against a reference that reads and rewrites the whole race data file
// for every record; our filing with and without the data folder's lock (taken for each batch,
// with the files written let go after it and the days held back read again under the next),
// side by side, for what the lock costs; with and without the horse index's upkeep, side by
// side; and with and without the odds and payouts a year's stored race data carries.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "YearStream.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"

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
    const bool locking = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::path dir = FreshFolder();
        state.ResumeTiming();
        RaceFiler filer(dir);
        filer.SetDurable(durable);
        filer.SetLocking(locking);
        for (const JvFile& f : Stream()) {
            for (const std::string& r : f.records) filer.File(r);
            filer.FlushWholeDays();  // every end of a JV-Link file
        }
        filer.Flush();
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    Report(state);
}
BENCHMARK(BM_Filing)
    ->ArgsProduct({{1, 0}, {1, 0}})
    ->ArgNames({"durable", "locked"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One year filed twice per iteration, with and without the lock, in turn (which goes first
// alternates), so that both sides see the same machine. The time reported is the locked
// filing's; "lock_cost_%" is what it took beyond the unlocked one over all iterations,
// "lock_cost_median_%" the median of the iterations' own ratios (steadier on a busy machine)
// and "lock_cost_cpu_%" the same in the process's processor time.
void BM_FilingLockCost(benchmark::State& state) {
    const bool durable = state.range(0) != 0;
    using Clock = std::chrono::steady_clock;
    Clock::duration locked{}, unlocked{};
    std::clock_t lockedCpu = 0, unlockedCpu = 0;
    std::vector<double> ratios;
    bool lockedFirst = false;
    for (auto _ : state) {
        Clock::duration runs[2]{};  // unlocked, locked
        for (int side = 0; side < 2; ++side) {
            const bool locking = (side == 0) == lockedFirst;
            fs::path dir = FreshFolder();
            const std::clock_t cpu = std::clock();
            auto start = Clock::now();
            {
                RaceFiler filer(dir);
                filer.SetDurable(durable);
                filer.SetLocking(locking);
                for (const JvFile& f : Stream()) {
                    for (const std::string& r : f.records) filer.File(r);
                    filer.FlushWholeDays();
                }
                filer.Flush();
            }
            runs[locking] = Clock::now() - start;
            (locking ? lockedCpu : unlockedCpu) += std::clock() - cpu;
            (locking ? locked : unlocked) += runs[locking];
            fs::remove_all(dir);
        }
        lockedFirst = !lockedFirst;
        ratios.push_back(std::chrono::duration<double>(runs[1]) / std::chrono::duration<double>(runs[0]));
        state.SetIterationTime(std::chrono::duration<double>(runs[1]).count());
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios.size() % 2 != 0 ? ratios[ratios.size() / 2]
                                                 : (ratios[ratios.size() / 2 - 1] + ratios[ratios.size() / 2]) / 2;
    state.counters["lock_cost_%"] = 100.0 * (std::chrono::duration<double>(locked) / unlocked - 1.0);
    state.counters["lock_cost_median_%"] = 100.0 * (median - 1.0);
    state.counters["lock_cost_cpu_%"] =
        100.0 * (static_cast<double>(lockedCpu) / static_cast<double>(std::max<std::clock_t>(unlockedCpu, 1)) - 1.0);
    Report(state);
}
BENCHMARK(BM_FilingLockCost)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("durable")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

// The same, finer: two filers, with and without the lock, each into its own folder, are given
// the year one JV-Link file at a time in turn (which goes first alternates), and each file's
// filing and flush is timed. Both sides see the machine within milliseconds of each other, so
// a busy machine's bursts fall on both alike. "lock_cost_%" is the locked side's time beyond
// the unlocked side's, over all iterations.
void BM_FilingLockCostInterleaved(benchmark::State& state) {
    const bool durable = state.range(0) != 0;
    using Clock = std::chrono::steady_clock;
    Clock::duration total[2]{};  // unlocked, locked
    for (auto _ : state) {
        Clock::duration run[2]{};
        const fs::path base = FreshFolder();
        const fs::path dirs[2] = {base / "unlocked", base / "locked"};
        for (const fs::path& d : dirs) fs::create_directories(d);
        {
            RaceFiler filers[2] = {RaceFiler(dirs[0]), RaceFiler(dirs[1])};
            for (int side = 0; side < 2; ++side) {
                filers[side].SetDurable(durable);
                filers[side].SetLocking(side == 1);
            }
            bool lockedFirst = false;
            auto fileOne = [&](int side, const JvFile* f) {
                auto start = Clock::now();
                if (f != nullptr) {
                    for (const std::string& r : f->records) filers[side].File(r);
                    filers[side].FlushWholeDays();
                } else {
                    filers[side].Flush();
                }
                run[side] += Clock::now() - start;
            };
            for (const JvFile& f : Stream()) {
                fileOne(lockedFirst ? 1 : 0, &f);
                fileOne(lockedFirst ? 0 : 1, &f);
                lockedFirst = !lockedFirst;
            }
            fileOne(0, nullptr);
            fileOne(1, nullptr);
        }
        fs::remove_all(base);
        for (int side = 0; side < 2; ++side) total[side] += run[side];
        state.SetIterationTime(std::chrono::duration<double>(run[1]).count());
    }
    state.counters["lock_cost_%"] = 100.0 * (std::chrono::duration<double>(total[1]) / total[0] - 1.0);
    Report(state);
}
BENCHMARK(BM_FilingLockCostInterleaved)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("durable")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

// The year with results (data category "7", a finishing position in every SE record), so
// that every runner is a run the horse index keeps.
const std::vector<JvFile>& ResultStream() {
    static const std::vector<JvFile> files = [] {
        std::vector<JvFile> out = Stream();
        for (JvFile& f : out)
            for (std::string& r : f.records)
                if (r.compare(0, 2, "SE") == 0) {
                    r.replace(2, 1, "7");
                    r.replace(334, 2, r.substr(28, 2));  // position: the horse number
                }
        return out;
    }();
    return files;
}

// One year with results filed twice per iteration, with and without the horse index's
// upkeep, in turn (which goes first alternates). The time reported is the filing with
// upkeep; "upkeep_cost_%" is what it took beyond the other, over all iterations.
void BM_FilingIndexUpkeep(benchmark::State& state) {
    const bool durable = state.range(0) != 0;
    using Clock = std::chrono::steady_clock;
    Clock::duration kept{}, bare{};
    bool keptFirst = false;
    for (auto _ : state) {
        Clock::duration keptRun{};
        for (int side = 0; side < 2; ++side) {
            const bool upkeep = (side == 0) == keptFirst;
            fs::path dir = FreshFolder();
            auto start = Clock::now();
            {
                RaceFiler filer(dir);
                filer.SetDurable(durable);
                filer.SetIndexUpkeep(upkeep);
                for (const JvFile& f : ResultStream()) {
                    for (const std::string& r : f.records) filer.File(r);
                    filer.Flush();
                }
            }
            auto took = Clock::now() - start;
            (upkeep ? kept : bare) += took;
            if (upkeep) keptRun = took;
            fs::remove_all(dir);
        }
        keptFirst = !keptFirst;
        state.SetIterationTime(std::chrono::duration<double>(keptRun).count());
    }
    state.counters["upkeep_cost_%"] =
        100.0 * (std::chrono::duration<double>(kept).count() / std::chrono::duration<double>(bare).count() - 1.0);
    Report(state);
}
BENCHMARK(BM_FilingIndexUpkeep)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("durable")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

// The lock alone: taking and giving back the data folder's lock, once per batch.
void BM_LockCycle(benchmark::State& state) {
    fs::path dir = FreshFolder();
    DataFolderLock lock(dir);
    std::string error;
    for (auto _ : state) {
        lock.Lock(DataFolderLock::Mode::Exclusive, nullptr, error);
        lock.Unlock();
    }
    state.counters["batches_a_year"] = static_cast<double>(Stream().size());
    fs::remove_all(dir);
}
BENCHMARK(BM_LockCycle)->Unit(benchmark::kMicrosecond);

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

// Half a year's records through the filer as turfpad-cli import drives it (a batch written
// whenever the files held reach the limit, whole days first), in file order and shuffled, in
// turn within each iteration. The time reported is the shuffled stream's; "shuffled_x" is how
// many times the ordered stream's it took, over all iterations.
void BM_ImportOrderedAgainstShuffled(benchmark::State& state) {
    std::vector<std::string> ordered;
    for (const JvFile& f : turfpad::testing::YearStream(24))
        for (const std::string& r : f.records) ordered.push_back(r);
    std::vector<std::string> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
    const auto import = [](const std::vector<std::string>& records) {
        const fs::path dir = FreshFolder();
        const auto start = std::chrono::steady_clock::now();
        {
            RaceFiler filer(dir);
            filer.SetMostHeldFiles(512);  // as turfpad-cli import
            for (const std::string& r : records) {
                if (filer.HeldFiles() >= filer.MaxHeldFiles()) filer.FlushWholeDays();
                filer.File(r);
            }
            filer.Flush();
        }
        const auto took = std::chrono::steady_clock::now() - start;
        fs::remove_all(dir);
        return std::chrono::duration<double>(took).count();
    };
    double total[2] = {0, 0};
    for (auto _ : state) {
        total[0] += import(ordered);
        const double took = import(shuffled);
        total[1] += took;
        state.SetIterationTime(took);
    }
    state.counters["records"] = static_cast<double>(ordered.size());
    state.counters["shuffled_x"] = total[1] / total[0];
}
BENCHMARK(BM_ImportOrderedAgainstShuffled)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The year as the stored race data really carries it: beside each race's RA and SE records,
// its odds (O1) and payouts (HR), keyed like its RA record (the year stream's own O1 and HR
// records carry no race and are passed over).
std::vector<JvFile> WithOddsAndPayouts() {
    std::vector<JvFile> files = Stream();
    std::vector<std::string> keys;  // of the week's races, from its RA file
    for (JvFile& f : files) {
        if (f.records.empty()) continue;
        const std::string type = f.records[0].substr(0, 2);
        if (type == "RA") {
            keys.clear();
            for (const std::string& r : f.records) keys.push_back(r.substr(11, 16));
        } else if ((type == "O1" || type == "HR") && !keys.empty()) {
            for (std::size_t i = 0; i < f.records.size(); ++i) f.records[i].replace(11, 16, keys[i % keys.size()]);
        }
    }
    return files;
}

// Filing the year with its odds and payouts against filing it without them, in turn in one
// run: "with_x" is what filing them adds, as a ratio over all iterations, "with_x_median" the
// median of the iterations' own ratios (steadier on a busy machine).
// The folders filed into are removed only at the end: on a disk that discards the blocks of
// removed files, the discards would otherwise run into the next round's filing.
void BM_FilingWithOddsAndPayouts(benchmark::State& state) {
    static const std::vector<JvFile> with = WithOddsAndPayouts();
    const fs::path base = FreshFolder();
    int round = 0;
    const auto file = [&](const std::vector<JvFile>& stream) {
        const fs::path dir = base / std::to_string(++round);
        fs::create_directory(dir);
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        {
            RaceFiler filer(dir);
            for (const JvFile& f : stream) {
                for (const std::string& r : f.records) filer.File(r);
                filer.FlushWholeDays();
            }
            filer.Flush();
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double total[2] = {0, 0};
    std::vector<double> ratios;
    bool withFirst = false;
    for (auto _ : state) {
        double took[2];
        took[withFirst ? 1 : 0] = withFirst ? file(with) : file(Stream());
        took[withFirst ? 0 : 1] = withFirst ? file(Stream()) : file(with);
        withFirst = !withFirst;
        total[0] += took[0];
        total[1] += took[1];
        ratios.push_back(took[1] / took[0]);
        state.SetIterationTime(took[1]);
    }
    fs::remove_all(base);
    std::sort(ratios.begin(), ratios.end());
    state.counters["with_x"] = total[1] / total[0];
    state.counters["with_x_median"] = (ratios[(ratios.size() - 1) / 2] + ratios[ratios.size() / 2]) / 2;
}
BENCHMARK(BM_FilingWithOddsAndPayouts)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
