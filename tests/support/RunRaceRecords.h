// Records of run races for the form guide's tests, built from the public field positions.
#pragma once

#include <string>

#include "records/RecordBuilder.h"

namespace turfpad::testing {

// An RA record of a run race: date yyyymmdd, racecourse, race number.
inline RecordBuilder Race(const std::string& date, const char* course, int race) {
    RecordBuilder b = RecordBuilder::Ra();
    b.Raw({3, 1}, "7").Raw({12, 8}, date).Raw({20, 2}, course).Raw({22, 2}, "05").Raw({24, 2}, "08");
    b.Number({26, 2}, race).Raw({706, 2}, "17").Raw({698, 4}, "1600").Raw({882, 2}, "16").Raw({884, 2}, "15");
    b.Raw({889, 1}, "2").Raw({890, 1}, "3");
    return b;
}

// An SE record of a horse in that race, with a finishing position.
inline RecordBuilder Runner(const std::string& date, const char* course, int race, int horse, const char* pedigree,
                            const char* position = "03", const char* abnormal = "0") {
    RecordBuilder b = RecordBuilder::Se();
    b.Raw({3, 1}, "7").Raw({12, 8}, date).Raw({20, 2}, course).Raw({22, 2}, "05").Raw({24, 2}, "08");
    b.Number({26, 2}, race).Number({28, 1}, 1).Number({29, 2}, horse).Raw({31, 10}, pedigree);
    b.Text({41, 36}, "テストホース").Raw({332, 1}, abnormal).Raw({335, 2}, position);
    return b;
}

}  // namespace turfpad::testing
