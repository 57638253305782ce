#include "datafolder/RaceFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <utility>

#include "datafolder/AtomicFile.h"
#include "datafolder/HorseIndexUpkeep.h"
#include "records/CodeTables.h"
#include "records/RaceDayLayout.h"
#include "records/RecordLayout.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"
#include "text/PathText.h"
#include "text/SystemErrors.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

std::string Quote(std::string_view cp932Name) { return "「" + Cp932ToUtf8(cp932Name) + "」"; }

// A race or horse number that picks a slot: two digits, or blanks where it is not given
// yet. Anything else ("1" and a stray byte, a sign) would be a guess at the slot.
bool IsSlotNumber(std::string_view field) { return AllDigits(field) || field.find_first_not_of(' ') == field.npos; }

}  // namespace

// The files of a day and the record types filed into them: each file is made of sections of
// slots, a section per record type (`firstSlot` counts the slots of the sections before it).
// SE is the only type with a slot per runner; the odds and payouts file holds two types.
struct FileSection {
    std::string_view type;
    std::size_t recordSize, slots, offset, firstSlot;
    std::string_view formerExtension;  // where earlier versions filed it alone ("" for none)
};
struct FileShape {
    std::string_view extension;
    std::size_t size;
    std::span<const FileSection> sections;
    std::size_t Slots() const { return sections.back().firstSlot + sections.back().slots; }
};
namespace {

constexpr std::size_t kRaces = kRacesPerDay;
constexpr FileSection kRaSections[] = {{"RA", kRaRecordSize, kRaces, 0, 0, {}}};
constexpr FileSection kSeSections[] = {{"SE", kSeRecordSize, kRaces* kRunnersPerRace, 0, 0, {}}};
constexpr FileSection kOddsAndPayoutsSections[] = {
    {"O1", kO1RecordSize, kRaces, 0, 0, kO1Extension},
    {"HR", kHrRecordSize, kRaces, kO1FileSize, kRaces, kHrExtension},
};
constexpr FileSection kWhSections[] = {{"WH", kWhRecordSize, kRaces, 0, 0, {}}};
constexpr FileShape kShapes[] = {
    {kRaExtension, kRaFileSize, kRaSections},
    {kSeExtension, kSeFileSize, kSeSections},
    {kOddsAndPayoutsExtension, kOddsAndPayoutsFileSize, kOddsAndPayoutsSections},
    {kWhExtension, kWhFileSize, kWhSections},
};

// Every shape's sections follow each other and fill it.
constexpr bool IsLaidOut(const FileShape& shape) {
    std::size_t offset = 0, slots = 0;
    for (const FileSection& s : shape.sections) {
        if (s.offset != offset || s.firstSlot != slots) return false;
        offset += s.slots * s.recordSize;
        slots += s.slots;
    }
    return offset == shape.size;
}
static_assert(std::all_of(std::begin(kShapes), std::end(kShapes), IsLaidOut));

struct FiledType {
    const FileShape* shape = nullptr;
    const FileSection* section = nullptr;
};

FiledType TypeOfRecord(std::string_view type) {
    for (const FileShape& shape : kShapes)
        for (const FileSection& section : shape.sections)
            if (section.type == type) return {&shape, &section};
    return {};
}

const FileShape& ShapeOfFile(std::string_view name) {
    for (const FileShape& shape : kShapes)
        if (name.ends_with(shape.extension)) return shape;
    return kShapes[0];
}

bool IsWholeFileOf(const FileShape& shape, std::string_view content) {
    if (content.size() != shape.size) return false;
    for (const FileSection& s : shape.sections)
        if (!IsWholeRaceFile(content.substr(s.offset, s.slots * s.recordSize), s.recordSize)) return false;
    return true;
}

// Calls `f(slot, offset, size)` for every slot of a file of `shape`, in order.
template <class F>
void ForEachSlot(const FileShape& shape, F f) {
    for (const FileSection& s : shape.sections)
        for (std::size_t i = 0; i < s.slots; ++i) f(s.firstSlot + i, s.offset + i * s.recordSize, s.recordSize);
}

// Whether a day's file is one of the RA and SE pair that is replaced together.
bool IsRaceCardFile(std::string_view name) { return name.ends_with(kRaExtension) || name.ends_with(kSeExtension); }

FilingResult Rejected(FilingResult r, std::string reason) {
    r.outcome = FilingResult::Outcome::Rejected;
    r.reason = std::move(reason);
    return r;
}

}  // namespace

std::string FilingResult::ListLine() const {
    static const std::string made = Sj("作成済み:"), number = Sj("番/");
    std::string line = made;
    if (!raceNumber.empty()) line += raceNumber + "R/";  // a racecourse's weather has no race
    if (runner) line += horseNumber + number;
    return line + fileName;
}

std::string FilingResult::ListLineUtf8() const {
    // Records of one file share its name: its conversion is kept from one record to the next.
    thread_local std::string lastName, lastNameUtf8;
    if (fileName != lastName) {
        lastName = fileName;
        lastNameUtf8 = Cp932ToUtf8(fileName);
    }
    std::string line = "作成済み:";
    if (!raceNumber.empty()) line += Cp932ToUtf8(raceNumber) + "R/";
    if (runner) line += Cp932ToUtf8(horseNumber) + "番/";
    return line + lastNameUtf8;
}

void LockForFiling(DataFolderLock& lock, const fs::path& dataDir, const std::function<bool()>& waiting) {
    std::string error;
    switch (lock.Lock(DataFolderLock::Mode::Exclusive, waiting, error)) {
        case DataFolderLock::Result::Locked:
            break;
        case DataFolderLock::Result::GaveUp:
            throw FolderBusyError("データフォルダ「" + PathText(dataDir) + "」が他のプログラムで取込み中です。");
        case DataFolderLock::Result::Failed:
            throw FilingError("データフォルダ「" + PathText(dataDir) + "」をロックできません（" + error + "）。");
    }
}

RaceFiler::RaceFiler(fs::path dataDir, std::size_t maxHeldFiles)
    : dataDir_(std::move(dataDir)), maxHeld_(std::max<std::size_t>(maxHeldFiles, 1)), lock_(dataDir_) {
    RemoveStaleTemporaries(dataDir_);
}

RaceFiler::~RaceFiler() {
    try {
        Flush();
    } catch (const FilingError&) {
        // Callers that need to know flush before; a destructor must not throw.
    }
}

FilingResult RaceFiler::File(std::string_view record) {
    FilingResult r;
    std::string_view type = record.substr(0, std::min<std::size_t>(2, record.size()));
    const FiledType filed = TypeOfRecord(type);
    if (filed.shape == nullptr) return r;
    r.runner = type == "SE";
    const std::size_t size = filed.section->recordSize;

    // A record is filed only when it fits its slot exactly: anything else would break the
    // fixed-unit shape every reader relies on, or would name a file outside the data folder.
    if (record.size() != size)
        return Rejected(r, std::string(type) + " レコードの長さが " + std::to_string(record.size()) + " バイトです（" +
                               std::to_string(size) + " バイトのはずです）");
    if (record.substr(size - 2) != "\r\n")
        return Rejected(r, std::string(type) + " レコードが CR LF で終わっていません");
    if (HasLineBreak(record.substr(0, size - 2)))
        return Rejected(r, std::string(type) + " レコードの途中に改行文字があります");
    std::string_view date = record.substr(11, 8);
    if (!AllDigits(date)) return Rejected(r, std::string(type) + " レコードの開催年月日が数字ではありません");

    r.raceNumber = std::string(FieldOf(record, ra::RaceNumber));
    if (!IsSlotNumber(r.raceNumber))
        return Rejected(r, std::string(type) + " レコードのレース番号「" + Cp932ToUtf8(r.raceNumber) +
                               "」が 2 桁の数字ではありません");
    int race = ReadNumber(r.raceNumber);
    int horse = 1;
    if (r.runner) {
        r.horseNumber = std::string(FieldOf(record, se::HorseNumber));
        if (!IsSlotNumber(r.horseNumber))
            return Rejected(r, "SE レコードの馬番「" + Cp932ToUtf8(r.horseNumber) + "」が 2 桁の数字ではありません");
        horse = ReadNumber(r.horseNumber);
    }
    if (race <= 0 || horse <= 0) return r;  // not yet assigned: nothing to file
    if (race > kRacesPerDay)
        return Rejected(
            r, std::string(type) + " レコードのレース番号 " + Cp932ToUtf8(r.raceNumber) + " は 1～12 の範囲外です");
    if (horse > kRunnersPerRace)
        return Rejected(r, "SE レコードの馬番 " + Cp932ToUtf8(r.horseNumber) + " は 1～18 の範囲外です");

    r.fileName = DayKeyOf(record) + std::string(filed.shape->extension);
    std::size_t slot = static_cast<std::size_t>(r.runner ? RunnerSlotOf(record) : race - 1);
    // A race's odds or payouts replace its slot whole: never a mix of two announcements.
    Held& held = Load(r.fileName, *filed.shape);
    held.content.replace(filed.section->offset + slot * size, size, record);  // a slot is a record with its CR LF
    held.filedSlots[filed.section->firstSlot + slot] = true;
    held.changed = true;
    ++held.filed;
    r.outcome = FilingResult::Outcome::Filed;
    return r;
}

RaceFiler::Held& RaceFiler::Load(const std::string& name, const FileShape& shape) {
    auto found = held_.find(name);
    if (found != held_.end() && found->second.inBatch) return found->second;
    if (batchFiles_ >= maxHeld_) FlushWholeDays();
    TakeLock();
    ++batchFiles_;
    found = held_.find(name);
    if (found != held_.end()) {  // held back from an earlier batch
        found->second.inBatch = true;
        return found->second;
    }
    Held held;
    held.content = ReadForFiling(name, shape, &held.existed);
    held.filedSlots.assign(shape.Slots(), false);
    return held_.emplace(name, std::move(held)).first->second;
}

std::string RaceFiler::ReadForFiling(const std::string& name, const FileShape& shape, bool* existed) {
    fs::path path = RaceFilePath(dataDir_, name);
    const std::size_t size = shape.size;
    std::string content;
    // The smallest spare buffer the file fits in, else the largest; but never one four times
    // its size or more (an odds file in a runners file's buffer): the runners file read next
    // would have to take fresh memory, which costs more than the small file's own.
    const auto rank = [size](const std::string& b) {
        return b.capacity() >= size ? std::pair(0, b.capacity()) : std::pair(1, SIZE_MAX - b.capacity());
    };
    const auto fits = std::min_element(spare_.begin(), spare_.end(),
                                       [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    if (fits != spare_.end() && fits->capacity() / 4 < size) {
        content = std::move(*fits);
        spare_.erase(fits);
        content.clear();
    }
    std::error_code ec;
    if (!fs::is_directory(dataDir_, ec))
        throw FilingError("データフォルダ「" + PathText(dataDir_) + "」がないため、" + Quote(name) +
                          "を作成できません。");
    bool exists = fs::exists(path, ec);
    // A file whose presence cannot be told is never taken for a missing one: starting it
    // blank would overwrite every other slot of the day.
    if (ec)
        throw FilingError("レースデータファイル" + Quote(name) + "を確認できません（" + SystemErrorText(ec) + "）。");
    if (existed != nullptr) *existed = exists;
    if (exists) {
        const auto damaged = [&](std::uintmax_t bytes) {
            return FilingError("レースデータファイル" + Quote(name) + "が壊れています（" + std::to_string(bytes) +
                               " バイト、正しくは " + std::to_string(size) + " バイト・" +
                               std::to_string(shape.Slots()) + " 行）。このファイルには書き込みません。");
        };
        // A file of another size is damaged whatever it holds: it is not read, however large.
        const std::uintmax_t bytes = fs::file_size(path, ec);
        if (!ec && bytes != size) throw damaged(bytes);
        if (!ReadWholeFile(path, content))
            throw FilingError("レースデータファイル" + Quote(name) + "を読み込めません。");
        if (!IsWholeFileOf(shape, content)) throw damaged(content.size());
    } else {
        content.reserve(size);
        for (const FileSection& section : shape.sections) {
            if (!section.formerExtension.empty() && TakeFormerFile(name, shape, section, content)) continue;
            for (std::size_t i = 0; i < section.slots; ++i) content.append(section.recordSize - 2, ' ').append("\r\n");
        }
    }
    return content;
}

bool RaceFiler::TakeFormerFile(const std::string& name, const FileShape& shape, const FileSection& section,
                               std::string& content) const {
    // What an earlier version filed for the day. A file that is there but cannot be read is
    // never taken for a missing one: the day's new file would hide it for good. A damaged one
    // (which earlier versions did not show either) is left as it is, and its section starts
    // blank.
    const std::string formerName =
        name.substr(0, name.size() - shape.extension.size()) + std::string(section.formerExtension);
    const fs::path former = RaceFilePath(dataDir_, formerName);
    std::error_code ec;
    const fs::file_status status = fs::status(former, ec);
    if (status.type() == fs::file_type::not_found) return false;
    const auto unreadable = [&](const std::string& why) {
        return FilingError("レースデータファイル" + Quote(formerName) + "を読み込めません" + why + "。このため" +
                           Quote(name) + "を作成しません。");
    };
    if (ec) throw unreadable("（" + SystemErrorText(ec) + "）");
    const std::size_t bytes = section.slots * section.recordSize;
    if (!fs::is_regular_file(status) || fs::file_size(former, ec) != bytes || ec) return false;
    std::string text;
    if (!ReadWholeFile(former, text)) throw unreadable("");
    if (!IsWholeRaceFile(text, section.recordSize)) return false;
    content += text;
    return true;
}

void RaceFiler::TakeLock() {
    if (!locking_ || lock_.Held()) return;
    // What was read under an earlier lock may have been replaced since: only what is held
    // back stays, to be laid over the file as it is now.
    LetGoWritten();
    std::error_code ec;
    if (!fs::is_directory(dataDir_, ec)) return;  // Load reports the missing folder
    LockForFiling(lock_, dataDir_, waiting_);
    std::string failure;
    for (auto it = held_.begin(); it != held_.end();) {
        const auto next = std::next(it);
        // Odds, payouts and weights may stay held back under this lock too: they are looked
        // at when they are written.
        if (IsRaceCardFile(it->first))
            LayOverOrDrop(it, failure);
        else
            it->second.layOver = true;
        it = next;
    }
    if (!failure.empty()) throw FilingError(failure);
}

bool RaceFiler::LayOverOrDrop(std::map<std::string, Held>::iterator it, std::string& failure) {
    if (LayOver(it->first, it->second, failure)) return true;
    lost_ += it->second.filed;
    held_.erase(it);
    return false;
}

bool RaceFiler::LayOver(const std::string& name, Held& held, std::string& failure) {
    const FileShape& shape = ShapeOfFile(name);
    std::error_code ec;
    if (!held.existed && !fs::exists(RaceFilePath(dataDir_, name), ec) && !ec)
        return true;  // still no file: blank slots and ours, as held
    std::string now;
    bool existsNow = true;
    try {
        now = ReadForFiling(name, shape, &existsNow);
    } catch (const FilingError& e) {
        if (failure.empty()) failure = e.what();
        return false;
    }
    ForEachSlot(shape, [&](std::size_t slot, std::size_t offset, std::size_t size) {
        if (held.filedSlots[slot]) now.replace(offset, size, held.content, offset, size);
    });
    KeepSpare(std::move(held.content));
    held.content = std::move(now);
    held.existed = existsNow;
    return true;
}

void RaceFiler::Flush() { Write(false); }

void RaceFiler::FlushWholeDays() { Write(true); }

void RaceFiler::Write(bool wholeDaysOnly) {
    auto partnerChanged = [&](const std::string& name) {
        std::string partner = name.substr(0, kDayKeySize);
        partner += name.ends_with(kSeExtension) ? kRaExtension : kSeExtension;
        auto found = held_.find(partner);
        return found != held_.end() && found->second.changed;
    };
    std::vector<std::string> names, standAlone;
    std::size_t heldBackBytes = 0, standAloneBytes = 0;
    for (auto& [name, held] : held_) {
        if (!held.changed) continue;
        if (!wholeDaysOnly) {
            names.push_back(name);
        } else if (!IsRaceCardFile(name)) {
            standAlone.push_back(name);
            standAloneBytes += held.content.size();
        } else if (!partnerChanged(name)) {
            heldBackBytes += held.content.size();
        } else {
            names.push_back(name);
        }
    }
    // Odds, payouts and weights go out with the next race cards written, or at the end: a
    // batch of their own would cost a sync of the disk of its own. No more of them wait than
    // make a batch, so that little is at stake should the program be stopped.
    if (!names.empty() || standAlone.size() >= maxHeld_)
        names.insert(names.end(), standAlone.begin(), standAlone.end());
    else
        heldBackBytes += standAloneBytes;
    if (heldBackBytes > maxHeldBack_) {
        names.clear();
        for (auto& [name, held] : held_)
            if (held.changed) names.push_back(name);
    }
    // Files held back by an earlier flush are written under the lock like any other.
    if (!names.empty()) TakeLock();
    // A file found damaged is never written into; the other files of the batch still go out,
    // and the failure is reported after them.
    std::string failure;
    std::erase_if(names, [&](const std::string& name) {
        auto found = held_.find(name);
        if (found == held_.end() || !found->second.layOver) return false;
        found->second.layOver = false;
        return !LayOverOrDrop(found, failure);
    });
    if (batchFiles_ >= maxHeld_ && maxHeld_ < mostHeld_) {
        std::size_t filed = 0;
        for (const auto& [name, held] : held_) filed += held.inBatch ? held.filed : 0;
        if (filed < kSparseBatch * batchFiles_) maxHeld_ = mostHeld_;
    }

    FileBatch batch(durable_);
    std::vector<Held*> written;
    std::vector<const std::string*> writtenNames;
    std::string error;
    for (const std::string& name : names) {
        auto found = held_.find(name);
        if (found == held_.end()) continue;
        if (!batch.Stage(RaceFilePath(dataDir_, name), found->second.content, error))
            throw FilingError("レースデータファイル" + Quote(name) + "に書き込めません（" + error + "）。");
        written.push_back(&found->second);
        writtenNames.push_back(&found->first);
    }
    fs::path failed;
    bool ok = batch.Commit(failed, error);
    for (std::size_t i = 0; i < batch.Replaced(); ++i) {
        written[i]->changed = false;
        written[i]->filed = 0;
        std::fill(written[i]->filedSlots.begin(), written[i]->filedSlots.end(), false);
    }
    UpdateHorseIndexOf(writtenNames, written, batch.Replaced());
    if (!ok)
        throw FilingError("レースデータファイル「" + PathText(failed.filename()) + "」に書き込めません（" + error +
                          "）。");
    batchFiles_ = 0;
    for (auto& [name, held] : held_) held.inBatch = false;
    if (lock_.Held()) {
        lock_.Unlock();
        LetGoWritten();
    } else if (wholeDaysOnly) {
        LetGoWritten();
    }
    if (!failure.empty()) throw FilingError(failure);
}

void RaceFiler::LetGoWritten() {
    for (auto it = held_.begin(); it != held_.end();) {
        if (it->second.changed) {
            ++it;
            continue;
        }
        KeepSpare(std::move(it->second.content));
        it = held_.erase(it);
    }
}

void RaceFiler::KeepSpare(std::string&& content) {
    if (spare_.size() < kSpareBuffers) spare_.push_back(std::move(content));
}

void RaceFiler::UpdateHorseIndexOf(const std::vector<const std::string*>& names, const std::vector<Held*>& written,
                                   std::size_t replaced) {
    // The horse index follows the SE files just replaced, still under the lock.
    if (!indexUpkeep_) return;
    std::vector<WrittenDay> days;
    for (std::size_t i = 0; i < replaced; ++i)
        if (names[i]->size() > kDayKeySize && std::string_view(*names[i]).substr(kDayKeySize) == kSeExtension)
            days.push_back({names[i]->substr(0, kDayKeySize), written[i]->content});
    if (!days.empty()) UpdateHorseIndex(dataDir_, days);
}

void RaceFiler::Abandon() {
    held_.clear();
    batchFiles_ = 0;
    lost_ = 0;
    lock_.Unlock();
}

std::size_t RaceFiler::HeldBackFiles() const {
    return static_cast<std::size_t>(
        std::count_if(held_.begin(), held_.end(), [](const auto& e) { return e.second.changed && !e.second.inBatch; }));
}

std::size_t RaceFiler::UnwrittenRecords() const {
    std::size_t n = lost_;
    for (const auto& [name, held] : held_) n += held.filed;
    return n;
}

bool RaceFiler::IsWritten(const std::string& fileName) const {
    auto found = held_.find(fileName);
    return found == held_.end() || !found->second.changed;
}

bool RaceFiler::HasUnwritten() const {
    return std::any_of(held_.begin(), held_.end(), [](const auto& e) { return e.second.changed; });
}

FilingResult FileRaceRecord(const fs::path& dataDir, std::string_view record) {
    RaceFiler filer(dataDir);
    FilingResult r = filer.File(record);
    filer.Flush();
    return r;
}

}  // namespace turfpad
