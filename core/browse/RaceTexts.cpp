#include "browse/RaceTexts.h"

#include <algorithm>
#include <cstdio>

#include "records/CodeTables.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

// One character of a text by its 1-based position, or a blank where the text is shorter
// (an empty entry).
std::string CharAt(std::string_view s, std::size_t pos) {
    return pos >= 1 && pos <= s.size() ? std::string(1, s[pos - 1]) : std::string(" ");
}
std::string_view Slice(std::string_view s, std::size_t pos, std::size_t len) {
    return pos - 1 < s.size() ? s.substr(pos - 1, len) : std::string_view{};
}

std::string Format2d(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", n);
    return buf;
}

// Key characters: 1-4 year, 5-6 month, 7-8 day, 9-10 racecourse, 11-12 meeting number,
// 13-14 meeting day, 15-16 race number.
std::string_view KeyCourse(std::string_view key) { return Slice(key, 9, 2); }
std::string_view KeyRace(std::string_view key) { return Slice(key, 15, 2); }
std::string_view KeyDate(std::string_view key) { return Slice(key, 1, 8); }

}  // namespace

std::string MeetingText(std::string_view key) {
    const std::string tens = CharAt(key, 13);
    const bool twoDigits = tens[0] >= '1' && tens[0] <= '9';
    return CharAt(key, 12) + Sj("回") + (twoDigits ? tens : " ") + CharAt(key, 14) + Sj("日");
}

namespace {

std::string PostTime(std::string_view t, std::string_view between, std::string_view after) {
    return std::string(Slice(t, 1, 2)) + std::string(between) + std::string(Slice(t, 3, 2)) + std::string(after);
}

template <std::size_t N>
std::array<std::string, N> Cp932Row(const std::array<const char*, N>& utf8) {
    std::array<std::string, N> row;
    for (std::size_t i = 0; i < N; ++i) row[i] = Sj(utf8[i]);
    return row;
}

}  // namespace

std::string RaceListText(const RaceEntry& race) {
    const std::string_view key = race.raceKey;
    return RacecourseName(KeyCourse(key)) + MeetingText(key) + Format2d(ReadNumber(KeyRace(key))) + "R";
}

const ScheduleRow& ScheduleHeader() {
    static const ScheduleRow header =
        Cp932Row<kScheduleColumns>({"場所回日ﾚｰｽNo", "頭数", "競走名", "ｸﾞﾚｰﾄﾞ", "重量種", "条件", "ﾄﾗｯｸ", "発走時刻"});
    return header;
}

const std::array<int, kScheduleColumns>& ScheduleColumnWidths() {
    static const std::array<int, kScheduleColumns> widths{110, 35, 50, 35, 40, 75, 70, 55};
    return widths;
}

ScheduleRow ScheduleCells(const RaceEntry& race) {
    const std::string_view key = race.raceKey;
    ScheduleRow row;
    row[0] = " " + RacecourseName(KeyCourse(key)) + " " + MeetingText(key) + Format2d(ReadNumber(KeyRace(key))) + "R";
    row[1] = " " + Format2d(race.HeadCount()) + Sj("頭");
    row[2] = " " + race.shortName;
    row[3] = " " + GradeName(race.grade);
    row[4] = " " + WeightTypeName(race.weightType);
    row[5] = " " + RaceConditionName(race.raceCondition, KeyDate(key));
    row[6] = " " + TrackCodeName(race.track) + NumberFieldText(race.distance) + "m";
    row[7] = " " + PostTime(race.postTime, ":", "");
    return row;
}

RaceHeading HeadingTexts(const RaceEntry& race) {
    const std::string_view key = race.raceKey;
    const std::string course = RacecourseName(KeyCourse(key));
    RaceHeading h;
    h[0] = course;
    h[1] = NumberFieldText(KeyRace(key));
    h[2] = std::string(Slice(key, 1, 4)) + Sj("年") + NumberFieldText(Slice(key, 5, 2)) + Sj("月") +
           NumberFieldText(Slice(key, 7, 2)) + Sj("日 ") + course + " " + MeetingText(key);
    h[3] = race.raceName;
    h[4] = WeightTypeName(race.weightType);
    h[5] = RaceConditionName(race.raceCondition, KeyDate(key));
    h[6] = TrackCodeName(race.track);
    h[7] = NumberFieldText(race.distance) + "m";
    h[8] = PostTime(race.postTime, Sj("時"), Sj("分発走"));
    h[9] = NumberFieldText(race.headCount) + Sj("頭");
    return h;
}

const std::array<LabelLook, kHeadingLabels>& HeadingLooks() {
    static const std::array<LabelLook, kHeadingLabels> looks{{
        {19, true, kBlack, false, {}},
        {24, true, kWhite, true, kBlack},
        {15, true, kBlack, false, {}},
        {15, true, kBlack, false, {}},
        {13, true, kBlack, false, {}},
        {13, true, kBlack, false, {}},
        {13, true, kBlack, false, {}},
        {13, true, kBlack, false, {}},
        {13, true, kBlue, false, {}},
        {13, true, kBlack, false, {}},
    }};
    return looks;
}

const RaceCardRow& RaceCardHeader() {
    static const RaceCardRow header =
        Cp932Row<kRaceCardColumns>({"枠", "馬", "馬名", "性齢", "斤量", "騎手", "調教師", "ﾌﾞﾘﾝｶ", "見習"});
    return header;
}

const std::array<int, kRaceCardColumns>& RaceCardColumnWidths() {
    static const std::array<int, kRaceCardColumns> widths{20, 20, 150, 30, 45, 55, 55, 40, 55};
    return widths;
}

std::string WeightText(std::string_view w) {
    if (w.find_first_not_of(' ') == std::string_view::npos) return {};
    return std::string(Slice(w, 1, 2)) + "." + std::string(Slice(w, 3, 1)) + "kg";
}

std::string BlinkerText(std::string_view code) { return code == "1" ? Sj("ﾌﾞﾘﾝｶ") : std::string(); }

std::string ApprenticeText(std::string_view code) {
    if (code == "1" || code == "2" || code == "3") return std::string(code) + Sj("kg減");
    return {};
}

RaceCardRow RaceCardCells(const RaceCardTable& table, int slot, int row) {
    const RunnerEntry& r = table.Race(slot).runners[static_cast<std::size_t>(row - 1)];
    const std::string& se = table.SeLine(slot, row - 1);
    RaceCardRow cells;
    cells[0] = r.postPosition;
    cells[1] = r.horseNumber;
    cells[2] = r.horseName;
    cells[3] = SexName(r.sex) + NumberFieldText(FieldOf(se, se::Age));
    cells[4] = WeightText(r.weight);
    cells[5] = r.jockey;
    cells[6] = r.trainer;
    cells[7] = BlinkerText(r.blinker);
    cells[8] = ApprenticeText(r.apprentice);
    return cells;
}

std::vector<RaceCardRow> RaceCardRows(const RaceCardTable& table, int slot) {
    std::vector<RaceCardRow> rows;
    const int n = table.Race(slot).RunnerCount();
    rows.reserve(static_cast<std::size_t>(n));
    for (int r = 1; r <= n; ++r) rows.push_back(RaceCardCells(table, slot, r));
    return rows;
}

bool IsRaceComplete(const RaceEntry& race) {
    if (race.HeadCountTooLarge()) return false;
    const int n = race.RunnerCount();
    return std::all_of(race.runners.begin(), race.runners.begin() + n,
                       [](const RunnerEntry& r) { return ReadNumber(r.postPosition) > 0; });
}

std::string IncompleteRaceMessage(const RaceCardTable& table, int slot) {
    const std::string& line = table.RaLine(slot);
    return RacecourseName(FieldOf(line, ra::Racecourse)) + NumberFieldText(FieldOf(line, ra::RaceNumber)) +
           Sj("Rはデータ作成が未完了です。");
}

}  // namespace turfpad
