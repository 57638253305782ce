// The betting of the demo programme's races: the odds file (O1: win, place and bracket odds
// with the pools' vote totals) of a race before it is run or once it is over, and the
// payouts (HR) of a race run. Everything follows from the runners' win odds, their post
// positions and, for payouts, the finishing positions, so that the odds, the result and the
// payouts of a race agree with one another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace turfpad::demo {

struct BettingRunner {
    int post = 0;      // 枠番
    int abnormal = 0;  // 異常区分; 1 to 3: did not start, bets on it are refunded
    int odds = 0;      // win odds in tenths
    int position = 0;  // 確定着順; 0 none
};

struct BettingRace {
    std::string key;                     // 開催年 to レース番号, 16 characters
    std::string made;                    // データ作成年月日, yyyymmdd
    std::string announced;               // 発表月日時分 (mmddhhmm) of odds during the sale; empty once final
    std::uint64_t seed = 0;              // the race's own draws: the size of its pools
    int scale = 1;                       // how much more than an ordinary race the race draws in bets
    std::vector<BettingRunner> runners;  // by horse number
};

// The race's odds as sold up to `announced` (データ区分 "1" 中間), or final (データ区分 "4"
// 確定) when that is empty. Win popularity follows the odds, ties by horse number.
std::string OddsRecord(const BettingRace& race);

// The payouts of the race run (データ区分 "2"): for every bet type the winning numbers, the
// amount per 100 yen and the popularity of the winning combination, with the refunds that
// runners who did not start bring.
std::string PayoutRecord(const BettingRace& race);

}  // namespace turfpad::demo
