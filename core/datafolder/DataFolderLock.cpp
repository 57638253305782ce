#include "datafolder/DataFolderLock.h"

#include "datafolder/AtomicFile.h"

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
// Retries within the first wait step come this often: a reader holds the lock for a few
// milliseconds, and a filer should not lose a whole step to one.
constexpr auto kShortStep = std::chrono::milliseconds(1);
// How long a filer lets waiting readers go first at most; a reader still waiting after that
// waits for another filer, not for this one.
constexpr auto kReadersFirst = std::chrono::milliseconds(500);
}  // namespace

DataFolderLock::DataFolderLock(fs::path dataDir) : path_(std::move(dataDir) / fs::path(kDataFolderLockName)) {}

DataFolderLock::Result DataFolderLock::Lock(Mode mode, const std::function<bool()>& waiting, std::string& error) {
    if (held_) return Result::Locked;
    Result result = Take(mode, waiting, error);
    const std::filesystem::path folder = path_.parent_path();
    if (result != Result::Locked || !BatchWasCutShort(folder)) return result;
    if (mode == Mode::Shared) {
        Unlock();
        result = Take(Mode::Exclusive, waiting, error);
        if (result != Result::Locked) return result;
    }
    std::string notCompleted;  // a folder the user cannot write: read as it is
    CompleteCutShortBatch(folder, notCompleted);
    if (mode == Mode::Shared) {
        Unlock();
        result = Take(Mode::Shared, waiting, error);
    }
    return result;
}

DataFolderLock::Result DataFolderLock::Take(Mode mode, const std::function<bool()>& waiting, std::string& error) {
    if (!Open(error)) return Result::Failed;
    if (mode == Mode::Exclusive) LetWaitingReadersIn();
    bool markTried = false, marked = false;
    const auto start = std::chrono::steady_clock::now();
    auto done = [&](Result result) {
        if (marked) UnmarkWaiting();
        return result;
    };
    while (true) {
        // A reader's first attempt does not block: if it must wait, it says so first.
        const bool block = !waiting && (mode == Mode::Exclusive || markTried);
        int r = Try(mode, block, error);
        if (r > 0) {
            held_ = true;
            return done(Result::Locked);
        }
        if (r < 0) return done(Result::Failed);
        if (mode == Mode::Shared && !markTried) {
            markTried = true;
            marked = MarkWaiting();
            continue;
        }
        if (std::chrono::steady_clock::now() - start < kWaitStep) {
            std::this_thread::sleep_for(kShortStep);
            continue;
        }
        if (!waiting()) return done(Result::GaveUp);
        std::this_thread::sleep_for(kWaitStep);
    }
}

void DataFolderLock::LetWaitingReadersIn() {
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < kReadersFirst) {
        int r = TryWaitingLock(true);
        if (r != 0) return;  // none waits (or the marker cannot be had: no reader can mark either)
        std::this_thread::sleep_for(kShortStep);
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

int DataFolderLock::TryWaitingLock(bool exclusive) {
    OVERLAPPED at{};
    at.Offset = 1;
    DWORD flags = exclusive ? LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY : 0;
    if (LockFileEx(static_cast<HANDLE>(handle_), flags, 0, 1, 0, &at)) {
        if (exclusive) UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
        return 1;
    }
    DWORD code = GetLastError();
    return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? 0 : -1;
}

bool DataFolderLock::MarkWaiting() { return TryWaitingLock(false) > 0; }

void DataFolderLock::UnmarkWaiting() {
    OVERLAPPED at{};
    at.Offset = 1;
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
}

#else

DataFolderLock::~DataFolderLock() {
    Unlock();
    if (fd_ >= 0) ::close(fd_);
    if (waitFd_ >= 0) ::close(waitFd_);
}

bool DataFolderLock::Open(std::string& error) {
    if (fd_ >= 0) return true;
    // Never through a link; read-only where the folder or the file allows no more (a shared
    // or exclusive flock needs no write access).
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
        const int refused = errno;
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd_ < 0 && errno == ENOENT) errno = refused;  // no lock file to read: the folder's refusal says why
    }
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

int DataFolderLock::TryWaitingLock(bool exclusive) {
    if (waitFd_ < 0) {
        // Made by the first reader that waits; where there is none, no reader has waited.
        const fs::path wait = path_.parent_path() / fs::path(kDataFolderWaitName);
        waitFd_ = ::open(wait.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | (exclusive ? 0 : O_CREAT), 0666);
        if (waitFd_ < 0 && (errno == EACCES || errno == EROFS))
            waitFd_ = ::open(wait.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (waitFd_ < 0) return -1;
    }
    while (::flock(waitFd_, exclusive ? LOCK_EX | LOCK_NB : LOCK_SH) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? 0 : -1;
    }
    if (exclusive) ::flock(waitFd_, LOCK_UN);
    return 1;
}

bool DataFolderLock::MarkWaiting() { return TryWaitingLock(false) > 0; }

void DataFolderLock::UnmarkWaiting() { ::flock(waitFd_, LOCK_UN); }

#endif

}  // namespace turfpad
