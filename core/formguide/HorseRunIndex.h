// The horse run index: the horse index of a data folder (HorseIndexFiles.h) brought up to date
// and held in memory, and the filed runs of a horse looked up through it.
//
// Looking at every SE file of a folder fed for years costs tens of milliseconds. So a full
// check records the checksum of each month file in the index folder's stamp file, and a query
// for some horses' recent runs then lists the folder's day files (cheap: names only) and looks
// only at the SE files of the days that can change its answer: every day from the race back to
// the oldest run it takes of each horse, or back to the year its registration number says it
// was foaled when it has fewer runs. Where a month's days as listed are not its month file's,
// the whole folder is looked at. The folder's own write time is never taken as proof that
// nothing was added: copying tools (rsync -a, cp -a, tar) put it back after adding days.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datafolder/HorseIndexFiles.h"

namespace turfpad {

// One filed run of a horse: its race's RA line and its own SE line (units with CR LF, or
// lines without).
struct PastRun {
    std::string ra;
    std::string se;
};

// Reads filed runs from their days' RA and SE files, keeping the files of the last days read
// in memory: the runners of a race mostly ran on the same few days, and reading a day's files
// again for every run was most of the time it took to read a day's form guides. At most
// kHeldDays days are kept, the one used longest ago let go first.
class RunReader {
  public:
    explicit RunReader(std::filesystem::path dataDir);
    ~RunReader();
    RunReader(const RunReader&) = delete;
    RunReader& operator=(const RunReader&) = delete;
    // The run in `slot` (0..215) of the day: false when the day is gone or damaged.
    bool Read(const std::string& day, int slot, PastRun& run);
    static constexpr std::size_t kHeldDays = 16;

  private:
    struct HeldDay;
    std::filesystem::path dataDir_;
    std::vector<std::unique_ptr<HeldDay>> held_;  // the day used last at the back
};

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

    // Who holds the data folder's shared lock while the index is brought up to date: the call
    // takes it itself (for a moment, giving up after a second), or its caller holds it
    // already, or no lock could be had (a folder no one may file into): the index is then
    // read but never written.
    enum class Lock { TakeIt, Held, NotHad };

    // Brings the index up to date with the folder's days and keeps it in memory.
    void Build(const std::filesystem::path& dataDir, Lock lock = Lock::TakeIt);
    // Brings up to date, and keeps in memory, what the recent runs of these horses (10-byte
    // registration numbers) before raceDate (yyyymmdd), `limit` of each, depend on; the whole
    // folder is looked at as Build does when it has changed since the last full check.
    // RecentRuns then answers for these horses, that date and at most that limit.
    void BuildFor(const std::filesystem::path& dataDir, const std::vector<std::string>& pedigrees,
                  std::string_view raceDate, std::size_t limit, Lock lock = Lock::TakeIt);
    const Refreshed& LastBuild() const { return refreshed_; }
    const std::filesystem::path& DataDir() const { return dataDir_; }

    // The places of the horse, newest day first, slots ascending.
    std::vector<Place> PlacesOf(std::string_view pedigree) const;
    // The filed runs of the horse, each with its race's RA line.
    std::vector<PastRun> RunsOf(std::string_view pedigree) const;
    // Its runs on days before `raceDate` (yyyymmdd), newest first: at least `limit` of them
    // where there are, and every run of the last day taken.
    std::vector<PastRun> RecentRuns(std::string_view pedigree, std::string_view raceDate, std::size_t limit) const;
    // The same, read through `reader`, which may be kept for the next horses' runs.
    std::vector<PastRun> RecentRuns(std::string_view pedigree, std::string_view raceDate, std::size_t limit,
                                    RunReader& reader) const;

  private:
    // `locked`: the data folder's lock is held, so the index may be written; `useFolder`: the
    // index's folder is the data folder's own, so it may be read at all.
    void FullCheck(bool locked, bool useFolder);
    // False where the folder has changed since the last full check, or the index with it.
    bool QuickCheck(bool locked, const std::vector<std::string>& pedigrees, std::string_view raceDate,
                    std::size_t limit);

    std::filesystem::path dataDir_;
    std::vector<HorseIndexMonth> months_;
    Refreshed refreshed_;
};

}  // namespace turfpad
