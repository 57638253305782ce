// The data folder's lock, a lock file in the folder. A filer holds it exclusively from the
// first race data file it reads until everything it changed is written out, so no two filers
// ever work from the same old file; a reader holds it shared while it reads a day, so a day's
// two files are always read as one write left them. The lock is the system's (flock, or
// LockFileEx on Windows): it goes with the process that held it, even a killed one.
//
// A reader that finds the lock taken says that it waits (a second lock, held shared while it
// waits), and a filer about to take the lock lets such readers in first: a filer that gives
// the lock back after a flush and takes it again at once would otherwise keep a waiting reader
// out for several flushes. So a reader waits at most for the flush under way.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace turfpad {

// The lock file's name in the data folder.
inline constexpr std::string_view kDataFolderLockName = ".turfpad.lock";
// The waiting readers' lock file beside it (on Windows a second byte of the lock file).
inline constexpr std::string_view kDataFolderWaitName = ".turfpad.wait";

class DataFolderLock {
  public:
    enum class Mode { Shared, Exclusive };
    enum class Result {
        Locked,
        GaveUp,  // another holds it and the caller stopped waiting
        Failed,  // the lock file cannot be opened or locked: see the error
    };

    explicit DataFolderLock(std::filesystem::path dataDir);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the lock. While another holds it, `waiting` is called about every 50 ms (first after
    // 50 ms: a reader's moment is no wait) and waiting goes on while it returns true; without
    // `waiting` the call blocks until the lock is free. A batch of files that a filer's death
    // cut short is completed first (under the lock held exclusively for that moment), so no
    // one reads a day whose files come from two batches.
    Result Lock(Mode mode, const std::function<bool()>& waiting, std::string& error);
    void Unlock();
    bool Held() const { return held_; }

  private:
    Result Take(Mode mode, const std::function<bool()>& waiting, std::string& error);
    bool Open(std::string& error);
    // One attempt: 1 locked, 0 held by another, -1 failed.
    int Try(Mode mode, bool wait, std::string& error);
    // The waiting readers' lock: taken shared while a reader waits; a filer waits (a little)
    // until it can take it exclusively.
    bool MarkWaiting();
    void UnmarkWaiting();
    void LetWaitingReadersIn();
    // One attempt at the waiting readers' lock: shared and kept (blocking a moment at most),
    // or exclusive and given back at once. 1 had, 0 held by another, -1 failed.
    int TryWaitingLock(bool exclusive);

    std::filesystem::path path_;
    bool held_ = false;
#ifdef _WIN32
    void* handle_ = nullptr;  // byte 0 is the lock, byte 1 the waiting readers'
#else
    int fd_ = -1;
    int waitFd_ = -1;  // the waiting readers' lock file, kDataFolderWaitName
#endif
};

}  // namespace turfpad
