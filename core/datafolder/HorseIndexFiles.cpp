#include "datafolder/HorseIndexFiles.h"

#include <cstring>

#include "datafolder/AtomicFile.h"
#include "datafolder/DayFiles.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/AsciiText.h"
#include "text/PathText.h"

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
constexpr std::size_t kSlots = static_cast<std::size_t>(kRacesPerDay) * kRunnersPerRace;

// The index folder's record of the data folder's last write time at the last full check, and
// of the month files that check left.
constexpr std::string_view kStampMagic = "TPFOLDER";
constexpr std::size_t kMonthNameSize = 16;  // "202612.idx", padded with NULs

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

}  // namespace

// yyyymmdd of a day key (2026年12月12日中山).
std::string DateOfKey(std::string_view key) {
    if (key.size() < 12) return {};
    return std::string(key.substr(0, 4)) + std::string(key.substr(6, 2)) + std::string(key.substr(10, 2));
}

// The checksum a month or stamp file ends with.
std::uint64_t TailChecksum(std::string_view bytes) {
    return bytes.size() < kChecksumSize ? 0 : Get(bytes.data() + bytes.size() - kChecksumSize, kChecksumSize);
}

std::optional<std::uint64_t> WriteMonth(const fs::path& folder, const std::string& name, const HorseIndexMonth& month,
                                        bool inPlace) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string bytes = month.Serialize();
    if (inPlace && OverwriteInPlace(folder / name, bytes)) return TailChecksum(bytes);
    std::string error;
    if (!WriteWholeFile(folder / name, bytes, false, error)) return std::nullopt;
    return TailChecksum(bytes);
}

bool ReadMonthFile(const fs::path& path, std::string& out) { return ReadSmallFile(path, kLargestIndexFile, out); }

std::vector<SharedBytes> ReadMonthFiles(const fs::path& folder, const std::vector<std::string>& names) {
    return ReadFilesTogether(folder, names, kLargestIndexFile);
}

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
            (name.size() != 10 || !AllDigits(name.substr(0, 6)) || !name.ends_with(kMonthExtension)))
            return false;
        months[std::move(name)] = Get(p + kMonthNameSize, 8);
    }
    return true;
}

std::string HorseIndexMonthName(std::string_view dayKey) {
    if (dayKey.size() == kDayKeySize && AllDigits(dayKey.substr(0, 4)) && AllDigits(dayKey.substr(6, 2)))
        return std::string(dayKey.substr(0, 4)) + std::string(dayKey.substr(6, 2)) + std::string(kMonthExtension);
    return "other" + std::string(kMonthExtension);
}

fs::path HorseIndexFolder(const fs::path& dataDir) { return dataDir / PathFromText(kHorseIndexFolderName); }

bool HorseIndexFolderIsOwn(const fs::path& dataDir) {
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(HorseIndexFolder(dataDir), ec).type();
    return type == fs::file_type::not_found || type == fs::file_type::directory;
}

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
        if (FieldOf(line, se::Date) != date) continue;
        HorseIndexMonth::Entry e;
        std::memcpy(e.pedigree.data(), pedigree.data(), e.pedigree.size());
        e.slot = static_cast<std::uint8_t>(slot);
        out.push_back(e);
    }
    return out;
}

}  // namespace turfpad
