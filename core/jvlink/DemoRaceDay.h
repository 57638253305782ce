// The race days of the demo programme as they unfold: what the local JV-Link stand-in hands
// out for the race-day data (JVRTOpen) at a given time in Japan. The races are those of the
// demo week (DemoProgramme) run as its results week has them (DemoResults); on each race day
// the stand-in announces, at fixed times, the weather and going, the body weights, a scratch,
// a jockey change, a post time change and a change of going, the odds during the sales that
// move towards the final ones, and each race's result and payouts shortly after its post time.
// Results come with data category "7", as the results week's records do.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

// A wall-clock time in Japan.
using JstTime = std::chrono::local_seconds;

// Japan time of a point in time (UTC+9, no summer time).
JstTime JstOf(std::chrono::system_clock::time_point t);

// "yyyy-mm-dd hh:mm" as a time in Japan; nothing for any other text or an invalid date or time.
std::optional<JstTime> ParseDemoClock(std::string_view text);

// Whether a race-day request can be asked at all: 0, -111 for a data kind the stand-in does
// not serve (0B11, 0B14, 0B15 and 0B31 it serves), -114 for a key that is neither a day
// "yyyymmdd" nor a race "yyyymmddjjrr" / "yyyymmddjjkkhhrr" with a valid date, or a key of
// the wrong kind (0B14 by day only, 0B31 by race only).
int CheckRealtimeRequest(std::string_view dataspec, std::string_view key);

// Whether the race-day data of `day` can be had at `now`: from the Monday of its week (when its
// cards are out) to the end of the week after it, as race-day data is kept a week.
bool RaceDayKept(std::chrono::sys_days day, JstTime now);

// What one demo week announces on its Saturday and Sunday, made once (the week's programme and
// results are made in full) and then asked cheaply for any request and time.
class DemoRaceWeek {
  public:
    explicit DemoRaceWeek(std::chrono::sys_days anyDay);
    ~DemoRaceWeek();
    DemoRaceWeek(DemoRaceWeek&&) noexcept;
    DemoRaceWeek& operator=(DemoRaceWeek&&) noexcept;

    std::chrono::sys_days Monday() const;

    // The records (cp932, CR LF) of `dataspec` for `key` as announced at `now`; empty when
    // nothing is announced, the day is not one of the week's race days, or the request is not
    // one that CheckRealtimeRequest accepts.
    std::vector<std::string> Realtime(std::string_view dataspec, std::string_view key, JstTime now) const;

    // The changes of the week's race days, in announcement order, for those who look at them:
    // the record type (WE for the going change, AV, JC, TC), the race key (16 characters; for
    // WE the race number is "00"), the horse number (0 where none) and the announcement time.
    struct Change {
        std::string type;
        std::string race;
        int horse = 0;
        JstTime at;
    };
    std::vector<Change> Changes() const;

  private:
    struct Data;
    std::unique_ptr<Data> d_;
};

// The same for a single request: makes the week holding the key's day and asks it.
std::vector<std::string> DemoRealtime(std::string_view dataspec, std::string_view key, JstTime now);

}  // namespace turfpad
