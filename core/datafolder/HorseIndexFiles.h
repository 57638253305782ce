// The horse index's files: for each horse (血統登録番号), the meeting day and runner slot of every SE
// line of it that carries a result. It lives beside the race data, in the folder
// .turfpad-horses of the data folder, one file per month of meeting days, so that filing a
// week rewrites only a month's file.
//
// The race data files stay the only source of truth; the index only says where to look.
// Each day in it carries the size and last write time its SE file had when its lines were
// taken; a day whose file differs now, or that is missing from the index, is read again, and
// a day no longer in the folder is dropped. A day taken within a few seconds of its file's
// last write is never trusted later (a file replaced within the same clock tick would look
// unchanged). A month file that is short, long, of another format or whose checksum does
// not match is thrown away and its days read again. Filers bring the index up to date for
// the SE files they write, in the same locked section; readers write back what they had to
// read again when they can, and give the right runs from the files either way.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTimes.h"
#include "platform/FolderFiles.h"

namespace turfpad {

// The index's folder in the data folder.
inline constexpr std::string_view kHorseIndexFolderName = ".turfpad-horses";

// The index folder's stamp file: the data folder's last write time as the last full check
// that found the index whole saw it, when that check listed the folder, and each month file's
// name and checksum as it left them.
inline constexpr std::string_view kHorseIndexStampName = "folder.stamp";
struct HorseIndexStamp {
    std::int64_t written = 0;  // ns since 1970
    std::int64_t taken = 0;
    std::map<std::string, std::uint64_t, std::greater<>> months;  // newest first

    std::string Serialize() const;
    // False for anything but a whole stamp file of this format naming only month files.
    bool Parse(std::string_view bytes);
};

// One month file of the index.
struct HorseIndexMonth {
    struct Day {
        std::string key;         // 18-byte day key
        FileStamp stamp;         // of its SE file
        std::int64_t taken = 0;  // when the stamp was taken, ns
    };
    struct Entry {
        std::array<char, 10> pedigree{};
        std::uint16_t day = 0;  // into days
        std::uint8_t slot = 0;  // runner slot 0..215
    };
    std::vector<Day> days;       // newest first (day keys descending)
    std::vector<Entry> entries;  // by pedigree, then day, then slot

    // A month loaded with Load keeps its entries in the file's bytes, looked up in place,
    // until TakeEntries brings them out. The bytes are shared, read-only, with whoever else
    // holds them.
    std::shared_ptr<const void> rawOwner;
    std::string_view raw;
    std::size_t rawEntries = 0;  // where the entries start in raw
    std::size_t rawCount = 0;

    std::string Serialize() const;
    // False for anything but a whole month file of this format with a matching checksum and
    // every entry pointing at one of its days and a runner slot.
    bool Parse(std::string_view bytes);
    // The same check, keeping the entries in the bytes.
    bool Load(std::string bytes);
    // The same, with bytes kept alive by `owner`.
    bool Load(std::string_view bytes, std::shared_ptr<const void> owner);
    void TakeEntries();
    // Puts `entries` in their order.
    void Sort();
    // Calls fn(day, slot) for each entry of the pedigree (10 bytes).
    template <class Fn>
    void ForEachOf(std::string_view pedigree, Fn fn) const;
};

template <class Fn>
void HorseIndexMonth::ForEachOf(std::string_view pedigree, Fn fn) const {
    if (rawCount > 0) {
        const char* base = raw.data() + rawEntries;
        std::size_t lo = 0, hi = rawCount;  // first entry not below the pedigree
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (std::string_view(base + mid * 13, 10) < pedigree)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (; lo < rawCount && std::string_view(base + lo * 13, 10) == pedigree; ++lo) {
            const unsigned char* e = reinterpret_cast<const unsigned char*>(base + lo * 13);
            fn(static_cast<std::size_t>(e[10] | (e[11] << 8)), static_cast<int>(e[12]));
        }
        return;
    }
    auto first = std::partition_point(entries.begin(), entries.end(), [&](const Entry& e) {
        return std::string_view(e.pedigree.data(), e.pedigree.size()) < pedigree;
    });
    for (; first != entries.end() && std::string_view(first->pedigree.data(), first->pedigree.size()) == pedigree;
         ++first)
        fn(static_cast<std::size_t>(first->day), static_cast<int>(first->slot));
}

// The month file a day key belongs to ("202612.idx"; keys not starting with a date go to
// "other.idx").
std::string HorseIndexMonthName(std::string_view dayKey);
std::filesystem::path HorseIndexFolder(const std::filesystem::path& dataDir);
// Whether the index's folder may be used: absent (to be made) or a real folder of the data
// folder. A link or anything else in its place is not used, neither read nor written, so no
// one can make the index read or write files outside the data folder.
bool HorseIndexFolderIsOwn(const std::filesystem::path& dataDir);

// The index entries of one day's SE file contents (pedigree and slot of each line with a
// result whose own date is the day's).
std::vector<HorseIndexMonth::Entry> IndexEntriesOf(std::string_view dayKey, std::string_view seContent);

// What the upkeep when filing and the queries share of the index folder's files.

// A stamp taken this close after the file's last write is not trusted later: a file written
// again within the same tick of a coarse file system clock would keep its time.
inline constexpr std::int64_t kUnsureNs = 3'000'000'000;
// The month files' extension, and the month file of days whose keys start with no date.
inline constexpr std::string_view kMonthExtension = ".idx";
inline constexpr std::string_view kOtherMonth = "other.idx";
// No month or stamp file is anywhere near this size (a month of a busy year is under 1 MB):
// anything larger is not read.
inline constexpr std::int64_t kLargestIndexFile = 64 << 20;

// yyyymmdd of a day key (2026年12月12日中山).
std::string DateOfKey(std::string_view key);
// The checksum a month or stamp file ends with.
std::uint64_t TailChecksum(std::string_view bytes);

// Writes a month file (not synced: a month file lost in a crash is found damaged or stale
// and read again). Readers, who may write at the same time as each other, replace it whole;
// the filer, alone under its exclusive lock, writes over it in place, since making a new file
// for each filing costs more than the rest of the upkeep together: a write cut short leaves
// a file whose checksum fails, and it is read again. Returns its checksum when written.
std::optional<std::uint64_t> WriteMonth(const std::filesystem::path& folder, const std::string& name,
                                        const HorseIndexMonth& month, bool inPlace = false);
// A month or stamp file read whole into a string of its own.
bool ReadMonthFile(const std::filesystem::path& path, std::string& out);
// The month files of the index, each read whole (the index of ten years is some 13 MB).
std::vector<SharedBytes> ReadMonthFiles(const std::filesystem::path& folder, const std::vector<std::string>& names);

// The stamp as recorded, or nothing where there is none whole.
std::optional<HorseIndexStamp> ReadHorseIndexStamp(const std::filesystem::path& indexFolder);
bool WriteHorseIndexStamp(const std::filesystem::path& indexFolder, const HorseIndexStamp& stamp);
void RemoveHorseIndexStamp(const std::filesystem::path& indexFolder);

// A month rebuilt from `old`'s days that are kept (old index -> new index, or -1) and days
// read again.
HorseIndexMonth Rebuilt(const HorseIndexMonth& old, const std::vector<int>& keep,
                        std::vector<HorseIndexMonth::Day> days, std::vector<HorseIndexMonth::Entry> fresh);

}  // namespace turfpad
