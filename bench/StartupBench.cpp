// Start-up: from launching the program to its main window mapped on the X display, against
// an empty Qt Widgets window of the same size (EmptyWindow.cpp), launched in turn in the same
// run. The program starts as a user's portable copy would: its own folder, a data folder
// holding a demo week, no settings file. Needs an X display (DISPLAY); a window manager may
// run (the window's frame is what gets mapped then).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

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
    bool TimeToMapped(const fs::path& program, Seconds& took) {
        Drain();
        const std::string path = program.string();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
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

void BM_StartupAgainstEmptyWindow(benchmark::State& state) {
    Display display;
    if (!display.Ok()) {
        state.SkipWithError("no X display (DISPLAY)");
        return;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const fs::path program = PortableCopy() / "turfpad";
    Seconds programTotal{0}, emptyTotal{0};
    std::vector<double> programTimes, emptyTimes;
    bool programFirst = true;
    for (auto _ : state) {
        Seconds took{0}, empty{0};
        for (int turn = 0; turn < 2; ++turn) {
            const bool ours = (turn == 0) == programFirst;
            if (!display.TimeToMapped(ours ? program : fs::path(TURFPAD_EMPTY_WINDOW), ours ? took : empty))
                state.SkipWithError("no window was mapped");
        }
        programFirst = !programFirst;
        state.SetIterationTime(took.count());
        programTotal += took;
        emptyTotal += empty;
        programTimes.push_back(took.count() * 1000);
        emptyTimes.push_back(empty.count() * 1000);
    }
    std::sort(programTimes.begin(), programTimes.end());
    std::sort(emptyTimes.begin(), emptyTimes.end());
    state.counters["ours min ms"] = programTimes.front();
    state.counters["ours med ms"] = programTimes[programTimes.size() / 2];
    state.counters["empty min ms"] = emptyTimes.front();
    state.counters["empty med ms"] = emptyTimes[emptyTimes.size() / 2];
    state.counters["ratio"] = programTotal / emptyTotal;
}
BENCHMARK(BM_StartupAgainstEmptyWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(PortableCopy());
    benchmark::Shutdown();
}
