// Field positions of the JV-Data records the program files and shows: RA (race details,
// 1272 bytes) and SE (runner of a race, 555 bytes). Records are never parsed into
// structures; every value is cut from the record text by its 1-based position and length.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace turfpad {

struct Field {
    int pos;  // 1-based byte position
    int len;  // bytes
};

inline constexpr std::size_t kRaRecordSize = 1272;  // including CR LF
inline constexpr std::size_t kSeRecordSize = 555;
inline constexpr std::size_t kRaLineSize = kRaRecordSize - 2;
inline constexpr std::size_t kSeLineSize = kSeRecordSize - 2;
inline constexpr int kRacesPerDay = 12;
inline constexpr int kRunnersPerRace = 18;

namespace ra {
inline constexpr Field RecordType{1, 2};
inline constexpr Field DataCategory{3, 1};
inline constexpr Field MadeDate{4, 8};
inline constexpr Field RaceKey{12, 16};
inline constexpr Field Date{12, 8};  // yyyymmdd
inline constexpr Field Year{12, 4};
inline constexpr Field Month{16, 2};
inline constexpr Field Day{18, 2};
inline constexpr Field Racecourse{20, 2};
inline constexpr Field MeetingNumber{22, 2};
inline constexpr Field MeetingDay{24, 2};
inline constexpr Field RaceNumber{26, 2};
inline constexpr Field Weekday{28, 1};
inline constexpr Field RaceName{33, 60};
inline constexpr Field RaceNameEnglish{213, 120};
inline constexpr Field ShortName10{573, 20};
inline constexpr Field ShortName6{593, 12};
inline constexpr Field ShortName{605, 6};
inline constexpr Field Grade{615, 1};
inline constexpr Field RaceType{617, 2};
inline constexpr Field WeightType{622, 1};
inline constexpr Field RaceCondition2yo{623, 3};
inline constexpr Field RaceCondition3yo{626, 3};
inline constexpr Field RaceCondition4yo{629, 3};
inline constexpr Field RaceCondition5yo{632, 3};
inline constexpr Field RaceCondition{635, 3};  // youngest age group running
inline constexpr Field Distance{698, 4};
inline constexpr Field Track{706, 2};
inline constexpr Field Course{710, 2};
inline constexpr Field Prize1{714, 8};
inline constexpr Field PostTime{874, 4};
inline constexpr Field HeadCount{882, 2};
inline constexpr Field Starters{884, 2};
// Results (data category "7").
inline constexpr Field Finishers{886, 2};
inline constexpr Field Weather{888, 1};
inline constexpr Field TurfGoing{889, 1};
inline constexpr Field DirtGoing{890, 1};
}  // namespace ra

namespace se {
inline constexpr Field RecordType{1, 2};
inline constexpr Field DataCategory{3, 1};
inline constexpr Field MadeDate{4, 8};
inline constexpr Field RaceKey{12, 16};
inline constexpr Field Date{12, 8};  // yyyymmdd
inline constexpr Field Year{12, 4};
inline constexpr Field Month{16, 2};
inline constexpr Field Day{18, 2};
inline constexpr Field Racecourse{20, 2};
inline constexpr Field MeetingNumber{22, 2};
inline constexpr Field MeetingDay{24, 2};
inline constexpr Field RaceNumber{26, 2};
inline constexpr Field PostPosition{28, 1};
inline constexpr Field HorseNumber{29, 2};
inline constexpr Field Pedigree{31, 10};
inline constexpr Field HorseName{41, 36};
inline constexpr Field Sex{79, 1};
inline constexpr Field CoatColour{81, 2};
inline constexpr Field Age{83, 2};
inline constexpr Field EastWest{85, 1};
inline constexpr Field TrainerCode{86, 5};
inline constexpr Field Trainer{91, 8};
inline constexpr Field OwnerName{105, 64};
inline constexpr Field Colours{169, 60};
inline constexpr Field Weight{289, 3};
inline constexpr Field Blinker{295, 1};
inline constexpr Field JockeyCode{297, 5};
inline constexpr Field Jockey{307, 8};
inline constexpr Field Apprentice{323, 1};
// Results (data category "7").
inline constexpr Field BodyWeight{325, 3};  // kg; 999 not weighed
inline constexpr Field WeightSign{328, 1};
inline constexpr Field WeightChange{329, 3};
inline constexpr Field Abnormal{332, 1};
inline constexpr Field ArrivalOrder{333, 2};
inline constexpr Field Position{335, 2};
inline constexpr Field Time{339, 4};                                                // m ss s
inline constexpr Field Margin{343, 3}, MarginPlus{346, 3}, MarginPlusPlus{349, 3};  // 着差コード
inline constexpr Field WinOdds{360, 4};                                             // tenths
inline constexpr Field Popularity{364, 2};
inline constexpr Field Last3F{391, 3};    // tenths of a second
inline constexpr Field TimeDiff{532, 4};  // sign and tenths
}  // namespace se

// The bytes of a field. A record too short for the field gives what it has (possibly
// nothing), so damaged input never reads out of bounds.
std::string_view FieldOf(std::string_view record, Field f);

// A field read as a decimal number the lenient way: leading blanks are skipped, an optional
// sign is taken, digits are read up to the first other character; nothing readable gives 0.
// Values too large for an int saturate.
int ReadNumber(std::string_view text);
inline int NumberOf(std::string_view record, Field f) { return ReadNumber(FieldOf(record, f)); }

// Race key: positions 12-27 of an RA or SE record (year, month, day, racecourse, meeting
// number, meeting day, race number).
inline std::string_view RaceKeyOf(std::string_view record) { return FieldOf(record, ra::RaceKey); }

// An RA line is a race when its year bytes are not all blanks.
bool IsFilledRace(std::string_view raLine);

// The runner slot of an SE record, counted from 0: (race - 1) * 18 + (horse - 1). Only
// meaningful for race 1-12 and horse 1-18.
int RunnerSlotOf(std::string_view seRecord);

// The full public layouts, for building complete records.
enum class FieldKind { Digits, Japanese, Ascii, Blank, CrLf };
struct LayoutField {
    int pos;
    int len;
    FieldKind kind;
    const char* name;
};
std::span<const LayoutField> RaLayout();
std::span<const LayoutField> SeLayout();

}  // namespace turfpad
