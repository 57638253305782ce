// The horse index: for each horse (血統登録番号), the meeting day and runner slot of every SE
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
//
// Looking at every day of a folder fed for years costs tens of milliseconds, most of it in
// listing the folder and looking at each SE file. So a full check also records the data
// folder's own last write time, and the checksum of each month file, in the index folder's
// stamp file. While the folder's time is unchanged no file has been added, removed or
// replaced by renaming since, and the days of the month files are the days of the folder;
// a query for some horses' recent runs then looks only at the SE files of the days that can
// change its answer: every day from the race back to the oldest run it takes of each horse,
// or back to the year its registration number says it was foaled when it has fewer runs.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// One filed run of a horse: its race's RA line and its own SE line (units with CR LF, or
// lines without).
struct PastRun {
    std::string ra;
    std::string se;
};

// What a day's SE file looked like when its lines were taken.
struct FileStamp {
    static constexpr std::uint64_t kNoFile = ~std::uint64_t{0};
    std::uint64_t size = kNoFile;  // kNoFile: missing or unreadable
    std::int64_t written = 0;      // last write time, ns
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::filesystem::path& path);
// The clock of the write times, ns.
std::int64_t StampClockNow();

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
    // holds them (months read together share one block of memory).
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

// The index entries of one day's SE file contents (pedigree and slot of each line with a
// result whose own date is the day's).
std::vector<HorseIndexMonth::Entry> IndexEntriesOf(std::string_view dayKey, std::string_view seContent);

// A day's SE file as a filer has just written it.
struct WrittenDay {
    std::string key;             // 18-byte day key
    std::string_view seContent;  // the whole file
};
// Brings the index up to date for days a filer has just written; called under the data
// folder's exclusive lock. Never throws: an index it cannot write is read again later.
void KeepHorseIndex(const std::filesystem::path& dataDir, const std::vector<WrittenDay>& days);

// The index of a data folder, brought up to date and held in memory.
class HorseRunIndex {
  public:
    struct Place {
        std::string day;  // 18-byte day key
        int slot = 0;     // runner slot 0..215
    };
    struct Refreshed {
        std::size_t days = 0;      // days of the folder
        std::size_t daysRead = 0;  // read again from their SE files
        std::size_t monthsDamaged = 0;
        std::size_t monthsWritten = 0;
        bool listed = false;  // the whole folder looked at, not only the days a query needs
    };

    // Brings the index up to date with the folder's days and keeps it in memory.
    void Build(const std::filesystem::path& dataDir);
    // Brings up to date, and keeps in memory, what the recent runs of these horses (10-byte
    // registration numbers) before raceDate (yyyymmdd), `limit` of each, depend on; the whole
    // folder is looked at as Build does when it has changed since the last full check.
    // RecentRuns then answers for these horses, that date and at most that limit.
    void BuildFor(const std::filesystem::path& dataDir, const std::vector<std::string>& pedigrees,
                  std::string_view raceDate, std::size_t limit);
    const Refreshed& LastBuild() const { return refreshed_; }

    // The places of the horse, newest day first, slots ascending.
    std::vector<Place> PlacesOf(std::string_view pedigree) const;
    // The filed runs of the horse, each with its race's RA line.
    std::vector<PastRun> RunsOf(std::string_view pedigree) const;
    // Its runs on days before `raceDate` (yyyymmdd), newest first: at least `limit` of them
    // where there are, and every run of the last day taken.
    std::vector<PastRun> RecentRuns(std::string_view pedigree, std::string_view raceDate, std::size_t limit) const;

  private:
    void FullCheck(bool locked);
    // False where the folder has changed since the last full check, or the index with it.
    bool QuickCheck(bool locked, const std::vector<std::string>& pedigrees, std::string_view raceDate,
                    std::size_t limit);

    std::filesystem::path dataDir_;
    std::vector<HorseIndexMonth> months_;
    Refreshed refreshed_;
};

}  // namespace turfpad
