// The data folder's lock, a lock file in the folder. A filer holds it exclusively from the
// first race data file it reads until everything it changed is written out, so no two filers
// ever work from the same old file; a reader holds it shared while it reads a day, so a day's
// two files are always read as one write left them. The lock is the system's (flock, or
// LockFileEx on Windows): it goes with the process that held it, even a killed one.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace turfpad {

// The lock file's name in the data folder.
inline constexpr std::string_view kDataFolderLockName = ".turfpad.lock";

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

    // Takes the lock. While another holds it, `waiting` is called about every 50 ms and waiting
    // goes on while it returns true; without `waiting` the call blocks until the lock is free.
    Result Lock(Mode mode, const std::function<bool()>& waiting, std::string& error);
    void Unlock();
    bool Held() const { return held_; }

  private:
    bool Open(std::string& error);
    // One attempt: 1 locked, 0 held by another, -1 failed.
    int Try(Mode mode, bool wait, std::string& error);

    std::filesystem::path path_;
    bool held_ = false;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace turfpad
