// Sample RA and SE records for the tests that file, acquire or import them: a race or a runner
// of a meeting day, built from the public byte positions of the JV-Data layout (not from the
// program's own field constants, so that a wrong constant shows up as a failing test).
#pragma once

#include <string>

#include "records/RecordBuilder.h"

namespace turfpad::testing {

// An RA record (data category blank) of race `race` on `date` (yyyymmdd) at `course`.
inline RecordBuilder SampleRa(const std::string& date, const std::string& course, int race) {
    RecordBuilder b = RecordBuilder::Ra();
    b.Raw({12, 4}, date.substr(0, 4)).Raw({16, 2}, date.substr(4, 2)).Raw({18, 2}, date.substr(6, 2));
    b.Raw({20, 2}, course).Number({26, 2}, race);
    return b;
}

// An SE record of horse number `horse` in that race.
inline RecordBuilder SampleSe(const std::string& date, const std::string& course, int race, int horse) {
    RecordBuilder b = RecordBuilder::Se();
    b.Raw({12, 4}, date.substr(0, 4)).Raw({16, 2}, date.substr(4, 2)).Raw({18, 2}, date.substr(6, 2));
    b.Raw({20, 2}, course).Number({26, 2}, race).Number({29, 2}, horse);
    return b;
}

}  // namespace turfpad::testing
