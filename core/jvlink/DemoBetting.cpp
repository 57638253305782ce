#include "jvlink/DemoBetting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "jvlink/DemoTables.h"

namespace turfpad::demo {
namespace {

// JRA's take from each pool.
constexpr double kWinTake = 0.20;        // 単勝, 複勝
constexpr double kPairTake = 0.225;      // 枠連, 馬連, ワイド
constexpr double kOrderTake = 0.25;      // 馬単, 3連複
constexpr double kTrifectaTake = 0.275;  // 3連単

// Horses (0-based) of a combination, in finishing order or in number order; unused places -1.
using Combo = std::array<int, 3>;

void Put(std::string& record, int pos, std::string_view value) {
    record.replace(static_cast<std::size_t>(pos - 1), value.size(), value);
}

// The amount paid per 100 yen, rounded down to 10 yen and never below 100 yen. `value` is the
// payout per unit staked.
long Yen(double value) { return static_cast<long>(std::floor(std::clamp(value, 1.0, 9999999.0) * 10 + 1e-6)) * 10; }

// The payout per unit of a winning combination with `share` of the pool staked on it, when
// the pool less the take and the winning stakes is shared equally among the `winners`.
double Split(double take, double share, const std::vector<double>& winners) {
    double staked = 0;
    for (double w : winners) staked += w;
    return 1 + ((1 - take) - staked) / (static_cast<double>(winners.size()) * share);
}

// A combination's place in the popularity order of its bet type: 1 for the most likely, ties
// in combination order. Chances that differ by rounding only (the same horses' chances summed
// in another order) are ties.
int Rank(const std::vector<std::pair<Combo, double>>& all, const Combo& c) {
    auto it = std::find_if(all.begin(), all.end(), [&](const auto& e) { return e.first == c; });
    const double tolerance = 1e-9 * std::abs(it->second);
    int rank = 1;
    for (auto d = all.begin(); d != all.end(); ++d) {
        const bool tie = std::abs(d->second - it->second) <= tolerance;
        rank += (!tie && d->second > it->second) || (tie && d < it);
    }
    return rank;
}

// Bracket combinations 1-1, 1-2, ... 1-8, 2-2, ... 8-8 by their place in that order.
constexpr int kBracketCombos = 36;
std::array<int, 2> BracketsOf(int index) {
    for (int a = 1; a <= 8; ++a) {
        if (index < 9 - a) return {a, a + index};
        index -= 9 - a;
    }
    return {0, 0};
}

// What the betting makes of a race: each starter's chance to win from its win odds, and from
// those, in Harville's model (the next horse home is any of those not yet home with a chance
// in proportion to its chance to win), the chance of every finishing order and so the place
// and bracket odds.
class Book {
  public:
    explicit Book(const BettingRace& race) : race_(race), n_(static_cast<int>(race.runners.size())) {
        win_.assign(race.runners.size(), 0.0);
        double total = 0;
        for (int i = 0; i < n_; ++i) {
            if (!Starts(i) || Of(i).odds <= 0) continue;
            win_[i] = 1.0 / Of(i).odds;
            total += win_[i];
            starters_.push_back(i);
        }
        if (total > 0)
            for (double& p : win_) p /= total;
        const int starters = static_cast<int>(starters_.size());
        places_ = starters >= 8 ? 3 : starters >= 5 ? 2 : 0;
        bracketsSold_ = n_ >= 9;
        popularity_ = ByOdds([&](int i) { return std::array<int, 2>{Of(i).odds, 0}; });
        PlaceOdds();
        BracketOdds();
    }

    std::string Odds() const {
        const bool settled = race_.announced.empty();
        std::string o(962, ' ');
        Put(o, 1, "O1");
        Put(o, 3, settled ? "4" : "1");
        Put(o, 4, race_.made);
        Put(o, 12, race_.key);
        Put(o, 28, settled ? "00000000" : race_.announced);
        Put(o, 36, Digits(n_, 2));
        Put(o, 38, Digits(static_cast<int>(starters_.size()), 2));
        Put(o, 40, "1");
        Put(o, 41, places_ > 0 ? "1" : "0");
        Put(o, 42, bracketsSold_ ? "1" : "0");
        Put(o, 43, Digits(places_, 1));
        for (int i = 0; i < n_; ++i) {
            const int win = 44 + 8 * i, place = 268 + 12 * i;
            Put(o, win, Digits(i + 1, 2));
            Put(o, place, Digits(i + 1, 2));
            if (!Starts(i)) {
                // Withdrawn before the sale, or at the start when the sale is over.
                const bool before = Of(i).abnormal == 1;
                Put(o, win + 2, before ? "------" : "******");
                if (places_ > 0) Put(o, place + 2, before ? "----------" : "**********");
                continue;
            }
            Put(o, win + 2, Digits(std::min(Of(i).odds, 9999), 4) + Digits(popularity_[i], 2));
            if (places_ > 0)
                Put(o, place + 2, Digits(placeLow_[i], 4) + Digits(placeHigh_[i], 4) + Digits(placePopularity_[i], 2));
        }
        for (int k = 0; k < kBracketCombos; ++k) {
            const auto [a, b] = BracketsOf(k);
            const int at = 604 + 9 * k;
            Put(o, at, Digits(a, 1) + Digits(b, 1));
            if (!bracketsSold_ || !bracketDrawn_[k]) continue;  // no such pair in the draw
            Put(o, at + 2,
                bracketOdds_[k] > 0 ? Digits(bracketOdds_[k], 5) + Digits(bracketPopularity_[k], 2) : "*******");
        }
        // The pools in votes of 100 yen: those of the final odds, or the part sold so far.
        Rng rng(race_.seed);
        long long winVotes = static_cast<long long>(race_.scale) * rng.Between(450000, 1300000);
        long long placeVotes = winVotes * rng.Between(80, 125) / 100;
        long long bracketVotes = winVotes * rng.Between(18, 40) / 100;
        const int sold = settled ? 100 : rng.Between(30, 65);
        Put(o, 928, Votes(winVotes * sold / 100));
        Put(o, 939, Votes(places_ > 0 ? placeVotes * sold / 100 : 0));
        Put(o, 950, Votes(bracketsSold_ ? bracketVotes * sold / 100 : 0));
        Put(o, 961, "\r\n");
        return o;
    }

    std::string Payouts() const {
        std::string h(719, ' ');
        Put(h, 1, "HR");
        Put(h, 3, "2");
        Put(h, 4, race_.made);
        Put(h, 12, race_.key);
        Put(h, 28, Digits(n_, 2));
        Put(h, 30, Digits(static_cast<int>(starters_.size()), 2));
        Refunds(h);

        std::vector<Entry> wins, places, brackets, quinellas, wides, exactas, trios, trifectas;
        // 単勝: the winners; in a dead heat each its half of the pool.
        std::vector<double> shares;
        const std::vector<Combo> winners = InOrder(1);
        for (const Combo& c : winners) shares.push_back(WinShare(c[0]));
        for (const Combo& c : winners)
            wins.push_back({Digits(c[0] + 1, 2), Yen(Split(kWinTake, WinShare(c[0]), shares)), popularity_[c[0]]});
        // 複勝: the placed horses, each paid within its place odds.
        if (places_ > 0) {
            std::vector<int> placed;
            for (int i : starters_)
                if (Of(i).position >= 1 && Of(i).position <= places_) placed.push_back(i);
            shares.clear();
            for (int i : placed) shares.push_back(place_[i] / places_);
            for (int i : placed) {
                double value = Split(kWinTake, place_[i] / places_, shares);
                long yen = std::clamp(Yen(value), 10L * placeLow_[i], 10L * placeHigh_[i]);
                places.push_back({Digits(i + 1, 2), yen, placePopularity_[i]});
            }
        }
        // 馬連 and 3連複: the horses of the first two or three home, in number order.
        const std::vector<Combo> firstTwo = Unordered(InOrder(2)), firstThree = Unordered(InOrder(3));
        // 枠連: the brackets of the first two.
        if (bracketsSold_) {
            std::vector<int> paid;
            for (const Combo& c : firstTwo) {
                int a = Of(c[0]).post, b = Of(c[1]).post;
                int k = BracketIndex(std::min(a, b), std::max(a, b));
                if (std::find(paid.begin(), paid.end(), k) == paid.end()) paid.push_back(k);
            }
            shares.clear();
            for (int k : paid) shares.push_back((1 - kPairTake) * 10 / bracketOdds_[k]);
            for (int k : paid) {
                const auto [a, b] = BracketsOf(k);
                double value = Split(kPairTake, (1 - kPairTake) * 10 / bracketOdds_[k], shares);
                brackets.push_back({Digits(a, 1) + Digits(b, 1), Yen(value), bracketPopularity_[k]});
            }
        }
        Pay(quinellas, kPairTake, Quinellas(), firstTwo, 1);
        // ワイド: every pair of the first three, each with a third of the pool.
        std::vector<Combo> wide;
        for (std::size_t x = 0; x < firstThree.size(); ++x)
            for (int a = 0; a < 3; ++a)
                for (int b = a + 1; b < 3; ++b) {
                    Combo c{firstThree[x][a], firstThree[x][b], -1};
                    if (std::find(wide.begin(), wide.end(), c) == wide.end()) wide.push_back(c);
                }
        std::sort(wide.begin(), wide.end());
        Pay(wides, kPairTake, Wides(), wide, 3);
        Pay(exactas, kOrderTake, Exactas(), InOrder(2), 1);
        Pay(trios, kOrderTake, Trios(), firstThree, 1);
        Pay(trifectas, kTrifectaTake, Trifectas(), InOrder(3), 1);

        Write(h, 103, 13, 3, 2, wins);
        Write(h, 142, 13, 5, 2, places);
        Write(h, 207, 13, 3, 2, brackets);
        Write(h, 246, 16, 3, 3, quinellas);
        Write(h, 294, 16, 7, 3, wides);
        Write(h, 454, 16, 6, 3, exactas);
        Write(h, 550, 18, 3, 3, trios);
        Write(h, 604, 19, 6, 4, trifectas);
        Put(h, 718, "\r\n");
        return h;
    }

  private:
    struct Entry {
        std::string numbers;
        long yen = 0;
        int popularity = 0;
    };

    const BettingRunner& Of(int i) const { return race_.runners[static_cast<std::size_t>(i)]; }
    bool Starts(int i) const { return Of(i).abnormal < 1 || Of(i).abnormal > 3; }
    double WinShare(int i) const { return (1 - kWinTake) * 10 / Of(i).odds; }
    static std::string Votes(long long votes) {
        std::string text = std::to_string(votes);
        return std::string(11 - std::min<std::size_t>(11, text.size()), '0') + text;
    }
    static int BracketIndex(int a, int b) {
        int index = 0;
        for (int x = 1; x < a; ++x) index += 9 - x;
        return index + (b - a);
    }

    // Popularity of the starters by a key, ties by horse number.
    template <class Key>
    std::vector<int> ByOdds(Key key) const {
        std::vector<int> order = starters_, rank(race_.runners.size(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
        for (std::size_t k = 0; k < order.size(); ++k)
            rank[static_cast<std::size_t>(order[k])] = static_cast<int>(k + 1);
        return rank;
    }

    double Next(int i, int j) const { return win_[i] * win_[j] / std::max(1e-9, 1 - win_[i]); }
    double Next(int i, int j, int k) const { return Next(i, j) * win_[k] / std::max(1e-9, 1 - win_[i] - win_[j]); }
    double AnyOrder(int i, int j, int k) const {
        return Next(i, j, k) + Next(i, k, j) + Next(j, i, k) + Next(j, k, i) + Next(k, i, j) + Next(k, j, i);
    }

    std::vector<std::pair<Combo, double>> Exactas() const {
        std::vector<std::pair<Combo, double>> all;
        for (int i : starters_)
            for (int j : starters_)
                if (i != j) all.push_back({{i, j, -1}, Next(i, j)});
        return all;
    }
    std::vector<std::pair<Combo, double>> Quinellas() const {
        std::vector<std::pair<Combo, double>> all;
        for (int i : starters_)
            for (int j : starters_)
                if (i < j) all.push_back({{i, j, -1}, Next(i, j) + Next(j, i)});
        return all;
    }
    // Both of the pair among the first three; the chances add up to 3.
    std::vector<std::pair<Combo, double>> Wides() const {
        std::vector<std::pair<Combo, double>> all;
        for (int i : starters_)
            for (int j : starters_) {
                if (i >= j) continue;
                double p = 0;
                for (int k : starters_)
                    if (k != i && k != j) p += AnyOrder(i, j, k);
                all.push_back({{i, j, -1}, p});
            }
        return all;
    }
    std::vector<std::pair<Combo, double>> Trios() const {
        std::vector<std::pair<Combo, double>> all;
        for (int i : starters_)
            for (int j : starters_)
                for (int k : starters_)
                    if (i < j && j < k) all.push_back({{i, j, k}, AnyOrder(i, j, k)});
        return all;
    }
    std::vector<std::pair<Combo, double>> Trifectas() const {
        std::vector<std::pair<Combo, double>> all;
        for (int i : starters_)
            for (int j : starters_)
                for (int k : starters_)
                    if (i != j && j != k && i != k) all.push_back({{i, j, k}, Next(i, j, k)});
        return all;
    }

    // Chances to finish in the first `places_`, and the place odds: the lowest with the most
    // fancied horses placed beside it, the highest with the least fancied, never below 1.0
    // and, for a horse that pays little to win, below its win odds.
    void PlaceOdds() {
        place_.assign(race_.runners.size(), 0.0);
        placeLow_.assign(race_.runners.size(), 0);
        placeHigh_.assign(race_.runners.size(), 0);
        if (places_ == 0) return;
        for (int i : starters_) {
            double p = win_[i];
            for (int a : starters_)
                if (a != i) p += Next(a, i);
            if (places_ == 3)
                for (int a : starters_)
                    for (int b : starters_)
                        if (a != b && a != i && b != i) p += Next(a, b, i);
            place_[i] = p;
        }
        for (int i : starters_) {
            std::vector<double> others;
            for (int j : starters_)
                if (j != i) others.push_back(place_[j] / places_);
            std::sort(others.begin(), others.end());
            const std::size_t beside = static_cast<std::size_t>(places_ - 1);
            std::vector<double> least(others.begin(), others.begin() + static_cast<std::ptrdiff_t>(beside));
            std::vector<double> most(others.end() - static_cast<std::ptrdiff_t>(beside), others.end());
            least.push_back(place_[i] / places_);
            most.push_back(place_[i] / places_);
            const double share = place_[i] / places_;
            int high = static_cast<int>(Yen(Split(kWinTake, share, least)) / 10);
            int low = static_cast<int>(Yen(Split(kWinTake, share, most)) / 10);
            high = std::min({high, 9999, std::max(10, Of(i).odds - 1)});
            placeLow_[i] = std::min(low, high);
            placeHigh_[i] = high;
        }
        placePopularity_ = ByOdds([&](int i) { return std::array<int, 2>{placeLow_[i], placeHigh_[i]}; });
    }

    // The bracket pairs the draw allows (one bracket twice only where it holds two runners),
    // their chances from the horses' and their odds; 0 where no starter is left to make one.
    void BracketOdds() {
        std::array<int, 9> drawn{};
        for (int i = 0; i < n_; ++i) ++drawn[static_cast<std::size_t>(std::clamp(Of(i).post, 0, 8))];
        std::vector<std::pair<Combo, double>> all;
        for (int k = 0; k < kBracketCombos; ++k) {
            const auto [a, b] = BracketsOf(k);
            bracketDrawn_[k] = a == b ? drawn[a] >= 2 : drawn[a] >= 1 && drawn[b] >= 1;
            double p = 0;
            for (int i : starters_)
                for (int j : starters_)
                    if (i < j && ((Of(i).post == a && Of(j).post == b) || (Of(i).post == b && Of(j).post == a)))
                        p += Next(i, j) + Next(j, i);
            bracketOdds_[k] =
                bracketDrawn_[k] && p > 0 ? static_cast<int>(std::clamp((1 - kPairTake) * 10 / p, 10.0, 99999.0)) : 0;
            if (bracketOdds_[k] > 0) all.push_back({{k, -1, -1}, -static_cast<double>(bracketOdds_[k])});
        }
        for (int k = 0; k < kBracketCombos; ++k)
            bracketPopularity_[k] = bracketOdds_[k] > 0 ? Rank(all, {k, -1, -1}) : 0;
    }

    // The finishing orders of the first `m` home that win: one, or more after a dead heat.
    std::vector<Combo> InOrder(int m) const {
        std::vector<Combo> out;
        Combo c{-1, -1, -1};
        Extend(c, 0, m, out);
        return out;
    }
    void Extend(Combo& c, int slot, int m, std::vector<Combo>& out) const {
        if (slot == m) {
            out.push_back(c);
            return;
        }
        for (int i : starters_) {
            const int pos = Of(i).position;
            int tied = 0;
            for (int j : starters_) tied += Of(j).position == pos;
            if (pos < 1 || pos > slot + 1 || slot + 1 >= pos + tied) continue;
            if (std::find(c.begin(), c.begin() + slot, i) != c.begin() + slot) continue;
            c[static_cast<std::size_t>(slot)] = i;
            Extend(c, slot + 1, m, out);
            c[static_cast<std::size_t>(slot)] = -1;
        }
    }
    static std::vector<Combo> Unordered(std::vector<Combo> ordered) {
        for (Combo& c : ordered) std::sort(c.begin(), std::find(c.begin(), c.end(), -1));
        std::sort(ordered.begin(), ordered.end());
        ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
        return ordered;
    }

    // The winning combinations of a bet type, their chances shared out of its pool; `shares`
    // is how many winning combinations the pool is always shared among (ワイド: three).
    void Pay(std::vector<Entry>& out, double take, const std::vector<std::pair<Combo, double>>& all,
             const std::vector<Combo>& winners, int shares) const {
        std::vector<double> staked;
        auto chance = [&](const Combo& c) {
            auto it = std::find_if(all.begin(), all.end(), [&](const auto& e) { return e.first == c; });
            return it->second / shares;
        };
        for (const Combo& c : winners) staked.push_back(chance(c));
        for (const Combo& c : winners) {
            std::string numbers;
            for (int i : c)
                if (i >= 0) numbers += Digits(i + 1, 2);
            out.push_back({numbers, Yen(Split(take, chance(c), staked)), Rank(all, c)});
        }
    }

    static void Write(std::string& h, int pos, int stride, int slots, int popularityWidth,
                      const std::vector<Entry>& entries) {
        for (std::size_t k = 0; k < entries.size() && k < static_cast<std::size_t>(slots); ++k) {
            const Entry& e = entries[k];
            Put(h, pos + stride * static_cast<int>(k),
                e.numbers + Digits(static_cast<int>(e.yen), 9) + Digits(e.popularity, popularityWidth));
        }
    }

    // Bets on a runner that did not start are refunded: its own number, a bracket left with no
    // starter, and a bracket's pair with itself left with fewer than two.
    void Refunds(std::string& h) const {
        Put(h, 32, std::string(27, '0'));
        Put(h, 59, std::string(28 + 8 + 8, '0'));
        std::array<int, 9> drawn{}, starting{};
        bool any = false, bracket = false;
        for (int i = 0; i < n_ && i < 28; ++i) {
            const std::size_t post = static_cast<std::size_t>(std::clamp(Of(i).post, 0, 8));
            ++drawn[post];
            if (Starts(i)) {
                ++starting[post];
                continue;
            }
            any = true;
            Put(h, 59 + i, "1");
        }
        for (int b = 1; b <= 8; ++b) {
            if (drawn[b] > 0 && starting[b] == 0) {
                Put(h, 87 + b - 1, "1");
                bracket = true;
            }
            if (drawn[b] >= 2 && starting[b] < 2) {
                Put(h, 95 + b - 1, "1");
                bracket = true;
            }
        }
        if (!any) return;
        // 単勝, 複勝, 枠連, 馬連, ワイド, (unused), 馬単, 3連複, 3連単
        const bool refunded[9] = {true, places_ > 0, bracketsSold_ && bracket, true, true, false, true, true, true};
        for (int t = 0; t < 9; ++t)
            if (refunded[t]) Put(h, 50 + t, "1");
    }

    const BettingRace& race_;
    int n_ = 0;
    std::vector<int> starters_;
    std::vector<double> win_, place_;
    std::vector<int> popularity_, placeLow_, placeHigh_, placePopularity_;
    int places_ = 0;
    bool bracketsSold_ = false;
    std::array<bool, kBracketCombos> bracketDrawn_{};
    std::array<int, kBracketCombos> bracketOdds_{}, bracketPopularity_{};
};

}  // namespace

std::string OddsRecord(const BettingRace& race) { return Book(race).Odds(); }

std::string PayoutRecord(const BettingRace& race) { return Book(race).Payouts(); }

}  // namespace turfpad::demo
