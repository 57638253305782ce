#include "DataFolderLock.h"

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {
constexpr auto kWaitStep = std::chrono::milliseconds(50);
}

DataFolderLock::DataFolderLock(fs::path dataDir) : path_(std::move(dataDir) / fs::path(kDataFolderLockName)) {}

DataFolderLock::Result DataFolderLock::Lock(Mode mode, const std::function<bool()>& waiting, std::string& error) {
    if (held_) return Result::Locked;
    if (!Open(error)) return Result::Failed;
    while (true) {
        int r = Try(mode, !waiting, error);
        if (r > 0) {
            held_ = true;
            return Result::Locked;
        }
        if (r < 0) return Result::Failed;
        if (!waiting()) return Result::GaveUp;
        std::this_thread::sleep_for(kWaitStep);
    }
}

#ifdef _WIN32

DataFolderLock::~DataFolderLock() {
    Unlock();
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

bool DataFolderLock::Open(std::string& error) {
    if (handle_ != nullptr) return true;
    HANDLE h =
        CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = std::system_category().message(static_cast<int>(GetLastError()));
        return false;
    }
    handle_ = h;
    return true;
}

int DataFolderLock::Try(Mode mode, bool wait, std::string& error) {
    OVERLAPPED at{};
    DWORD flags = (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(static_cast<HANDLE>(handle_), flags, 0, 1, 0, &at)) return 1;
    DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) return 0;
    error = std::system_category().message(static_cast<int>(code));
    return -1;
}

void DataFolderLock::Unlock() {
    if (!held_) return;
    OVERLAPPED at{};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    held_ = false;
}

#else

DataFolderLock::~DataFolderLock() {
    Unlock();
    if (fd_ >= 0) ::close(fd_);
}

bool DataFolderLock::Open(std::string& error) {
    if (fd_ >= 0) return true;
    // Never through a link; read-only where the folder or the file allows no more (a shared
    // or exclusive flock needs no write access).
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        error = std::system_category().message(errno);
        return false;
    }
    return true;
}

int DataFolderLock::Try(Mode mode, bool wait, std::string& error) {
    int op = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
    while (::flock(fd_, op) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return 0;
        error = std::system_category().message(errno);
        return -1;
    }
    return 1;
}

void DataFolderLock::Unlock() {
    if (!held_) return;
    ::flock(fd_, LOCK_UN);
    held_ = false;
}

#endif

}  // namespace turfpad
