// Reading and writing files the way the horse index needs it, held apart from the index so
// that it reads as plain code: a folder held open while its files are looked at by name, a
// small file read whole without being blocked by a pipe put in its place, and a file written
// over in place. One implementation per system
// (FilesPosix.cpp, FilesWindows.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTimes.h"

namespace turfpad {

// A folder held open: its files are looked at by name within it, not by whole path each time.
class OpenFolder {
  public:
    explicit OpenFolder(const std::filesystem::path& folder);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Calls take(name) with the UTF-8 name of each regular file of the folder (links
    // followed) for which wanted(name) is true; the names of other entries are asked about
    // first, so that only the wanted ones are looked at closer.
    void ForEachFile(const std::function<bool(std::string_view)>& wanted,
                     const std::function<void(std::string_view)>& take) const;
    // The stamp of the file of that UTF-8 name in the folder.
    FileStamp Stamp(const std::string& name) const;

  private:
    std::filesystem::path path_;
    int fd_ = -1;  // the folder opened, where the system offers that
};

// Reads a regular file whole into `out`; false for anything else, and for a file of more than
// `largest` bytes. Where the system allows (not on Windows) a pipe in its place does not block.
bool ReadSmallFile(const std::filesystem::path& path, std::int64_t largest, std::string& out);

// A file as read: absent, or its bytes kept alive by the owner.
struct SharedBytes {
    bool present = false;
    std::string_view bytes;
    std::shared_ptr<const void> owner;
};
// The files of these names in the folder (each of at most `largest` bytes), each read whole
// into memory of its own (WholeFile.cpp, the same on every system).
std::vector<SharedBytes> ReadFilesTogether(const std::filesystem::path& folder, const std::vector<std::string>& names,
                                           std::int64_t largest);

// Writes `bytes` over the regular file (made when missing) in place: only a file of its own,
// not through a link nor into a file linked elsewhere. False where that is not done: the
// caller then replaces the file whole.
bool OverwriteInPlace(const std::filesystem::path& path, std::string_view bytes);

}  // namespace turfpad
