#include "datafolder/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "text/PathText.h"
#include "text/SystemErrors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {
// Temporary files are named ".<name>.<process id>.<16 random hex digits>.part": hidden, never
// matching the race data file masks, told apart per process, and not to be guessed, so that
// no one can prepare a file or link of that name for us.
constexpr std::string_view kTempSuffix = ".part";
constexpr std::size_t kRandomDigits = 16;

#ifdef _WIN32
unsigned long ProcessId() { return GetCurrentProcessId(); }
#else
unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
#endif

fs::path TempPathFor(const fs::path& path) {
    static thread_local std::random_device random;
    std::uint64_t bits = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    char digits[kRandomDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(bits));
    std::u8string tmp = u8"." + path.filename().u8string() + u8".";
    std::string rest = std::to_string(ProcessId()) + "." + digits + std::string(kTempSuffix);
    tmp.append(rest.begin(), rest.end());
    return path.parent_path() / fs::path(tmp);
}

std::string SystemMessage(int code) { return SystemErrorText(code); }

std::atomic<std::size_t> syncs{0};
}  // namespace

std::size_t SyncCount() { return syncs.load(); }

std::optional<unsigned long> TemporaryFileWriter(const fs::path& name) {
    std::u8string u8 = name.u8string();
    std::string text(u8.begin(), u8.end());
    if (text.size() < 2 || text[0] != '.' || !text.ends_with(kTempSuffix)) return std::nullopt;
    std::string rest = text.substr(0, text.size() - kTempSuffix.size());
    std::size_t dot = rest.rfind('.');
    if (dot == std::string::npos || dot + 1 == rest.size()) return std::nullopt;
    // The random digits before ".part" (names of older versions have none).
    if (rest.size() - dot - 1 == kRandomDigits &&
        rest.find_first_not_of("0123456789abcdef", dot + 1) == std::string::npos) {
        rest.resize(dot);
        dot = rest.rfind('.');
        if (dot == std::string::npos || dot + 1 == rest.size()) return std::nullopt;
    }
    unsigned long pid = 0;
    for (std::size_t i = dot + 1; i < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9' || pid > 100000000UL) return std::nullopt;
        pid = pid * 10 + static_cast<unsigned long>(rest[i] - '0');
    }
    if (pid == 0) return std::nullopt;
    return pid;
}

#ifdef _WIN32

namespace {
// Another process (a reader, a virus scanner, a sync client) may hold the file open for a
// moment: replacing it is tried again for up to two seconds before it counts as failed.
constexpr int kReplaceTries = 40;
constexpr DWORD kReplacePauseMs = 50;

bool IsHeldOpen(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

// Renames `tmp` over `path`; returns 0 or the system's error code.
DWORD ReplaceWithRetry(const fs::path& tmp, const fs::path& path) {
    // A folder in the file's place is never replaced (not every system refuses that itself).
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_ACCESS_DENIED;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        DWORD code = GetLastError();
        if (!IsHeldOpen(code) || attempt == kReplaceTries) return code;
        Sleep(kReplacePauseMs);
    }
}
}  // namespace

bool WriteWholeFile(const fs::path& path, std::string_view content, bool durable, std::string& error) {
    fs::path tmp = TempPathFor(path);
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = SystemMessage(static_cast<int>(GetLastError()));
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    if (ok && durable) {
        ok = FlushFileBuffers(h);
        ++syncs;
    }
    DWORD code = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (ok) {
        code = ReplaceWithRetry(tmp, path);
        ok = code == 0;
    }
    if (!ok) {
        DeleteFileW(tmp.c_str());
        error = SystemMessage(static_cast<int>(code));
    }
    return ok;
}

bool FileBatch::Stage(const fs::path& path, std::string_view content, std::string& error) {
    // Windows has no cheap way to sync many files at once: each file is replaced on its own.
    staged_.push_back({path, {}});
    if (!WriteWholeFile(path, content, durable_, error)) {
        staged_.pop_back();
        return false;
    }
    return true;
}

bool FileBatch::Commit(fs::path&, std::string&) {
    replaced_ = staged_.size();
    staged_.clear();
    return true;
}

FileBatch::~FileBatch() = default;

namespace {
bool ProcessIsGone(unsigned long pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}
}  // namespace

void RemoveStaleTemporaries(const fs::path& folder) {
    if (BatchWasCutShort(folder)) return;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::optional<unsigned long> pid = TemporaryFileWriter(it->path().filename());
        if (!pid || it->is_symlink(ec) || !it->is_regular_file(ec) || !ProcessIsGone(*pid)) continue;
        fs::remove(it->path(), ec);
        ec.clear();
    }
}

#else

namespace {
// Whether a file may be replaced: 0 with the permission bits its successor keeps in `kept`
// (none for a new file, nor in place of what is no regular file: the umask decides), or the
// error number. A file without any write permission bit was made read-only by its user and
// is not replaced.
int ReplaceableMode(const fs::path& path, std::optional<mode_t>& kept) {
    kept.reset();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EROFS;
    if (S_ISREG(st.st_mode)) kept = st.st_mode & 07777;
    return 0;
}

// Creates and writes the temporary file for `path`, never through an existing name or link;
// sets `tmp` to its name and returns the error number or 0 (no file is left on failure).
int WriteTemp(const fs::path& path, fs::path& tmp, std::string_view content, bool sync) {
    std::optional<mode_t> kept;
    if (int code = ReplaceableMode(path, kept)) return code;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        tmp = TempPathFor(path);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kept.value_or(0666));
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    int code = 0;
    // The replaced file's own bits, whatever the umask would take from them (0666 among them).
    if (kept && ::fchmod(fd, *kept) != 0) code = errno;
    const char* p = content.data();
    std::size_t left = content.size();
    while (code == 0 && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            code = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (code == 0 && sync) {
        if (::fdatasync(fd) != 0) code = errno;
        ++syncs;
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) ::unlink(tmp.c_str());
    return code;
}

std::string ErrorText(int code) {
    return code == EROFS ? std::string("読み取り専用のファイルです") : SystemMessage(code);
}
}  // namespace

bool WriteWholeFile(const fs::path& path, std::string_view content, bool durable, std::string& error) {
    fs::path tmp;
    int code = WriteTemp(path, tmp, content, durable);
    if (code == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) {
        code = errno;
        ::unlink(tmp.c_str());
    }
    if (code != 0) {
        error = ErrorText(code);
        return false;
    }
    return true;
}

bool FileBatch::Stage(const fs::path& path, std::string_view content, std::string& error) {
    fs::path tmp;
    if (int code = WriteTemp(path, tmp, content, false)) {
        error = ErrorText(code);
        return false;
    }
    staged_.push_back({path, tmp});
    return true;
}

namespace {
// SIGINT, SIGTERM, SIGHUP and SIGQUIT wait while the object lives, then take effect.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t old_;
};

// The batch record's lines, or nothing when the batch cannot be recorded (files in several
// folders, or a name a line cannot hold).
std::optional<std::string> BatchRecord(const std::vector<fs::path>& tmps, const std::vector<fs::path>& paths) {
    std::string record;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].parent_path() != paths.front().parent_path()) return std::nullopt;
        const std::string tmp = tmps[i].filename().string(), name = paths[i].filename().string();
        if (tmp.find_first_of("\t\n") != std::string::npos || name.find_first_of("\t\n") != std::string::npos)
            return std::nullopt;
        record += tmp + '\t' + name + '\n';
    }
    return record;
}
}  // namespace

bool FileBatch::Commit(fs::path& failed, std::string& error) {
    replaced_ = 0;
    if (staged_.empty()) return true;
    SignalsHeld held;
    std::vector<fs::path> tmps, paths;
    for (const Staged& s : staged_) {
        tmps.push_back(s.tmp);
        paths.push_back(s.path);
    }
    const std::optional<std::string> lines = staged_.size() > 1 ? BatchRecord(tmps, paths) : std::nullopt;
    const fs::path record = staged_.front().path.parent_path() / std::string(kBatchRecordName);
    fs::path recordTmp;
    auto fail = [&](const fs::path& file, int code) {
        failed = file;
        error = SystemMessage(code);
        if (!recordTmp.empty()) ::unlink(recordTmp.c_str());
        return false;
    };
    if (lines) {
        if (int code = WriteTemp(record, recordTmp, *lines, false)) return fail(staged_.front().path, code);
    }
    if (durable_) {
        // One sync for the whole batch: it brings every temporary file (and the record) to the
        // disk before any of them replaces its file.
        int fd = ::open(staged_.front().tmp.c_str(), O_RDONLY | O_CLOEXEC);
        int code = fd < 0 ? errno : (::syncfs(fd) != 0 ? errno : 0);
        if (fd >= 0) {
            ::close(fd);
            ++syncs;
        }
        if (code != 0) return fail(staged_.front().path, code);
    }
    if (lines && ::rename(recordTmp.c_str(), record.c_str()) != 0) return fail(staged_.front().path, errno);
    recordTmp.clear();
    for (const Staged& s : staged_) {
        if (::rename(s.tmp.c_str(), s.path.c_str()) != 0) {
            // Reported; the files renamed before stay replaced, as a record could not mend it.
            const int code = errno;
            if (lines) ::unlink(record.c_str());
            return fail(s.path, code);
        }
        ++replaced_;
    }
    if (lines) ::unlink(record.c_str());
    staged_.clear();
    return true;
}

FileBatch::~FileBatch() {
    for (std::size_t i = replaced_; i < staged_.size(); ++i) ::unlink(staged_[i].tmp.c_str());
}

void RemoveStaleTemporaries(const fs::path& folder) {
    if (BatchWasCutShort(folder)) return;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::optional<unsigned long> pid = TemporaryFileWriter(it->path().filename());
        if (!pid) continue;
        // Only a regular file of ours: a link, or anyone else's file of that name, stays.
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::kill(static_cast<pid_t>(*pid), 0) == 0 || errno != ESRCH) continue;  // its writer lives
        ::unlink(it->path().c_str());
    }
}

#endif

}  // namespace turfpad

namespace turfpad {

bool BatchWasCutShort(const fs::path& folder) {
    std::error_code ec;
    return fs::symlink_status(folder / std::string(kBatchRecordName), ec).type() != fs::file_type::not_found;
}

namespace {
// A file name alone: no folder, not the folder itself or its parent.
fs::path NameInFolder(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}
}  // namespace

bool CompleteCutShortBatch(const fs::path& folder, std::string& error) {
    const fs::path record = folder / std::string(kBatchRecordName);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(record, ec);
    if (status.type() == fs::file_type::not_found) return true;
    constexpr std::uintmax_t kLargest = 1 << 20;  // far more lines than a batch has files
    std::string lines;
    bool ours = status.type() == fs::file_type::regular && fs::file_size(record, ec) <= kLargest && !ec &&
                ReadWholeFile(record, lines) && !lines.empty() && lines.back() == '\n';
    std::vector<std::pair<std::string, std::string>> renames;
    for (std::size_t at = 0; ours && at < lines.size();) {
        const std::size_t end = lines.find('\n', at), tab = lines.find('\t', at);
        ours = tab < end;
        if (!ours) break;
        std::string tmp = lines.substr(at, tab - at), name = lines.substr(tab + 1, end - tab - 1);
        // The temporary file must be one of ours made for that very file.
        ours = PlainName(tmp) && PlainName(name) && TemporaryFileWriter(NameInFolder(tmp)).has_value() &&
               tmp.starts_with("." + name + ".");
        renames.emplace_back(std::move(tmp), std::move(name));
        at = end + 1;
    }
    if (ours) {
        for (const auto& [tmp, name] : renames) {
            const fs::path from = folder / NameInFolder(tmp), to = folder / NameInFolder(name);
            if (fs::symlink_status(from, ec).type() != fs::file_type::regular) continue;  // renamed before
            fs::rename(from, to, ec);
            if (ec) {
                error = PathText(to) + ": " + SystemErrorText(ec);
                return false;
            }
        }
    }
    fs::remove(record, ec);
    if (ec) {
        error = PathText(record) + ": " + SystemErrorText(ec);
        return false;
    }
    return true;
}

ExistingFile ReadExistingFile(const fs::path& path, std::string& out) {
    out.clear();
    std::error_code ec;
    fs::file_status st = fs::symlink_status(path, ec);
    if (st.type() == fs::file_type::not_found) return ExistingFile::Missing;
    if (ec || !ReadWholeFile(path, out)) {
        out.clear();
        return ExistingFile::Unreadable;
    }
    return ExistingFile::Read;
}

}  // namespace turfpad
