// Field positions of the odds (O1: win, place and bracket odds, 962 bytes) and payout (HR,
// 719 bytes) records, and of what is announced on the race day: body weights (WH) and the
// changes (AV scratches, JC jockey changes, TC post time changes, CC course changes, WE
// weather and going). Their race key sits where RA's does (year 12-15, month and day 16-19,
// racecourse 20-21, meeting 22-23, day 24-25, race 26-27; WE has no race), so a day's file
// and a race's slot are found as for RA.
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

inline constexpr std::size_t kWhRecordSize = 847;
namespace wh {
inline constexpr Field Announced{28, 8};  // mmddhhmm
// Runner slot k (0-based): horse number 2, name 36, weight 3 (kg), sign 1, change 3.
inline constexpr int kSlots = 18, kAt = 36, kStride = 45;
}  // namespace wh

// The change records: each type with its length; every one but WE names a race.
struct ChangeType {
    const char* type;
    std::size_t size;
};
inline constexpr ChangeType kChangeTypes[] = {{"AV", 78}, {"JC", 161}, {"TC", 45}, {"CC", 50}, {"WE", 42}};
namespace change {
inline constexpr Field Announced{28, 8};    // mmddhhmm (AV JC TC CC)
inline constexpr Field WeAnnounced{26, 8};  // WE
inline constexpr Field HorseNumber{36, 2};  // AV JC
}  // namespace change
namespace av {
inline constexpr Field Reason{74, 3};  // 001 疾病, 002 事故, 003 その他
}  // namespace av
namespace jc {
inline constexpr Field WeightAfter{74, 3}, JockeyAfter{82, 34}, ApprenticeAfter{116, 1};
inline constexpr Field WeightBefore{117, 3}, JockeyBefore{125, 34}, ApprenticeBefore{159, 1};
}  // namespace jc
namespace tc {
inline constexpr Field After{36, 4}, Before{40, 4};  // hhmm
}  // namespace tc
namespace cc {
inline constexpr Field DistanceAfter{36, 4}, TrackAfter{40, 2}, DistanceBefore{42, 4}, TrackBefore{46, 2};
inline constexpr Field Reason{48, 1};  // 1 強風, 2 台風, 3 雪, 4 その他
}  // namespace cc
namespace we {
inline constexpr Field Kind{34, 1};  // 1 initial, 2 weather changed, 3 going changed
inline constexpr Field Weather{35, 1}, Turf{36, 1}, Dirt{37, 1};
inline constexpr Field WeatherBefore{38, 1}, TurfBefore{39, 1}, DirtBefore{40, 1};
}  // namespace we

}  // namespace turfpad
