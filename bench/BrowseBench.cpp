// Browsing over ten years of race data files: building the day list, and choosing a day
// (reading its two files, composing the race list, schedule, heading and race card, and
// filling the two grids offscreen). Each is set beside a reference measured in the same run:
// listing the folder's names, and reading the day's units with plain file reads.
//
// The data folder is generated once with the program's own filing (about 2,900 RA files and
// as many SE files, some 400 MB) in $TURFPAD_BENCH_DATA, or a temporary folder that is
// removed afterwards.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BrowseGrids.h"
#include "JapaneseUi.h"
#include "RaceDayGrid.h"
#include "browse/RaceBrowser.h"
#include "browse/RaceDayTexts.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

namespace fs = std::filesystem;
using namespace turfpad;

namespace {

fs::path g_data;
std::vector<std::string> g_days;

std::string Ra(const std::string& date, const char* course, int race, int heads) {
    return RecordBuilder::Ra()
        .Raw(ra::Year, date.substr(0, 4))
        .Raw(ra::Month, date.substr(4, 2))
        .Raw(ra::Day, date.substr(6, 2))
        .Raw(ra::Racecourse, course)
        .Number(ra::MeetingNumber, 3)
        .Number(ra::MeetingDay, 5)
        .Number(ra::RaceNumber, race)
        .Text(ra::RaceName, "ベンチマーク記念")
        .Text(ra::ShortName, "ベンチ")
        .Raw(ra::Grade, race == 11 ? "C" : " ")
        .Raw(ra::WeightType, "3")
        .Raw(ra::RaceCondition, race < 5 ? "703" : "010")
        .Number(ra::Distance, 1200 + 200 * (race % 6))
        .Raw(ra::Track, race % 2 ? "17" : "24")
        .Number(ra::PostTime, 1000 + race / 2 * 100 + race % 2 * 30)
        .Number(ra::HeadCount, heads);
}

std::string Se(const std::string& date, const char* course, int race, int horse) {
    return RecordBuilder::Se()
        .Raw(se::Year, date.substr(0, 4))
        .Raw(se::Month, date.substr(4, 2))
        .Raw(se::Day, date.substr(6, 2))
        .Raw(se::Racecourse, course)
        .Number(se::MeetingNumber, 3)
        .Number(se::MeetingDay, 5)
        .Number(se::RaceNumber, race)
        .Number(se::PostPosition, (horse + 1) / 2)
        .Number(se::HorseNumber, horse)
        .Number(se::Pedigree, 2020100000LL + horse)
        .Text(se::HorseName, "ベンチマークホース")
        .Raw(se::Sex, horse % 3 ? "1" : "2")
        .Raw(se::Age, "04")
        .Text(se::Trainer, "調教師名")
        .Number(se::Weight, 550 + horse % 5 * 5)
        .Raw(se::Blinker, horse % 4 ? "0" : "1")
        .Text(se::Jockey, "騎手名前")
        .Raw(se::Apprentice, horse % 7 ? "0" : "3");
}

// Every Saturday and Sunday of 2016-2025, at three racecourses and at two in every fifth
// week: about 2,900 meeting days, as many as ten years of the real programme.
void Generate(const fs::path& dir) {
    using namespace std::chrono;
    fs::create_directories(dir);
    RaceFiler filer(dir);
    filer.SetDurable(false);
    const char* courses[] = {"05", "06", "08", "09", "03", "04", "01", "02", "07", "10"};
    int week = 0;
    for (sys_days day = sys_days{year{2016} / January / Saturday[1]}; day < sys_days{year{2026} / January / 1};
         day += days{7}, ++week)
        for (sys_days d : {day, day + days{1}}) {
            const year_month_day ymd{d};
            char date[16];
            std::snprintf(date, sizeof date, "%04d%02u%02u", static_cast<int>(ymd.year()),
                          static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
            const int count = week % 5 == 0 ? 2 : 3;
            for (int c = 0; c < count; ++c) {
                const char* course = courses[(week + c * 3) % 10];
                for (int race = 1; race <= 12; ++race) {
                    const int heads = 10 + (race * 7 + week) % 9;
                    filer.File(Ra(date, course, race, heads));
                    for (int h = 1; h <= heads; ++h) filer.File(Se(date, course, race, h));
                }
            }
        }
    filer.Flush();
    std::ofstream(dir / "complete");
}

// Fills the two grids as the main window does.
struct GridView : HeadlessBrowserView {
    GridView() {
        schedule.resize(600, 300);
        card.resize(600, 340);
        schedule.show();
        card.show();
    }
    void SetScheduleRows(const std::vector<ScheduleRow>& rows) override { schedule.Fill(rows); }
    void SetRaceCardRows(const std::vector<RaceCardRow>& rows) override { card.Fill(rows); }
    void ClearRaceCardSelection() override { card.ClearSelection(); }
    TScheduleGrid schedule;
    TRaceCardGrid card;
};

const std::string& DayAt(std::size_t i) { return g_days[(i * 97) % g_days.size()]; }

// ---- the day list ----

void BM_ListFolderReference(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t n = 0;
        for (const auto& e : fs::directory_iterator(g_data)) n += e.path().native().size();
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ListFolderReference)->Unit(benchmark::kMillisecond);

void BM_BuildDayList(benchmark::State& state) {
    HeadlessBrowserView view;
    NoProgress progress;
    RaceBrowser browser(view, progress, nullptr, g_data);
    for (auto _ : state) {
        browser.BuildDayList();
        benchmark::DoNotOptimize(browser.DayList().data());
    }
    state.counters["days"] = static_cast<double>(browser.DayList().size());
}
BENCHMARK(BM_BuildDayList)->Unit(benchmark::kMillisecond);

// ---- choosing a day ----

// Reads the RA file whole and each race's runner units with plain reads.
void BM_ReadDayReference(benchmark::State& state) {
    std::string ra(kRaFileSize, ' ');
    std::string unit(kSeRecordSize, ' ');
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& day = DayAt(i++);
        std::FILE* fr = std::fopen(RaceFilePath(g_data, day + ".jvRA").c_str(), "rb");
        std::FILE* fse = std::fopen(RaceFilePath(g_data, day + ".jvSEr").c_str(), "rb");
        const std::size_t got = std::fread(ra.data(), 1, ra.size(), fr);
        for (std::size_t k = 0; k * kRaRecordSize < got; ++k) {
            const int heads = NumberOf(std::string_view(ra).substr(k * kRaRecordSize), ra::HeadCount);
            for (int j = 0; j < heads; ++j) {
                std::fseek(fse, static_cast<long>((k * 18 + static_cast<std::size_t>(j)) * kSeRecordSize), SEEK_SET);
                benchmark::DoNotOptimize(std::fread(unit.data(), 1, unit.size(), fse));
            }
        }
        std::fclose(fr);
        std::fclose(fse);
    }
}
BENCHMARK(BM_ReadDayReference)->Unit(benchmark::kMicrosecond);

void BM_ReadDay(benchmark::State& state) {
    RaceCardTable table;
    NoProgress progress;
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(ReadDay(g_data, DayAt(i++), table, progress).ok());
}
BENCHMARK(BM_ReadDay)->Unit(benchmark::kMicrosecond);

void BM_ChooseDayComposing(benchmark::State& state) {
    HeadlessBrowserView view;
    NoProgress progress;
    RaceBrowser browser(view, progress, nullptr, g_data);
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(browser.ChooseDay(DayAt(i++)));
}
BENCHMARK(BM_ChooseDayComposing)->Unit(benchmark::kMicrosecond);

void BM_ChooseDayFillingGrids(benchmark::State& state) {
    GridView view;
    NoProgress progress;
    RaceBrowser browser(view, progress, nullptr, g_data);
    view.card.SetTable(&browser.Table());
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(browser.ChooseDay(DayAt(i++)));
}
BENCHMARK(BM_ChooseDayFillingGrids)->Unit(benchmark::kMicrosecond);

// The same, and both grids painted (into pixmaps).
void BM_ChooseDayPainted(benchmark::State& state) {
    GridView view;
    NoProgress progress;
    RaceBrowser browser(view, progress, nullptr, g_data);
    view.card.SetTable(&browser.Table());
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(browser.ChooseDay(DayAt(i++)));
        // Painting both grids whole, as a switch does on screen.
        benchmark::DoNotOptimize(view.schedule.grab());
        benchmark::DoNotOptimize(view.card.grab());
    }
}
BENCHMARK(BM_ChooseDayPainted)->Unit(benchmark::kMicrosecond);

// The 速報 tab of an 18-runner race filled and painted: its texts from the race's odds and
// payout records, the grids filled, the tab grabbed whole.
void BM_RaceDayTabFilled(benchmark::State& state) {
    const fs::path data = fs::temp_directory_path() / ("turfpad-raceday-bench-" + std::to_string(getpid()));
    fs::remove_all(data);
    fs::create_directories(data);
    {
        RaceFiler filer(data);
        using namespace std::chrono;
        for (const JvdFile& f : DemoResults(sys_days(year{2026} / December / 6)))
            for (const std::string& r : SplitRecords(f.content)) filer.File(r);
    }
    HeadlessBrowserView headless;
    NoProgress progress;
    RaceBrowser browser(headless, progress, nullptr, data);
    const std::string day = DayEntries(data).front();
    browser.ChooseDay(day);
    const std::optional<RaceDayFiles> files = ReadRaceDayFiles(data, day, [] { return true; });
    int slot = 0;  // the race of the day with the most runners
    for (int k = 0; k < kRacesPerDay; ++k)
        if (NumberOf(browser.Table().RaLine(k), ra::HeadCount) > NumberOf(browser.Table().RaLine(slot), ra::HeadCount))
            slot = k;
    TRaceDayGrid tab;
    tab.resize(440, 270);
    for (auto _ : state) {
        tab.Fill(RaceDayOf(files->O1Of(slot), files->HrOf(slot), browser.Table(), slot));
        benchmark::DoNotOptimize(tab.grab());
    }
    state.counters["runners"] = NumberOf(browser.Table().RaLine(slot), ra::HeadCount);
    fs::remove_all(data);
}
BENCHMARK(BM_RaceDayTabFilled)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    benchmark::Initialize(&argc, argv);

    const char* given = std::getenv("TURFPAD_BENCH_DATA");
    const bool keep = given != nullptr && *given != '\0';
    g_data = keep ? fs::path(given) : fs::temp_directory_path() / ("turfpad-browse-bench-" + std::to_string(getpid()));
    if (!fs::exists(g_data / "complete")) {
        std::fprintf(stderr, "generating ten years of race data files in %s ...\n", g_data.c_str());
        Generate(g_data);
    }
    g_days = DayEntries(g_data);
    std::fprintf(stderr, "%zu days\n", g_days.size());

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!keep) fs::remove_all(g_data);
    return 0;
}
