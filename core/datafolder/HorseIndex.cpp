#include "datafolder/HorseIndex.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>

#include "datafolder/AtomicFile.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "formguide/FormGuide.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"
#include "text/PathText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// "TPHORSES", then the format's version. A file of another version is read again whole.
constexpr std::string_view kMagic = "TPHORSES";
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 24;  // magic, version, day count, entry count, reserved
constexpr std::size_t kDaySize = kDayKeySize + 8 + 8 + 8;
constexpr std::size_t kEntrySize = 10 + 2 + 1;
constexpr std::size_t kChecksumSize = 8;
constexpr std::string_view kMonthExtension = ".idx";
constexpr std::size_t kSlots = static_cast<std::size_t>(kRacesPerDay) * kRunnersPerRace;

// A stamp taken this close after the file's last write is not trusted later: a file written
// again within the same tick of a coarse file system clock would keep its time.
constexpr std::int64_t kUnsureNs = 3'000'000'000;

// The index folder's record of the data folder's last write time at the last full check, and
// of the month files that check left.
constexpr std::string_view kStampMagic = "TPFOLDER";
constexpr std::string_view kOtherMonth = "other.idx";
constexpr std::size_t kMonthNameSize = 16;  // "202612.idx", padded with NULs

// No month or stamp file is anywhere near this size (a month of a busy year is under 1 MB):
// anything larger is not read.
constexpr std::int64_t kLargestIndexFile = 64 << 20;

#ifndef _WIN32
// A file's or folder's last write time, ns since 1970.
std::int64_t WrittenNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}
#endif

// A stamp that matches no file: the file changed while it was read.
constexpr FileStamp kChangedWhileRead{FileStamp::kNoFile, -1};

void Put(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t Get(const char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

// FNV-1a over 8-byte words in four interleaved lanes, folded: fast enough for megabytes, and
// any changed, missing or added byte changes it.
std::uint64_t Checksum(std::string_view b) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t h[4] = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL, 0x9ce484222325cbf2ULL, 0x2325cbf29ce48422ULL};
    std::size_t i = 0;
    for (; i + 32 <= b.size(); i += 32)
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t w;
            std::memcpy(&w, b.data() + i + 8 * lane, 8);
            h[lane] = (h[lane] ^ w) * kPrime;
            h[lane] ^= h[lane] >> 32;
        }
    std::uint64_t r = h[0] ^ (h[1] * 3) ^ (h[2] * 5) ^ (h[3] * 7);
    for (; i < b.size(); ++i) r = (r ^ static_cast<unsigned char>(b[i])) * kPrime;
    return r ^ b.size();
}

bool IsDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// yyyymmdd of a day key (2026年12月12日中山).
std::string DateOfKey(std::string_view key) {
    if (key.size() < 12) return {};
    return std::string(key.substr(0, 4)) + std::string(key.substr(6, 2)) + std::string(key.substr(10, 2));
}

bool Trusted(const HorseIndexMonth::Day& day, const FileStamp& now) {
    return day.stamp == now && day.stamp.written + kUnsureNs <= day.taken;
}

// The checksum a month or stamp file ends with.
std::uint64_t TailChecksum(std::string_view bytes) {
    return bytes.size() < kChecksumSize ? 0 : Get(bytes.data() + bytes.size() - kChecksumSize, kChecksumSize);
}

// Writes a month file (not synced: a month file lost in a crash is found damaged or stale
// and read again). Readers, who may write at the same time as each other, replace it whole;
// the filer, alone under its exclusive lock, writes over it in place, since making a new file
// for each filing costs more than the rest of the upkeep together: a write cut short leaves
// a file whose checksum fails, and it is read again. Returns its checksum when written.
std::optional<std::uint64_t> WriteMonth(const fs::path& folder, const std::string& name, const HorseIndexMonth& month,
                                        bool inPlace = false) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string bytes = month.Serialize();
#ifndef _WIN32
    if (inPlace) {
        // Only the index's own file: not through a link, nor into a file linked elsewhere.
        const int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
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
        if (ok) return TailChecksum(bytes);
    }
#else
    (void)inPlace;
#endif
    std::string error;
    if (!WriteWholeFile(folder / name, bytes, false, error)) return std::nullopt;
    return TailChecksum(bytes);
}

// The data folder's last write time, ns since 1970: it changes whenever a file in it is
// added, removed or renamed over, not when one is written in place. Nothing where that is
// not sure: on Windows only NTFS and ReFS keep a folder's time so (FAT does not), and it is
// read from the folder itself, not from its parent's listing, which may lag behind.
std::optional<std::int64_t> FolderWriteTime(const fs::path& dataDir) {
#ifdef _WIN32
    const HANDLE h =
        CreateFileW(dataDir.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    wchar_t system[MAX_PATH + 1] = {};
    FILE_BASIC_INFO info{};
    const bool ok = GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) &&
                    (std::wstring_view(system) == L"NTFS" || std::wstring_view(system) == L"ReFS") &&
                    GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info) &&
                    (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return (info.LastWriteTime.QuadPart - 116444736000000000LL) * 100;  // from 100 ns ticks since 1601
#else
    struct stat st {};
    if (::stat(dataDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return WrittenNs(st);
#endif
}

// Now, on the clock of FolderWriteTime.
std::int64_t FolderClockNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Trusted(const HorseIndexStamp& stamp, std::int64_t folderNow) {
    return stamp.written == folderNow && stamp.written + kUnsureNs <= stamp.taken;
}

bool SameFolder(const HorseIndexStamp& a, const HorseIndexStamp& b) {
    return a.written == b.written && a.months == b.months;
}

bool ReadMonthFile(const fs::path& path, std::string& out);

// The stamp as recorded, or nothing where there is none whole.
std::optional<HorseIndexStamp> ReadHorseIndexStamp(const fs::path& indexFolder) {
    std::string bytes;
    HorseIndexStamp stamp;
    if (!ReadMonthFile(indexFolder / PathFromText(kHorseIndexStampName), bytes) || !stamp.Parse(bytes))
        return std::nullopt;
    return stamp;
}

bool WriteHorseIndexStamp(const fs::path& indexFolder, const HorseIndexStamp& stamp) {
    std::string error;
    return WriteWholeFile(indexFolder / PathFromText(kHorseIndexStampName), stamp.Serialize(), false, error);
}

void RemoveHorseIndexStamp(const fs::path& indexFolder) {
    std::error_code ec;
    fs::remove(indexFolder / PathFromText(kHorseIndexStampName), ec);
}

// A month rebuilt from `old`'s days that are kept (old index -> new index, or -1) and days
// read again.
HorseIndexMonth Rebuilt(const HorseIndexMonth& old, const std::vector<int>& keep,
                        std::vector<HorseIndexMonth::Day> days, std::vector<HorseIndexMonth::Entry> fresh) {
    HorseIndexMonth month;
    month.days = std::move(days);
    month.entries = std::move(fresh);
    for (const HorseIndexMonth::Entry& e : old.entries) {
        if (e.day >= keep.size() || keep[e.day] < 0) continue;
        HorseIndexMonth::Entry moved = e;
        moved.day = static_cast<std::uint16_t>(keep[e.day]);
        month.entries.push_back(moved);
    }
    month.Sort();
    return month;
}

// Day keys from file names: the names hold ASCII digits and a few kanji, so each character is
// converted once and remembered, instead of the whole name every time.
class KeyConverter {
  public:
    // The cp932 bytes of a UTF-8 name part, or nothing where it has no cp932 spelling.
    std::optional<std::string> operator()(std::string_view utf8) {
        std::string out;
        out.reserve(kDayKeySize);
        for (std::size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            if (lead >= '0' && lead <= '9') {
                out += static_cast<char>(lead);
                ++i;
                continue;
            }
            const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
            if (length == 0 || i + length > utf8.size()) return TryUtf8ToCp932(utf8);  // not UTF-8: as a whole
            const std::string_view ch = utf8.substr(i, length);
            std::uint32_t packed = 0;  // the character's bytes as one number
            for (char c : ch) packed = (packed << 8) | static_cast<unsigned char>(c);
            auto known = known_.find(packed);
            if (known == known_.end()) known = known_.emplace(packed, TryUtf8ToCp932(ch)).first;
            if (!known->second) return std::nullopt;
            out += *known->second;
            i += length;
        }
        return out;
    }

  private:
    std::unordered_map<std::uint32_t, std::optional<std::string>> known_;
};

bool EndsWithNoCase(std::string_view name, std::string_view tail) {
    return name.size() > tail.size() &&
           std::equal(
               tail.begin(), tail.end(), name.end() - static_cast<std::ptrdiff_t>(tail.size()), [](char a, char b) {
                   return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
               });
}

// The days of the folder as the day list finds them (the RA files of an 18-byte day key),
// newest first, each with its SE file's name made from the RA file's own name.
struct ListedDay {
    std::string key;
    std::string seName;  // UTF-8, in the data folder
};

// The data folder held open while the index is brought up to date: its SE files are looked at
// by name within it, not by whole path each time.
class DayFolder {
  public:
    explicit DayFolder(const fs::path& dataDir) : dataDir_(dataDir) {
#ifndef _WIN32
        fd_ = ::open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    }
    ~DayFolder() {
#ifndef _WIN32
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    DayFolder(const DayFolder&) = delete;
    DayFolder& operator=(const DayFolder&) = delete;

    std::vector<ListedDay> Days() const {
        std::vector<ListedDay> days;
        KeyConverter convert;
        const auto take = [&](std::string_view name) {
            if (!EndsWithNoCase(name, kRaExtension)) return;
            const std::string_view stem = name.substr(0, name.size() - kRaExtension.size());
            std::optional<std::string> key = convert(stem);
            if (!key || key->size() != kDayKeySize) return;
            days.push_back({std::move(*key), std::string(stem) + std::string(kSeExtension)});
        };
#ifdef _WIN32
        std::error_code ec;
        for (fs::directory_iterator it(dataDir_, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) take(PathText(it->path().filename()));
#else
        if (fd_ < 0) return days;
        const int listed = ::dup(fd_);
        DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
        if (!dir) {
            if (listed >= 0) ::close(listed);
            return days;
        }
        ::rewinddir(dir);
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (e->d_type == DT_REG) {
                take(name);
            } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                struct stat st {};
                if (EndsWithNoCase(name, kRaExtension) && ::fstatat(fd_, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
                    take(name);
            }
        }
        ::closedir(dir);
#endif
        std::sort(days.begin(), days.end(), [](const ListedDay& a, const ListedDay& b) { return a.key > b.key; });
        days.erase(std::unique(days.begin(), days.end(),
                               [](const ListedDay& a, const ListedDay& b) { return a.key == b.key; }),
                   days.end());
        return days;
    }

    FileStamp Stamp(const ListedDay& day) const {
#ifdef _WIN32
        return StampOf(dataDir_ / PathFromText(day.seName));
#else
        FileStamp stamp;
        struct stat st {};
        if (fd_ < 0) return StampOf(dataDir_ / PathFromText(day.seName));
        if (::fstatat(fd_, day.seName.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return stamp;
        stamp.size = static_cast<std::uint64_t>(st.st_size);
        stamp.written = WrittenNs(st);
        return stamp;
#endif
    }

    fs::path PathOf(const ListedDay& day) const { return dataDir_ / PathFromText(day.seName); }

    // A day of the index, by its key, as the listing would have found it.
    ListedDay DayOf(std::string_view key) const {
        std::optional<std::string> name = TryCp932ToUtf8(key);
        return {std::string(key), name ? *name + std::string(kSeExtension) : std::string()};
    }

  private:
    fs::path dataDir_;
#ifndef _WIN32
    int fd_ = -1;
#endif
};

// A month file read whole into a string of its own.
bool ReadMonthFile(const fs::path& path, std::string& out) {
#ifdef _WIN32
    return ReadWholeFile(path, out);
#else
    // Not blocked by a pipe put in its place, nor made to read more than an index can hold.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargestIndexFile;
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
#endif
}

// A month file as read: absent, or its bytes kept alive by the owner.
struct MonthBytes {
    bool present = false;
    std::string_view bytes;
    std::shared_ptr<const void> owner;
};

MonthBytes OwnMonthFile(const fs::path& path) {
    MonthBytes month;
    auto bytes = std::make_shared<std::string>();
    month.present = ReadMonthFile(path, *bytes);
    month.bytes = *bytes;
    month.owner = std::move(bytes);
    return month;
}

// The month files of the index, read together into one block of memory made whole at once:
// the index of ten years is some 13 MB, and memory taken page by page as it is filled costs
// a fault per page, more than the reading itself.
std::vector<MonthBytes> ReadMonthFiles(const fs::path& folder, const std::vector<std::string>& names) {
    std::vector<MonthBytes> months(names.size());
#ifdef _WIN32
    for (std::size_t i = 0; i < names.size(); ++i) months[i] = OwnMonthFile(folder / names[i]);
#else
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return months;
    std::vector<int> fds(names.size(), -1);
    std::vector<std::size_t> sizes(names.size(), 0);
    std::size_t total = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        fds[i] = ::openat(dir, names[i].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fds[i] >= 0 && ::fstat(fds[i], &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargestIndexFile) {
            sizes[i] = static_cast<std::size_t>(st.st_size);
            total += sizes[i];
        }
    }
    ::close(dir);
    char* block = nullptr;
    std::shared_ptr<const void> owner;
    if (total > 0) {
        int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* p = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, flags, -1, 0);
        if (p != MAP_FAILED) {
            block = static_cast<char*>(p);
            owner = std::shared_ptr<const void>(p, [total](const void* q) { ::munmap(const_cast<void*>(q), total); });
        }
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (fds[i] < 0) continue;
        bool whole = block != nullptr;
        std::size_t got = 0;
        while (whole && got < sizes[i]) {
            const ssize_t n = ::read(fds[i], block + at + got, sizes[i] - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        char more;
        whole = whole && got == sizes[i] && ::read(fds[i], &more, 1) == 0;
        ::close(fds[i]);
        if (whole) {
            months[i] = {true, std::string_view(block + at, sizes[i]), owner};
        } else {
            months[i] = OwnMonthFile(folder / names[i]);  // changed while read: read again alone
        }
        at += sizes[i];
    }
#endif
    return months;
}

// Whether a month's day keys are such as only listing the folder makes: of this month, newest
// first, each once, and each the name of a file in the data folder itself. A month file
// written by anyone else could otherwise send a query to files anywhere.
bool KeysAsListed(const HorseIndexMonth& month, std::string_view name) {
    for (std::size_t i = 0; i < month.days.size(); ++i) {
        const std::string& key = month.days[i].key;
        if (HorseIndexMonthName(key) != name || (i > 0 && !(month.days[i - 1].key > key))) return false;
        const std::optional<std::string> utf8 = TryCp932ToUtf8(key);
        if (!utf8 || utf8->empty() || utf8->find_first_of(std::string_view("/\\:\0", 4)) != std::string::npos)
            return false;
    }
    return true;
}

// A day read again from its SE file (with `stamp` just taken): its entries are added to
// `fresh` as the day at `index`.
HorseIndexMonth::Day TakeDay(const DayFolder& folder, const ListedDay& listed, const FileStamp& stamp,
                             std::size_t index, std::vector<HorseIndexMonth::Entry>& fresh) {
    HorseIndexMonth::Day day{listed.key, stamp, StampClockNow()};
    std::string content;
    if (stamp.size != FileStamp::kNoFile && !listed.seName.empty() && ReadWholeFile(folder.PathOf(listed), content)) {
        if (!(folder.Stamp(listed) == stamp)) day.stamp = kChangedWhileRead;
        for (HorseIndexMonth::Entry e : IndexEntriesOf(listed.key, content)) {
            e.day = static_cast<std::uint16_t>(index);
            fresh.push_back(e);
        }
    } else if (stamp.size != FileStamp::kNoFile) {
        day.stamp = kChangedWhileRead;  // there but unreadable: tried again next time
    }
    return day;
}

}  // namespace

FileStamp StampOf(const fs::path& path) {
    FileStamp stamp;
#ifdef _WIN32
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return stamp;
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec) return stamp;
    stamp.size = size;
    stamp.written = std::chrono::duration_cast<std::chrono::nanoseconds>(written.time_since_epoch()).count();
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.written = WrittenNs(st);
#endif
    return stamp;
}

std::int64_t StampClockNow() {
#ifdef _WIN32
    return std::chrono::duration_cast<std::chrono::nanoseconds>(fs::file_time_type::clock::now().time_since_epoch())
        .count();
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
#endif
}

std::string HorseIndexMonth::Serialize() const {
    std::string out;
    out.reserve(kHeaderSize + days.size() * kDaySize + entries.size() * kEntrySize + kChecksumSize);
    out += kMagic;
    Put(out, kVersion, 4);
    Put(out, days.size(), 4);
    Put(out, entries.size(), 4);
    Put(out, 0, 4);
    for (const Day& d : days) {
        out += d.key;
        Put(out, d.stamp.size, 8);
        Put(out, static_cast<std::uint64_t>(d.stamp.written), 8);
        Put(out, static_cast<std::uint64_t>(d.taken), 8);
    }
    for (const Entry& e : entries) {
        out.append(e.pedigree.data(), e.pedigree.size());
        Put(out, e.day, 2);
        Put(out, e.slot, 1);
    }
    Put(out, Checksum(out), 8);
    return out;
}

bool HorseIndexMonth::Load(std::string bytes) {
    auto owner = std::make_shared<const std::string>(std::move(bytes));
    const std::string_view b = *owner;
    return Load(b, std::move(owner));
}

bool HorseIndexMonth::Load(std::string_view b, std::shared_ptr<const void> owner) {
    days.clear();
    entries.clear();
    raw = {};
    rawOwner.reset();
    rawCount = 0;
    if (b.size() < kHeaderSize + kChecksumSize || b.substr(0, kMagic.size()) != kMagic) return false;
    if (Get(b.data() + 8, 4) != kVersion) return false;
    const std::uint64_t dayCount = Get(b.data() + 12, 4), entryCount = Get(b.data() + 16, 4);
    if (b.size() != kHeaderSize + dayCount * kDaySize + entryCount * kEntrySize + kChecksumSize) return false;
    const std::size_t body = b.size() - kChecksumSize;
    if (Get(b.data() + body, 8) != Checksum(b.substr(0, body))) return false;
    const char* p = b.data() + kHeaderSize;
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        const char* e = p + dayCount * kDaySize + i * kEntrySize;
        if (Get(e + 10, 2) >= dayCount || Get(e + 12, 1) >= kSlots) return false;
    }
    days.resize(dayCount);
    for (Day& d : days) {
        d.key.assign(p, kDayKeySize);
        d.stamp.size = Get(p + kDayKeySize, 8);
        d.stamp.written = static_cast<std::int64_t>(Get(p + kDayKeySize + 8, 8));
        d.taken = static_cast<std::int64_t>(Get(p + kDayKeySize + 16, 8));
        p += kDaySize;
    }
    rawEntries = kHeaderSize + dayCount * kDaySize;
    rawCount = entryCount;
    raw = b;
    rawOwner = std::move(owner);
    return true;
}

void HorseIndexMonth::TakeEntries() {
    entries.resize(rawCount);
    const char* p = raw.data() + rawEntries;
    for (Entry& e : entries) {
        std::memcpy(e.pedigree.data(), p, e.pedigree.size());
        e.day = static_cast<std::uint16_t>(Get(p + 10, 2));
        e.slot = static_cast<std::uint8_t>(Get(p + 12, 1));
        p += kEntrySize;
    }
    raw = {};
    rawOwner.reset();
    rawCount = 0;
}

bool HorseIndexMonth::Parse(std::string_view b) {
    if (!Load(std::string(b))) return false;
    TakeEntries();
    return true;
}

void HorseIndexMonth::Sort() {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = std::memcmp(a.pedigree.data(), b.pedigree.data(), a.pedigree.size());
        if (c != 0) return c < 0;
        return a.day != b.day ? a.day < b.day : a.slot < b.slot;
    });
}

std::string HorseIndexStamp::Serialize() const {
    std::string out(kStampMagic);
    Put(out, kVersion, 4);
    Put(out, months.size(), 4);
    Put(out, static_cast<std::uint64_t>(written), 8);
    Put(out, static_cast<std::uint64_t>(taken), 8);
    for (const auto& [name, sum] : months) {
        std::string padded = name;
        padded.resize(kMonthNameSize, '\0');
        out += padded;
        Put(out, sum, 8);
    }
    Put(out, Checksum(out), 8);
    return out;
}

bool HorseIndexStamp::Parse(std::string_view b) {
    months.clear();
    constexpr std::size_t kHead = 8 + 4 + 4 + 8 + 8;
    if (b.size() < kHead + kChecksumSize || b.substr(0, kStampMagic.size()) != kStampMagic) return false;
    if (Get(b.data() + 8, 4) != kVersion) return false;
    const std::uint64_t count = Get(b.data() + 12, 4);
    if (b.size() != kHead + count * (kMonthNameSize + 8) + kChecksumSize) return false;
    if (TailChecksum(b) != Checksum(b.substr(0, b.size() - kChecksumSize))) return false;
    written = static_cast<std::int64_t>(Get(b.data() + 16, 8));
    taken = static_cast<std::int64_t>(Get(b.data() + 24, 8));
    for (std::uint64_t i = 0; i < count; ++i) {
        const char* p = b.data() + kHead + i * (kMonthNameSize + 8);
        const std::string_view padded(p, kMonthNameSize);
        std::string name(padded.substr(0, padded.find('\0')));
        // Only names a month file can have: nothing outside the index folder is opened.
        if (name != kOtherMonth &&
            (name.size() != 10 || !IsDigits(name.substr(0, 6)) || !name.ends_with(kMonthExtension)))
            return false;
        months[std::move(name)] = Get(p + kMonthNameSize, 8);
    }
    return true;
}

std::string HorseIndexMonthName(std::string_view dayKey) {
    if (dayKey.size() == kDayKeySize && IsDigits(dayKey.substr(0, 4)) && IsDigits(dayKey.substr(6, 2)))
        return std::string(dayKey.substr(0, 4)) + std::string(dayKey.substr(6, 2)) + std::string(kMonthExtension);
    return "other" + std::string(kMonthExtension);
}

fs::path HorseIndexFolder(const fs::path& dataDir) { return dataDir / PathFromText(kHorseIndexFolderName); }

std::vector<HorseIndexMonth::Entry> IndexEntriesOf(std::string_view dayKey, std::string_view content) {
    std::vector<HorseIndexMonth::Entry> out;
    if (!IsWholeRaceFile(content, kSeRecordSize)) return out;
    const std::string date = DateOfKey(dayKey);
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const std::string_view line = content.substr(slot * kSeRecordSize, kSeRecordSize);
        const std::string_view pedigree = FieldOf(line, se::Pedigree);
        if (pedigree.find_first_not_of(' ') == std::string_view::npos || !HasResult(line)) continue;
        // Runs are looked up by their day's date: a line of another date is not where its
        // run would be looked for, and filing never puts one there.
        if (FieldOf(line, {12, 8}) != date) continue;
        HorseIndexMonth::Entry e;
        std::memcpy(e.pedigree.data(), pedigree.data(), e.pedigree.size());
        e.slot = static_cast<std::uint8_t>(slot);
        out.push_back(e);
    }
    return out;
}

void KeepHorseIndex(const fs::path& dataDir, const std::vector<WrittenDay>& written) {
    // The months this process wrote last are kept, so that filing week after week does not
    // read back what it has just written. Should another have written a month since, what is
    // written over it is still true to its days' stamps: days changed meanwhile are read again.
    static std::mutex mutex;
    static std::map<std::string, HorseIndexMonth> written_;
    static std::set<std::string> swept;
    std::lock_guard<std::mutex> guard(mutex);
    std::map<std::string, HorseIndexMonth> keepForNext;
    try {
        std::map<std::string, std::vector<const WrittenDay*>> byMonth;
        for (const WrittenDay& d : written) byMonth[HorseIndexMonthName(d.key)].push_back(&d);
        const fs::path folder = HorseIndexFolder(dataDir);
        // The folder has changed, and the months are about to: the stamp would vouch for
        // neither. Removed first, so that no stamp outlives the months it records.
        RemoveHorseIndexStamp(folder);
        for (const auto& [name, days] : byMonth) {
            const std::string cacheKey = PathText(folder / name);
            HorseIndexMonth old;
            std::string bytes;
            auto hit = written_.find(cacheKey);
            if (hit != written_.end())
                old = std::move(hit->second);
            else if (!ReadWholeFile(folder / name, bytes) || !old.Parse(bytes))
                old = {};  // a damaged month starts again empty: the next reader reads its days again
            std::set<std::string> replaced;
            for (const WrittenDay* d : days) replaced.insert(d->key);

            std::vector<HorseIndexMonth::Day> kept;
            std::vector<int> keep(old.days.size(), -1);
            for (std::size_t i = 0; i < old.days.size(); ++i) {
                if (replaced.count(old.days[i].key)) continue;
                keep[i] = static_cast<int>(kept.size());
                kept.push_back(old.days[i]);
            }
            std::vector<HorseIndexMonth::Entry> fresh;
            const std::int64_t now = StampClockNow();
            std::vector<HorseIndexMonth::Day> all = kept;
            for (const std::string& key : replaced) {
                HorseIndexMonth::Day day{key, StampOf(RaceFilePath(dataDir, key + std::string(kSeExtension))), now};
                all.push_back(day);
            }
            // Newest first, and every entry pointing at its day's new place.
            std::vector<std::size_t> order(all.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::sort(order.begin(), order.end(),
                      [&](std::size_t a, std::size_t b) { return all[a].key > all[b].key; });
            std::vector<int> place(all.size());
            std::vector<HorseIndexMonth::Day> sorted;
            for (std::size_t i = 0; i < order.size(); ++i) {
                place[order[i]] = static_cast<int>(i);
                sorted.push_back(all[order[i]]);
            }
            for (int& k : keep)
                if (k >= 0) k = place[static_cast<std::size_t>(k)];
            for (const WrittenDay* d : days) {
                auto at = std::find_if(sorted.begin(), sorted.end(),
                                       [&](const HorseIndexMonth::Day& s) { return s.key == d->key; });
                const auto index = static_cast<std::uint16_t>(at - sorted.begin());
                for (HorseIndexMonth::Entry e : IndexEntriesOf(d->key, d->seContent)) {
                    e.day = index;
                    fresh.push_back(e);
                }
            }
            HorseIndexMonth month = Rebuilt(old, keep, std::move(sorted), std::move(fresh));
            if (WriteMonth(folder, name, month, true)) keepForNext.emplace(cacheKey, std::move(month));
        }
        // What a filer killed while writing left, once per folder and process.
        if (swept.insert(PathText(folder)).second) RemoveStaleTemporaries(folder);
    } catch (const std::exception&) {
        // The index is only a help: what was not written is read again from the files.
    }
    written_ = std::move(keepForNext);
}

namespace {

// Reads under the shared lock, so that no filer changes files or index meanwhile. A lock not
// had soon (a folder no one may write into, or a filer busy for long) leaves the index as it
// is: the runs are then taken from the files as they are.
bool LockShared(DataFolderLock& lock) {
    std::string lockError;
    const auto start = std::chrono::steady_clock::now();
    return lock.Lock(
               DataFolderLock::Mode::Shared,
               [start] { return std::chrono::steady_clock::now() - start < std::chrono::seconds(1); },
               lockError) == DataFolderLock::Result::Locked;
}

}  // namespace

void HorseRunIndex::Build(const fs::path& dataDir) {
    dataDir_ = dataDir;
    DataFolderLock lock(dataDir);
    FullCheck(LockShared(lock));
}

void HorseRunIndex::BuildFor(const fs::path& dataDir, const std::vector<std::string>& pedigrees,
                             std::string_view raceDate, std::size_t limit) {
    dataDir_ = dataDir;
    DataFolderLock lock(dataDir);
    const bool locked = LockShared(lock);
    if (!QuickCheck(locked, pedigrees, raceDate, limit)) FullCheck(locked);
}

void HorseRunIndex::FullCheck(bool locked) {
    months_.clear();
    refreshed_ = {};
    refreshed_.listed = true;
    const fs::path folder = HorseIndexFolder(dataDir_);
    if (locked) {
        std::error_code ec;
        fs::create_directories(folder, ec);
    }
    // The folder's time before it is listed: it is recorded only if it is the same after
    // every month file has been looked at.
    // What it is recorded to have seen is taken before the folder is listed: a file added
    // within the same tick of the folder's clock after that is not vouched for.
    const std::int64_t listedAt = FolderClockNow();
    const std::optional<std::int64_t> folderBefore = FolderWriteTime(dataDir_);
    // While there is a stamp, a month file that is not the one it records (put back from
    // elsewhere, or written by another program) is not trusted, however whole it is.
    const std::optional<HorseIndexStamp> before = ReadHorseIndexStamp(folder);
    HorseIndexStamp recorded;
    bool whole = locked;  // every month file on disk as this check leaves it in memory

    const DayFolder dayFolder(dataDir_);
    std::map<std::string, std::vector<ListedDay>, std::greater<>> byMonth;
    for (ListedDay& day : dayFolder.Days()) byMonth[HorseIndexMonthName(day.key)].push_back(std::move(day));
    std::vector<std::string> names;
    for (const auto& entry : byMonth) names.push_back(entry.first);
    std::vector<MonthBytes> monthBytes = ReadMonthFiles(folder, names);
    std::size_t monthAt = 0;
    for (auto& [name, keys] : byMonth) {
        refreshed_.days += keys.size();
        HorseIndexMonth old;
        MonthBytes& read = monthBytes[monthAt++];
        const bool present = read.present;
        const std::uint64_t sum = TailChecksum(read.bytes);
        bool recordedAs = true;
        if (before) {
            const auto record = before->months.find(name);
            recordedAs = record != before->months.end() && record->second == sum;
        }
        const bool valid = present && recordedAs && old.Load(read.bytes, std::move(read.owner));
        if (present && !valid) ++refreshed_.monthsDamaged;

        // The month's days by key, newest first (as written), so that the listed days, newest
        // first as well, find theirs in one walk.
        std::vector<std::size_t> byKey(old.days.size());
        for (std::size_t i = 0; i < byKey.size(); ++i) byKey[i] = i;
        const auto newer = [&](std::size_t a, std::size_t b) { return old.days[a].key > old.days[b].key; };
        if (!std::is_sorted(byKey.begin(), byKey.end(), newer)) std::stable_sort(byKey.begin(), byKey.end(), newer);
        std::size_t at = 0;
        std::vector<int> keep(old.days.size(), -1);
        std::vector<HorseIndexMonth::Day> days;
        std::vector<HorseIndexMonth::Entry> fresh;
        bool changed = !valid || old.days.size() != keys.size();
        for (const ListedDay& listed : keys) {
            const std::string& key = listed.key;
            const FileStamp stamp = dayFolder.Stamp(listed);
            while (at < byKey.size() && old.days[byKey[at]].key > key) ++at;
            if (at < byKey.size() && old.days[byKey[at]].key == key && Trusted(old.days[byKey[at]], stamp)) {
                keep[byKey[at]] = static_cast<int>(days.size());
                days.push_back(old.days[byKey[at]]);
                continue;
            }
            changed = true;
            ++refreshed_.daysRead;
            days.push_back(TakeDay(dayFolder, listed, stamp, days.size(), fresh));
        }
        if (!changed) {
            recorded.months[name] = sum;
            months_.push_back(std::move(old));
            continue;
        }
        old.TakeEntries();
        months_.push_back(Rebuilt(old, keep, std::move(days), std::move(fresh)));
        const std::optional<std::uint64_t> written = locked ? WriteMonth(folder, name, months_.back()) : std::nullopt;
        if (written) {
            ++refreshed_.monthsWritten;
            recorded.months[name] = *written;
        } else {
            whole = false;
        }
    }

    // Month files of days no longer in the folder, and what a killed writer left.
    if (locked) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = PathText(it->path().filename());
            if (name.size() > kMonthExtension.size() && name.ends_with(kMonthExtension) && !byMonth.count(name)) {
                std::error_code removeError;
                fs::remove(it->path(), removeError);
            }
        }
        if (refreshed_.monthsWritten > 0) RemoveStaleTemporaries(folder);
    }

    // Nothing added, removed or renamed in the folder while it was looked at: later queries
    // may take the month files' days for the folder's days while its time stays the same.
    if (!whole || !folderBefore || FolderWriteTime(dataDir_) != folderBefore) {
        if (locked && before) RemoveHorseIndexStamp(folder);  // its record of the months is out of date
        return;
    }
    recorded.written = *folderBefore;
    recorded.taken = listedAt;
    if (before && SameFolder(*before, recorded) && Trusted(*before, recorded.written)) return;
    WriteHorseIndexStamp(folder, recorded);
}

bool HorseRunIndex::QuickCheck(bool locked, const std::vector<std::string>& pedigrees, std::string_view raceDate,
                               std::size_t limit) {
    months_.clear();
    refreshed_ = {};
    if (raceDate.size() != 8 || !IsDigits(raceDate)) return false;
    const fs::path folder = HorseIndexFolder(dataDir_);
    std::optional<HorseIndexStamp> stamp = ReadHorseIndexStamp(folder);
    const std::optional<std::int64_t> folderNow = FolderWriteTime(dataDir_);
    if (!stamp || !folderNow || !Trusted(*stamp, *folderNow)) return false;

    // Each horse's runs before the race counted month by month, newest first, until it has
    // `limit` of them or the months are older than it can have run in: registration numbers
    // begin with the year of foaling, and no horse races before the year it turns two.
    struct Wanted {
        std::string_view pedigree;
        std::string firstMonth;  // yyyymm, or empty where the number tells no year
        std::size_t runs = 0;
    };
    std::vector<Wanted> horses;
    const int raceYear = std::stoi(std::string(raceDate.substr(0, 4)));
    for (const std::string& p : pedigrees) {
        if (p.size() != 10) continue;
        Wanted w{p, {}, 0};
        if (IsDigits(p.substr(0, 4))) {
            const int foaled = std::stoi(p.substr(0, 4));
            if (foaled >= 1900 && foaled <= raceYear) w.firstMonth = std::to_string(foaled + 2) + "01";
        }
        horses.push_back(std::move(w));
    }
    const std::string raceMonth(raceDate.substr(0, 6));
    const DayFolder dayFolder(dataDir_);
    bool stampChanged = false;
    std::string bytes;
    // Newest first; "other.idx" sorts before every month, so it is never left out.
    for (auto& [name, sum] : stamp->months) {
        const bool other = name == kOtherMonth;  // days whose keys start with no date
        const std::string_view month = std::string_view(name).substr(0, 6);
        if (!other) {
            if (month > raceMonth) continue;
            const bool needed = std::any_of(horses.begin(), horses.end(), [&](const Wanted& w) {
                return w.runs < limit && (w.firstMonth.empty() || month >= w.firstMonth);
            });
            if (!needed) break;  // nor is any older month
        }
        HorseIndexMonth m;
        if (!ReadMonthFile(folder / name, bytes) || TailChecksum(bytes) != sum || !m.Load(std::move(bytes)) ||
            !KeysAsListed(m, name))
            return false;

        // The days before the race looked at, and read again where their file has changed.
        std::vector<int> keep(m.days.size(), -1);
        std::vector<HorseIndexMonth::Entry> fresh;
        std::vector<bool> before(m.days.size(), other);
        bool changed = false;
        for (std::size_t i = 0; i < m.days.size(); ++i) {
            keep[i] = static_cast<int>(i);
            if (!other && !(DateOfKey(m.days[i].key) < raceDate)) continue;
            before[i] = true;
            ++refreshed_.days;
            const ListedDay listed = dayFolder.DayOf(m.days[i].key);
            const FileStamp now = dayFolder.Stamp(listed);
            if (Trusted(m.days[i], now)) continue;
            // A day's file gone while the folder's time stayed: the time does not tell the truth.
            if (now.size == FileStamp::kNoFile && m.days[i].stamp.size != FileStamp::kNoFile) return false;
            ++refreshed_.daysRead;
            changed = true;
            keep[i] = -1;
            m.days[i] = TakeDay(dayFolder, listed, now, i, fresh);
        }
        if (changed) {
            std::vector<HorseIndexMonth::Day> days = m.days;
            m.TakeEntries();
            m = Rebuilt(m, keep, std::move(days), std::move(fresh));
            if (const std::optional<std::uint64_t> written = locked ? WriteMonth(folder, name, m) : std::nullopt) {
                ++refreshed_.monthsWritten;
                sum = *written;
                stampChanged = true;
            }
        }
        // Runs of days with no date are never among a race's recent runs: not counted.
        if (!other)
            for (Wanted& w : horses)
                m.ForEachOf(w.pedigree, [&](std::size_t day, int) { w.runs += before[day] ? 1 : 0; });
        months_.push_back(std::move(m));
    }
    if (stampChanged) WriteHorseIndexStamp(folder, *stamp);
    return true;
}

std::vector<HorseRunIndex::Place> HorseRunIndex::PlacesOf(std::string_view pedigree) const {
    std::vector<Place> places;
    if (pedigree.size() != 10) return places;
    for (const HorseIndexMonth& m : months_)
        m.ForEachOf(pedigree, [&](std::size_t day, int slot) { places.push_back({m.days[day].key, slot}); });
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.day != b.day ? a.day > b.day : a.slot < b.slot; });
    return places;
}

namespace {

bool ReadRun(const fs::path& dataDir, const HorseRunIndex::Place& p, PastRun& run) {
    try {
        UnitFile ra(RaceFilePath(dataDir, p.day + std::string(kRaExtension)), kRaRecordSize);
        UnitFile se(RaceFilePath(dataDir, p.day + std::string(kSeExtension)), kSeRecordSize);
        se.Read(static_cast<std::size_t>(p.slot), run.se);
        ra.Read(static_cast<std::size_t>(p.slot / kRunnersPerRace), run.ra);
        return true;
    } catch (const FilingError&) {
        return false;  // a day gone or damaged since: its runs are not shown
    }
}

}  // namespace

std::vector<PastRun> HorseRunIndex::RunsOf(std::string_view pedigree) const {
    std::vector<PastRun> runs;
    for (const Place& p : PlacesOf(pedigree)) {
        PastRun run;
        if (ReadRun(dataDir_, p, run)) runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<PastRun> HorseRunIndex::RecentRuns(std::string_view pedigree, std::string_view raceDate,
                                               std::size_t limit) const {
    std::vector<PastRun> runs;
    std::size_t counted = 0;
    std::string lastDate;
    for (const Place& p : PlacesOf(pedigree)) {
        const std::string date = DateOfKey(p.day);
        if (!(std::string_view(date) < raceDate)) continue;
        // Places come newest day first: once enough runs are taken, only runs of the same
        // day as the last could still sort before them.
        if (counted >= limit && date != lastDate) break;
        PastRun run;
        if (!ReadRun(dataDir_, p, run)) continue;
        if (FieldOf(run.se, se::Pedigree) == pedigree && FieldOf(run.se, {12, 8}) < raceDate && HasResult(run.se))
            ++counted;
        lastDate = date;
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace turfpad
