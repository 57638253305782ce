// Race days for the browsing tests: RA and SE records with known field values, filed into a
// data folder through the program's own filing.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "datafolder/RaceFiles.h"
#include "records/RecordBuilder.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad::testing {

struct Meeting {
    std::string date = "20261212";
    std::string course = "06";  // 中山
    int meeting = 5;
    int day = 8;
};

// A race with head count `heads`: 有馬記念, G1, 定量, オープン, 芝右 2500m, post 15:25.
inline std::string RaRecord(const Meeting& m, int race, int heads) {
    return RecordBuilder::Ra()
        .Raw(ra::Year, m.date.substr(0, 4))
        .Raw(ra::Month, m.date.substr(4, 2))
        .Raw(ra::Day, m.date.substr(6, 2))
        .Raw(ra::Racecourse, m.course)
        .Number(ra::MeetingNumber, m.meeting)
        .Number(ra::MeetingDay, m.day)
        .Number(ra::RaceNumber, race)
        .Text(ra::RaceName, "有馬記念")
        .Text(ra::ShortName, "有馬記")
        .Raw(ra::Grade, "A")
        .Raw(ra::WeightType, "4")
        .Raw(ra::RaceCondition, "999")
        .Raw(ra::Distance, "2500")
        .Raw(ra::Track, "17")
        .Raw(ra::PostTime, "1525")
        .Number(ra::HeadCount, heads);
}

// Runner `horse` of a race: post (horse + 1) / 2 up to 8, pedigree 2021104500 + horse, name
// ウマ<horse> in full-width digits, colt, age 5, 57.0kg, blinkers on horse 3, apprentice
// code 2 on horse 2, jockey 騎手<n>, trainer 調教<n>.
inline std::string SeRecord(const Meeting& m, int race, int horse) {
    static const char* const kDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    std::string number = std::string(kDigits[horse / 10]) + kDigits[horse % 10];
    return RecordBuilder::Se()
        .Raw(se::Year, m.date.substr(0, 4))
        .Raw(se::Month, m.date.substr(4, 2))
        .Raw(se::Day, m.date.substr(6, 2))
        .Raw(se::Racecourse, m.course)
        .Number(se::MeetingNumber, m.meeting)
        .Number(se::MeetingDay, m.day)
        .Number(se::RaceNumber, race)
        .Number(se::PostPosition, std::min((horse + 1) / 2, 8))
        .Number(se::HorseNumber, horse)
        .Number(se::Pedigree, 2021104500LL + horse)
        .Text(se::HorseName, "ウマ" + number)
        .Raw(se::Sex, "1")
        .Raw(se::Age, "05")
        .Text(se::Trainer, "調教" + number)
        .Raw(se::Weight, "570")
        .Raw(se::Blinker, horse == 3 ? "1" : "0")
        .Text(se::Jockey, "騎手" + number)
        .Raw(se::Apprentice, horse == 2 ? "2" : "0");
}

// Files records into the data folder.
inline void File(const std::filesystem::path& dataDir, const std::vector<std::string>& records) {
    RaceFiler filer(dataDir);
    filer.SetDurable(false);
    for (const std::string& r : records) filer.File(r);
    filer.Flush();
}

// A day with the given races, each with `heads` runners filed.
inline void FileDay(const std::filesystem::path& dataDir, const Meeting& m, std::vector<int> races, int heads) {
    std::vector<std::string> records;
    for (int race : races) {
        records.push_back(RaRecord(m, race, heads));
        for (int h = 1; h <= heads; ++h) records.push_back(SeRecord(m, race, h));
    }
    File(dataDir, records);
}

inline std::string DayKey(const Meeting& m) { return DayKeyOf(RaRecord(m, 1, 0)); }

}  // namespace turfpad::testing
