// The acquisition: opens JV-Link for the race programme from a chosen date and time, follows
// the download, reads every record and files the RA and SE records, lists each filed record,
// and closes JV-Link. It drives a JVLink and reports to a small view interface, so the window
// only shows what it is told and tests drive it with a scripted JV-Link.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace turfpad {

class IniStore;
class JVLink;
class RaceFiler;

// A local date and time of day, to the second.
struct LocalDateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool operator==(const LocalDateTime&) const = default;
};

// "yyyy/mm/dd hh:nn:ss"; false when the text is not a valid date and time in that form.
bool ParseSettingsTime(const std::string& text, LocalDateTime& out);
std::string SettingsTimeText(const LocalDateTime& t);  // "yyyy/mm/dd hh:nn:ss"
std::string JVTimeText(const LocalDateTime& t);        // "yyyymmddhhnnss"
LocalDateTime MinusDays(const LocalDateTime& t, int days);
LocalDateTime LocalNow();

// What the acquisition window shows. Texts are UTF-8.
class GetDataView {
  public:
    virtual ~GetDataView() = default;
    virtual void SetStatus(const std::string& text) = 0;  // ProgressLabel
    virtual void SetDownloadMax(int maximum) = 0;
    virtual void SetDownloadPosition(int position) = 0;
    virtual void SetReadMax(int maximum) = 0;
    virtual void SetReadPosition(int position) = 0;
    virtual void ClearList() = 0;
    virtual void AddListLine(const std::string& text) = 0;
    virtual void SetFromDate(const LocalDateTime& t) = 0;
    // An information box with an OK button, after the default beep when `beep`.
    virtual void Inform(const std::string& text, bool beep) = 0;
    // A confirmation box with Yes and No; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    virtual void Beep() = 0;
    // Lets pending window events run; with `waitMs`, waits up to that long for one.
    virtual void ProcessEvents(int waitMs = 0) = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    virtual void StartTimer() = 0;  // the 10 ms polling timer
    virtual void StopTimer() = 0;
    virtual void CloseWindow() = 0;  // a close asked for during reading, now done
};

class GetDataLogic {
  public:
    enum class State { Idle, Opening, Downloading, Reading };

    // Records are filed into `dataFolder`; "LastTime" lives in `settings`.
    GetDataLogic(JVLink& jvlink, std::filesystem::path dataFolder, IniStore& settings, GetDataView& view,
                 std::function<LocalDateTime()> now = LocalNow);
    ~GetDataLogic();

    // Opening the window: the from-date from "LastTime", or now minus 8 days.
    void Open();
    const LocalDateTime& FromDate() const { return fromDate_; }
    void SetFromDate(const LocalDateTime& t) { fromDate_ = t; }

    void Start();     // "データ取込み開始"
    void Timer();     // each tick of the polling timer
    void Cancel();    // "データ取込み中止"
    void Settings();  // "JVLink設定"
    // The window is asked to close: true when it may close now. During a download the
    // download is cancelled and JV-Link closed first; during the read loop the loop runs to
    // its end and the window closes once JV-Link is closed.
    bool CloseRequested();

    State GetState() const { return state_; }

  private:
    void StartAcquisition();
    void Poll();
    void CancelAcquisition();
    // Runs an action; a call that fails as a call (an exception) abandons the acquisition.
    void Guarded(const std::function<void()>& action);
    void Abandon(const std::string& why);
    // Reads until JV-Link has nothing more, an error, or a cancel. True when every record
    // was read and every filed record is on disk.
    bool ReadLoop();
    void CloseJVLink();
    void TakeOverLastTime();
    bool FlushFiled(std::string& error, bool wholeDaysOnly = false);

    JVLink& jv_;
    std::filesystem::path dataFolder_;
    IniStore& settings_;
    GetDataView& view_;
    std::function<LocalDateTime()> now_;
    LocalDateTime fromDate_;
    State state_ = State::Idle;

    bool cancel_ = false;
    bool closeRequested_ = false;
    int readCount_ = 0;
    int downloadCount_ = 0;
    std::string lastFileTimestamp_;
    std::unique_ptr<RaceFiler> filer_;
};

}  // namespace turfpad
