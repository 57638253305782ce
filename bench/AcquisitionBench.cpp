// JV-Data through the whole acquisition (the local JV-Link stand-in reading its cache at once,
// the acquisition logic, a view that lets Qt events run before every read) against the bare
// filing of the same records with RaceFiler, flushed at the same file ends. Each iteration
// runs both, in turns first, each into an empty data folder, so that both meet the same state
// of the disk; the time shown is the acquisition's, the counters give both rates and the
// ratio of the acquisition's time to the bare filing's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>

#include "AcquisitionWindow.h"
#include "HeadlessView.h"
#include "MessageBox.h"
#include "YearStream.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/Acquisition.h"
#include "jvlink/LocalJVLink.h"
#include "settings/IniStore.h"
#include "text/PathText.h"

namespace fs = std::filesystem;
using namespace turfpad;
using turfpad::testing::JvFile;
using Seconds = std::chrono::duration<double>;

namespace {

const fs::path& Root() {
    static const fs::path root = fs::temp_directory_path() / ("turfpad-acqbench-" + std::to_string(getpid()));
    return root;
}

// The starting point kept in memory: the benchmark measures filing, not the settings file.
class MemorySettings : public IniStore {
  public:
    bool ReadBool(std::string_view, std::string_view, bool def) const override { return def; }
    void WriteBool(std::string_view, std::string_view, bool) override {}
    int ReadInteger(std::string_view, std::string_view, int def) const override { return def; }
    void WriteInteger(std::string_view, std::string_view, int) override {}
    std::string ReadString(std::string_view s, std::string_view k, std::string_view def) const override {
        auto it = values_.find(std::string(s) + "/" + std::string(k));
        return it == values_.end() ? std::string(def) : it->second;
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override {
        values_[std::string(s) + "/" + std::string(k)] = std::string(v);
    }

  private:
    std::map<std::string, std::string> values_;
};

// A stream of `weeks` race weekends, the stand-in serving it from a source folder, its cache
// already filled.
struct Source {
    std::vector<JvFile> files;
    long records = 0, filed = 0;  // all records; the RA and SE records among them
    std::unique_ptr<LocalJVLink> link;
};

Source& SourceOf(int weeks) {
    static std::map<int, Source> sources;
    Source& s = sources[weeks];
    if (s.link) return s;
    s.files = turfpad::testing::YearStream(weeks);
    auto n = turfpad::testing::CountRecords(s.files);
    s.records = n.ra + n.se + n.other;
    s.filed = n.ra + n.se;
    fs::path dir = Root() / ("weeks" + std::to_string(weeks));
    turfpad::testing::WriteJvdFiles(s.files, dir / "source");
    std::string error;
    if (!SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {PathText(dir / "source"), "", 0, ""}, error))
        throw std::runtime_error(error);
    s.link = std::make_unique<LocalJVLink>(
        LocalJVLink::Config{dir / "JVLinkLocal.ini", dir / "cache", {}, [](LocalJVLinkSettings&) { return false; }});
    s.link->JVInit("TURFPAD-BENCH");
    int reads = 0, downloads = 0;
    std::string last;
    s.link->JVOpen("RACE", "20000101000000", 2, reads, downloads, last);
    s.link->JVStatus();  // copies everything into the cache at once
    s.link->JVClose();
    return s;
}

fs::path FreshData(const fs::path& base) {
    fs::path p = base / "Data";
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

// One acquisition through the logic and a view without a window; false when it did not file
// every record.
bool AcquireHeadless(Source& source, const fs::path& data, Seconds& took) {
    MemorySettings settings;
    turfpad::testing::HeadlessView view;
    GetDataLogic logic(*source.link, data, settings, view);
    view.Attach(logic);
    logic.SetFromDate({2000, 1, 1, 0, 0, 0});
    auto start = std::chrono::steady_clock::now();
    logic.Start();  // everything is in the cache: it reads at once
    took = std::chrono::steady_clock::now() - start;
    return view.Completed() && view.listed == source.filed;
}

// One acquisition through the acquisition window, its start button pressed.
bool AcquireInWindow(Source& source, const fs::path& data, Seconds& took) {
    MemorySettings settings;
    auto form = std::make_unique<TGetDataForm>(*source.link, data, settings, nullptr);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->show();
    form->Logic().SetFromDate({2000, 1, 1, 0, 0, 0});
    auto start = std::chrono::steady_clock::now();
    form->ButtonStart->click();
    took = std::chrono::steady_clock::now() - start;
    bool ok = form->ListBox1->count() == source.filed;
    TMsgDlg::TakeShown();
    return ok;
}

// The same records filed directly, flushed at the end of every source file as the
// acquisition does (a day's RA file waiting for its SE file).
void FileBare(const Source& source, const fs::path& data, Seconds& took) {
    auto start = std::chrono::steady_clock::now();
    {
        RaceFiler filer(data);
        for (const JvFile& f : source.files) {
            for (const std::string& r : f.records) filer.File(r);
            filer.FlushWholeDays();
        }
        filer.Flush();
    }
    took = std::chrono::steady_clock::now() - start;
}

using Acquisition = bool (*)(Source&, const fs::path&, Seconds&);

void AgainstBareFiling(benchmark::State& state, Acquisition acquire, int weeks, const fs::path& base) {
    Source& source = SourceOf(weeks);
    Seconds loopTotal{0}, bareTotal{0};
    bool loopFirst = true;
    for (auto _ : state) {
        Seconds loop{0}, bare{0};
        for (int turn = 0; turn < 2; ++turn) {
            fs::path data = FreshData(base);
            if ((turn == 0) == loopFirst) {
                if (!acquire(source, data, loop)) state.SkipWithError("the acquisition did not file every record");
            } else {
                FileBare(source, data, bare);
            }
        }
        loopFirst = !loopFirst;
        state.SetIterationTime(loop.count());
        loopTotal += loop;
        bareTotal += bare;
    }
    const double records = static_cast<double>(source.records) * static_cast<double>(state.iterations());
    state.counters["records"] = static_cast<double>(source.records);
    state.counters["loop rec/s"] = records / loopTotal.count();
    state.counters["bare rec/s"] = records / bareTotal.count();
    state.counters["ratio"] = loopTotal / bareTotal;
}

// A year (48 race weekends). With memfs:1 the data folders lie in memory (/dev/shm), which
// leaves out the disk and shows what the loop itself adds to the filing.
void BM_AcquisitionAgainstBareFiling(benchmark::State& state) {
    const bool memfs = state.range(0) != 0;
    const fs::path base = memfs ? fs::path("/dev/shm") / Root().filename() : Root();
    AgainstBareFiling(state, AcquireHeadless, 48, base);
    if (memfs) fs::remove_all(base);
}
BENCHMARK(BM_AcquisitionAgainstBareFiling)
    ->ArgName("memfs")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The acquisition window itself, with its list of filed records, over streams of growing
// length: the rate has to stay the same whatever the length.
void BM_WindowAgainstBareFiling(benchmark::State& state) {
    AgainstBareFiling(state, AcquireInWindow, static_cast<int>(state.range(0)), Root());
}
BENCHMARK(BM_WindowAgainstBareFiling)
    ->ArgName("weeks")
    ->Arg(4)
    ->Arg(16)
    ->Arg(48)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TMsgDlg::SetRecording(true);  // the boxes of the window are answered at once
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Root(), ec);
    return 0;
}
