#include "browse/PrintedRace.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {

// Characters pos..pos+len-1 (1-based) of a text, or what there is of them.
std::string Chars(std::string_view s, std::size_t pos, std::size_t len) {
    if (pos - 1 >= s.size()) return {};
    return std::string(s.substr(pos - 1, len));
}

std::string Format(const char* format, int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// A field that holds nothing but blanks (or control bytes) is empty.
bool IsBlankField(std::string_view field) {
    return std::all_of(field.begin(), field.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

PrintedRace PrintedRaceFromRecords(std::string_view ra, std::span<const std::string> seSlots) {
    PrintedRace race;
    race.raceKey = FieldOf(ra, ra::RaceKey);
    race.raceName = FieldOf(ra, ra::RaceName);
    race.weightType = FieldOf(ra, ra::WeightType);
    race.raceCondition = FieldOf(ra, ra::RaceCondition);
    race.distance = FieldOf(ra, ra::Distance);
    race.track = FieldOf(ra, ra::Track);
    race.postTime = FieldOf(ra, ra::PostTime);
    race.headCount = FieldOf(ra, ra::HeadCount);
    for (std::size_t k = 0; k < kRunnersPerRace; ++k) {
        std::string_view se = k < seSlots.size() ? std::string_view(seSlots[k]) : std::string_view();
        PrintedRunner r;
        r.postPosition = FieldOf(se, se::PostPosition);
        r.horseNumber = FieldOf(se, se::HorseNumber);
        r.horseName = CutBytes(FieldOf(se, se::HorseName), 19);  // whole characters, as the race entry
        r.sex = FieldOf(se, se::Sex);
        r.weight = FieldOf(se, se::Weight);
        r.jockey = FieldOf(se, se::Jockey);
        r.trainer = FieldOf(se, se::Trainer);
        r.blinker = FieldOf(se, se::Blinker);
        r.apprentice = FieldOf(se, se::Apprentice);
        r.age = FieldOf(se, se::Age);
        race.runners.push_back(std::move(r));
    }
    return race;
}

int StrictNumber(std::string_view s) {
    bool digits = !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || s.size() > 9) throw std::invalid_argument("'" + Cp932ToUtf8(s) + "' は有効な整数値ではありません");
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

std::string PrintedRacecourse(const PrintedRace& race) { return RacecourseName(Chars(race.raceKey, 9, 2)); }

int PrintedRaceNumber(const PrintedRace& race) { return ReadNumber(Chars(race.raceKey, 15, 2)); }

namespace {
// A meeting day from 10 on shows its tens where a blank stands before a single digit.
std::string MeetingDayTens(const std::string& key) {
    const std::string tens = Chars(key, 13, 1);
    return tens.size() == 1 && tens[0] >= '1' && tens[0] <= '9' ? tens : " ";
}
}  // namespace

std::string PrintedDateLine(const PrintedRace& race) {
    const std::string& key = race.raceKey;
    int month = StrictNumber(Chars(key, 5, 2));
    int day = StrictNumber(Chars(key, 7, 2));
    return Chars(key, 1, 4) + Sj("年") + Format("%2d", month) + Sj("月") + Format("%2d", day) + Sj("日") +
           PrintedRacecourse(race) + " " + Chars(key, 12, 1) + Sj("回") + MeetingDayTens(key) + Chars(key, 14, 1) +
           Sj("日");
}

std::string PrintedPostTime(const PrintedRace& race) {
    return Chars(race.postTime, 1, 2) + Sj("時") + Chars(race.postTime, 3, 2) + Sj("分発走");
}

std::string PrintedHeadCount(const PrintedRace& race) { return NumberFieldText(race.headCount) + Sj("頭"); }

std::string PrintedDistance(const PrintedRace& race) { return NumberFieldText(race.distance) + "m"; }

std::string PrintedWeightType(std::string_view code) {
    if (code == "1") return Sj("ハンデ");
    if (code == "2") return Sj("別定　");
    if (code == "3") return Sj("馬齢　");
    if (code == "4") return Sj("定量　");
    return {};
}

std::string PrintedRaceCondition(std::string_view code, std::string_view raceDate) {
    if (std::string named = WinClassName(code, raceDate); !named.empty()) return named + " ";  // 10 bytes
    if (code == "701") return Sj("新馬　　　");
    if (code == "702") return Sj("未出走　　");
    if (code == "703") return Sj("未勝利　　");
    if (code == "999") return Sj("ｵｰﾌﾟﾝ　　 ");
    if (code == "   " || code == "000") return Sj("　　　　　");
    if (code == "100") return Sj("1億円下   ");
    long long v = static_cast<long long>(ReadNumber(code)) * 100;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4lld", v);
    return buf + Sj("万円下");
}

std::string PrintedTrack(std::string_view code) {
    int v = ReadNumber(code);
    if (v == 10) return Sj("芝直");
    if (v >= 11 && v <= 16) return Sj("芝左");
    if (v >= 17 && v <= 22) return Sj("芝右");
    if (v == 23) return Sj("ﾀﾞ左");
    if (v == 24) return Sj("ﾀﾞ右");
    if (v == 29) return Sj("ﾀﾞ直");
    if (v >= 51 && v <= 59) return Sj("障害");
    return {};
}

int PrintedBandCount(const PrintedRace& race) { return std::clamp(ReadNumber(race.headCount), 0, kMaxPrintedRunners); }

std::string PrintedPostPosition(const PrintedRunner& r) { return std::to_string(ReadNumber(r.postPosition)); }

std::string PrintedHorseNumber(const PrintedRunner& r) { return CircledNumber(r.horseNumber); }

std::string PrintedHorseName(const PrintedRunner& r) { return CutBytes(r.horseName, 18); }

std::string PrintedSexAge(const PrintedRunner& r) { return SexName(r.sex) + NumberFieldText(r.age); }

std::string PrintedWeight(const PrintedRunner& r) {
    if (IsBlankField(r.weight)) return {};
    return Chars(r.weight, 1, 2) + "." + Chars(r.weight, 3, 1) + "kg";
}

std::string PrintedBlinker(const PrintedRunner& r) { return r.blinker == "1" ? Sj("ﾌﾞﾘﾝｶ") : std::string(); }

std::string PrintedApprentice(const PrintedRunner& r) {
    if (r.apprentice == "1" || r.apprentice == "2" || r.apprentice == "3") return r.apprentice + Sj("kg減");
    return {};
}

}  // namespace turfpad
