// The race data files: one RA file (12 race slots of 1270 bytes plus CR LF) and one SE file
// (216 runner slots of 553 bytes plus CR LF) per meeting day and racecourse, named like
// 2026年12月12日中山.jvRA / .jvSEr in the data folder. Filing (RaceFiles.h) puts each received
// RA or SE record into its slot; reading takes the files back as fixed-size units. The day
// list is the one listing of the folder's RA files below.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

class OpenFolder;

inline constexpr std::size_t kRaFileSize = 15264;   // 12 x 1272
inline constexpr std::size_t kSeFileSize = 119880;  // 216 x 555
inline constexpr std::size_t kDayKeySize = 18;      // 2026年12月12日中山 in cp932 bytes
inline constexpr std::string_view kRaExtension = ".jvRA";
inline constexpr std::string_view kSeExtension = ".jvSEr";
// Beside them, a day's odds and payouts file: the odds (O1: win, place and bracket odds) and
// the payouts (HR) of each race, 12 O1 race slots then 12 HR race slots, a race's record in
// its slot as for RA. One file rather than two: replacing a file costs far more than its
// bytes, and a day's odds and payouts come together in the stored race data. Readers of the
// RA and SE files pass it over.
inline constexpr std::size_t kO1FileSize = 11544;  // 12 x 962
inline constexpr std::size_t kHrFileSize = 8628;   // 12 x 719
inline constexpr std::size_t kOddsAndPayoutsFileSize = kO1FileSize + kHrFileSize;
inline constexpr std::string_view kOddsAndPayoutsExtension = ".jvO1HR";
// Where earlier versions filed the odds and the payouts, a file each: read while a day has no
// odds and payouts file, and taken into it when it is first written.
inline constexpr std::string_view kO1Extension = ".jvO1";
inline constexpr std::string_view kHrExtension = ".jvHR";
// The body weights announced on the race day (WH), a 12-slot file as for RA; and the day's
// changes (AV JC TC CC WE), the lines of a fetch as announced, replaced whole by each fetch.
inline constexpr std::size_t kWhFileSize = 10164;  // 12 x 847
inline constexpr std::string_view kWhExtension = ".jvWH";
inline constexpr std::string_view kChangesExtension = ".jvCH";

// A race data file that cannot be read or written, or whose shape is damaged. The message is
// Japanese (UTF-8) and names the file.
class FilingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file stem of a record: year, 年, month, 月, day, 日 and the racecourse name, 18 bytes.
std::string DayKeyOf(std::string_view record);

// The path of a race data file given by its cp932 name.
std::filesystem::path RaceFilePath(const std::filesystem::path& dataDir, std::string_view cp932Name);

// Whether one unit read back is a whole line: its CR LF at the end and no other line end.
bool IsWholeUnit(std::string_view unit);

// Whether a race data file's contents have the full shape: `units` lines of `unitSize` bytes,
// each ending in CR LF, and no other line end.
bool IsWholeRaceFile(std::string_view content, std::size_t unitSize);

// The names (cp932) of the RA files in the data folder, sorted ascending by their bytes.
// Only names of an 18-byte day key and the RA extension (in any letter case) count.
std::vector<std::string> ListRaFiles(const std::filesystem::path& dataDir);

// The day list: the 18-byte day keys of the RA files, newest first.
std::vector<std::string> DayEntries(const std::filesystem::path& dataDir);

// A race data file read as fixed-size units (a line and its CR LF).
class UnitFile {
  public:
    // Throws FilingError when the file cannot be opened.
    UnitFile(const std::filesystem::path& path, std::size_t unitSize);
    std::size_t UnitCount() const { return units_; }
    // Reads unit `index` into `out` (resized to the unit size); throws FilingError when the
    // file does not hold that unit whole.
    void Read(std::size_t index, std::string& out);

  private:
    std::filesystem::path path_;
    std::size_t unitSize_;
    std::size_t units_ = 0;
    std::ifstream in_;
};

// A day of the data folder as the listing finds it: an RA file whose name is an 18-byte day
// key and the RA extension (in any letter case).
struct ListedDay {
    std::string key;     // the 18-byte day key, cp932
    std::string raName;  // the RA file's name, cp932, its extension as found
    std::string stem;    // the name without the extension, UTF-8 as found in the folder
};
// The days of the folder, in no particular order; a day whose RA file is there in two letter
// cases is there twice.
std::vector<ListedDay> ListDays(const OpenFolder& folder);

}  // namespace turfpad
