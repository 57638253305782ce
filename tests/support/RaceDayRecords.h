// O1 (odds) and HR (payout) records for tests, built from the public byte positions: a record
// of the type's size, its race key as RA has it, then the values given at their positions.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace turfpad::testing {

using Puts = std::vector<std::pair<int, std::string>>;  // 1-based position, bytes

inline std::string RaceDayRecord(const char* type, std::size_t size, const std::string& date, const std::string& course,
                                 int race, const Puts& puts) {
    std::string r(size - 2, ' ');
    r += "\r\n";
    const auto put = [&r](int pos, const std::string& v) { r.replace(static_cast<std::size_t>(pos - 1), v.size(), v); };
    put(1, type);
    put(3, "4");
    put(12, date);
    put(20, course);
    put(22, "0508");
    put(26, (race < 10 ? "0" : "") + std::to_string(race));
    for (const auto& [pos, value] : puts) put(pos, value);
    return r;
}

inline std::string O1(const std::string& date, const std::string& course, int race, const Puts& puts = {}) {
    return RaceDayRecord("O1", 962, date, course, race, puts);
}

inline std::string Hr(const std::string& date, const std::string& course, int race, const Puts& puts = {}) {
    return RaceDayRecord("HR", 719, date, course, race, puts);
}

}  // namespace turfpad::testing
