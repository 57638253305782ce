// JV-Data code tables and the wording of JV-Link result codes. Every operation is a pure
// function: codes are passed exactly as cut from the record (never trimmed) and results are
// cp932 texts with the fixed byte widths the fixed-width columns rely on.
#pragma once

#include <string>
#include <string_view>

namespace turfpad {

// Racecourse code (exact match) to its two-character name, always 4 bytes; four blanks for a
// code the table does not have.
std::string RacecourseName(std::string_view code);
// Grade code (exact) to a 5-byte text; two ideographic spaces and a blank when unknown.
std::string GradeName(std::string_view code);
// Weight type code (exact) to a 4-byte name, or an empty text.
std::string WeightTypeName(std::string_view code);
// Sex code (exact) to a 2-byte name, or an empty text.
std::string SexName(std::string_view code);
// Track code (numeric) to surface and direction, 4 bytes, or an empty text.
std::string TrackCodeName(std::string_view code);
// Race condition code (numeric) to the class of the race, or an empty text. From the races of
// 2019-06-01 on, JRA calls the classes of codes 005, 010 and 016 1勝クラス, 2勝クラス and
// 3勝クラス (the codes stayed): with `raceDate` (yyyymmdd) on or after that day they are so
// named; earlier races, and a call without a date, keep the prize-money names.
std::string RaceConditionName(std::string_view code, std::string_view raceDate = {});
// The win-count class (1勝クラス..3勝クラス) of a code on a date, or an empty text.
std::string WinClassName(std::string_view code, std::string_view raceDate);
// Number (numeric) to its circled digit ①..⑱, or "－" outside 1..18.
std::string CircledNumber(std::string_view number);
// A number field of n bytes to its value right-aligned in n characters; a value of 0 gives
// n blanks.
std::string NumberFieldText(std::string_view field);

// Track code (numeric) to whether the race is run on turf (the turf going applies).
bool IsTurfTrack(int track);
// Going code (exact) of the track's surface to 良 稍重 重 不良, or an empty text.
std::string GoingName(std::string_view code);
// Abnormal-result code (exact, 異常区分) to 取消 除外 中止 失格, or an empty text for a
// runner that finished (or a code the table does not have).
std::string AbnormalResultName(std::string_view code);
// Whether an SE line carries a result: a finishing position 01-18, or an abnormal-result
// code other than 0.
bool HasResult(std::string_view se);

// A JV-Link operation name and its result code to the Japanese text and the code in
// parentheses, e.g. "サーバーがメンテナンス中です。(-504)".
std::string JVResultMessage(std::string_view operation, int code);

}  // namespace turfpad
