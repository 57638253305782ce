#include "jvlink/Acquisition.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "datafolder/RaceFiles.h"
#include "jvlink/JVLink.h"
#include "records/CodeTables.h"
#include "settings/IniStore.h"
#include "text/Cp932.h"
#include "text/Trim.h"

namespace turfpad {
namespace {

constexpr int kDownloadingWaitMs = 10;  // while a file is still being fetched

// Window events run before a JVRead whenever this much time has passed since they last ran:
// often enough that the cancel button and the window answer at once, rarely enough that a
// fast stream of records is not slowed down by them.
constexpr auto kEventInterval = std::chrono::milliseconds(1);

std::string Result(const char* operation, int code) { return Cp932ToUtf8(JVResultMessage(operation, code)); }

bool ValidDate(int y, int m, int d) {
    using namespace std::chrono;
    return year_month_day(year(y), month(static_cast<unsigned>(m)), day(static_cast<unsigned>(d))).ok();
}

std::string Format(const char* fmt, const LocalDateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

}  // namespace

bool ParseSettingsTime(const std::string& text, LocalDateTime& out) {
    static constexpr std::string_view kShape = "dddd/dd/dd dd:dd:dd";
    if (text.size() != kShape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
    }
    auto num = [&](std::size_t at, std::size_t len) { return std::stoi(text.substr(at, len)); };
    LocalDateTime t{num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2)};
    if (t.year < 1 || !ValidDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59) return false;
    out = t;
    return true;
}

std::string SettingsTimeText(const LocalDateTime& t) { return Format("%04d/%02d/%02d %02d:%02d:%02d", t); }
std::string JVTimeText(const LocalDateTime& t) { return Format("%04d%02d%02d%02d%02d%02d", t); }

LocalDateTime MinusDays(const LocalDateTime& t, int days) {
    using namespace std::chrono;
    sys_days d = sys_days(year(t.year) / month(static_cast<unsigned>(t.month)) / day(static_cast<unsigned>(t.day)));
    year_month_day ymd(d - std::chrono::days(days));
    LocalDateTime r = t;
    r.year = static_cast<int>(ymd.year());
    r.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    r.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return r;
}

LocalDateTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

GetDataLogic::GetDataLogic(JVLink& jvlink, std::filesystem::path dataFolder, IniStore& settings, GetDataView& view,
                           std::function<LocalDateTime()> now)
    : jv_(jvlink), dataFolder_(std::move(dataFolder)), settings_(settings), view_(view), now_(std::move(now)) {}

GetDataLogic::~GetDataLogic() = default;

void GetDataLogic::Open() {
    LocalDateTime t;
    // A value that is missing or cannot be read as a date and time gives now minus 8 days.
    if (!ParseSettingsTime(settings_.ReadString("JvDataGet", "LastTime", ""), t)) t = MinusDays(now_(), 8);
    fromDate_ = t;
    view_.SetFromDate(t);
}

void GetDataLogic::Start() {
    // A start while an acquisition runs would disturb it: it is ignored.
    if (state_ != State::Idle) return;
    Guarded([this] { StartAcquisition(); });
}

void GetDataLogic::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        Abandon(e.what());
    }
}

void GetDataLogic::Abandon(const std::string& why) {
    // A JV-Link call that failed as a call: what was filed goes to disk, JV-Link is closed if
    // it still answers, and the window is usable again.
    std::string message = "JV-Link の呼び出しに失敗したため、データ取込を中止しました。\n" + why;
    std::string error;
    if (filer_ && !FlushFiled(error)) message += "\n" + error;
    filer_.reset();
    view_.StopTimer();
    try {
        jv_.JVClose();
    } catch (const std::exception&) {
        // Nothing more can be done with it.
    }
    view_.SetBusyPointer(false);
    state_ = State::Idle;
    view_.Inform(message, true);
    if (closeRequested_) view_.CloseWindow();
}

void GetDataLogic::StartAcquisition() {
    view_.Inform(Format("%04d年%02d月%02d日%02d時%02d分%02d秒", fromDate_) +
                     "以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり"
                     "他のアプリケーションを操作することは極力避けてください。",
                 false);
    state_ = State::Opening;
    view_.StopTimer();
    cancel_ = false;
    closeRequested_ = false;
    view_.SetDownloadPosition(0);
    view_.SetReadPosition(0);
    view_.ClearList();

    view_.SetBusyPointer(true);
    int code = jv_.JVOpen("RACE", JVTimeText(fromDate_), 2, readCount_, downloadCount_, lastFileTimestamp_);
    if (code == jvresult::kNoNewData || (code == jvresult::kOk && readCount_ <= 0)) {
        view_.Inform("最新のデータがありません。", true);
        CloseJVLink();
        return;
    }
    if (code != jvresult::kOk) {
        view_.Inform("JVOpenエラー:" + Result("JVOpen", code), true);
        CloseJVLink();
        return;
    }
    view_.SetStatus("JVOpen正常:" + Result("JVOpen", code));
    view_.SetStatus("ReadCount:" + std::to_string(readCount_) + ", DownloadCount:" + std::to_string(downloadCount_));
    if (downloadCount_ > 0) {
        view_.SetStatus("ダウンロード中・・・");
        view_.SetDownloadMax(downloadCount_);
        state_ = State::Downloading;
        view_.StartTimer();
        return;
    }
    view_.SetDownloadMax(100);
    view_.SetDownloadPosition(100);
    state_ = State::Reading;
    bool complete = ReadLoop();
    CloseJVLink();
    if (complete) TakeOverLastTime();
    if (closeRequested_) view_.CloseWindow();
}

void GetDataLogic::Timer() {
    if (state_ != State::Downloading) return;
    Guarded([this] { Poll(); });
}

void GetDataLogic::Poll() {
    int done = jv_.JVStatus();
    if (done < 0) {
        view_.Inform("JVStatusエラー:" + Result("JVStatus", done), true);
        view_.StopTimer();
        CloseJVLink();
        return;
    }
    if (done > downloadCount_) return;
    view_.SetStatus("ダウンロード中．．．(" + std::to_string(done) + "/" + std::to_string(downloadCount_) + ")");
    view_.SetDownloadPosition(done);
    if (done < downloadCount_) return;
    view_.StopTimer();
    state_ = State::Reading;
    ReadLoop();
    CloseJVLink();
    // After a download the starting point stays as it was: the next acquisition asks again
    // from the same date.
    if (closeRequested_) view_.CloseWindow();
}

bool GetDataLogic::FlushFiled(std::string& error, bool wholeDaysOnly) {
    try {
        if (wholeDaysOnly)
            filer_->FlushWholeDays();
        else
            filer_->Flush();
        return true;
    } catch (const FilingError& e) {
        error = e.what();
        return false;
    }
}

bool GetDataLogic::ReadLoop() {
    int files = 0;
    auto counter = [&] { return std::to_string(files) + "/" + std::to_string(readCount_) + ")"; };
    view_.SetStatus("データ読込み中．．．(" + counter());
    view_.SetReadPosition(0);
    view_.SetReadMax(readCount_);
    filer_ = std::make_unique<RaceFiler>(dataFolder_);
    // Another program filing into the same folder is waited for, with the window alive and
    // the cancel button working.
    bool told = false;
    filer_->SetWaiting([&] {
        if (!told) {
            view_.SetStatus("データフォルダが他のプログラムで取込み中です。終わるまで待っています");
            told = true;
        }
        view_.ProcessEvents();
        return !cancel_;
    });

    bool complete = false;
    std::string filingError;
    long rejected = 0;
    std::string firstReason;
    std::string buffer, fileName;
    auto eventsRan = std::chrono::steady_clock::now() - kEventInterval;
    while (true) {
        if (auto now = std::chrono::steady_clock::now(); now - eventsRan >= kEventInterval) {
            view_.ProcessEvents();
            eventsRan = now;
        }
        if (cancel_) break;
        // The full buffer size every time: the size a call leaves behind is the length of
        // its record, and a longer record after it would come cut short.
        int size = kJVReadBufferSize;
        int code = jv_.JVRead(buffer, size, fileName);
        if (code > 0) {
            try {
                FilingResult r = filer_->File(buffer);
                if (r.outcome == FilingResult::Outcome::Filed) {
                    view_.AddListLine(r.ListLineUtf8());
                } else if (r.outcome == FilingResult::Outcome::Rejected) {
                    if (rejected++ == 0) firstReason = r.reason;
                }
            } catch (const FolderBusyError&) {
                // Cancelled while waiting: the folder is not ours, so what is held cannot be
                // written either; the last flush below says how many listed records are lost.
                break;
            } catch (const FilingError& e) {
                filingError = e.what();
                break;
            }
        } else if (code == jvresult::kFileEnd) {
            ++files;
            view_.SetReadPosition(files);
            view_.SetStatus("データ読込み中．．．(" + counter());
            // The JV-Link file goes to disk, but for a day whose RA and SE files come in
            // separate JV-Link files: its first file waits for the other.
            if (!FlushFiled(filingError, true)) break;
        } else if (code == jvresult::kAllRead) {
            if (!FlushFiled(filingError)) break;
            view_.SetStatus("データ読込み完了(" + counter());
            view_.SetDownloadPosition(0);
            view_.SetReadPosition(0);
            view_.Inform("データ作成が完了しました。", true);
            complete = true;
            break;
        } else if (code == jvresult::kNoRecordYet || code == jvresult::kDownloading) {
            view_.ProcessEvents(kDownloadingWaitMs);  // wait for the file instead of spinning
            eventsRan = std::chrono::steady_clock::now();
        } else {
            view_.Inform("JVReadエラー:" + Result("JVRead", code), true);
            break;
        }
    }
    // Whatever ended the loop, the records filed so far go to disk.
    if (filingError.empty() && !complete) FlushFiled(filingError);
    const std::size_t unwritten = filer_->UnwrittenRecords();
    filer_->Abandon();
    filer_.reset();
    if (!filingError.empty()) {
        std::string lost;
        if (unwritten > 0)
            lost = "\n一覧に表示したレコードのうち " + std::to_string(unwritten) + " 件は保存されていません。";
        view_.Inform("データを保存できないため、読み込みを終了しました。\n" + filingError + lost, true);
        complete = false;
    }
    if (rejected > 0)
        view_.Inform("形式が正しくないため保存しなかったレコードが " + std::to_string(rejected) + " 件あります。\n（" +
                         firstReason + " など）",
                     true);
    return complete;
}

void GetDataLogic::CloseJVLink() {
    int code = jv_.JVClose();
    view_.SetBusyPointer(false);
    view_.Beep();
    if (code != jvresult::kOk) view_.Inform("JVCloseエラー:" + Result("JVClose", code), false);
    state_ = State::Idle;
}

void GetDataLogic::TakeOverLastTime() {
    const std::string ts(Trim(lastFileTimestamp_, " "));
    if (ts.empty() || ts == "00000000000000") return;
    if (ts.size() != 14) return;  // never store what cannot be read back
    std::string text = ts.substr(0, 4) + "/" + ts.substr(4, 2) + "/" + ts.substr(6, 2) + " " + ts.substr(8, 2) + ":" +
                       ts.substr(10, 2) + ":" + ts.substr(12, 2);
    LocalDateTime t;
    if (!ParseSettingsTime(text, t)) return;
    fromDate_ = t;
    view_.SetFromDate(t);
    try {
        settings_.WriteString("JvDataGet", "LastTime", text);
    } catch (const std::exception& e) {
        view_.Inform(e.what(), true);
    }
}

void GetDataLogic::Cancel() {
    // No polling while the question is open: a download finishing meanwhile would otherwise
    // start the whole read loop inside the question's own event loop.
    view_.StopTimer();
    if (!view_.Confirm("データ取込を中止します。実行しますか？")) {
        if (state_ == State::Downloading) view_.StartTimer();
        return;
    }
    Guarded([this] { CancelAcquisition(); });
}

void GetDataLogic::CancelAcquisition() {
    jv_.JVCancel();
    cancel_ = true;
    view_.Inform("JVCancel:キャンセルされました", true);
    view_.SetStatus("JVCancel:キャンセルされました");
    // A download left open would make the next start fail: close JV-Link as well.
    if (state_ == State::Downloading) CloseJVLink();
}

void GetDataLogic::Settings() {
    int code = jv_.JVSetUIProperties();
    if (code != jvresult::kOk) view_.Inform("JVSetUIPropertiesエラー：" + Result("JVSetUIProperties", code), true);
}

bool GetDataLogic::CloseRequested() {
    switch (state_) {
        case State::Downloading:
            view_.StopTimer();
            jv_.JVCancel();
            CloseJVLink();
            return true;
        case State::Reading:
            // The loop runs to its end, so that everything is filed and the starting point
            // taken over; the window closes after JV-Link. Cancel is the way to stop early.
            closeRequested_ = true;
            return false;
        default:
            return true;
    }
}

}  // namespace turfpad
