// Files' sizes and last write times, and a folder's own last write time, as the system keeps
// them: the horse index compares them to tell whether a day's file or the data folder has
// changed since it was last looked at. One implementation per system (FileTimesPosix.cpp,
// FileTimesWindows.cpp).
#pragma once

#include <cstdint>
#include <filesystem>

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

}  // namespace turfpad
