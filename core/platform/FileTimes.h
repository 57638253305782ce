// Files' sizes and last write times, and a folder's own last write time, as the system keeps
// them: the horse index compares them to tell whether a day's file or the data folder has
// changed since it was last looked at. One implementation per system (FileTimesPosix.cpp,
// FileTimesWindows.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace turfpad {

// What a file looked like: its size and last write time.
struct FileStamp {
    static constexpr std::uint64_t kNoFile = ~std::uint64_t{0};
    std::uint64_t size = kNoFile;  // kNoFile: missing or unreadable
    std::int64_t written = 0;      // last write time, ns
    bool operator==(const FileStamp&) const = default;
};
// The stamp of a regular file (links followed); kNoFile for anything else.
FileStamp StampOf(const std::filesystem::path& path);
// The clock of the write times, ns.
std::int64_t StampClockNow();

// A folder's last write time, ns since 1970: it changes whenever a file in it is added,
// removed or renamed over, not when one is written in place. Nothing where that is not sure:
// on Windows only NTFS and ReFS keep a folder's time so (FAT does not), and it is read from
// the folder itself, not from its parent's listing, which may lag behind.
std::optional<std::int64_t> FolderWriteTime(const std::filesystem::path& folder);
// Now, on the clock of FolderWriteTime.
std::int64_t FolderClockNow();

}  // namespace turfpad
