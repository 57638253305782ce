// The print preview of a day through the main window: 出馬表印刷 (race cards) against 馬柱印刷
// (form guides), each from the click to its preview window shown and its first page
// painted, in turn in the same run: printed again, printed at once after the day is chosen,
// and printed after the day has been looked at. The data folder holds ten weeks of demo
// results and the coming week's cards, so the form guides have runs to show.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "JapaneseUi.h"
#include "MainWindow.h"
#include "PreviewWindow.h"
#include "QtPrinter.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"
#include "jvlink/LocalJVLink.h"
#include "settings/ProgramPlaces.h"

namespace fs = std::filesystem;
using namespace turfpad;
using Seconds = std::chrono::duration<double>;

namespace {

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("turfpad-preview-bench-" + std::to_string(getpid()));
        fs::remove_all(f);
        fs::create_directories(f / "Data");
        RaceFiler filer(f / "Data");
        using namespace std::chrono;
        for (const JvdFile& file : DemoWeeks(sys_days(year{2026} / December / 10), 10))
            for (const std::string& r : SplitRecords(file.content)) filer.File(r);
        filer.Flush();
        SetProgramFile(f / "turfpad");
        return f;
    }();
    return folder;
}

void BM_FormGuidePreviewAgainstRaceCards(benchmark::State& state) {
    Folder();
    TMainForm form(std::make_unique<LocalJVLink>());
    form.SetPrinter(QtPrinter::PdfFile(QString::fromStdString((Folder() / "out.pdf").string())));
    form.showPreview = [](TAllPrintForm& preview) {
        preview.show();
        QApplication::processEvents();
        preview.grab();  // the first page as the user sees it
    };
    form.show();
    const int day = form.DateCombo->findText(QString::fromUtf8("2026年12月12日中山"));
    if (day < 0) {
        state.SkipWithError("the demo day is missing");
        return;
    }
    form.DateCombo->setCurrentIndex(day);
    emit form.DateCombo->activated(day);
    Seconds formTotal{0}, cardTotal{0};
    bool formFirst = true;
    // 0: printed again. 1: the day chosen again just before each turn, so that 馬柱印刷 reads
    // the runs of the day's runners first. 2: the day chosen again and looked at for half a
    // second, as a user does before printing, while the window reads the runs ahead.
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (mode != 0) emit form.DateCombo->activated(day);
        if (mode == 2) {
            QEventLoop loop;
            QTimer::singleShot(500, &loop, &QEventLoop::quit);
            loop.exec();
        }
        Seconds forms{0}, cards{0};
        for (int turn = 0; turn < 2; ++turn) {
            const bool guide = (turn == 0) == formFirst;
            const auto start = std::chrono::steady_clock::now();
            if (guide)
                form.FormGuidePrintItemClick();
            else
                form.print1btnClick();
            (guide ? forms : cards) = std::chrono::steady_clock::now() - start;
        }
        formFirst = !formFirst;
        state.SetIterationTime(forms.count());
        formTotal += forms;
        cardTotal += cards;
    }
    state.counters["race cards ms"] = cardTotal.count() * 1000 / static_cast<double>(state.iterations());
    state.counters["ratio"] = formTotal / cardTotal;
}
BENCHMARK(BM_FormGuidePreviewAgainstRaceCards)
    ->ArgName("day_chosen")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    InstallJapaneseTranslator(&app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(Folder());
    benchmark::Shutdown();
}
