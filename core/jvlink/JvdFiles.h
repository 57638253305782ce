// JV-Data files as the local JV-Link stand-in keeps them: text files of CR LF-terminated
// cp932 records of one record type, named <type 2><category 1><W|M><key 8><time stamp 14>.jvd,
// for example RAVW2026121220261207000001.jvd. The last 14 digits are the file's time stamp.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

struct JvdFile {
    std::string name;     // ASCII file name
    std::string content;  // the records, each ending in CR LF
};

struct JvdName {
    std::string type;       // record type, e.g. "RA"
    std::string key;        // 8 characters, e.g. the meeting date
    std::string timestamp;  // "yyyymmddhhnnss"
};

// The parts of a file name of the pattern above (".jvd" in any letter case); nothing for any
// other name, a time stamp that is not a valid date and time among them.
std::optional<JvdName> ParseJvdName(std::string_view fileName);

// Whether the record type belongs to the data kind "RACE": RA SE HR H1 H6 O1-O6 WF JG.
bool IsRaceRecordType(std::string_view type);

// Whether the text is 14 digits "yyyymmddhhnnss" forming a valid date and time of day
// (year 0001 or later).
bool IsValidTimestamp(std::string_view text);

// "yyyymmddhhnnss" of a day and a time of day.
std::string TimestampOf(std::chrono::sys_days day, int hour, int minute, int second);

// The local date and time of a point in time, as "yyyymmddhhnnss" and as a date.
std::string LocalTimestamp(std::chrono::system_clock::time_point t);
std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point t);

// The records of a file's contents, each with its line end. Empty lines are left out; a last
// record without a line end is kept as it stands.
std::vector<std::string> SplitRecords(std::string_view content);

}  // namespace turfpad
