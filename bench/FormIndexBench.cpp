// The horse index over ten years of results: building it from nothing (every SE file read),
// and showing the form of an 18-runner race from it (the index brought up to date, then the
// runners' last five runs read from their day files).
//
// The data folder is generated once with the program's own filing: every Saturday and Sunday
// of 2016-2025 at five or six racecourses (about 5,800 day-and-racecourse pairs, some 800 MB),
// runners with results from a stable whose horses run about every four weeks for three years.
// It goes to $TURFPAD_BENCH_FORM_DATA (kept for later runs), or a temporary folder removed
// afterwards. The day files are dated a day back, as in a folder fed long ago.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "browse/DayReading.h"
#include "datafolder/RaceFiles.h"
#include "formguide/FormGuide.h"
#include "formguide/HorseRunIndex.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

namespace fs = std::filesystem;
using namespace turfpad;

namespace {

fs::path g_data;
std::size_t g_pairs = 0;
std::string g_day;  // the newest day: its race 11 has 18 runners

void Set(std::string& record, Field f, std::string_view value) {
    record.replace(static_cast<std::size_t>(f.pos - 1), static_cast<std::size_t>(f.len), value);
}

std::string Digits(long long v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, v);
    return buf;
}

void Generate(const fs::path& dir) {
    using namespace std::chrono;
    fs::create_directories(dir);
    RaceFiler filer(dir);
    filer.SetDurable(false);
    filer.SetIndexUpkeep(false);  // the index is built from nothing below
    const std::string ra0 = RecordBuilder::Ra()
                                .Raw(ra::DataCategory, "7")
                                .Text(ra::RaceName, "ベンチマーク記念")
                                .Text(ra::ShortName, "ベンチ")
                                .Raw(ra::WeightType, "3")
                                .Raw(ra::RaceCondition, "010")
                                .Number(ra::PostTime, 1530)
                                .Raw(ra::TurfGoing, "1")
                                .Raw(ra::DirtGoing, "2")
                                .str();
    const std::string se0 = RecordBuilder::Se()
                                .Raw(se::DataCategory, "7")
                                .Text(se::HorseName, "ベンチマークホース")
                                .Raw(se::Sex, "1")
                                .Raw(se::Age, "04")
                                .Text(se::Jockey, "騎手名前")
                                .Number(se::Weight, 560)
                                .Raw(se::Abnormal, "0")
                                .Number(se::Time, 1352)
                                .str();
    const char* courses[] = {"05", "06", "08", "09", "03", "04", "01", "02", "07", "10"};
    int week = 0;
    for (sys_days day = sys_days{year{2016} / January / Saturday[1]}; day < sys_days{year{2026} / January / 1};
         day += days{7}, ++week) {
        long long runner = 0;  // of the week: the stable's horses take turns
        for (sys_days d : {day, day + days{1}}) {
            const year_month_day ymd{d};
            const std::string date = Digits(static_cast<int>(ymd.year()), 4) +
                                     Digits(static_cast<unsigned>(ymd.month()), 2) +
                                     Digits(static_cast<unsigned>(ymd.day()), 2);
            const int count = week % 2 ? 5 : 6;
            for (int c = 0; c < count; ++c) {
                const char* course = courses[(week + c * 3) % 10];
                ++g_pairs;
                for (int race = 1; race <= 12; ++race) {
                    const int heads = race == 11 ? 18 : 10 + (race * 7 + week) % 9;
                    std::string r = ra0;
                    Set(r, {12, 8}, date);
                    Set(r, ra::Racecourse, course);
                    Set(r, ra::RaceNumber, Digits(race, 2));
                    Set(r, ra::Distance, Digits(1200 + 200 * (race % 6), 4));
                    Set(r, ra::Track, race % 2 ? "17" : "24");
                    Set(r, ra::HeadCount, Digits(heads, 2));
                    Set(r, ra::Starters, Digits(heads, 2));
                    filer.File(r);
                    for (int h = 1; h <= heads; ++h, ++runner) {
                        // About 1,100 runners a week from 4,400 horses: each runs every four
                        // weeks, and a new generation comes every three years.
                        const long long horse = 2000100000LL + (week / 156) * 10000 + (runner * 7 + week) % 4400;
                        std::string s = se0;
                        Set(s, {12, 8}, date);
                        Set(s, se::Racecourse, course);
                        Set(s, se::RaceNumber, Digits(race, 2));
                        Set(s, se::PostPosition, Digits(1 + (h - 1) * 8 / heads, 1));
                        Set(s, se::HorseNumber, Digits(h, 2));
                        Set(s, se::Pedigree, Digits(horse, 10));
                        Set(s, se::Position, Digits((h * 5 + race) % heads + 1, 2));
                        Set(s, se::Popularity, Digits((h * 3 + race) % heads + 1, 2));
                        filer.File(s);
                    }
                }
            }
        }
    }
    filer.Flush();
    // Dated a day back, as in a folder fed long ago.
    const auto back = fs::file_time_type::clock::now() - hours(24);
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) fs::last_write_time(e.path(), back);
    std::ofstream(dir / "complete") << g_pairs;
}

void Prepare() {
    const char* env = std::getenv("TURFPAD_BENCH_FORM_DATA");
    g_data = env ? fs::path(env) : fs::temp_directory_path() / ("turfpad-formbench-" + std::to_string(getpid()));
    if (!fs::exists(g_data / "complete")) {
        fs::remove_all(g_data);
        std::fprintf(stderr, "generating ten years of results in %s ...\n", g_data.c_str());
        Generate(g_data);
    }
    std::ifstream(g_data / "complete") >> g_pairs;
    g_day = DayEntries(g_data).front();  // the newest day: every race 11 has 18 runners
}

void BM_BuildIndexFromNothing(benchmark::State& state) {
    HorseRunIndex index;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(HorseIndexFolder(g_data));
        state.ResumeTiming();
        index.Build(g_data);
    }
    state.counters["day_pairs"] = static_cast<double>(index.LastBuild().days);
    state.counters["days_read"] = static_cast<double>(index.LastBuild().daysRead);
}
BENCHMARK(BM_BuildIndexFromNothing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Showing the form of race 11 (18 runners) of the newest day as turfpad-cli form does: the
// index brought up to date for its runners (nothing changed since the last full check: the
// days their runs depend on looked at, none read), then the runs read.
void BM_FormOf18RunnersFromIndex(benchmark::State& state) {
    // The folder dated back too, as one nothing was added to for a while (building the index
    // from nothing above has just made its folder), then looked at whole once: the index
    // written and each month file recorded.
    std::error_code ec;
    fs::last_write_time(g_data, fs::file_time_type::clock::now() - std::chrono::hours(24), ec);
    HorseRunIndex warm;
    warm.Build(g_data);
    RaceCardTable table;
    NoProgress progress;
    if (!ReadDay(g_data, g_day, table, progress).ok()) state.SkipWithError("day not readable");
    std::size_t rows = 0;
    HorseRunIndex::Refreshed refreshed;
    for (auto _ : state) {
        FormGuideRuns read;
        read.Read(g_data, table, {10}, 5);
        std::vector<FormRow> form = RaceForm(table, 10, read);
        rows = form.size();
        refreshed = read.LastBuild();
        benchmark::DoNotOptimize(form.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["days_looked_at"] = static_cast<double>(refreshed.days);
    state.counters["listed"] = refreshed.listed ? 1 : 0;
}
BENCHMARK(BM_FormOf18RunnersFromIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

// The costliest race the index meets while the folder is unchanged: 18 two-year-olds without
// a run, each looked for through every day since the January of the year it turned two.
void BM_FormOf18DebutantsFromIndex(benchmark::State& state) {
    const std::string raceDate = g_day.substr(0, 4) + g_day.substr(6, 2) + g_day.substr(10, 2);  // 2025年12月28日
    std::vector<std::string> pedigrees;
    for (int h = 0; h < 18; ++h)
        pedigrees.push_back(Digits(std::stoi(raceDate.substr(0, 4)) - 2, 4) + "10" + Digits(9000 + h, 4));
    HorseRunIndex::Refreshed refreshed;
    std::size_t runs = 0;
    for (auto _ : state) {
        HorseRunIndex index;
        index.BuildFor(g_data, pedigrees, raceDate, 5);
        runs = 0;
        for (const std::string& p : pedigrees) runs += index.RecentRuns(p, raceDate, 5).size();
        refreshed = index.LastBuild();
    }
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["days_looked_at"] = static_cast<double>(refreshed.days);
    state.counters["listed"] = refreshed.listed ? 1 : 0;
}
BENCHMARK(BM_FormOf18DebutantsFromIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with every day of the folder looked at, as after the folder has changed.
void BM_FormOf18RunnersAfterFullCheck(benchmark::State& state) {
    RaceCardTable table;
    NoProgress progress;
    if (!ReadDay(g_data, g_day, table, progress).ok()) state.SkipWithError("day not readable");
    for (auto _ : state) {
        HorseRunIndex index;
        index.Build(g_data);
        FormGuideRuns read;
        read.Take(index, table, {10}, 5);
        benchmark::DoNotOptimize(RaceForm(table, 10, read).data());
    }
}
BENCHMARK(BM_FormOf18RunnersAfterFullCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two steps apart: bringing the index up to date, and the form from an index in memory.
void BM_IndexUpToDateCheck(benchmark::State& state) {
    HorseRunIndex index;
    for (auto _ : state) index.Build(g_data);
    state.counters["days_read"] = static_cast<double>(index.LastBuild().daysRead);
}
BENCHMARK(BM_IndexUpToDateCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FormFromIndexInMemory(benchmark::State& state) {
    HorseRunIndex index;
    index.Build(g_data);
    RaceCardTable table;
    NoProgress progress;
    if (!ReadDay(g_data, g_day, table, progress).ok()) state.SkipWithError("day not readable");
    for (auto _ : state) {
        FormGuideRuns read;
        read.Take(index, table, {10}, 5);
        benchmark::DoNotOptimize(RaceForm(table, 10, read).data());
    }
}
BENCHMARK(BM_FormFromIndexInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!std::getenv("TURFPAD_BENCH_FORM_DATA")) fs::remove_all(g_data);
    return 0;
}
