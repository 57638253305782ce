#include "jvlink/JvdFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace turfpad {
namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Digits(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::tm LocalTm(std::chrono::system_clock::time_point t) {
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &tt);
#else
    localtime_r(&tt, &tm);
#endif
    return tm;
}

}  // namespace

std::optional<JvdName> ParseJvdName(std::string_view name) {
    constexpr std::size_t kStem = 2 + 1 + 1 + 8 + 14;
    if (name.size() != kStem + 4) return std::nullopt;
    std::string_view ext = name.substr(kStem);
    if (ext[0] != '.' || (ext[1] | 0x20) != 'j' || (ext[2] | 0x20) != 'v' || (ext[3] | 0x20) != 'd')
        return std::nullopt;
    if (!IsAlnum(name[0]) || !IsAlnum(name[1]) || !IsAlnum(name[2])) return std::nullopt;
    if (name[3] != 'W' && name[3] != 'M') return std::nullopt;
    std::string_view key = name.substr(4, 8);
    if (!std::all_of(key.begin(), key.end(), IsAlnum)) return std::nullopt;
    std::string_view ts = name.substr(12, 14);
    if (!IsValidTimestamp(ts)) return std::nullopt;
    return JvdName{std::string(name.substr(0, 2)), std::string(key), std::string(ts)};
}

bool IsRaceRecordType(std::string_view type) {
    static constexpr std::array<std::string_view, 13> kTypes = {"RA", "SE", "HR", "H1", "H6", "O1", "O2",
                                                                "O3", "O4", "O5", "O6", "WF", "JG"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

bool IsValidTimestamp(std::string_view text) {
    if (text.size() != 14 || !AllDigits(text)) return false;
    int year = Digits(text.substr(0, 4));
    int month = Digits(text.substr(4, 2));
    int day = Digits(text.substr(6, 2));
    int hour = Digits(text.substr(8, 2));
    int minute = Digits(text.substr(10, 2));
    int second = Digits(text.substr(12, 2));
    if (year < 1 || hour > 23 || minute > 59 || second > 59) return false;
    using namespace std::chrono;
    return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                          std::chrono::day{static_cast<unsigned>(day)}}
        .ok();
}

std::string TimestampOf(std::chrono::sys_days day, int hour, int minute, int second) {
    std::chrono::year_month_day ymd{day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u%02d%02d%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), hour, minute, second);
    return buf;
}

std::string LocalTimestamp(std::chrono::system_clock::time_point t) {
    std::tm tm = LocalTm(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min, tm.tm_sec);
    return buf;
}

std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point t) {
    std::tm tm = LocalTm(t);
    return std::chrono::year_month_day{std::chrono::year{tm.tm_year + 1900},
                                       std::chrono::month{static_cast<unsigned>(tm.tm_mon + 1)},
                                       std::chrono::day{static_cast<unsigned>(tm.tm_mday)}};
}

std::vector<std::string> SplitRecords(std::string_view content) {
    std::vector<std::string> records;
    std::size_t at = 0;
    while (at < content.size()) {
        std::size_t end = content.find('\n', at);
        end = end == std::string_view::npos ? content.size() : end + 1;
        std::string_view record = content.substr(at, end - at);
        if (record != "\n" && record != "\r\n") records.emplace_back(record);
        at = end;
    }
    return records;
}

}  // namespace turfpad
