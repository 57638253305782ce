// Start-up: from launching the program to its main window mapped on the X display, against
// an empty Qt Widgets window of the same size and the same window with a line of text
// (EmptyWindow.cpp), launched in turn in the same run. The program starts as a user's portable copy would: its own
// folder, a data folder holding a demo week, no settings file. Needs an X display (DISPLAY); a window manager may run
// (the window's frame is what gets mapped then).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"

extern char** environ;

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

namespace {

// A folder like a portable copy's: the program, and Data with the demo week of 2026-12-10.
fs::path PortableCopy() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("turfpad-startup-bench-" + std::to_string(getpid()));
        fs::remove_all(f);
        fs::create_directories(f / "Data");
        fs::copy_file(TURFPAD_PROGRAM, f / "turfpad");
        turfpad::RaceFiler filer(f / "Data");
        using namespace std::chrono;
        for (const turfpad::JvdFile& file : turfpad::DemoProgramme(sys_days(year{2026} / December / 10)))
            for (const std::string& r : turfpad::SplitRecords(file.content)) filer.File(r);
        filer.Flush();
        return f;
    }();
    return folder;
}

class Display {
  public:
    Display() : c_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c_)) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~Display() { xcb_disconnect(c_); }
    bool Ok() const { return !xcb_connection_has_error(c_); }

    // Launches the program and waits for the first top-level window mapped after that; the
    // program is ended again. False when it exits or nothing is mapped.
    bool TimeToMapped(const fs::path& program, Seconds& took, const char* argument = nullptr) {
        Drain();
        const std::string path = program.string();
        char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(argument), nullptr};
        pid_t pid = 0;
        const auto start = std::chrono::steady_clock::now();
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
        bool mapped = false;
        while (xcb_generic_event_t* e = xcb_wait_for_event(c_)) {
            const bool map = (e->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                             !reinterpret_cast<xcb_map_notify_event_t*>(e)->override_redirect;
            free(e);
            if (map) {
                mapped = true;
                break;
            }
        }
        took = std::chrono::steady_clock::now() - start;
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        return mapped;
    }

  private:
    void Drain() {
        xcb_flush(c_);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) free(e);
    }
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

// Each round launches the three in a rotating order: the program, the empty window and the
// window with a line of text.
void BM_StartupAgainstEmptyWindow(benchmark::State& state) {
    Display display;
    if (!display.Ok()) {
        state.SkipWithError("no X display (DISPLAY)");
        return;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const fs::path program = PortableCopy() / "turfpad";
    const fs::path empty(TURFPAD_EMPTY_WINDOW);
    std::vector<double> times[3];
    int round = 0;
    for (auto _ : state) {
        Seconds took[3]{};
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (turn + round) % 3;
            const bool ok = which == 0   ? display.TimeToMapped(program, took[0])
                            : which == 1 ? display.TimeToMapped(empty, took[1])
                                         : display.TimeToMapped(empty, took[2], "--label");
            if (!ok) state.SkipWithError("no window was mapped");
        }
        ++round;
        state.SetIterationTime(took[0].count());
        for (int i = 0; i < 3; ++i) times[i].push_back(took[i].count() * 1000);
    }
    const char* names[] = {"ours", "empty", "text"};
    double sums[3]{};
    for (int i = 0; i < 3; ++i) {
        std::sort(times[i].begin(), times[i].end());
        for (double t : times[i]) sums[i] += t;
        state.counters[std::string(names[i]) + " min ms"] = times[i].front();
        state.counters[std::string(names[i]) + " med ms"] = times[i][times[i].size() / 2];
    }
    state.counters["ratio"] = sums[0] / sums[1];
    state.counters["ratio to text"] = sums[0] / sums[2];
}
BENCHMARK(BM_StartupAgainstEmptyWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(PortableCopy());
    benchmark::Shutdown();
}
