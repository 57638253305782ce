// The odds and payouts of a race as text: the command line's odds and payouts tables (TAB
// separated, CR LF, cp932), made from the race's O1 or HR record as filed.
#pragma once

#include <string>
#include <string_view>

namespace turfpad {

class RaceCardTable;

// Odds of 4 digits in tenths as shown: "0052" → 5.2, "9999" → 999.9; 取消 (cp932) for
// "----" and "****" (sales cancelled); empty for "0000" (no votes), blanks or anything else.
std::string OddsText(std::string_view field);

// 馬番 馬名 単勝 人気 複勝下限 複勝上限, then a line per runner within the race's head count in
// horse-number order: the name from its SE record without padding, the odds from the O1
// record (a line of the O1 file's race slot, CR LF or not).
std::string OddsTsv(std::string_view o1, const RaceCardTable& table, int raceSlot);

// 券種 組番 払戻金 人気, then every paid element of the HR record by bet type (単勝, 複勝, 枠連,
// 馬連, ワイド, 馬単, 3連複, 3連単) and slot: 組番 7, 3-5 or 12→3, the payout in yen, the
// popularity (empty where zero or no number). Empty slots are left out.
std::string PayoutTsv(std::string_view hr);

// Whether a race slot of an O1 or HR file holds a record of that type (blank until filed).
bool HoldsRecord(std::string_view line, std::string_view type);

}  // namespace turfpad
