// The odds and payouts of a race: read from the day's O1 and HR files, put together with its
// runners for the 速報 tab, and as the command line's odds and payouts tables (TAB
// separated, CR LF, cp932).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

class RaceCardTable;

// What the 速報 tab shows of a race (texts cp932): its runners with their odds and, once the
// race is run, their positions and times; then its payouts.
struct RaceDayRunner {
    int post = 0, number = 0;
    std::string name;    // without padding
    std::string jockey;  // 騎手, or 前→後 after a jockey change
    bool jockeyChanged = false;
    std::string bodyWeight;                            // 486(+4), 486(0), 486, 計不
    std::string win, popularity, placeLow, placeHigh;  // as OddsText and without leading zeros
    std::string position, time, margin;                // 1 or 取消 除外 中止 失格; 1:35.2; 1.1/2
    bool scratched = false;                            // 取消 or 除外: it does not run
};
struct RaceDayPayout {
    std::string bet, combination, amount, popularity;  // 単勝, 12→3, 1230 (yen), 5
};
struct RaceDayInfo {
    bool oddsFiled = false, paid = false;
    // The race's changes of post time and course, and the racecourse's weather and going as
    // announced that day, in the order announced (cp932).
    std::vector<std::string> notices;
    std::vector<RaceDayRunner> runners;  // within the head count, by horse number
    std::vector<RaceDayPayout> payouts;  // by bet type and slot; empty slots left out
};
// The race in `raceSlot` of the table with its O1, HR and WH records (lines of the day's
// files' race slot; blank or empty where none is filed) and the day's change records (the
// racecourse's change file whole).
RaceDayInfo RaceDayOf(std::string_view o1, std::string_view hr, const RaceCardTable& table, int raceSlot,
                      std::string_view wh = {}, std::string_view changes = {});
// A margin code (着差コード, 3 bytes) as a newspaper gives it: ハナ アタマ クビ 同着 大差, 1/2,
// 1.1/2, 3; empty for blanks or a code not known.
std::string MarginText(std::string_view code);
// The payouts of an HR record.
std::vector<RaceDayPayout> PayoutsOf(std::string_view hr);

// The day's odds and payout files, whole ("" where there is none or it is not whole).
struct RaceDayFiles {
    std::string o1, hr, wh, changes;
    // Race slot `slot` (0-based) of each, or "" when it holds no record of its type.
    std::string_view O1Of(int slot) const;
    std::string_view HrOf(int slot) const;
    std::string_view WhOf(int slot) const;
};
// Reads them under the data folder's shared lock; nothing when `waiting` gave up.
std::optional<RaceDayFiles> ReadRaceDayFiles(const std::filesystem::path& dataDir, std::string_view dayKey,
                                             const std::function<bool()>& waiting);

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
