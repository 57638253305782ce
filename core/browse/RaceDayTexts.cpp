#include "browse/RaceDayTexts.h"

#include <algorithm>

#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"
#include "formguide/FormGuide.h"
#include "platform/WholeFile.h"
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

RaceDayInfo RaceDayOf(std::string_view o1, std::string_view hr, const RaceCardTable& table, int raceSlot) {
    RaceDayInfo info;
    info.oddsFiled = HoldsRecord(o1, "O1");
    info.paid = HoldsRecord(hr, "HR");
    const int heads = std::min(ReadNumber(FieldOf(table.RaLine(raceSlot), ra::HeadCount)), kRunnersPerRace);
    for (int horse = 1; horse <= heads; ++horse) {
        const std::string& se = table.SeLine(raceSlot, horse - 1);
        RaceDayRunner r;
        r.number = horse;
        r.post = NumberOf(se, se::PostPosition);
        r.name = TrimmedText(FieldOf(se, se::HorseName));
        if (int k = info.oddsFiled ? SlotOf(o1, o1::kWinAt, o1::kWinStride, horse) : -1; k >= 0) {
            r.win = OddsText(At(o1, o1::kWinAt + o1::kWinStride * k + 2, 4));
            r.popularity = Count(At(o1, o1::kWinAt + o1::kWinStride * k + 6, 2));
        }
        if (int k = info.oddsFiled ? SlotOf(o1, o1::kPlaceAt, o1::kPlaceStride, horse) : -1; k >= 0) {
            r.placeLow = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 2, 4));
            r.placeHigh = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 6, 4));
        }
        if (se.size() >= kSeLineSize && FieldOf(se, se::DataCategory) == "7") {
            r.position = FormPosition(se);
            r.time = FormTime(se);
        }
        info.runners.push_back(std::move(r));
    }
    if (info.paid) info.payouts = PayoutsOf(hr);
    return info;
}

std::string OddsTsv(std::string_view o1, const RaceCardTable& table, int raceSlot) {
    std::string out = Sj("馬番\t馬名\t単勝\t人気\t複勝下限\t複勝上限") + "\r\n";
    for (const RaceDayRunner& r : RaceDayOf(o1, {}, table, raceSlot).runners)
        out += std::to_string(r.number) + "\t" + r.name + "\t" + r.win + "\t" + r.popularity + "\t" + r.placeLow +
               "\t" + r.placeHigh + "\r\n";
    return out;
}

std::vector<RaceDayPayout> PayoutsOf(std::string_view hr) {
    std::vector<RaceDayPayout> out;
    for (const hr::BetType& bet : hr::kBetTypes) {
        for (int i = 0; i < bet.count; ++i) {
            const int at = bet.at + bet.stride * i;
            const std::string_view combo = At(hr, at, bet.comboLen);
            if (combo.size() != static_cast<std::size_t>(bet.comboLen) || !AllDigits(combo) ||
                combo.find_first_not_of('0') == combo.npos)
                continue;  // blank or zeros: an empty slot
            RaceDayPayout p;
            p.bet = Utf8ToCp932(bet.name);
            for (int n = 0; n < bet.comboLen / bet.numberLen; ++n) {
                if (n > 0) p.combination += bet.ordered ? Sj("→") : "-";
                const std::string number = Count(
                    combo.substr(static_cast<std::size_t>(n * bet.numberLen), static_cast<std::size_t>(bet.numberLen)));
                p.combination += number.empty() ? "0" : number;
            }
            p.amount = Count(At(hr, at + bet.comboLen, hr::kPayoutLen));
            if (p.amount.empty()) p.amount = "0";
            p.popularity = Count(At(hr, at + bet.comboLen + hr::kPayoutLen, bet.popularityLen));
            out.push_back(std::move(p));
        }
    }
    return out;
}

std::string PayoutTsv(std::string_view hr) {
    std::string out = Sj("券種\t組番\t払戻金\t人気") + "\r\n";
    for (const RaceDayPayout& p : PayoutsOf(hr))
        out += p.bet + "\t" + p.combination + "\t" + p.amount + "\t" + p.popularity + "\r\n";
    return out;
}

std::string_view RaceDayFiles::O1Of(int slot) const {
    const std::string_view line =
        o1.size() == kO1FileSize
            ? std::string_view(o1).substr(static_cast<std::size_t>(slot) * kO1RecordSize, kO1RecordSize)
            : std::string_view();
    return HoldsRecord(line, "O1") ? line : std::string_view();
}

std::string_view RaceDayFiles::HrOf(int slot) const {
    const std::string_view line =
        hr.size() == kHrFileSize
            ? std::string_view(hr).substr(static_cast<std::size_t>(slot) * kHrRecordSize, kHrRecordSize)
            : std::string_view();
    return HoldsRecord(line, "HR") ? line : std::string_view();
}

std::optional<RaceDayFiles> ReadRaceDayFiles(const std::filesystem::path& dataDir, std::string_view dayKey,
                                             const std::function<bool()>& waiting) {
    DataFolderLock lock(dataDir);
    std::string error;
    if (lock.Lock(DataFolderLock::Mode::Shared, waiting, error) == DataFolderLock::Result::GaveUp) return std::nullopt;
    RaceDayFiles files;
    const auto read = [&](std::string_view extension, std::size_t recordSize, std::size_t size, std::string& out) {
        const std::filesystem::path path = RaceFilePath(dataDir, std::string(dayKey) + std::string(extension));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) != size) return;
        if (!ReadWholeFile(path, out) || !IsWholeRaceFile(out, recordSize)) out.clear();
    };
    read(kO1Extension, kO1RecordSize, kO1FileSize, files.o1);
    read(kHrExtension, kHrRecordSize, kHrFileSize, files.hr);
    return files;
}

bool HoldsRecord(std::string_view line, std::string_view type) { return line.substr(0, 2) == type; }

}  // namespace turfpad
