#include "YearStream.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "records/RecordBuilder.h"

namespace turfpad::testing {
namespace {

const char* const kCourses[] = {"05", "06", "08", "09", "07", "03"};

std::string Date(std::chrono::sys_days d) {
    std::chrono::year_month_day ymd(d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string Other(const char* type, std::size_t size, int n) {
    std::string r(size, '0');
    r.replace(0, 2, type);
    r.replace(2, 1, "2");
    std::string num = std::to_string(n);
    r.replace(20, num.size(), num);
    r[size - 2] = '\r';
    r[size - 1] = '\n';
    return r;
}

}  // namespace

std::vector<JvFile> YearStream(int weeks) {
    using namespace std::chrono;
    std::vector<JvFile> files;
    sys_days saturday = sys_days(year{2025} / January / Saturday[1]);
    int other = 0;
    for (int w = 0; w < weeks; ++w, saturday += days{7}) {
        JvFile ra{"RAVM" + Date(saturday) + Date(saturday - days{2}) + "160000.jvd", {}};
        JvFile se{"SEVM" + Date(saturday) + Date(saturday - days{2}) + "160001.jvd", {}};
        JvFile hr{"HRVM" + Date(saturday) + Date(saturday - days{2}) + "160002.jvd", {}};
        JvFile o1{"O1VM" + Date(saturday) + Date(saturday - days{2}) + "160003.jvd", {}};
        for (int d = 0; d < 2; ++d) {
            std::string date = Date(saturday + days{d});
            for (int c = 0; c < 3; ++c) {
                const char* course = kCourses[(w / 8 + c) % 6];
                for (int race = 1; race <= 12; ++race) {
                    int heads = 10 + (w * 7 + d * 5 + c * 3 + race) % 9;
                    ra.records.push_back(RecordBuilder::Ra()
                                             .Raw(ra::DataCategory, "2")
                                             .Raw(ra::Year, date.substr(0, 4))
                                             .Raw(ra::Month, date.substr(4, 2))
                                             .Raw(ra::Day, date.substr(6, 2))
                                             .Raw(ra::Racecourse, course)
                                             .Number(ra::MeetingNumber, 1 + w / 8)
                                             .Number(ra::MeetingDay, 1 + (w % 4) * 2 + d)
                                             .Number(ra::RaceNumber, race)
                                             .Text(ra::RaceName, race >= 9 ? "ステークス" : "")
                                             .Number(ra::Distance, 1200 + 200 * (race % 6))
                                             .Number(ra::Track, race % 2 ? 17 : 24)
                                             .Number(ra::PostTime, 1000 + race * 30 % 60 + (race / 2) * 100)
                                             .Number(ra::HeadCount, heads)
                                             .str());
                    for (int h = 1; h <= heads; ++h) {
                        se.records.push_back(RecordBuilder::Se()
                                                 .Raw(se::DataCategory, "2")
                                                 .Raw(se::Year, date.substr(0, 4))
                                                 .Raw(se::Month, date.substr(4, 2))
                                                 .Raw(se::Day, date.substr(6, 2))
                                                 .Raw(se::Racecourse, course)
                                                 .Number(se::RaceNumber, race)
                                                 .Number(se::PostPosition, 1 + (h - 1) * 8 / heads)
                                                 .Number(se::HorseNumber, h)
                                                 .Number(se::Pedigree, 2022100000LL + w * 1000 + h)
                                                 .Text(se::HorseName, "ウマ" + std::to_string(race * 100 + h))
                                                 .Raw(se::Sex, h % 3 ? "1" : "2")
                                                 .Number(se::Age, 3)
                                                 .Number(se::Weight, 540 + h % 5 * 10)
                                                 .str());
                    }
                    hr.records.push_back(Other("HR", 719, ++other));
                    o1.records.push_back(Other("O1", 962, ++other));
                }
            }
        }
        files.push_back(std::move(ra));
        files.push_back(std::move(se));
        files.push_back(std::move(hr));
        files.push_back(std::move(o1));
    }
    return files;
}

StreamCounts CountRecords(const std::vector<JvFile>& files) {
    StreamCounts n;
    for (const JvFile& f : files)
        for (const std::string& r : f.records) {
            if (r.compare(0, 2, "RA") == 0)
                ++n.ra;
            else if (r.compare(0, 2, "SE") == 0)
                ++n.se;
            else
                ++n.other;
        }
    return n;
}

std::string Concatenated(const std::vector<JvFile>& files) {
    std::string all;
    for (const JvFile& f : files)
        for (const std::string& r : f.records) all += r;
    return all;
}

void WriteJvdFiles(const std::vector<JvFile>& files, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (const JvFile& f : files) {
        std::ofstream out(folder / f.name, std::ios::binary | std::ios::trunc);
        for (const std::string& r : f.records) out << r;
        if (!out.flush()) throw std::runtime_error("cannot write " + (folder / f.name).string());
    }
}

}  // namespace turfpad::testing
