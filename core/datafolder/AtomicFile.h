// Replacing a file's contents so that the file is always either the old or the new one:
// the contents go to a temporary file in the same folder, which is then renamed over it.
// The temporary file has a name no one can guess, is created only when no file (or link) of
// that name exists, and takes the permission bits of the file it replaces. A file the user
// made read-only (no write permission bit at all) is never replaced.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WholeFile.h"

namespace turfpad {

// Writes `content` to `path` by way of a temporary file. With `durable`, the data reach the
// disk before the rename. Returns false and sets `error` (the system's wording) on failure;
// the old file is then untouched and no temporary file is left.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view content, bool durable, std::string& error);

// The record of a batch's renames under way, in the folder of its files: one line per file,
// "<temporary file name> TAB <file name> LF". It is in place from before the first rename to
// after the last, so a batch cut short by the death of its process can be completed.
inline constexpr std::string_view kBatchRecordName = ".turfpad-batch";

// Replaces several files at once: each is written to its temporary file, then (when durable)
// all of them reach the disk with one sync, then each is renamed over its file. Every file
// is at every moment either old or new, and whole; a batch of several files in one folder
// records its renames first (kBatchRecordName), so that one cut short by the death of its
// process is completed by CompleteCutShortBatch, and the files are replaced together. While
// the renames run, SIGINT, SIGTERM, SIGHUP and SIGQUIT wait: a Ctrl-C or a closed terminal
// ends the program after the batch, not in its middle.
class FileBatch {
  public:
    explicit FileBatch(bool durable) : durable_(durable) {}
    ~FileBatch();  // removes the temporary files of a batch not committed
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;

    // Writes the temporary file. Returns false and sets `error` on failure.
    bool Stage(const std::filesystem::path& path, std::string_view content, std::string& error);
    // Syncs and renames every staged file. On failure returns false and sets `failed` (the
    // file not replaced) and `error`; files renamed before it stay replaced.
    bool Commit(std::filesystem::path& failed, std::string& error);
    // The files replaced by the last Commit (all of them after a success).
    std::size_t Replaced() const { return replaced_; }

  private:
    struct Staged {
        std::filesystem::path path, tmp;
    };
    bool durable_;
    std::vector<Staged> staged_;
    std::size_t replaced_ = 0;
};

// The process id in a temporary file's name, or nothing when `name` is not one of ours.
std::optional<unsigned long> TemporaryFileWriter(const std::filesystem::path& name);

// How many syncs this process has made (one per file synced on its own, one per batch), so
// that checks can see that durable writes reach the disk and others do not wait for it.
std::size_t SyncCount();

// Removes temporary files that a killed process left in `folder`: only regular files of our
// own naming, owned by this user, whose process is gone; none while a batch record is there
// (its temporary files are what completes it).
void RemoveStaleTemporaries(const std::filesystem::path& folder);

// Whether `folder` holds the record of a batch cut short.
bool BatchWasCutShort(const std::filesystem::path& folder);

// Completes the renames of a batch cut short in `folder` and removes its record; only the
// data folder's lock held exclusively makes that safe. A record that is not ours (a line that
// is not a temporary file of ours beside the file it names, in that folder) is removed with
// nothing renamed. Returns false with `error` when a rename fails (the record stays).
bool CompleteCutShortBatch(const std::filesystem::path& folder, std::string& error);

// Reading a file that is to be rewritten: a file that exists but cannot be read must never be
// replaced by one made from nothing.
enum class ExistingFile {
    Read,        // read whole into `out`
    Missing,     // there is no file of that name: `out` is empty
    Unreadable,  // it exists (or its presence cannot be told) but cannot be read
};
ExistingFile ReadExistingFile(const std::filesystem::path& path, std::string& out);

}  // namespace turfpad
