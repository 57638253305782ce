#include "datafolder/HorseIndexUpkeep.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "datafolder/AtomicFile.h"
#include "datafolder/DayFiles.h"
#include "datafolder/HorseIndexFiles.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// What the filers of this process remember between filings: the months they wrote last, so
// that filing week after week does not read back what it has just written (should another
// have written a month since, what is written over it is still true to its days' stamps: days
// changed meanwhile are read again), and the index folders already swept of what a killed
// filer left.
struct WrittenMonths {
    std::mutex mutex;
    std::map<std::string, HorseIndexMonth> months;  // by the month file's path
    std::set<std::string> swept;                    // index folders
};

WrittenMonths& ProcessWrittenMonths() {
    static WrittenMonths cache;
    return cache;
}

}  // namespace

void UpdateHorseIndex(const fs::path& dataDir, const std::vector<WrittenDay>& written) {
    if (!HorseIndexFolderIsOwn(dataDir)) return;
    WrittenMonths& cache = ProcessWrittenMonths();
    std::lock_guard<std::mutex> guard(cache.mutex);
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
            auto hit = cache.months.find(cacheKey);
            if (hit != cache.months.end())
                old = std::move(hit->second);
            else if (!ReadMonthFile(folder / name, bytes) || !old.Parse(bytes))
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
        if (cache.swept.insert(PathText(folder)).second) RemoveStaleTemporaries(folder);
    } catch (const std::exception&) {
        // The index is only a help: what was not written is read again from the files.
    }
    cache.months = std::move(keepForNext);
}

}  // namespace turfpad
