// A year of JV-Data as JV-Link delivers it, for benchmarks, kill tests and fuzz seeds:
// 48 race weekends, two days each at three racecourses, 12 races a day with 10 to 18
// runners. Each week comes as one file of RA records, one of SE records (races in order)
// and files of other record types that filing passes over.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace turfpad::testing {

struct JvFile {
    std::string name;                  // as the stand-in names its source files
    std::vector<std::string> records;  // cp932, each ending in CR LF
};

// `weeks` race weekends starting from the first Saturday of 2025.
std::vector<JvFile> YearStream(int weeks = 48);

struct StreamCounts {
    long ra = 0, se = 0, other = 0;
};
StreamCounts CountRecords(const std::vector<JvFile>& files);

// All records of all files, one after another.
std::string Concatenated(const std::vector<JvFile>& files);

// Writes each file into `folder` (created if needed) under its name, as the local JV-Link
// stand-in reads its source folder.
void WriteJvdFiles(const std::vector<JvFile>& files, const std::filesystem::path& folder);

}  // namespace turfpad::testing
