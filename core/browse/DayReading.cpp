#include "browse/DayReading.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "text/Cp932.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// A day entry names two files inside the data folder; anything that could reach outside it
// (a separator, a parent reference) or is no name at all names no day.
bool IsPlainName(std::string_view entry) {
    if (entry.empty() || entry == "." || entry == "..") return false;
    for (char c : entry)
        if (c == '/' || c == '\\' || c == '\0' || c == ':') return false;
    return true;
}

std::string Damaged(const std::string& name, const std::string& reason) {
    return "レースデータファイル「" + Cp932ToUtf8(name) + "」が壊れているため、読み込めません（" + reason +
           "）。データを取得し直してください。";
}

class Reader {
  public:
    Reader(const fs::path& dataDir, std::string_view entry, RaceCardTable& table)
        : raName_(std::string(entry) + std::string(kRaExtension)),
          seName_(std::string(entry) + std::string(kSeExtension)),
          raPath_(RaceFilePath(dataDir, raName_)),
          sePath_(RaceFilePath(dataDir, seName_)),
          table_(table) {}

    bool BothExist() const {
        std::error_code ec;
        return fs::is_regular_file(raPath_, ec) && fs::is_regular_file(sePath_, ec);
    }

    // Reads every unit the day needs; returns an empty text or the reason of the failure.
    std::string Read(ReadProgress& progress) {
        std::error_code ec;
        const std::uintmax_t raBytes = fs::file_size(raPath_, ec);
        if (ec) return "レースデータファイル「" + Cp932ToUtf8(raName_) + "」を開けません。";
        UnitFile ra(raPath_, kRaRecordSize);
        UnitFile se(sePath_, kSeRecordSize);

        const auto raUnits = static_cast<int>(std::min<std::size_t>(ra.UnitCount(), kRacesPerDay));
        if (raUnits < kRacesPerDay && raBytes % kRaRecordSize != 0)
            return Damaged(raName_, std::to_string(raUnits + 1) + " 行目が途中で切れています");

        for (int k = 0; k < raUnits; ++k) {
            std::string& line = table_.RaLine(k);
            ra.Read(static_cast<std::size_t>(k), line);
            if (!IsWholeUnit(line)) {
                table_.Reset();
                return Damaged(raName_, std::to_string(k + 1) + " 行目の長さが正しくありません");
            }
            // A head count above what a card holds reads no more than 18 runners, so the
            // units of the next race are never taken for this one.
            const int runners = std::clamp(NumberOf(line, ra::HeadCount), 0, kRunnersPerRace);
            for (int j = 0; j < runners; ++j) {
                const std::size_t unit = static_cast<std::size_t>(k) * kRunnersPerRace + static_cast<std::size_t>(j);
                if (unit >= se.UnitCount()) {
                    table_.Reset();
                    return Damaged(seName_,
                                   std::to_string(k + 1) + "R の " + std::to_string(j + 1) + " 頭目の行がありません");
                }
                std::string& seLine = table_.SeLine(k, j);
                se.Read(unit, seLine);
                if (!IsWholeUnit(seLine)) {
                    table_.Reset();
                    return Damaged(seName_, std::to_string(unit + 1) + " 行目の長さが正しくありません");
                }
            }
            table_.SetLinesRead(k + 1);
            progress.Step();
        }
        return {};
    }

  private:
    std::string raName_;
    std::string seName_;
    fs::path raPath_;
    fs::path sePath_;
    RaceCardTable& table_;
};

}  // namespace

DayReadResult ReadDay(const fs::path& dataDir, std::string_view dayEntry, RaceCardTable& table,
                      ReadProgress& progress) {
    progress.Show(dayEntry, kDayReadSteps);
    table.Reset();
    DayReadResult result;
    if (!IsPlainName(dayEntry)) {
        progress.Close();
        result.outcome = DayReadResult::Outcome::Missing;
        result.message = kDayMissingMessage;
        return result;
    }
    // The day is read under the data folder's lock, shared: no filer replaces its files
    // meanwhile, so its RA and SE files come from the same write. Where the lock cannot be
    // had (a folder no one may write into) no filer can write either, and the day is read as is.
    DataFolderLock lock(dataDir);
    std::string lockError;
    if (lock.Lock(
            DataFolderLock::Mode::Shared, [&progress] { return progress.WaitForFiler(); }, lockError) ==
        DataFolderLock::Result::GaveUp) {
        progress.Close();
        result.outcome = DayReadResult::Outcome::Busy;
        result.message = kFolderBusyGaveUpMessage;
        return result;
    }
    Reader reader(dataDir, dayEntry, table);
    if (!reader.BothExist()) {
        progress.Close();
        result.outcome = DayReadResult::Outcome::Missing;
        result.message = kDayMissingMessage;
        return result;
    }
    std::string failure;
    try {
        failure = reader.Read(progress);
    } catch (const FilingError& e) {
        failure = e.what();
    }
    progress.Close();
    if (!failure.empty()) {
        table.Reset();
        result.outcome = DayReadResult::Outcome::Damaged;
        result.message = std::move(failure);
        return result;
    }
    table.FillEntries();
    return result;
}

}  // namespace turfpad
