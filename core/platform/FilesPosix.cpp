#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/FileTimes.h"
#include "platform/FolderFiles.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// A file's last write time, ns since 1970.
std::int64_t WrittenNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

}  // namespace

FileStamp StampOf(const fs::path& path) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.written = WrittenNs(st);
    return stamp;
}

std::int64_t StampClockNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

OpenFolder::OpenFolder(const fs::path& folder) : path_(folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

OpenFolder::~OpenFolder() {
    if (fd_ >= 0) ::close(fd_);
}

void OpenFolder::ForEachFile(const std::function<bool(std::string_view)>& wanted,
                             const std::function<void(std::string_view)>& take) const {
    if (fd_ < 0) return;
    const int listed = ::dup(fd_);
    DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!dir) {
        if (listed >= 0) ::close(listed);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (e->d_type == DT_REG) {
            if (wanted(name)) take(name);
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            if (wanted(name) && ::fstatat(fd_, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) take(name);
        }
    }
    ::closedir(dir);
}

FileStamp OpenFolder::Stamp(const std::string& name) const {
    FileStamp stamp;
    struct stat st {};
    if (fd_ < 0) return StampOf(path_ / PathFromText(name));
    if (::fstatat(fd_, name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.written = WrittenNs(st);
    return stamp;
}

bool ReadSmallFile(const fs::path& path, std::int64_t largest, std::string& out) {
    // Not blocked by a pipe put in its place, nor made to read more than `largest`.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= largest;
    out.clear();
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool OverwriteInPlace(const fs::path& path, std::string_view bytes) {
    // Only a file of its own: not through a link, nor into a file linked elsewhere.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    struct stat st {};
    bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
    for (std::size_t at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        at += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

}  // namespace turfpad
