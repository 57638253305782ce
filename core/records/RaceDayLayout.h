// Field positions of the odds (O1: win, place and bracket odds, 962 bytes) and payout (HR,
// 719 bytes) records. Their race key sits where RA's does (year 12-15, month and day 16-19,
// racecourse 20-21, meeting 22-23, day 24-25, race 26-27), so a day's file and a race's slot
// are found as for RA.
#pragma once

#include <cstddef>

#include "records/RecordLayout.h"

namespace turfpad {

inline constexpr std::size_t kO1RecordSize = 962;  // including CR LF
inline constexpr std::size_t kHrRecordSize = 719;

namespace o1 {
inline constexpr Field DataCategory{3, 1};
inline constexpr Field Announced{28, 8};  // mmddhhmm of intermediate odds, "00000000" when final
inline constexpr int kSlots = 28;         // runners, by horse number
// Win odds of slot k (0-based): horse number 2, odds 4 (tenths), popularity 2.
inline constexpr int kWinAt = 44, kWinStride = 8;
// Place odds of slot k: horse number 2, lowest 4, highest 4, popularity 2.
inline constexpr int kPlaceAt = 268, kPlaceStride = 12;
}  // namespace o1

namespace hr {
// One bet type's paid elements: `count` of them from `at`, `stride` apart, each the
// combination (`comboLen` bytes of `numberLen`-digit numbers), the payout (9 digits, yen) and
// the popularity (`popularityLen`). `ordered`: the numbers in finishing order (馬単, 3連単).
struct BetType {
    const char* name;  // UTF-8
    int at, count, stride, comboLen, numberLen, popularityLen;
    bool ordered;
};
inline constexpr BetType kBetTypes[] = {
    {"単勝", 103, 3, 13, 2, 2, 2, false},  {"複勝", 142, 5, 13, 2, 2, 2, false},   {"枠連", 207, 3, 13, 2, 1, 2, false},
    {"馬連", 246, 3, 16, 4, 2, 3, false},  {"ワイド", 294, 7, 16, 4, 2, 3, false}, {"馬単", 454, 6, 16, 4, 2, 3, true},
    {"3連複", 550, 3, 18, 6, 2, 3, false}, {"3連単", 604, 6, 19, 6, 2, 4, true},
};
inline constexpr int kPayoutLen = 9;
}  // namespace hr

}  // namespace turfpad
