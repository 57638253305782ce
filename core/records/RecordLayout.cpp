#include "records/RecordLayout.h"

#include <climits>

namespace turfpad {

std::string_view FieldOf(std::string_view record, Field f) {
    auto start = static_cast<std::size_t>(f.pos - 1);
    if (start >= record.size()) return {};
    return record.substr(start, static_cast<std::size_t>(f.len));
}

int ReadNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsFilledRace(std::string_view raLine) {
    std::string_view year = FieldOf(raLine, ra::Year);
    return year.find_first_not_of(' ') != std::string_view::npos;
}

int RunnerSlotOf(std::string_view seRecord) {
    return (NumberOf(seRecord, se::RaceNumber) - 1) * kRunnersPerRace + (NumberOf(seRecord, se::HorseNumber) - 1);
}

namespace {
const LayoutField kRaLayout[] = {
    {1, 2, FieldKind::Ascii, "record type (\"RA\")"},
    {3, 1, FieldKind::Digits,
     "data category (1 entries Thu,2 race card Fri/Sat,3-6 provisional results,7 final results Mon,A NAR,B overseas,9 "
     "cancelled,0 deleted)"},
    {4, 8, FieldKind::Digits, "creation date yyyymmdd"},
    {12, 4, FieldKind::Digits, "meeting year yyyy"},
    {16, 4, FieldKind::Digits, "meeting month-day mmdd (month 16-17, day 18-19)"},
    {20, 2, FieldKind::Digits, "racecourse code"},
    {22, 2, FieldKind::Digits, "meeting number (kaiji)"},
    {24, 2, FieldKind::Digits, "meeting day (nichiji)"},
    {26, 2, FieldKind::Digits, "race number"},
    {28, 1, FieldKind::Digits, "weekday code"},
    {29, 4, FieldKind::Digits, "special race number (graded races)"},
    {33, 60, FieldKind::Japanese, "race name main (30 full-width)"},
    {93, 60, FieldKind::Japanese, "race name subtitle (30 full-width)"},
    {153, 60, FieldKind::Japanese, "race name parenthetical (30 full-width)"},
    {213, 120, FieldKind::Ascii, "race name main, English"},
    {333, 120, FieldKind::Ascii, "race name subtitle, English"},
    {453, 120, FieldKind::Ascii, "race name parenthetical, English"},
    {573, 20, FieldKind::Japanese, "short name 10 chars"},
    {593, 12, FieldKind::Japanese, "short name 6 chars"},
    {605, 6, FieldKind::Japanese, "short name 3 chars"},
    {611, 1, FieldKind::Digits, "which name part carries the graded-race edition (0 none,1 main,2 sub,3 paren)"},
    {612, 3, FieldKind::Digits, "graded race edition number"},
    {615, 1, FieldKind::Blank, "grade code"},
    {616, 1, FieldKind::Blank, "grade code before change"},
    {617, 2, FieldKind::Digits, "race type code (age/breed group)"},
    {619, 3, FieldKind::Digits, "race symbol code"},
    {622, 1, FieldKind::Digits, "weight type code"},
    {623, 3, FieldKind::Digits, "race condition code, 2yo"},
    {626, 3, FieldKind::Digits, "race condition code, 3yo"},
    {629, 3, FieldKind::Digits, "race condition code, 4yo"},
    {632, 3, FieldKind::Digits, "race condition code, 5yo+"},
    {635, 3, FieldKind::Digits, "race condition code, youngest eligible age"},
    {638, 60, FieldKind::Japanese, "race condition name (NAR only, 30 full-width)"},
    {698, 4, FieldKind::Digits, "distance (m)"},
    {702, 4, FieldKind::Digits, "distance before change"},
    {706, 2, FieldKind::Digits, "track code"},
    {708, 2, FieldKind::Digits, "track code before change"},
    {710, 2, FieldKind::Ascii, "course (rail) \"A \"-\"E \""},
    {712, 2, FieldKind::Ascii, "course before change"},
    {714, 8, FieldKind::Digits, "prize money 1 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {722, 8, FieldKind::Digits, "prize money 2 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {730, 8, FieldKind::Digits, "prize money 3 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {738, 8, FieldKind::Digits, "prize money 4 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {746, 8, FieldKind::Digits, "prize money 5 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {754, 8, FieldKind::Digits, "prize money 6 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {762, 8, FieldKind::Digits, "prize money 7 (x100 yen; 1st-5th, 7 slots for dead heats)"},
    {770, 8, FieldKind::Digits, "prize money before change 1"},
    {778, 8, FieldKind::Digits, "prize money before change 2"},
    {786, 8, FieldKind::Digits, "prize money before change 3"},
    {794, 8, FieldKind::Digits, "prize money before change 4"},
    {802, 8, FieldKind::Digits, "prize money before change 5"},
    {810, 8, FieldKind::Digits, "added money 1 (x100 yen)"},
    {818, 8, FieldKind::Digits, "added money 2 (x100 yen)"},
    {826, 8, FieldKind::Digits, "added money 3 (x100 yen)"},
    {834, 8, FieldKind::Digits, "added money 4 (x100 yen)"},
    {842, 8, FieldKind::Digits, "added money 5 (x100 yen)"},
    {850, 8, FieldKind::Digits, "added money before change 1"},
    {858, 8, FieldKind::Digits, "added money before change 2"},
    {866, 8, FieldKind::Digits, "added money before change 3"},
    {874, 4, FieldKind::Digits, "post time hhmm"},
    {878, 4, FieldKind::Digits, "post time before change"},
    {882, 2, FieldKind::Digits, "number of entries (registered)"},
    {884, 2, FieldKind::Digits, "number of starters (set after race)"},
    {886, 2, FieldKind::Digits, "number of finishers"},
    {888, 1, FieldKind::Digits, "weather code"},
    {889, 1, FieldKind::Digits, "turf going code"},
    {890, 1, FieldKind::Digits, "dirt going code"},
    {891, 3, FieldKind::Digits, "lap time 1 (0.1s)"},
    {894, 3, FieldKind::Digits, "lap time 2 (0.1s)"},
    {897, 3, FieldKind::Digits, "lap time 3 (0.1s)"},
    {900, 3, FieldKind::Digits, "lap time 4 (0.1s)"},
    {903, 3, FieldKind::Digits, "lap time 5 (0.1s)"},
    {906, 3, FieldKind::Digits, "lap time 6 (0.1s)"},
    {909, 3, FieldKind::Digits, "lap time 7 (0.1s)"},
    {912, 3, FieldKind::Digits, "lap time 8 (0.1s)"},
    {915, 3, FieldKind::Digits, "lap time 9 (0.1s)"},
    {918, 3, FieldKind::Digits, "lap time 10 (0.1s)"},
    {921, 3, FieldKind::Digits, "lap time 11 (0.1s)"},
    {924, 3, FieldKind::Digits, "lap time 12 (0.1s)"},
    {927, 3, FieldKind::Digits, "lap time 13 (0.1s)"},
    {930, 3, FieldKind::Digits, "lap time 14 (0.1s)"},
    {933, 3, FieldKind::Digits, "lap time 15 (0.1s)"},
    {936, 3, FieldKind::Digits, "lap time 16 (0.1s)"},
    {939, 3, FieldKind::Digits, "lap time 17 (0.1s)"},
    {942, 3, FieldKind::Digits, "lap time 18 (0.1s)"},
    {945, 3, FieldKind::Digits, "lap time 19 (0.1s)"},
    {948, 3, FieldKind::Digits, "lap time 20 (0.1s)"},
    {951, 3, FieldKind::Digits, "lap time 21 (0.1s)"},
    {954, 3, FieldKind::Digits, "lap time 22 (0.1s)"},
    {957, 3, FieldKind::Digits, "lap time 23 (0.1s)"},
    {960, 3, FieldKind::Digits, "lap time 24 (0.1s)"},
    {963, 3, FieldKind::Digits, "lap time 25 (0.1s)"},
    {966, 4, FieldKind::Digits, "steeplechase mile time"},
    {970, 3, FieldKind::Digits, "first 3F"},
    {973, 3, FieldKind::Digits, "first 4F"},
    {976, 3, FieldKind::Digits, "last 3F"},
    {979, 3, FieldKind::Digits, "last 4F"},
    {982, 1, FieldKind::Digits, "corner block 1: corner number"},
    {983, 1, FieldKind::Digits, "corner block 1: lap count"},
    {984, 70, FieldKind::Ascii, "corner block 1: passing order text"},
    {1054, 1, FieldKind::Digits, "corner block 2: corner number"},
    {1055, 1, FieldKind::Digits, "corner block 2: lap count"},
    {1056, 70, FieldKind::Ascii, "corner block 2: passing order text"},
    {1126, 1, FieldKind::Digits, "corner block 3: corner number"},
    {1127, 1, FieldKind::Digits, "corner block 3: lap count"},
    {1128, 70, FieldKind::Ascii, "corner block 3: passing order text"},
    {1198, 1, FieldKind::Digits, "corner block 4: corner number"},
    {1199, 1, FieldKind::Digits, "corner block 4: lap count"},
    {1200, 70, FieldKind::Ascii, "corner block 4: passing order text"},
    {1270, 1, FieldKind::Digits, "record-time flag (0,1 standard time,2 course record)"},
    {1271, 2, FieldKind::CrLf, "CR LF"},
};
const LayoutField kSeLayout[] = {
    {1, 2, FieldKind::Ascii, "record type (\"SE\")"},
    {3, 1, FieldKind::Digits, "data category (same values as RA)"},
    {4, 8, FieldKind::Digits, "creation date yyyymmdd"},
    {12, 4, FieldKind::Digits, "meeting year"},
    {16, 4, FieldKind::Digits, "meeting month-day mmdd"},
    {20, 2, FieldKind::Digits, "racecourse code"},
    {22, 2, FieldKind::Digits, "meeting number"},
    {24, 2, FieldKind::Digits, "meeting day"},
    {26, 2, FieldKind::Digits, "race number"},
    {28, 1, FieldKind::Digits, "post position (bracket)"},
    {29, 2, FieldKind::Digits, "horse number (00 in data kubun 1)"},
    {31, 10, FieldKind::Digits, "pedigree registration number"},
    {41, 36, FieldKind::Japanese, "horse name (18 full-width; mixed for foreign horses)"},
    {77, 2, FieldKind::Digits, "horse symbol code"},
    {79, 1, FieldKind::Digits, "sex code"},
    {80, 1, FieldKind::Digits, "breed code"},
    {81, 2, FieldKind::Digits, "coat colour code"},
    {83, 2, FieldKind::Digits, "age (kazoe-doshi up to 2000, man-nenrei from 2001)"},
    {85, 1, FieldKind::Digits, "east/west stable code"},
    {86, 5, FieldKind::Digits, "trainer code"},
    {91, 8, FieldKind::Japanese, "trainer short name (4 full-width)"},
    {99, 6, FieldKind::Digits, "owner code"},
    {105, 64, FieldKind::Japanese, "owner name without corporate suffix"},
    {169, 60, FieldKind::Japanese, "racing colours text"},
    {229, 60, FieldKind::Blank, "reserved"},
    {289, 3, FieldKind::Digits, "weight carried (0.1 kg)"},
    {292, 3, FieldKind::Digits, "weight carried before change"},
    {295, 1, FieldKind::Digits, "blinker (0 no,1 yes)"},
    {296, 1, FieldKind::Blank, "reserved"},
    {297, 5, FieldKind::Digits, "jockey code"},
    {302, 5, FieldKind::Digits, "jockey code before change"},
    {307, 8, FieldKind::Japanese, "jockey short name (4 full-width)"},
    {315, 8, FieldKind::Japanese, "jockey short name before change"},
    {323, 1, FieldKind::Digits, "apprentice code"},
    {324, 1, FieldKind::Digits, "apprentice code before change"},
    {325, 3, FieldKind::Digits, "body weight kg (999 not measured, 000 scratched)"},
    {328, 1, FieldKind::Blank, "weight change sign"},
    {329, 3, FieldKind::Digits, "weight change kg"},
    {332, 1, FieldKind::Digits, "abnormality code"},
    {333, 2, FieldKind::Digits, "order at finish line"},
    {335, 2, FieldKind::Digits, "official finishing position"},
    {337, 1, FieldKind::Digits, "dead-heat flag"},
    {338, 1, FieldKind::Digits, "dead-heat count"},
    {339, 4, FieldKind::Digits, "race time m ss s"},
    {343, 3, FieldKind::Digits, "margin code"},
    {346, 3, FieldKind::Digits, "+margin code"},
    {349, 3, FieldKind::Digits, "++margin code"},
    {352, 2, FieldKind::Digits, "position at corner 1"},
    {354, 2, FieldKind::Digits, "position at corner 2"},
    {356, 2, FieldKind::Digits, "position at corner 3"},
    {358, 2, FieldKind::Digits, "position at corner 4"},
    {360, 4, FieldKind::Digits, "win odds (x0.1)"},
    {364, 2, FieldKind::Digits, "win popularity rank"},
    {366, 8, FieldKind::Digits, "prize money won (x100 yen)"},
    {374, 8, FieldKind::Digits, "added money won (x100 yen)"},
    {382, 3, FieldKind::Blank, "reserved"},
    {385, 3, FieldKind::Blank, "reserved"},
    {388, 3, FieldKind::Digits, "last 4F"},
    {391, 3, FieldKind::Digits, "last 3F"},
    {394, 10, FieldKind::Digits, "winner/opponent 1 pedigree number"},
    {404, 36, FieldKind::Japanese, "winner/opponent 1 name"},
    {440, 10, FieldKind::Digits, "winner/opponent 2 pedigree number"},
    {450, 36, FieldKind::Japanese, "winner/opponent 2 name"},
    {486, 10, FieldKind::Digits, "winner/opponent 3 pedigree number"},
    {496, 36, FieldKind::Japanese, "winner/opponent 3 name"},
    {532, 4, FieldKind::Digits, "time difference to winner (sign+99.9)"},
    {536, 1, FieldKind::Digits, "record-time flag"},
    {537, 1, FieldKind::Digits, "mining (prediction) category"},
    {538, 5, FieldKind::Digits, "mining predicted time"},
    {543, 4, FieldKind::Digits, "mining error +"},
    {547, 4, FieldKind::Digits, "mining error -"},
    {551, 2, FieldKind::Digits, "mining predicted rank"},
    {553, 1, FieldKind::Digits, "running style this race (1 front..4 closer)"},
    {554, 2, FieldKind::CrLf, "CR LF"},
};
}  // namespace

std::span<const LayoutField> RaLayout() { return kRaLayout; }
std::span<const LayoutField> SeLayout() { return kSeLayout; }

}  // namespace turfpad
