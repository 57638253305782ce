#include <windows.h>

#include <chrono>
#include <fstream>
#include <string_view>

#include "platform/FileTimes.h"
#include "platform/FolderFiles.h"
#include "platform/WholeFile.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

FileStamp StampOf(const fs::path& path) {
    FileStamp stamp;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return stamp;
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec) return stamp;
    stamp.size = size;
    stamp.written = std::chrono::duration_cast<std::chrono::nanoseconds>(written.time_since_epoch()).count();
    return stamp;
}

std::int64_t StampClockNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(fs::file_time_type::clock::now().time_since_epoch())
        .count();
}

OpenFolder::OpenFolder(const fs::path& folder) : path_(folder) {}

OpenFolder::~OpenFolder() = default;

void OpenFolder::ForEachFile(const std::function<bool(std::string_view)>& wanted,
                             const std::function<void(std::string_view)>& take) const {
    std::error_code ec;
    for (fs::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = PathText(it->path().filename());
        if (wanted(name)) take(name);
    }
}

FileStamp OpenFolder::Stamp(const std::string& name) const { return StampOf(path_ / PathFromText(name)); }

// The whole file, whatever its size: month files on Windows are read as any other file.
bool ReadSmallFile(const fs::path& path, std::int64_t largest, std::string& out) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return !ec && size <= static_cast<std::uintmax_t>(largest) && ReadWholeFile(path, out);
}

bool OverwriteInPlace(const fs::path&, std::string_view) { return false; }

}  // namespace turfpad
