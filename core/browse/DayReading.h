// Reading a meeting day into the race card table: the RA file's units and, for each race,
// only the SE units of its runners.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "records/RaceCardTable.h"

namespace turfpad {

// The progress bar of a day reading has this many steps; one is taken per RA line read.
inline constexpr int kDayReadSteps = 24;

// What the day reading reports to the progress window while it reads.
class ReadProgress {
  public:
    virtual ~ReadProgress() = default;
    // Shows the window with its bar at 0 of `steps`, puts the day entry (cp932) under its
    // line and lets pending window events run once so that it paints.
    virtual void Show(std::string_view dayEntry, int steps) = 0;
    virtual void Step() = 0;
    virtual void Close() = 0;
    // Called about every 50 ms while another program files into the data folder and holds
    // its lock (first after 50 ms): says so (kFolderBusyMessage) and returns whether to go on
    // waiting. Waiting in silence is what a reader with no one to tell does.
    virtual bool WaitForFiler() { return true; }
};

// A progress that shows nothing (command line, benchmarks).
class NoProgress : public ReadProgress {
  public:
    void Show(std::string_view, int) override {}
    void Step() override {}
    void Close() override {}
};

struct DayReadResult {
    enum class Outcome {
        Read,     // the table holds the day
        Missing,  // the RA or the SE file does not exist
        Damaged,  // a file could not be opened or does not have the shape its units need
        Busy,     // another program files into the data folder, and the reader stopped waiting
    };
    Outcome outcome = Outcome::Read;
    std::string message;  // UTF-8, for the message box; empty when read

    bool ok() const { return outcome == Outcome::Read; }
};

// The message of a day whose files are not both there.
inline constexpr const char* kDayMissingMessage = "データ作成が未完了のようです。";
// What a reader says while another program files into the data folder, and when it stops
// waiting for it.
inline constexpr const char* kFolderBusyMessage =
    "データフォルダが他のプログラムで取込み中です。終わるまで待っています";
inline constexpr const char* kFolderBusyGaveUpMessage = "データフォルダが他のプログラムで取込み中です。";

// Reads the day of the day list entry (cp932, e.g. 2026年12月12日中山) from the data
// folder into `table`. The table is reset first; on failure it stays empty. The progress
// window is shown at the start and closed on every path.
DayReadResult ReadDay(const std::filesystem::path& dataDir, std::string_view dayEntry, RaceCardTable& table,
                      ReadProgress& progress);

}  // namespace turfpad
