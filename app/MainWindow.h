// The main window: tool bar with the race heading, the day and race lists, the race card and
// schedule tabs, the status line with hints, and the menus. It owns the one JV-Link instance
// of the run, the settings component and the progress window.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <filesystem>
#include <memory>

#include "browse/DayReading.h"
#include "browse/RaceBrowser.h"
#include "jvlink/PlatformJVLink.h"
#include "settings/ProgramPlaces.h"
#include "settings/SettingsFile.h"

class QAction;
class QComboBox;
class QDialog;
class QFrame;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace turfpad {

class JVLink;
class Printer;
class TAllPrintForm;
class TLabel3Dj;
class TPrgrsForm;
class TRaceCardGrid;
class TFormGuideGrid;
class TRaceDayGrid;
class TScheduleGrid;
class TStrGridPrinter;

class TMainForm : public QMainWindow, private BrowserView, private ReadProgress {
    Q_OBJECT
  public:
    explicit TMainForm(std::unique_ptr<JVLink> jvlink, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The program folder (the program file's folder), and the data folder: "Data" beside the
    // program, or in the user's own data folder when the program folder cannot be written.
    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    std::filesystem::path DataFolder() const { return Places().DataFolder(); }
    JVLink& JVLink1() { return *jvlink_; }
    TIniGT& IniGT1() { return ini_; }
    TPrgrsForm* PrgrsForm() { return prgrsForm_; }

    // Tool bar.
    QToolButton* JVBtn;
    QToolButton* RaceDayBtn;    // 当日情報更新
    QToolButton* SpeedButton4;  // 終了
    QToolButton* SpeedButton5;  // ﾍﾙﾌﾟ
    QToolButton* SpeedButton6;  // ﾊﾞｰｼﾞｮﾝ情報
    QToolButton* SpeedButton8;  // F
    QToolButton* ClipBtn;
    QToolButton* print1btn;
    QToolButton* print2btn;  // hidden
    QToolButton* print3btn;
    QFrame* HeadingPanel;
    std::array<TLabel3Dj*, 10> Label3D{};  // Label3D1 .. Label3D10 at index 0 .. 9

    // Body.
    QWidget* LeftPanel;
    QComboBox* DateCombo;
    QListWidget* DatList;
    QSplitter* Splitter1;
    // The tabs and their grids are made when first needed (MakeTabs): null until then.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;             // 出馬表
    QWidget* TabSheet2 = nullptr;             // 全ﾚｰｽｽｹｼﾞｭｰﾙ
    TScheduleGrid* StringGrid1 = nullptr;     // schedule
    TRaceCardGrid* StringGrid2 = nullptr;     // race card
    QWidget* TabSheet3 = nullptr;             // 馬柱
    TFormGuideGrid* FormGuideGrid = nullptr;  // the form guide of the race shown
    QWidget* TabSheet4 = nullptr;             // 速報
    TRaceDayGrid* RaceDayGrid = nullptr;      // odds, result and payouts of the race shown

    // Menus.
    QAction* JVDataItem;          // ＪＶデータ取得(&J)
    QAction* RaceDayItem;         // 当日情報更新(&T)
    QAction* RaceDayAutoItem;     // 当日情報を自動更新（5分ごと）
    QAction* FilePrintItem;       // 印刷(&P)...
    QAction* FormGuidePrintItem;  // 馬柱印刷(&U)...
    QAction* FilePrintSetupItem;
    QAction* FileExitItem;
    QAction* HelpContentsItem;
    QAction* HelpAboutItem;
    QMenu* OptionMenu;           // never shown
    QAction* DataListCloseItem;  // 読込後、ﾃﾞｰﾀﾘｽﾄを消す
    QMenu* GridPopupMenu;
    QAction* N18;  // 分析表をｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ

    // Controls that only code clicks.
    QPushButton* ReadBtn;
    QPushButton* MakeDataListBtn;
    QPushButton* IniBtn;
    QSpinBox* UpDown1;

    // What the about box and the manual do (tests replace them).
    std::function<void()> showAboutBox;
    std::function<bool(const QString&)> openManualFile;

    // Runs with each new acquisition window before it is shown (tests drive it from here).
    std::function<void(QDialog*)> beforeAcquisition;
    // Shows the filled print preview modally (tests look at it instead).
    std::function<void(TAllPrintForm&)> showPreview;

    RaceBrowser& Browser() { return *browser_; }
    // Makes the tabs and their grids now, if they are not made yet (they are made when a race
    // is first shown).
    void MakeTabs();
    // The printer in use: the system's default one, or a PDF file without one. It is looked
    // for when first needed: asking the print system costs a noticeable part of the start-up.
    Printer& CurrentPrinter();
    void SetPrinter(std::unique_ptr<Printer> printer);
    TStrGridPrinter& StrGridPrinter1();

    void JVBtnClick();
    // Fetches and files what JV-Link announces for the date of the day on display, then shows
    // that day and race again. Progress goes to the status line.
    void RaceDayUpdateClick();
    // While the automatic update is on and the day on display is today (Japan time).
    void RaceDayTimerTick();
    QTimer* RaceDayTimer;
    // Reads the runs of a day's runners a moment after the day is shown, while the user looks
    // at its card: the 馬柱 tab and 馬柱印刷 then need not read them.
    QTimer* FormsAheadTimer;
    void SpeedButton8Click();
    void MakeDataListBtnClick();
    void ClipBtnClick();
    void SuggestPdfName(const QString& name);  // for the PDF save dialog, when printing to a file
    void print1btnClick();
    void print3btnClick();
    void FormGuidePrintItemClick();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    int rowAtPress_ = -1;  // the current race list row when a mouse button went down on the list
    void FormCreate();
    void FormShow();
    void BuildToolBar();
    void BuildBody();
    void BuildMenus();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void ArrangeHeading();

    // What the browsing logic shows.
    void SetTabsVisible(bool visible) override;
    void SetDayList(const std::vector<std::string>& entries) override;
    void SetRaceList(const std::vector<std::string>& entries) override;
    void SelectRaceListEntry(int index) override;
    void SetScheduleRows(const std::vector<ScheduleRow>& rows) override;
    void SetHeading(const RaceHeading& heading) override;
    void SetRaceCardRows(const std::vector<RaceCardRow>& rows) override;
    void ClearRaceCardSelection() override;
    void SetFormGuide(const std::vector<RunnerForm>& runners) override;
    void SetRaceDay(const RaceDayInfo& race) override;
    void DayShown() override;
    void ShowMessage(const std::string& utf8, bool beep) override;
    void SetStepperRange(int max) override;
    void SetStepperPosition(int position) override;
    void SetLeftPanelVisible(bool visible) override;
    void SetOptionChecked(bool on) override;
    void SetClipboardText(const std::string& cp932) override;
    // The progress window while a day is read.
    void Show(std::string_view dayEntry, int steps) override;
    void Step() override;
    bool WaitForFiler() override;
    void Close() override;

    std::unique_ptr<JVLink> jvlink_;
    QWidget* clientArea_ = nullptr;  // holds the tabs, and keeps their place while they are hidden
    std::filesystem::path programFolder_;
    TIniGT ini_;
    TPrgrsForm* prgrsForm_ = nullptr;  // a child of the window
    std::unique_ptr<RaceBrowser> browser_;
    std::unique_ptr<Printer> printer_;
    std::unique_ptr<TStrGridPrinter> gridPrinter_;
    QSize savedSize_;
    bool shown_ = false;
};

}  // namespace turfpad
