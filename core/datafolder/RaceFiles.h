// Filing: each received RA, SE, O1, HR or WH record put into its slot of its day's file (DayFiles.h), the
// files written out whole under the data folder's lock, and the horse index kept up to date
// for the SE files written.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "datafolder/AtomicFile.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"

namespace turfpad {

// Another filer holds the data folder and the caller stopped waiting for it.
class FolderBusyError : public FilingError {
  public:
    using FilingError::FilingError;
};

struct FilingResult {
    enum class Outcome {
        Filed,       // put into its slot
        PassedOver,  // another record type, or a race or horse number not yet assigned ("00")
        Rejected,    // could not be filed: see reason
    };
    Outcome outcome = Outcome::PassedOver;
    bool runner = false;      // SE record
    std::string fileName;     // cp932, without folder
    std::string raceNumber;   // as stored, 2 bytes
    std::string horseNumber;  // as stored, 2 bytes (SE)
    std::string reason;       // UTF-8, for a rejected record

    // The line the acquisition lists for a filed record (cp932):
    // 作成済み:11R/2026年12月12日中山.jvRA or 作成済み:03R/07番/2026年12月12日中山.jvSEr
    std::string ListLine() const;
    // The same line in UTF-8, for the screen and the command line.
    std::string ListLineUtf8() const;
};

// Files RA, SE, O1, HR and WH records into the data folder. Files are kept in memory between records and
// written out whole (to a temporary file renamed over the old one), so a file on disk is
// always either the old or the new one, never half-written. Flush() writes everything out;
// it also happens when the filer is destroyed. FlushWholeDays() writes out a batch as it
// goes (at the end of each JV-Link file, or when many files are held) but keeps a day whose
// RA file alone, or SE file alone, was filed into: that one is held back until its other file
// is filed into too, or until Flush(). So a day's two files are always replaced together and
// no reader sees the race of one write with the runners of another. Odds, payouts and body
// weights are held back until race cards are written, so that one sync of the disk serves
// both, or until Flush(). Held-back files are written out all the same once they pass a
// memory cap.
//
// From the first file it reads until a flush, the filer holds the data folder's lock
// exclusively: no other filer reads or writes a race data file in between, so none of them
// writes over what another filed, and a reader sees the files of a day as one flush left
// them. After every flush the lock is given back and the files written are let go (another
// filer may change them next); a reader waits at most until the next flush. What is held back
// is laid again over the files as they are when the lock is next taken: only the records this
// filer filed replace what is on disk then (odds, payouts and weights: when they are written).
// Takes the data folder's lock exclusively for filing; throws FolderBusyError when `waiting`
// gave up on another filer and FilingError when the lock cannot be taken.
void LockForFiling(DataFolderLock& lock, const std::filesystem::path& dataDir, const std::function<bool()>& waiting);

struct FileShape;    // how a day's file is laid out (RaceFiles.cpp)
struct FileSection;  // a record type's slots in it

class RaceFiler {
  public:
    explicit RaceFiler(std::filesystem::path dataDir, std::size_t maxHeldFiles = 64);
    ~RaceFiler();
    RaceFiler(const RaceFiler&) = delete;
    RaceFiler& operator=(const RaceFiler&) = delete;

    // Files one record (cp932, as delivered, ending in CR LF). Throws FilingError when a
    // file cannot be read or written or is damaged; the file on disk is then unchanged.
    // Throws FolderBusyError when another filer holds the data folder and the waiting
    // function gave up.
    FilingResult File(std::string_view record);

    // Writes every changed file out, and brings the horse index up to date for the SE files
    // written. Throws FilingError; files not yet written stay held, so a later Flush() tries
    // them again.
    void Flush();
    // Writes out the changed files, except a day whose RA or SE file alone changed, and the
    // odds, payouts and weights when no race cards go out, which are held back (see above).
    // Throws as Flush().
    void FlushWholeDays();
    // Lets every file held go unwritten (after a failure the caller has reported) and gives
    // the lock back.
    void Abandon();

    bool HasUnwritten() const;
    // Records filed into files not yet written out.
    std::size_t UnwrittenRecords() const;
    // Whether nothing filed into the file of this name (cp932) waits to be written out.
    bool IsWritten(const std::string& fileName) const;
    // Files read or filed into since the last flush; at maxHeldFiles the next new file makes
    // a FlushWholeDays() first.
    std::size_t HeldFiles() const { return batchFiles_; }
    std::size_t MaxHeldFiles() const { return maxHeld_; }
    // Lets the limit of files held grow to `most` once a batch comes out sparse (fewer than
    // kSparseBatch records filed per file): a stream in random order then gathers many
    // records into each file before it is written, instead of writing every file over for
    // each record or two (growing step by step cost more than it saved: each step writes a
    // batch). A stream in file order keeps the first limit.
    void SetMostHeldFiles(std::size_t most) { mostHeld_ = most; }
    static constexpr std::size_t kSparseBatch = 8;
    // Files held back by FlushWholeDays(): for the other file of their day, or odds, payouts
    // and weights for the next race cards.
    std::size_t HeldBackFiles() const;
    // Once the files held back take more than this many bytes, FlushWholeDays() writes them
    // out too (64 MiB: far beyond a year's RA files).
    void SetMaxHeldBack(std::size_t bytes) { maxHeldBack_ = bytes; }
    const std::filesystem::path& DataDir() const { return dataDir_; }

    // Whether every file is synced to the disk before it replaces the old one (on by
    // default; a file is whole after a crash of the process either way).
    void SetDurable(bool durable) { durable_ = durable; }
    // Called about every 50 ms while another filer holds the data folder; waiting ends
    // (FolderBusyError) when it returns false. Without it the filer waits until the lock is free.
    void SetWaiting(std::function<bool()> waiting) { waiting_ = std::move(waiting); }
    // Filing without the lock, only to measure what the lock costs.
    void SetLocking(bool locking) { locking_ = locking; }
    // Filing without keeping the horse index up to date, only to measure what that costs.
    void SetIndexUpkeep(bool upkeep) { indexUpkeep_ = upkeep; }

  private:
    struct Held {
        std::string content;
        std::vector<bool> filedSlots;  // the slots filed into since it was last written
        bool changed = false;
        bool existed = true;    // on disk when it was last read (blank slots otherwise)
        bool inBatch = true;    // read or filed into since the last flush
        std::size_t filed = 0;  // records filed since it was last written
        bool layOver = false;   // to be laid over the file as it is before it is written
    };
    Held& Load(const std::string& name, const FileShape& shape);
    // The file's contents on disk, or blank slots where there is no file (`existed` says which);
    // throws FilingError.
    std::string ReadForFiling(const std::string& name, const FileShape& shape, bool* existed = nullptr);
    // Appends a section's former file of the day (an earlier version's) when there is a whole one.
    bool TakeFormerFile(const std::string& name, const FileShape& shape, const FileSection& section,
                        std::string& content) const;
    // Drops the files with nothing left to write, keeping their buffers for the next files read.
    void LetGoWritten();
    void KeepSpare(std::string&& content);
    void TakeLock();
    // Lays the slots filed into a held-back file over the file as it is now, under the lock;
    // false, with the reason in `failure`, when another program left it unreadable or damaged:
    // it is then never written into, and what was filed into it is lost.
    bool LayOver(const std::string& name, Held& held, std::string& failure);
    // LayOver, or the file let go with what was filed into it counted as lost.
    bool LayOverOrDrop(std::map<std::string, Held>::iterator it, std::string& failure);
    void Write(bool wholeDaysOnly);
    // Brings the horse index up to date with the first `replaced` files just written.
    void UpdateHorseIndexOf(const std::vector<const std::string*>& names, const std::vector<Held*>& written,
                            std::size_t replaced);

    std::filesystem::path dataDir_;
    std::size_t maxHeld_;
    std::size_t mostHeld_ = 0;
    std::size_t maxHeldBack_ = std::size_t{64} << 20;
    std::size_t batchFiles_ = 0;
    std::size_t lost_ = 0;  // records of held-back files that could not be laid over their file again
    bool durable_ = true;
    bool locking_ = true;
    bool indexUpkeep_ = true;
    std::function<bool()> waiting_;
    DataFolderLock lock_;
    std::map<std::string, Held> held_;
    // Buffers of files let go: the next files read reuse them rather than have the allocator
    // hand out (and the system fault in) fresh pages for every file of every batch.
    static constexpr std::size_t kSpareBuffers = 32;
    std::vector<std::string> spare_;
};

// Files one record and writes it out at once.
FilingResult FileRaceRecord(const std::filesystem::path& dataDir, std::string_view record);

}  // namespace turfpad
