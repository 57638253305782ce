// The texts the browsing screens show, composed from the race card table as cp932 bytes:
// race list entries, the schedule grid, the race heading, the race card grid and the
// message of an incomplete race.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/RaceCardTable.h"

namespace turfpad {

inline constexpr int kScheduleColumns = 8;
inline constexpr int kRaceCardColumns = 9;
inline constexpr int kHeadingLabels = 10;

using ScheduleRow = std::array<std::string, kScheduleColumns>;
using RaceCardRow = std::array<std::string, kRaceCardColumns>;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    // The colour as a 32-bit value 0x00BBGGRR.
    constexpr std::uint32_t Value() const { return (std::uint32_t{b} << 16) | (std::uint32_t{g} << 8) | r; }
    friend constexpr bool operator==(Rgb, Rgb) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlue{0, 0, 255};

// The meeting and its day from a race key: "5回 8日"; a day from 10 on as "5回10日" (the
// same width: its tens take the place of the blank).
std::string MeetingText(std::string_view raceKey);

// Race list entry: 東京5回 8日11R.
std::string RaceListText(const RaceEntry& race);

// The schedule grid: header row (UTF-8 source texts as cp932) and column widths in pixels.
const ScheduleRow& ScheduleHeader();
const std::array<int, kScheduleColumns>& ScheduleColumnWidths();
ScheduleRow ScheduleCells(const RaceEntry& race);

// The race heading: ten 3D labels (Label3D1 .. Label3D10).
struct LabelLook {
    int pixelSize;
    bool bold;
    Rgb fontColor;
    bool opaque;     // the label fills its background
    Rgb background;  // when opaque
};
using RaceHeading = std::array<std::string, kHeadingLabels>;
RaceHeading HeadingTexts(const RaceEntry& race);
const std::array<LabelLook, kHeadingLabels>& HeadingLooks();
// The label whose text titles the copied race card (Label3D3, date and meeting).
inline constexpr int kHeadingTitleLabel = 2;

// The race card grid: header row, column widths, the height of the header row and of the
// runner rows, and the nine cells of runner row r (1-based) of the race in slot `slot`.
const RaceCardRow& RaceCardHeader();
const std::array<int, kRaceCardColumns>& RaceCardColumnWidths();
inline constexpr int kRaceCardHeaderHeight = 27;
inline constexpr int kGridRowHeight = 15;
inline constexpr int kGridFontPixels = 12;
RaceCardRow RaceCardCells(const RaceCardTable& table, int slot, int row);
// All runner rows of the race (its head count, at most 18).
std::vector<RaceCardRow> RaceCardRows(const RaceCardTable& table, int slot);

// Weight carried "550" as 55.0kg; all blanks as an empty text.
std::string WeightText(std::string_view weight);
// "ﾌﾞﾘﾝｶ" for blinker code "1", else empty.
std::string BlinkerText(std::string_view code);
// "1kg減".."3kg減" for apprentice codes "1".."3", else empty.
std::string ApprenticeText(std::string_view code);

// Whether the race's data is complete enough to show: every runner within the head count
// has its post position, and the head count fits a card.
bool IsRaceComplete(const RaceEntry& race);
// 中山 1Rはデータ作成が未完了です。 for the race in slot `slot`.
std::string IncompleteRaceMessage(const RaceCardTable& table, int slot);

}  // namespace turfpad
