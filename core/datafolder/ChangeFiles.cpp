#include "datafolder/ChangeFiles.h"

#include <algorithm>
#include <map>

#include "datafolder/AtomicFile.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"
#include "records/CodeTables.h"
#include "records/RaceDayLayout.h"
#include "records/RecordLayout.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

const ChangeType* ChangeTypeOf(std::string_view record) {
    for (const ChangeType& t : kChangeTypes)
        if (record.substr(0, 2) == t.type) return &t;
    return nullptr;
}

// Why a change record cannot be filed for `date`, or "" when it can.
std::string Fault(std::string_view record, const ChangeType& t, std::string_view date) {
    const std::string type = t.type;
    if (record.size() != t.size)
        return type + " レコードの長さが " + std::to_string(record.size()) + " バイトです（" + std::to_string(t.size) +
               " バイトのはずです）";
    if (record.substr(t.size - 2) != "\r\n") return type + " レコードが CR LF で終わっていません";
    if (HasLineBreak(record.substr(0, t.size - 2))) return type + " レコードの途中に改行文字があります";
    if (record.substr(11, 8) != date) return type + " レコードの開催年月日が取得した日と違います";
    if (RacecourseName(FieldOf(record, ra::Racecourse)).empty())
        return type + " レコードの競馬場コードが JRA の競馬場ではありません";
    if (type != "WE") {
        const std::string_view race = FieldOf(record, ra::RaceNumber);
        if (!AllDigits(race) || ReadNumber(race) < 1 || ReadNumber(race) > kRacesPerDay)
            return type + " レコードのレース番号が 01～12 ではありません";
    }
    return {};
}

}  // namespace

std::vector<FilingResult> FileDayChanges(const fs::path& dataDir, std::string_view date,
                                         const std::vector<std::string>& records,
                                         const std::function<bool()>& waiting) {
    std::vector<FilingResult> results;
    std::map<std::string, std::string> files;  // by name: the day's lines of each racecourse
    std::vector<std::size_t> filed;            // results that go into a file
    for (const std::string& record : records) {
        FilingResult r;
        const ChangeType* type = ChangeTypeOf(record);
        if (type != nullptr) {
            if (std::string fault = Fault(record, *type, date); !fault.empty()) {
                r.outcome = FilingResult::Outcome::Rejected;
                r.reason = std::move(fault);
            } else {
                r.outcome = FilingResult::Outcome::Filed;
                if (std::string_view(type->type) != "WE") r.raceNumber = std::string(FieldOf(record, ra::RaceNumber));
                r.fileName = DayKeyOf(record) + std::string(kChangesExtension);
                std::string& content = files[r.fileName];
                // The same announcement twice in one fetch is one change.
                if (content.find(record) == std::string::npos) content += record;
                filed.push_back(results.size());
            }
        }
        results.push_back(std::move(r));
    }

    std::error_code ec;
    if (!fs::is_directory(dataDir, ec))
        throw FilingError("データフォルダ「" + PathText(dataDir) + "」がないため、変更情報を記録できません。");
    DataFolderLock lock(dataDir);
    LockForFiling(lock, dataDir, waiting);
    std::string error;
    // Racecourses of the day that had changes and have none now: their changes were withdrawn.
    if (date.size() == 8 && AllDigits(date)) {
        std::string key(kRaRecordSize, ' ');
        key.replace(11, 8, date);
        for (int course = 1; course <= 10; ++course) {
            key.replace(19, 2, (course < 10 ? "0" : "") + std::to_string(course));
            const std::string name = DayKeyOf(key) + std::string(kChangesExtension);
            if (!files.contains(name) && fs::exists(RaceFilePath(dataDir, name), ec)) files[name];
        }
    }
    FileBatch batch(true);
    for (const auto& [name, content] : files)
        if (!batch.Stage(RaceFilePath(dataDir, name), content, error))
            throw FilingError("変更情報ファイル「" + PathText(RaceFilePath(dataDir, name).filename()) +
                              "」に書き込めません（" + error + "）。");
    fs::path failed;
    if (!batch.Commit(failed, error))
        throw FilingError("変更情報ファイル「" + PathText(failed.filename()) + "」に書き込めません（" + error + "）。");
    return results;
}

std::vector<std::string_view> ChangeRecordsOf(std::string_view content) {
    std::vector<std::string_view> out;
    while (!content.empty()) {
        const std::size_t end = content.find("\r\n");
        const std::size_t size = end == std::string_view::npos ? content.size() : end + 2;
        const std::string_view line = content.substr(0, size);
        if (const ChangeType* t = ChangeTypeOf(line); t != nullptr && line.size() == t->size && line.ends_with("\r\n"))
            out.push_back(line);
        content.remove_prefix(size);
    }
    return out;
}

}  // namespace turfpad
