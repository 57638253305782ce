#include "formguide/HorseRunIndex.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>

#include "datafolder/AtomicFile.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"
#include "platform/WholeFile.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// A stamp that matches no file: the file changed while it was read.
constexpr FileStamp kChangedWhileRead{FileStamp::kNoFile, -1};

bool Trusted(const HorseIndexMonth::Day& day, const FileStamp& now) {
    return day.stamp == now && day.stamp.written + kUnsureNs <= day.taken;
}

// The data folder held open while the index is brought up to date: its days as the day list
// finds them, newest first, each with its SE file's name made from the RA file's own name,
// and their SE files looked at by name within it.
class DayFolder {
  public:
    struct Day {
        std::string key;
        std::string seName;  // UTF-8, in the data folder
    };

    explicit DayFolder(const fs::path& dataDir) : folder_(dataDir) {}

    std::vector<Day> Days() const {
        std::vector<Day> days;
        for (ListedDay& listed : ListDays(folder_))
            days.push_back({std::move(listed.key), std::move(listed.stem) + std::string(kSeExtension)});
        std::sort(days.begin(), days.end(), [](const Day& a, const Day& b) { return a.key > b.key; });
        days.erase(std::unique(days.begin(), days.end(), [](const Day& a, const Day& b) { return a.key == b.key; }),
                   days.end());
        return days;
    }

    // The day keys alone, newest first, each once: what a query compares with the index.
    std::vector<std::string> Keys() const {
        std::vector<ListedDay> listed = ListDays(folder_);
        std::vector<std::string> keys;
        keys.reserve(listed.size());
        for (ListedDay& day : listed) keys.push_back(std::move(day.key));
        std::sort(keys.begin(), keys.end(), std::greater<>());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        return keys;
    }

    FileStamp Stamp(const Day& day) const { return folder_.Stamp(day.seName); }

    fs::path PathOf(const Day& day) const { return folder_.Path() / PathFromText(day.seName); }

    // A day of the index, by its key, as the listing would have found it.
    Day DayOf(std::string_view key) const {
        std::optional<std::string> name = TryCp932ToUtf8(key);
        return {std::string(key), name ? *name + std::string(kSeExtension) : std::string()};
    }

  private:
    OpenFolder folder_;
};

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
HorseIndexMonth::Day TakeDay(const DayFolder& folder, const DayFolder::Day& listed, const FileStamp& stamp,
                             std::size_t index, std::vector<HorseIndexMonth::Entry>& fresh) {
    HorseIndexMonth::Day day{listed.key, stamp, StampClockNow()};
    std::string content;
    // An SE file larger than a day's is damaged: it is not read into memory, however large.
    if (stamp.size != FileStamp::kNoFile && !listed.seName.empty() &&
        ReadSmallFile(folder.PathOf(listed), static_cast<std::int64_t>(kSeFileSize), content)) {
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

void HorseRunIndex::Build(const fs::path& dataDir, Lock held) {
    dataDir_ = dataDir;
    DataFolderLock lock(dataDir);
    const bool locked = held == Lock::Held || (held == Lock::TakeIt && LockShared(lock));
    FullCheck(locked, HorseIndexFolderIsOwn(dataDir));
}

void HorseRunIndex::BuildFor(const fs::path& dataDir, const std::vector<std::string>& pedigrees,
                             std::string_view raceDate, std::size_t limit, Lock held) {
    dataDir_ = dataDir;
    DataFolderLock lock(dataDir);
    const bool locked = held == Lock::Held || (held == Lock::TakeIt && LockShared(lock));
    const bool own = HorseIndexFolderIsOwn(dataDir);
    if (!own || !QuickCheck(locked, pedigrees, raceDate, limit)) FullCheck(locked, own);
}

void HorseRunIndex::FullCheck(bool mayWrite, bool useFolder) {
    const bool locked = mayWrite && useFolder;
    months_.clear();
    refreshed_ = {};
    refreshed_.listed = true;
    const fs::path folder = HorseIndexFolder(dataDir_);
    if (locked) {
        std::error_code ec;
        fs::create_directories(folder, ec);
    }
    // While there is a stamp, a month file that is not the one it records (put back from
    // elsewhere, or written by another program) is not trusted, however whole it is.
    const std::optional<HorseIndexStamp> before = useFolder ? ReadHorseIndexStamp(folder) : std::nullopt;
    HorseIndexStamp recorded;
    bool whole = locked;  // every month file on disk as this check leaves it in memory

    const DayFolder dayFolder(dataDir_);
    std::map<std::string, std::vector<DayFolder::Day>, std::greater<>> byMonth;
    for (DayFolder::Day& day : dayFolder.Days()) byMonth[HorseIndexMonthName(day.key)].push_back(std::move(day));
    std::vector<std::string> names;
    for (const auto& entry : byMonth) names.push_back(entry.first);
    std::vector<SharedBytes> monthBytes =
        useFolder ? ReadMonthFiles(folder, names) : std::vector<SharedBytes>(names.size());
    std::size_t monthAt = 0;
    for (auto& [name, keys] : byMonth) {
        refreshed_.days += keys.size();
        HorseIndexMonth old;
        SharedBytes& read = monthBytes[monthAt++];
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
        for (const DayFolder::Day& listed : keys) {
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

    // Every month as this check leaves it: later queries take the month files' days for the
    // folder's days while the listing agrees with them. The stamp's time is left at zero, so
    // that a version that trusted the folder's time never takes this stamp for proof.
    if (!whole) {
        if (locked && before) RemoveHorseIndexStamp(folder);  // its record of the months is out of date
        return;
    }
    if (before && before->months == recorded.months && before->written == 0) return;
    WriteHorseIndexStamp(folder, recorded);
}

bool HorseRunIndex::QuickCheck(bool locked, const std::vector<std::string>& pedigrees, std::string_view raceDate,
                               std::size_t limit) {
    months_.clear();
    refreshed_ = {};
    if (raceDate.size() != 8 || !AllDigits(raceDate)) return false;
    const fs::path folder = HorseIndexFolder(dataDir_);
    std::optional<HorseIndexStamp> stamp = ReadHorseIndexStamp(folder);
    if (!stamp) return false;

    // The days of the folder as listed now, by month: a month whose days are not those of its
    // month file when the query comes to it, or a month the stamp does not know, sends the
    // query to the full check. The folder's own time is not trusted for this: copying tools
    // put it back after adding days.
    const DayFolder dayFolder(dataDir_);
    const std::vector<std::string> keys = dayFolder.Keys();
    std::map<std::string, std::vector<std::string_view>, std::greater<>> listedKeys;
    std::vector<std::string_view>* month = nullptr;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // Keys of one month share their first 8 bytes (yyyy年mm); only a new month is named.
        if (!month || keys[i].compare(0, 8, keys[i - 1], 0, 8) != 0) month = &listedKeys[HorseIndexMonthName(keys[i])];
        month->push_back(keys[i]);
    }
    if (listedKeys.size() != stamp->months.size() ||
        !std::equal(listedKeys.begin(), listedKeys.end(), stamp->months.begin(),
                    [](const auto& listed, const auto& recorded) { return listed.first == recorded.first; }))
        return false;

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
        if (AllDigits(p.substr(0, 4))) {
            const int foaled = std::stoi(p.substr(0, 4));
            if (foaled >= 1900 && foaled <= raceYear) w.firstMonth = std::to_string(foaled + 2) + "01";
        }
        horses.push_back(std::move(w));
    }
    const std::string raceMonth(raceDate.substr(0, 6));
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
        const std::vector<std::string_view>& listed = listedKeys[name];
        if (!std::equal(m.days.begin(), m.days.end(), listed.begin(), listed.end(),
                        [](const HorseIndexMonth::Day& day, std::string_view key) { return day.key == key; }))
            return false;  // days added or removed since the last full check

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
            const DayFolder::Day listed = dayFolder.DayOf(m.days[i].key);
            const FileStamp now = dayFolder.Stamp(listed);
            if (Trusted(m.days[i], now)) continue;
            // A day's SE file gone while its RA file stays: looked at whole.
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

struct RunReader::HeldDay {
    std::string day;
    std::string ra, se;  // the whole files; both empty when the day could not be read
};

RunReader::RunReader(fs::path dataDir) : dataDir_(std::move(dataDir)) {}

RunReader::~RunReader() = default;

bool RunReader::Read(const std::string& day, int slot, PastRun& run) {
    auto found = std::find_if(held_.begin(), held_.end(), [&](const auto& d) { return d->day == day; });
    std::unique_ptr<HeldDay> held;
    if (found != held_.end()) {
        held = std::move(*found);
        held_.erase(found);
    } else {
        if (held_.size() >= kHeldDays) held_.erase(held_.begin());
        held = std::make_unique<HeldDay>();
        held->day = day;
        // A day gone or damaged since: its runs are not shown.
        if (!ReadWholeFile(RaceFilePath(dataDir_, day + std::string(kRaExtension)), held->ra) ||
            !ReadWholeFile(RaceFilePath(dataDir_, day + std::string(kSeExtension)), held->se)) {
            held->ra.clear();
            held->se.clear();
        }
    }
    const std::size_t race = static_cast<std::size_t>(slot / kRunnersPerRace), runner = static_cast<std::size_t>(slot);
    const bool whole =
        slot >= 0 && (runner + 1) * kSeRecordSize <= held->se.size() && (race + 1) * kRaRecordSize <= held->ra.size();
    if (whole) {
        run.se.assign(held->se, runner * kSeRecordSize, kSeRecordSize);
        run.ra.assign(held->ra, race * kRaRecordSize, kRaRecordSize);
    }
    held_.push_back(std::move(held));
    return whole;
}

std::vector<PastRun> HorseRunIndex::RunsOf(std::string_view pedigree) const {
    std::vector<PastRun> runs;
    RunReader reader(dataDir_);
    for (const Place& p : PlacesOf(pedigree)) {
        PastRun run;
        if (reader.Read(p.day, p.slot, run)) runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<PastRun> HorseRunIndex::RecentRuns(std::string_view pedigree, std::string_view raceDate,
                                               std::size_t limit) const {
    RunReader reader(dataDir_);
    return RecentRuns(pedigree, raceDate, limit, reader);
}

std::vector<PastRun> HorseRunIndex::RecentRuns(std::string_view pedigree, std::string_view raceDate, std::size_t limit,
                                               RunReader& reader) const {
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
        if (!reader.Read(p.day, p.slot, run)) continue;
        if (FieldOf(run.se, se::Pedigree) == pedigree && FieldOf(run.se, se::Date) < raceDate && HasResult(run.se))
            ++counted;
        lastDate = date;
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace turfpad
