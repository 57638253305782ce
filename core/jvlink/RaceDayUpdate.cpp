#include "jvlink/RaceDayUpdate.h"

#include <algorithm>
#include <thread>

#include "datafolder/ChangeFiles.h"
#include "datafolder/DayFiles.h"
#include "datafolder/RaceFiles.h"
#include "platform/WholeFile.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

constexpr int kDownloadingWaitMs = 10;

std::string Result(const char* operation, int code) { return Cp932ToUtf8(JVResultMessage(operation, code)); }

class Update {
  public:
    Update(JVLink& jv, const fs::path& dataDir, std::string_view date, const RaceDayUpdateHooks& hooks)
        : jv_(jv), dataDir_(dataDir), date_(date), hooks_(hooks) {}

    RaceDayUpdateReport Run() {
        std::vector<std::string> records;
        if (!Fetch("0B15", date_, "レース・成績", records) || !File(records)) return report_;
        if (!Fetch("0B11", date_, "馬体重", records) || !File(records)) return report_;
        if (!Fetch("0B14", date_, "変更・天候・馬場状態", records) || !FileChanges(records)) return report_;
        const std::vector<std::string> races = RaceKeysOfDate(dataDir_, date_);
        for (std::size_t i = 0; i < races.size(); ++i) {
            const std::string what = "オッズ " + std::to_string(i + 1) + "/" + std::to_string(races.size());
            if (!Fetch("0B31", races[i], what, records) || !File(records)) return report_;
        }
        return report_;
    }

  private:
    // One JVRTOpen, its records read whole, and the JVClose that must follow whatever came.
    bool Fetch(const char* dataKind, const std::string& key, const std::string& what, std::vector<std::string>& out) {
        out.clear();
        if (hooks_.status) hooks_.status("当日情報を取得中：" + what);
        ++report_.fetches;
        const int opened = jv_.JVRTOpen(dataKind, key);
        bool ok = true;
        if (opened == jvresult::kOk) {
            std::string buffer, fileName;
            for (;;) {
                int size = kJVReadBufferSize;  // afresh each time: a call leaves its record's length
                const int code = jv_.JVRead(buffer, size, fileName);
                if (code > 0) {
                    out.push_back(buffer);
                } else if (code == jvresult::kAllRead) {
                    break;
                } else if (code == jvresult::kFileEnd) {
                    continue;
                } else if (code == jvresult::kNoRecordYet || code == jvresult::kDownloading) {
                    if (hooks_.idle)
                        hooks_.idle(kDownloadingWaitMs);
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(kDownloadingWaitMs));
                } else {
                    Fail("JVReadエラー:" + Result("JVRead", code));
                    ok = false;
                    break;
                }
            }
        } else if (opened != jvresult::kNoNewData) {
            Fail("JVRTOpenエラー（" + std::string(dataKind) + "）:" + Result("JVOpen", opened));
            ok = false;
        }
        jv_.JVClose();
        return ok;
    }

    void Fail(std::string problem) {
        report_.problems.push_back(std::move(problem));
        report_.failed = true;
    }

    void Count(const FilingResult& r) {
        switch (r.outcome) {
            case FilingResult::Outcome::Filed:
                ++report_.filed;
                if (hooks_.filed) hooks_.filed(r.ListLineUtf8());
                break;
            case FilingResult::Outcome::PassedOver:
                ++report_.passedOver;
                break;
            case FilingResult::Outcome::Rejected:
                ++report_.rejected;
                report_.problems.push_back(r.reason);
                break;
        }
    }

    // Runs a filing; a filing error ends the update and is reported.
    template <typename Filing>
    bool Guarded(Filing filing) {
        try {
            filing();
            return true;
        } catch (const FolderBusyError& e) {
            report_.busy = true;
            Fail(e.what());
        } catch (const FilingError& e) {
            Fail(e.what());
        }
        return false;
    }

    bool File(const std::vector<std::string>& records) {
        if (records.empty()) return true;
        return Guarded([&] {
            RaceFiler filer(dataDir_);
            if (hooks_.waiting) filer.SetWaiting(hooks_.waiting);
            std::vector<FilingResult> results;
            results.reserve(records.size());
            for (const std::string& r : records) results.push_back(filer.File(r));
            filer.Flush();
            for (const FilingResult& r : results) Count(r);
        });
    }

    bool FileChanges(const std::vector<std::string>& records) {
        return Guarded([&] {
            for (const FilingResult& r : FileDayChanges(dataDir_, date_, records, hooks_.waiting)) Count(r);
        });
    }

    JVLink& jv_;
    const fs::path& dataDir_;
    std::string date_;
    const RaceDayUpdateHooks& hooks_;
    RaceDayUpdateReport report_;
};

}  // namespace

RaceDayUpdateReport UpdateRaceDay(JVLink& jv, const fs::path& dataDir, std::string_view date,
                                  const RaceDayUpdateHooks& hooks) {
    return Update(jv, dataDir, date, hooks).Run();
}

std::vector<std::string> RaceKeysOfDate(const fs::path& dataDir, std::string_view date) {
    std::vector<std::string> keys;
    if (date.size() != 8) return keys;
    // The day key begins with the date as 2026年12月12日: the RA files of that date.
    std::string probe(kRaRecordSize, ' ');
    probe.replace(11, 8, date);
    const std::string prefix = DayKeyOf(probe).substr(0, kDayKeySize - 4);
    for (const std::string& name : ListRaFiles(dataDir)) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string content;
        if (!ReadWholeFile(RaceFilePath(dataDir, name), content) || !IsWholeRaceFile(content, kRaRecordSize)) continue;
        for (std::size_t slot = 0; slot * kRaRecordSize < content.size(); ++slot) {
            const std::string_view ra = std::string_view(content).substr(slot * kRaRecordSize, kRaRecordSize);
            if (ra.substr(0, 2) != "RA" || ra.substr(11, 8) != date) continue;
            keys.emplace_back(RaceKeyOf(ra));
        }
    }
    return keys;
}

}  // namespace turfpad
