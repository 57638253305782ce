#include "browse/RaceDayTexts.h"

#include "formguide/FormGuide.h"
#include "records/RaceCardTable.h"
#include "records/RaceDayLayout.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

std::string_view At(std::string_view record, int pos, int len) {
    const auto from = static_cast<std::size_t>(pos - 1);
    return from < record.size() ? record.substr(from, static_cast<std::size_t>(len)) : std::string_view();
}

// Digits as a number without leading zeros; empty where zero or not all digits.
std::string Count(std::string_view field) {
    if (field.empty() || !AllDigits(field)) return {};
    const std::size_t first = field.find_first_not_of('0');
    return first == field.npos ? std::string() : std::string(field.substr(first));
}

// The O1 slot of a horse: normally slot number - 1, else wherever its number stands.
int SlotOf(std::string_view o1, int at, int stride, int horse) {
    const auto number = [&](int k) { return At(o1, at + stride * k, 2); };
    const std::string wanted = (horse < 10 ? "0" : "") + std::to_string(horse);
    if (horse <= o1::kSlots && number(horse - 1) == wanted) return horse - 1;
    for (int k = 0; k < o1::kSlots; ++k)
        if (number(k) == wanted) return k;
    return -1;
}

}  // namespace

std::string OddsText(std::string_view field) {
    if (field == "----" || field == "****") return Sj("取消");
    if (field.size() != 4 || !AllDigits(field) || field == "0000") return {};
    const int tenths = ReadNumber(field);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string OddsTsv(std::string_view o1, const RaceCardTable& table, int raceSlot) {
    std::string out = Sj("馬番\t馬名\t単勝\t人気\t複勝下限\t複勝上限") + "\r\n";
    const int heads = std::min(ReadNumber(FieldOf(table.RaLine(raceSlot), ra::HeadCount)), kRunnersPerRace);
    for (int horse = 1; horse <= heads; ++horse) {
        const std::string name = TrimmedText(FieldOf(table.SeLine(raceSlot, horse - 1), se::HorseName));
        std::string win, popularity, low, high;
        if (int k = SlotOf(o1, o1::kWinAt, o1::kWinStride, horse); k >= 0) {
            win = OddsText(At(o1, o1::kWinAt + o1::kWinStride * k + 2, 4));
            popularity = Count(At(o1, o1::kWinAt + o1::kWinStride * k + 6, 2));
        }
        if (int k = SlotOf(o1, o1::kPlaceAt, o1::kPlaceStride, horse); k >= 0) {
            low = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 2, 4));
            high = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 6, 4));
        }
        out += std::to_string(horse) + "\t" + name + "\t" + win + "\t" + popularity + "\t" + low + "\t" + high + "\r\n";
    }
    return out;
}

std::string PayoutTsv(std::string_view hr) {
    std::string out = Sj("券種\t組番\t払戻金\t人気") + "\r\n";
    for (const hr::BetType& bet : hr::kBetTypes) {
        for (int i = 0; i < bet.count; ++i) {
            const int at = bet.at + bet.stride * i;
            const std::string_view combo = At(hr, at, bet.comboLen);
            if (combo.size() != static_cast<std::size_t>(bet.comboLen) || !AllDigits(combo) ||
                combo.find_first_not_of('0') == combo.npos)
                continue;  // blank or zeros: an empty slot
            std::string numbers;
            for (int n = 0; n < bet.comboLen / bet.numberLen; ++n) {
                if (n > 0) numbers += bet.ordered ? Sj("→") : "-";
                const std::string number = Count(
                    combo.substr(static_cast<std::size_t>(n * bet.numberLen), static_cast<std::size_t>(bet.numberLen)));
                numbers += number.empty() ? "0" : number;
            }
            std::string paid = Count(At(hr, at + bet.comboLen, hr::kPayoutLen));
            out += Utf8ToCp932(bet.name) + "\t" + numbers + "\t" + (paid.empty() ? "0" : paid) + "\t" +
                   Count(At(hr, at + bet.comboLen + hr::kPayoutLen, bet.popularityLen)) + "\r\n";
        }
    }
    return out;
}

bool HoldsRecord(std::string_view line, std::string_view type) { return line.substr(0, 2) == type; }

}  // namespace turfpad
