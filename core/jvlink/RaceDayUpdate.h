// The race day's update: what JV-Link announces for one day fetched and filed. In turn the
// race cards and results as announced (0B15: RA, SE, HR), the body weights (0B11: WH), the
// changes with weather and going (0B14: AV, JC, TC, CC, WE; they replace the day's earlier
// ones whole, as JV-Link can withdraw a change) and the odds of each race of the day (0B31:
// O1). "Nothing announced" (-1) is the normal answer before anything is out.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jvlink/JVLink.h"

namespace turfpad {

struct RaceDayUpdateReport {
    std::size_t filed = 0, passedOver = 0, rejected = 0;
    std::size_t fetches = 0;            // JVRTOpen calls made
    std::vector<std::string> problems;  // UTF-8: a rejected record's reason, a JV-Link error
    bool failed = false;                // a JV-Link or filing error ended the update early
    bool busy = false;                  // another program was filing and waiting gave up
};

struct RaceDayUpdateHooks {
    // Told before each fetch what is being fetched (UTF-8, for the status line).
    std::function<void(const std::string& status)> status;
    // Called while JV-Link is still fetching a file, with the milliseconds to wait.
    std::function<void(int ms)> idle;
    // Called while another program files into the data folder; waiting ends when it
    // returns false (see RaceFiler::SetWaiting).
    std::function<bool()> waiting;
    // Called for every record filed, with its list line (UTF-8).
    std::function<void(const std::string& line)> filed;
};

// Fetches and files the announcements of `date` (yyyymmdd) into the data folder. The odds are
// fetched for every race of that day the data folder holds once the race cards are filed.
// JV-Link must be initialised.
RaceDayUpdateReport UpdateRaceDay(JVLink& jv, const std::filesystem::path& dataDir, std::string_view date,
                                  const RaceDayUpdateHooks& hooks = {});

// The race keys (yyyymmddjjkkhhrr) of the races of `date` in the data folder's RA files, by
// racecourse and race number.
std::vector<std::string> RaceKeysOfDate(const std::filesystem::path& dataDir, std::string_view date);

}  // namespace turfpad
