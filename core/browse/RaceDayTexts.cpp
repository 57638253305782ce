#include "browse/RaceDayTexts.h"

#include <algorithm>

#include "datafolder/ChangeFiles.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"
#include "formguide/FormGuide.h"
#include "platform/WholeFile.h"
#include "records/CodeTables.h"
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

// A body weight as shown: 486(+4), 486(0) for no change, 486 for a first start, 計不 when
// it could not be weighed; empty when there is none (or the runner is scratched).
std::string BodyWeightText(std::string_view kg, std::string_view sign, std::string_view change) {
    if (kg.size() != 3 || !AllDigits(kg) || kg == "000") return {};
    if (kg == "999") return Sj("計不");
    std::string text = std::to_string(ReadNumber(kg));
    if (change.size() != 3 || !AllDigits(change) || change == "999") return text;
    if (change == "000") return text + "(0)";
    return text + "(" + (sign == "-" ? "-" : "+") + std::to_string(ReadNumber(change)) + ")";
}

std::string Trimmed(std::string_view text) { return TrimmedText(text); }

std::string Clock(std::string_view hhmm) {
    if (hhmm.size() != 4 || !AllDigits(hhmm)) return {};
    return std::string(hhmm.substr(0, 2)) + ":" + std::string(hhmm.substr(2, 2));
}

std::string WeatherName(std::string_view code) {
    static const char* const names[] = {"晴", "曇", "雨", "小雨", "雪", "小雪"};
    const int n = code.size() == 1 && AllDigits(code) ? code[0] - '0' : 0;
    return n >= 1 && n <= 6 ? Sj(names[n - 1]) : std::string();
}

std::string CourseText(std::string_view distance, std::string_view track) {
    const std::string surface = TrackCodeName(track);
    if (!AllDigits(distance) || ReadNumber(distance) == 0) return surface;
    return surface + std::to_string(ReadNumber(distance)) + "m";
}

// A weather and going announcement (WE) as a notice: 11:30 天候 晴 芝 良 ダート 稍重.
std::string WeatherNotice(std::string_view we) {
    const std::string_view announced = FieldOf(we, change::WeAnnounced);
    std::string text = Clock(announced.substr(4, 4)) + " ";
    const std::string_view kind = FieldOf(we, we::Kind);
    const auto add = [&text](const char* what, const std::string& name) {
        if (!name.empty()) text += Sj(what) + name + " ";
    };
    if (kind != "3") add("天候 ", WeatherName(FieldOf(we, we::Weather)));
    if (kind != "2") {
        add("芝 ", GoingName(FieldOf(we, we::Turf)));
        add("ダート ", GoingName(FieldOf(we, we::Dirt)));
    }
    text.pop_back();
    return text + (kind == "1" ? "" : Sj("（変更）"));
}

}  // namespace

std::string MarginText(std::string_view code) {
    std::string c;
    for (char ch : code)
        if (ch != ' ' && ch != '_') c += ch;
    static const std::pair<const char*, const char*> words[] = {
        {"H", "ハナ"}, {"A", "アタマ"}, {"K", "クビ"}, {"D", "同着"}, {"Z", "大差"},
    };
    for (const auto& [letter, word] : words)
        if (c == letter) return Sj(word);
    if (c.empty() || !AllDigits(c) || c.size() > 3) return {};
    // A fraction closes the code (12, 14, 34); whole lengths go before it.
    std::string whole = c, fraction;
    if (c.size() >= 2) {
        const std::string tail = c.substr(c.size() - 2);
        if (tail == "12" || tail == "14" || tail == "34") {
            whole = c.substr(0, c.size() - 2);
            fraction = tail.substr(0, 1) + "/" + tail.substr(1);
        }
    }
    if (whole.size() > 1 || whole == "0") return {};
    if (fraction.empty()) return whole;
    return whole.empty() ? fraction : whole + "." + fraction;
}

std::string OddsText(std::string_view field) {
    if (field == "----" || field == "****") return Sj("取消");
    if (field.size() != 4 || !AllDigits(field) || field == "0000") return {};
    const int tenths = ReadNumber(field);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

RaceDayInfo RaceDayOf(std::string_view o1, std::string_view hr, const RaceCardTable& table, int raceSlot,
                      std::string_view wh, std::string_view changes) {
    RaceDayInfo info;
    const std::string_view ra = table.RaLine(raceSlot);
    const std::string race = ra.size() >= 27 ? std::string(FieldOf(ra, ra::RaceNumber)) : std::string();
    const std::vector<std::string_view> announced = ChangeRecordsOf(changes);
    const auto ofRace = [&](std::string_view c) {
        return c.substr(0, 2) != "WE" && FieldOf(c, ra::RaceNumber) == race;
    };
    for (std::string_view c : announced) {
        if (c.substr(0, 2) == "WE") {
            info.notices.push_back(WeatherNotice(c));
        } else if (c.substr(0, 2) == "TC" && ofRace(c)) {
            info.notices.push_back(Sj("発走時刻変更 ") + Clock(FieldOf(c, tc::Before)) + Sj("→") +
                                   Clock(FieldOf(c, tc::After)));
        } else if (c.substr(0, 2) == "CC" && ofRace(c)) {
            info.notices.push_back(Sj("コース変更 ") +
                                   CourseText(FieldOf(c, cc::DistanceBefore), FieldOf(c, cc::TrackBefore)) + Sj("→") +
                                   CourseText(FieldOf(c, cc::DistanceAfter), FieldOf(c, cc::TrackAfter)));
        }
    }
    const bool weighed = HoldsRecord(wh, "WH");
    info.oddsFiled = HoldsRecord(o1, "O1");
    info.paid = HoldsRecord(hr, "HR");
    const int heads = std::min(ReadNumber(FieldOf(table.RaLine(raceSlot), ra::HeadCount)), kRunnersPerRace);
    for (int horse = 1; horse <= heads; ++horse) {
        const std::string& se = table.SeLine(raceSlot, horse - 1);
        RaceDayRunner r;
        r.number = horse;
        r.post = NumberOf(se, se::PostPosition);
        r.name = TrimmedText(FieldOf(se, se::HorseName));
        r.jockey = Trimmed(FieldOf(se, se::Jockey));
        const std::string number = (horse < 10 ? "0" : "") + std::to_string(horse);
        std::string before, after;
        for (std::string_view c : announced) {
            if (!ofRace(c) || FieldOf(c, change::HorseNumber) != number) continue;
            if (c.substr(0, 2) == "AV") {
                r.scratched = true;
                r.position = Sj(FieldOf(c, o1::DataCategory) == "2" ? "除外" : "取消");
            } else if (c.substr(0, 2) == "JC") {
                if (before.empty()) before = Trimmed(FieldOf(c, jc::JockeyBefore));
                after = Trimmed(FieldOf(c, jc::JockeyAfter));
            }
        }
        if (!after.empty()) {
            r.jockey = before + Sj("→") + after;
            r.jockeyChanged = true;
        }
        if (se.size() >= kSeLineSize)
            r.bodyWeight =
                BodyWeightText(FieldOf(se, se::BodyWeight), FieldOf(se, se::WeightSign), FieldOf(se, se::WeightChange));
        for (int k = 0; weighed && k < wh::kSlots; ++k) {
            const int at = wh::kAt + wh::kStride * k;
            if (At(wh, at, 2) != number) continue;
            r.bodyWeight = BodyWeightText(At(wh, at + 38, 3), At(wh, at + 41, 1), At(wh, at + 42, 3));
            break;
        }
        if (int k = info.oddsFiled ? SlotOf(o1, o1::kWinAt, o1::kWinStride, horse) : -1; k >= 0) {
            r.win = OddsText(At(o1, o1::kWinAt + o1::kWinStride * k + 2, 4));
            r.popularity = Count(At(o1, o1::kWinAt + o1::kWinStride * k + 6, 2));
        }
        if (int k = info.oddsFiled ? SlotOf(o1, o1::kPlaceAt, o1::kPlaceStride, horse) : -1; k >= 0) {
            r.placeLow = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 2, 4));
            r.placeHigh = OddsText(At(o1, o1::kPlaceAt + o1::kPlaceStride * k + 6, 4));
        }
        if (se.size() >= kSeLineSize && HasResult(se)) {
            r.position = FormPosition(se);
            r.time = FormTime(se);
            std::string margin = MarginText(FieldOf(se, se::Margin));
            for (Field plus : {se::MarginPlus, se::MarginPlusPlus})
                if (std::string more = MarginText(FieldOf(se, plus)); !more.empty()) margin += "+" + more;
            r.margin = std::move(margin);
            r.scratched = r.scratched || FieldOf(se, se::Abnormal) == "1" || FieldOf(se, se::Abnormal) == "2";
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

namespace {
// Race slot `slot` of a 12-slot file, when the file is whole and the slot holds a `type` record.
std::string_view SlotOfType(const std::string& file, std::size_t recordSize, int slot, std::string_view type) {
    const std::string_view line =
        file.size() == recordSize * kRacesPerDay
            ? std::string_view(file).substr(static_cast<std::size_t>(slot) * recordSize, recordSize)
            : std::string_view();
    return HoldsRecord(line, type) ? line : std::string_view();
}
}  // namespace

std::string_view RaceDayFiles::O1Of(int slot) const { return SlotOfType(o1, kO1RecordSize, slot, "O1"); }
std::string_view RaceDayFiles::HrOf(int slot) const { return SlotOfType(hr, kHrRecordSize, slot, "HR"); }
std::string_view RaceDayFiles::WhOf(int slot) const { return SlotOfType(wh, kWhRecordSize, slot, "WH"); }

std::optional<RaceDayFiles> ReadRaceDayFiles(const std::filesystem::path& dataDir, std::string_view dayKey,
                                             const std::function<bool()>& waiting) {
    DataFolderLock lock(dataDir);
    std::string error;
    if (lock.Lock(DataFolderLock::Mode::Shared, waiting, error) == DataFolderLock::Result::GaveUp) return std::nullopt;
    RaceDayFiles files;
    const auto read = [&](std::string_view extension, std::size_t size, std::string& out) {
        const std::filesystem::path path = RaceFilePath(dataDir, std::string(dayKey) + std::string(extension));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) != size) return false;
        if (ReadWholeFile(path, out)) return true;
        out.clear();
        return false;
    };
    // A section that is not whole is left out alone: the others still show.
    const auto keepWhole = [](std::string& section, std::size_t recordSize) {
        if (!IsWholeRaceFile(section, recordSize)) section.clear();
    };
    std::string day;
    std::error_code ec;
    if (std::filesystem::exists(RaceFilePath(dataDir, std::string(dayKey) + std::string(kOddsAndPayoutsExtension)),
                                ec)) {
        // Its size is looked at again once read: another program may have replaced it.
        if (read(kOddsAndPayoutsExtension, kOddsAndPayoutsFileSize, day) && day.size() == kOddsAndPayoutsFileSize) {
            files.o1 = day.substr(0, kO1FileSize);
            files.hr = day.substr(kO1FileSize);
        }
    } else {  // a day filed by an earlier version: a file each
        read(kO1Extension, kO1FileSize, files.o1);
        read(kHrExtension, kHrFileSize, files.hr);
    }
    read(kWhExtension, kWhFileSize, files.wh);
    keepWhole(files.o1, kO1RecordSize);
    keepWhole(files.hr, kHrRecordSize);
    keepWhole(files.wh, kWhRecordSize);
    if (!ReadWholeFile(RaceFilePath(dataDir, std::string(dayKey) + std::string(kChangesExtension)), files.changes))
        files.changes.clear();
    return files;
}

bool HoldsRecord(std::string_view line, std::string_view type) { return line.substr(0, 2) == type; }

}  // namespace turfpad
