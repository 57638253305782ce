#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {
// Temporary files are named ".<name>.<process id>.part": hidden, never matching the race
// data file masks, and told apart per process so two writers never share one.
constexpr std::string_view kTempSuffix = ".part";

#ifdef _WIN32
unsigned long ProcessId() { return GetCurrentProcessId(); }
#else
unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
#endif

fs::path TempPathFor(const fs::path& path) {
    fs::path name = path.filename();
    std::u8string tmp = u8"." + name.u8string() + u8".";
    std::string pid = std::to_string(ProcessId()) + std::string(kTempSuffix);
    tmp.append(pid.begin(), pid.end());
    return path.parent_path() / fs::path(tmp);
}

std::string SystemMessage(int code) { return std::system_category().message(code); }

std::atomic<std::size_t> syncs{0};
}  // namespace

std::size_t SyncCount() { return syncs.load(); }

#ifdef _WIN32

bool WriteWholeFile(const fs::path& path, std::string_view content, bool durable, std::string& error) {
    fs::path tmp = TempPathFor(path);
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
        ok = MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) code = GetLastError();
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

void RemoveStaleTemporaries(const fs::path&) {}

#else

namespace {
// Writes the temporary file; returns the error number or 0.
int WriteTemp(const fs::path& tmp, std::string_view content, bool sync) {
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int code = 0;
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
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
}  // namespace

bool WriteWholeFile(const fs::path& path, std::string_view content, bool durable, std::string& error) {
    fs::path tmp = TempPathFor(path);
    int code = WriteTemp(tmp, content, durable);
    if (code == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(tmp.c_str());
        error = SystemMessage(code);
        return false;
    }
    return true;
}

bool FileBatch::Stage(const fs::path& path, std::string_view content, std::string& error) {
    fs::path tmp = TempPathFor(path);
    if (int code = WriteTemp(tmp, content, false)) {
        error = SystemMessage(code);
        return false;
    }
    staged_.push_back({path, tmp});
    return true;
}

bool FileBatch::Commit(fs::path& failed, std::string& error) {
    replaced_ = 0;
    if (staged_.empty()) return true;
    if (durable_) {
        // One sync for the whole batch: it brings every temporary file to the disk before
        // any of them replaces its file.
        int fd = ::open(staged_.front().tmp.c_str(), O_RDONLY | O_CLOEXEC);
        int code = fd < 0 ? errno : (::syncfs(fd) != 0 ? errno : 0);
        if (fd >= 0) {
            ::close(fd);
            ++syncs;
        }
        if (code != 0) {
            failed = staged_.front().path;
            error = SystemMessage(code);
            return false;
        }
    }
    for (const Staged& s : staged_) {
        if (::rename(s.tmp.c_str(), s.path.c_str()) != 0) {
            failed = s.path;
            error = SystemMessage(errno);
            return false;
        }
        ++replaced_;
    }
    staged_.clear();
    return true;
}

FileBatch::~FileBatch() {
    for (std::size_t i = replaced_; i < staged_.size(); ++i) ::unlink(staged_[i].tmp.c_str());
}

void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() < 2 || name[0] != '.' || !name.ends_with(kTempSuffix)) continue;
        std::string rest = name.substr(0, name.size() - kTempSuffix.size());
        std::size_t dot = rest.rfind('.');
        if (dot == std::string::npos) continue;
        char* stop = nullptr;
        long pid = std::strtol(rest.c_str() + dot + 1, &stop, 10);
        if (pid <= 0 || *stop != '\0') continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // its writer lives
        fs::remove(it->path(), ec);
        ec.clear();
    }
}

#endif

std::string PathText(const fs::path& path) {
    std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

bool ReadWholeFile(const fs::path& path, std::string& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.clear();
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return false;
    out.reserve(static_cast<std::size_t>(size));
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) out.append(buf, static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

}  // namespace turfpad
