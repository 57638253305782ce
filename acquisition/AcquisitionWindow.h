// The acquisition window "ＪＶデータ取込": start, cancel and JV-Link settings buttons, the
// status line, the download and read bars, the list of filed records and the from-date.
// The work is GetDataLogic's; the window shows what it is told.
#pragma once

#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>

#include "jvlink/Acquisition.h"

class QDateEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace turfpad {

class TGetDataForm : public QDialog, private GetDataView {
    Q_OBJECT
  public:
    // `rebuildDayList` is the main window's day-list rebuild, run whenever this window closes.
    TGetDataForm(JVLink& jvlink, std::filesystem::path dataFolder, IniStore& settings,
                 std::function<void()> rebuildDayList, QWidget* parent = nullptr,
                 std::function<LocalDateTime()> now = LocalNow);
    ~TGetDataForm() override;

    QPushButton* ButtonStart;
    QPushButton* ButtonCancel;
    QToolButton* SpeedButton1;
    QLabel* ProgressLabel;
    QProgressBar* ProgressBar1;  // download
    QProgressBar* ProgressBar2;  // read
    QListWidget* ListBox1;
    QDateEdit* DateTimePicker1;
    QTimer* TimerJVStatus;

    GetDataLogic& Logic() { return *logic_; }

    // Escape closes the window the same way as its close box, through the close rules.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    void SetStatus(const std::string& text) override;
    void SetDownloadMax(int maximum) override;
    void SetDownloadPosition(int position) override;
    void SetReadMax(int maximum) override;
    void SetReadPosition(int position) override;
    void ClearList() override;
    void AddListLine(const std::string& text) override;
    void SetFromDate(const LocalDateTime& t) override;
    void Inform(const std::string& text, bool beep) override;
    bool Confirm(const std::string& text) override;
    void Beep() override;
    void ProcessEvents(int waitMs) override;
    void SetBusyPointer(bool busy) override;
    void StartTimer() override;
    void StopTimer() override;
    void CloseWindow() override;

    void DateChanged();
    // Puts the lines waiting for the list into it and shows the last one.
    void FlushList();
    void UpdateStartButton();  // enabled while no acquisition runs

    std::unique_ptr<GetDataLogic> logic_;
    // Filed records come far faster than a list can lay itself out and repaint: lines are
    // gathered and put into the list together, at the latest kListRefreshMs after the first
    // of them and before anything else about the acquisition is shown.
    QStringList pendingLines_;
    QTimer* listRefresh_ = nullptr;
    // The bars, the status and the list change with every file read; repainting the window
    // each time would cost more than the filing. Their values change at once, but the window
    // is repainted at most every kListRefreshMs, and at once before a message.
    void HoldPainting();
    void PaintNow();
    QTimer* paintHold_ = nullptr;
    std::function<void()> rebuildDayList_;
    bool settingDate_ = false;
};

}  // namespace turfpad
