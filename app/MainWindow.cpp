#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "AboutBox.h"
#include "AcquisitionWindow.h"
#include "BrowseGrids.h"
#include "FormGuideGrid.h"
#include "FormGuidePrint.h"
#include "GridPrinter.h"
#include "HeadingLabels.h"
#include "JapaneseUi.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PrintSources.h"
#include "ProgressWindow.h"
#include "QtPrinter.h"
#include "QtText.h"
#include "RaceCardPrint.h"
#include "RaceDayGrid.h"
#include "RaisedLabel.h"
#include "ToolIcons.h"
#include "WindowPlacement.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/JVLink.h"
#include "jvlink/RaceDayUpdate.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "settings/ProgramPlaces.h"
#include "text/Cp932.h"
#include "text/SystemErrors.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

QToolButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint, ToolIcon icon) {
    auto* b = new FlatButton(parent);
    b->setObjectName(name);
    b->setText(Utf8ToQString(caption));
    b->setIcon(MakeToolIcon(icon));
    b->setFixedHeight(29);
    if (hint) b->setStatusTip(Utf8ToQString(hint));
    return b;
}

// Runs an action when a mouse button is pressed on the watched widget, before the widget sees it.
class PressWatcher : public QObject {
  public:
    PressWatcher(QObject* parent, std::function<void()> onPress) : QObject(parent), onPress_(std::move(onPress)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) onPress_();
        return false;
    }

  private:
    std::function<void()> onPress_;
};

}  // namespace

TMainForm::TMainForm(std::unique_ptr<JVLink> jvlink, QWidget* parent)
    : QMainWindow(parent), jvlink_(std::move(jvlink)) {
    setObjectName("MainForm");
    setWindowTitle(Utf8ToQString("ターフパッド for JRA-VAN Data Lab."));
    setFont(PixelFont(Utf8ToQString(kPGothic), 12));
    showAboutBox = [this] {
        auto* box = new TAboutBox(this);
        box->exec();  // frees itself when closed
    };
    BuildToolBar();
    BuildBody();
    BuildMenus();
    statusBar()->setSizeGripEnabled(true);
    FormCreate();
    prgrsForm_ = new TPrgrsForm(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildToolBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName("ToolBar");
    bar->setFixedHeight(61);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* buttons = new QWidget(bar);
    buttons->setFixedWidth(344);
    auto* rows = new QVBoxLayout(buttons);
    rows->setContentsMargins(0, 1, 0, 1);
    rows->setSpacing(1);
    auto* row1 = new QHBoxLayout;
    auto* row2 = new QHBoxLayout;
    for (QHBoxLayout* r : {row1, row2}) {
        r->setSpacing(0);
        rows->addLayout(r);
    }
    JVBtn = MakeButton(buttons, "JVBtn", "JVデータ取得", nullptr, ToolIcon::Fetch);
    RaceDayBtn = MakeButton(buttons, "RaceDayBtn", "当日更新",
                            "表示中の開催日の当日情報（馬体重・変更・オッズ・成績）を取得します", ToolIcon::Fetch);
    ClipBtn = MakeButton(buttons, "ClipBtn", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", "出馬表をクリップボードへコピーします", ToolIcon::Clipboard);
    print1btn = MakeButton(buttons, "print1btn", "出馬表印刷", "各レースの出馬表を印刷します", ToolIcon::PrintCard);
    print3btn =
        MakeButton(buttons, "print3btn", "ｽｹｼﾞｭｰﾙ印刷", "本日のレースの一覧表を印刷します", ToolIcon::PrintSchedule);
    SpeedButton8 = MakeButton(buttons, "SpeedButton8", "F", nullptr, ToolIcon::Panel);
    SpeedButton5 = MakeButton(buttons, "SpeedButton5", "ﾍﾙﾌﾟ", "ﾍﾙﾌﾟの目次を表示します", ToolIcon::Help);
    SpeedButton6 = MakeButton(buttons, "SpeedButton6", "ﾊﾞｰｼﾞｮﾝ情報", nullptr, ToolIcon::About);
    SpeedButton4 = MakeButton(buttons, "SpeedButton4", "終了", "ソフトを終了します", ToolIcon::Exit);
    print2btn = MakeButton(buttons, "print2btn", "印刷(個別)", nullptr, ToolIcon::PrintCard);
    print2btn->hide();
    for (QToolButton* b : {JVBtn, ClipBtn, print1btn, print3btn}) row1->addWidget(b);
    for (QToolButton* b : {RaceDayBtn, SpeedButton8, SpeedButton5, SpeedButton6, SpeedButton4}) row2->addWidget(b);
    row1->addStretch(1);
    row2->addStretch(1);

    HeadingPanel = new QFrame(bar);
    HeadingPanel->setObjectName("Panel2");
    HeadingPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);  // a lowered bevel
    HeadingPanel->setAutoFillBackground(true);
    QPalette pal = HeadingPanel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    HeadingPanel->setPalette(pal);

    // The race heading: Label3D1 .. Label3D10 (racecourse, race number, date line, race
    // name, weight type, condition, track, distance, post time, head count).
    for (int i = 0; i < 10; ++i) Label3D[i] = new TLabel3Dj(HeadingPanel);
    SetUpHeadingLabels(Label3D);
    ArrangeHeading();

    row->addWidget(buttons);
    row->addWidget(HeadingPanel, 1);
    auto* top = new QWidget(this);
    auto* column = new QVBoxLayout(top);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(bar);
    setCentralWidget(top);

    connect(JVBtn, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { JVBtnClick(); }); });
    connect(RaceDayBtn, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { RaceDayUpdateClick(); }); });
    connect(SpeedButton4, &QToolButton::clicked, this, &QWidget::close);
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { SpeedButton5Click(); }); });
    connect(SpeedButton6, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { SpeedButton6Click(); }); });
    connect(SpeedButton8, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { SpeedButton8Click(); }); });
}

void TMainForm::BuildBody() {
    auto* column = static_cast<QVBoxLayout*>(centralWidget()->layout());

    Splitter1 = new QSplitter(Qt::Horizontal, centralWidget());
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);

    LeftPanel = new QWidget(Splitter1);
    LeftPanel->setObjectName("Panel1");
    auto* left = new QVBoxLayout(LeftPanel);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    DateCombo = new QComboBox(LeftPanel);
    DateCombo->setObjectName("DateCombo");
    DateCombo->setFont(PixelFont(Utf8ToQString(kPGothic), 12, true));
    DateCombo->setMaxVisibleItems(20);
    // Styles that open the list as a popup over the box (Fusion among them) show every entry
    // and ignore the 20 rows; this keeps the list below the box at 20 rows in any style.
    DateCombo->setStyleSheet("QComboBox { combobox-popup: 0; }");
    QPalette pal = DateCombo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Button, pal.color(QPalette::ToolTipBase));
    DateCombo->setPalette(pal);
    DatList = new QListWidget(LeftPanel);
    DatList->setObjectName("DatList");
    DatList->setFont(PixelFont(Utf8ToQString(kGothic), 12));
    left->addWidget(DateCombo);
    left->addWidget(DatList, 1);

    // The page control sits in a client area of its own, so the space stays empty while the
    // tabs are hidden.
    auto* client = new QWidget(Splitter1);
    client->setObjectName("ClientArea");
    (new QVBoxLayout(client))->setContentsMargins(0, 0, 0, 0);
    clientArea_ = client;

    Splitter1->addWidget(LeftPanel);
    Splitter1->addWidget(client);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({166, 464});
    column->addWidget(Splitter1, 1);

    ReadBtn = new QPushButton(Utf8ToQString("出馬表"), this);
    MakeDataListBtn = new QPushButton(Utf8ToQString("リスト作成"), this);
    IniBtn = new QPushButton(Utf8ToQString("初期化"), this);
    UpDown1 = new QSpinBox(this);
    for (QWidget* w : {static_cast<QWidget*>(ReadBtn), static_cast<QWidget*>(MakeDataListBtn),
                       static_cast<QWidget*>(IniBtn), static_cast<QWidget*>(UpDown1)})
        w->hide();
    ReadBtn->setObjectName("ReadBtn");
    MakeDataListBtn->setObjectName("MakeDataListBtn");
    IniBtn->setObjectName("IniBtn");
    UpDown1->setObjectName("UpDown1");
    connect(MakeDataListBtn, &QPushButton::clicked, this,
            [this] { TMsgDlg::Guard(this, [&] { MakeDataListBtnClick(); }); });
    connect(DateCombo, &QComboBox::activated, this,
            [this](int index) { TMsgDlg::Guard(this, [&] { browser_->ChooseDayAt(index); }); });
    connect(DatList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) TMsgDlg::Guard(this, [&] { browser_->ChooseRace(row); });
    });
    // A click on the race already shown changes no row, yet it chooses that race once more (the
    // day list hides again when the option is on; an incomplete race says so again). A click
    // on another row is chosen above, when the row changes.
    DatList->viewport()->installEventFilter(
        new PressWatcher(DatList->viewport(), [this] { rowAtPress_ = DatList->currentRow(); }));
    connect(DatList, &QListWidget::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && index.row() == rowAtPress_)
            TMsgDlg::Guard(this, [&] { browser_->ChooseRace(index.row()); });
        rowAtPress_ = -1;
    });
    connect(UpDown1, &QSpinBox::valueChanged, this,
            [this](int position) { TMsgDlg::Guard(this, [&] { browser_->Step(position); }); });
    connect(ClipBtn, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { ClipBtnClick(); }); });
    connect(print1btn, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { print1btnClick(); }); });
    connect(print3btn, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { print3btnClick(); }); });
}

void TMainForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(Utf8ToQString("ﾌｧｲﾙ(&F)"));
    JVDataItem = file->addAction(Utf8ToQString("ＪＶデータ取得(&J)"));
    RaceDayItem = file->addAction(Utf8ToQString("当日情報更新(&T)"));
    RaceDayItem->setObjectName("RaceDayItem");
    RaceDayItem->setStatusTip(Utf8ToQString("表示中の開催日の当日情報を取得します"));
    RaceDayAutoItem = file->addAction(Utf8ToQString("当日情報を自動更新（5分ごと）"));
    RaceDayAutoItem->setObjectName("RaceDayAutoItem");
    RaceDayAutoItem->setCheckable(true);
    RaceDayAutoItem->setChecked(ini_.ReadBool("raceday", "autoupdate", false));
    FormsAheadTimer = new QTimer(this);
    FormsAheadTimer->setSingleShot(true);
    FormsAheadTimer->setInterval(300);
    RaceDayTimer = new QTimer(this);
    RaceDayTimer->setInterval(5 * 60 * 1000);
    if (RaceDayAutoItem->isChecked()) RaceDayTimer->start();
    file->addSeparator();
    FilePrintItem = file->addAction(Utf8ToQString("印刷(&P)..."));
    FilePrintItem->setStatusTip(Utf8ToQString("ﾌｧｲﾙを印刷します"));
    FormGuidePrintItem = file->addAction(Utf8ToQString("馬柱印刷(&U)..."));
    FormGuidePrintItem->setObjectName("FormGuidePrintItem");
    FormGuidePrintItem->setStatusTip(Utf8ToQString("各レースの馬柱を印刷します"));
    FilePrintSetupItem = file->addAction(Utf8ToQString("ﾌﾟﾘﾝﾀの設定(&R)..."));
    FilePrintSetupItem->setStatusTip(Utf8ToQString("ﾌﾟﾘﾝﾀの設定を変更します"));
    file->addSeparator();
    FileExitItem = file->addAction(Utf8ToQString("終了(&X)"));
    FileExitItem->setStatusTip(Utf8ToQString("このｱﾌﾟﾘｹｰｼｮﾝを終了します"));

    QMenu* help = menuBar()->addMenu(Utf8ToQString("ﾍﾙﾌﾟ(&H)"));
    HelpContentsItem = help->addAction(Utf8ToQString("使用説明書(&C)"));
    HelpContentsItem->setStatusTip(Utf8ToQString("ﾍﾙﾌﾟの目次を表示します"));
    help->addSeparator();
    HelpAboutItem = help->addAction(Utf8ToQString("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

    // The option menu is never shown; its item is reached through the settings file only.
    OptionMenu = new QMenu(Utf8ToQString("ｵﾌﾟｼｮﾝ(&O)"), this);
    DataListCloseItem = OptionMenu->addAction(Utf8ToQString("読込後、ﾃﾞｰﾀﾘｽﾄを消す"));
    DataListCloseItem->setCheckable(true);

    GridPopupMenu = new QMenu(this);
    N18 = GridPopupMenu->addAction(Utf8ToQString("分析表をｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"));

    connect(JVDataItem, &QAction::triggered, this, [this] { TMsgDlg::Guard(this, [&] { JVBtnClick(); }); });
    connect(RaceDayItem, &QAction::triggered, this, [this] { TMsgDlg::Guard(this, [&] { RaceDayUpdateClick(); }); });
    connect(RaceDayAutoItem, &QAction::toggled, this, [this](bool on) {
        TMsgDlg::Guard(this, [&] {
            on ? RaceDayTimer->start() : RaceDayTimer->stop();
            ini_.WriteBool("raceday", "autoupdate", on);
        });
    });
    connect(RaceDayTimer, &QTimer::timeout, this, [this] { TMsgDlg::Guard(this, [&] { RaceDayTimerTick(); }); });
    connect(FormsAheadTimer, &QTimer::timeout, this,
            [this] { TMsgDlg::Guard(this, [&] { browser_->ReadFormsAhead(); }); });
    connect(FileExitItem, &QAction::triggered, this, &QWidget::close);
    connect(FilePrintItem, &QAction::triggered, this, [this] { TMsgDlg::Guard(this, [&] { print1btnClick(); }); });
    connect(FormGuidePrintItem, &QAction::triggered, this,
            [this] { TMsgDlg::Guard(this, [&] { FormGuidePrintItemClick(); }); });
    connect(FilePrintSetupItem, &QAction::triggered, this,
            [this] { TMsgDlg::Guard(this, [&] { CurrentPrinter().SetupDialog(this); }); });
    connect(N18, &QAction::triggered, this, [this] { TMsgDlg::Guard(this, [&] { ClipBtnClick(); }); });
    connect(DataListCloseItem, &QAction::triggered, this,
            [this] { TMsgDlg::Guard(this, [&] { browser_->ToggleOption(); }); });
    connect(HelpContentsItem, &QAction::triggered, this,
            [this] { TMsgDlg::Guard(this, [&] { SpeedButton5Click(); }); });
    connect(HelpAboutItem, &QAction::triggered, this, [this] { TMsgDlg::Guard(this, [&] { SpeedButton6Click(); }); });
}

void TMainForm::FormCreate() {
    // The program folder is the program file's own folder, wherever the program was started.
    programFolder_ = turfpad::ProgramFolder();
    QDir::setCurrent(QString::fromStdU16String(programFolder_.u16string()));

    std::error_code ec;
    if (!fs::is_directory(DataFolder(), ec)) {
        fs::create_directories(DataFolder(), ec);
        if (ec) {
            // An installed program folder may be read-only: say so and go on; filing will
            // report the same when it is tried.
            TMsgDlg::Information(
                this, Utf8ToQString("データフォルダ「") + QString::fromStdU16String(DataFolder().u16string()) +
                          Utf8ToQString("」を作成できません。") + QString::fromStdString(SystemErrorText(ec)));
        }
    }

    ini_.Loaded();
    int top = ini_.ReadInteger("locate", "top", 10);
    int left = ini_.ReadInteger("locate", "left", 10);
    int width = ini_.ReadInteger("locate", "width", 630);
    int height = ini_.ReadInteger("locate", "height", 450);
    move(left, top);
    resize(width, height);
    savedSize_ = QSize(width, height);

    // The grids set themselves up (headers, widths, row heights, fixed cells); the race card
    // grid draws from the day's race card table.
    browser_ = std::make_unique<RaceBrowser>(static_cast<BrowserView&>(*this), static_cast<ReadProgress&>(*this), &ini_,
                                             DataFolder());
    MakeDataListBtnClick();
    browser_->LoadOption();
}

// The tabs and their grids (each grid is four table views) take a good part of the start-up,
// and stay hidden until a race is shown: they are made then, or when something asks for them
// before.
void TMainForm::MakeTabs() {
    if (PageControl1 != nullptr) return;
    PageControl1 = new QTabWidget(clientArea_);
    PageControl1->hide();  // shown once a race card is shown
    clientArea_->layout()->addWidget(PageControl1);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    auto* sheet1 = new QVBoxLayout(TabSheet1);
    sheet1->setContentsMargins(0, 0, 0, 0);
    sheet1->setSpacing(0);
    auto* strip = new QFrame(TabSheet1);
    strip->setObjectName("Panel3");
    strip->setFixedHeight(19);
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sheet1->addWidget(strip);
    TabSheet2 = new QWidget;
    (new QVBoxLayout(TabSheet2))->setContentsMargins(0, 0, 0, 0);
    TabSheet3 = new QWidget;
    (new QVBoxLayout(TabSheet3))->setContentsMargins(0, 0, 0, 0);
    TabSheet4 = new QWidget;
    (new QVBoxLayout(TabSheet4))->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(TabSheet1, Utf8ToQString("出馬表"));
    PageControl1->addTab(TabSheet2, Utf8ToQString("全ﾚｰｽｽｹｼﾞｭｰﾙ"));
    PageControl1->addTab(TabSheet3, Utf8ToQString("馬柱"));
    PageControl1->addTab(TabSheet4, Utf8ToQString("速報"));
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (browser_)
            TMsgDlg::Guard(this, [&] { browser_->SetFormGuideShown(PageControl1->currentWidget() == TabSheet3); });
    });
    StringGrid2 = new TRaceCardGrid(TabSheet1);
    StringGrid2->setObjectName("StringGrid2");
    static_cast<QBoxLayout*>(TabSheet1->layout())->addWidget(StringGrid2, 1);
    StringGrid2->SetTable(&browser_->Table());
    StringGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { GridPopupMenu->popup(StringGrid2->viewport()->mapToGlobal(at)); });
    StringGrid1 = new TScheduleGrid(TabSheet2);
    StringGrid1->setObjectName("StringGrid1");
    TabSheet2->layout()->addWidget(StringGrid1);
    FormGuideGrid = new TFormGuideGrid(TabSheet3);
    TabSheet3->layout()->addWidget(FormGuideGrid);
    RaceDayGrid = new TRaceDayGrid(TabSheet4);
    TabSheet4->layout()->addWidget(RaceDayGrid);
}

void TMainForm::MakeDataListBtnClick() { browser_->BuildDayList(); }

void TMainForm::SetPrinter(std::unique_ptr<Printer> printer) {
    printer_ = std::move(printer);
    if (auto* pdf = dynamic_cast<QtPrinter*>(printer_.get()))
        pdf->SetSavedNotice([this](const QString& path) {
            const QString text = Utf8ToQString("PDFファイルを保存しました：") + path;
            statusBar()->showMessage(text);
            // Saved from the print preview, which covers this window: say it there too.
            QWidget* over = QApplication::activeModalWidget();
            if (over != nullptr && over != this) TMsgDlg::Information(over, text);
        });
    gridPrinter_ = std::make_unique<TStrGridPrinter>(printer_.get());
    InstallScheduleHeader(*gridPrinter_, [this] { return browser_->Table().CurrentEntry().raceKey; });
}

Printer& TMainForm::CurrentPrinter() {
    if (!printer_) {
        auto printer = std::make_unique<QtPrinter>(PdfSaveDialog(this));
        printer->RememberFolderIn(ini_);
        SetPrinter(std::move(printer));
    }
    return *printer_;
}

TStrGridPrinter& TMainForm::StrGridPrinter1() {
    CurrentPrinter();
    return *gridPrinter_;
}

void TMainForm::SuggestPdfName(const QString& name) {
    CurrentPrinter();
    if (auto* pdf = dynamic_cast<QtPrinter*>(printer_.get())) pdf->SetSuggestedFileName(name);
}

void TMainForm::ClipBtnClick() { browser_->CopyRaceCard(); }

void TMainForm::print1btnClick() {
    // The preview window keeps its own placement and zoom in the settings file.
    TIniGT settings;
    settings.Loaded();
    std::vector<PrintedRace> races = PrintedRacesOf(browser_->Table(), browser_->RaceListSlots());
    SuggestPdfName(DateCombo->currentText());
    PrintRaceCards(this, CurrentPrinter(), settings, DateCombo->currentText(), races, showPreview);
}

void TMainForm::print3btnClick() {
    MakeTabs();
    StringGridSource grid(*StringGrid1);
    SuggestPdfName(DateCombo->currentText() + Utf8ToQString("スケジュール"));
    PrintSchedule(this, CurrentPrinter(), StrGridPrinter1(), grid, browser_->Table().CurrentEntry().raceKey);
}

void TMainForm::FormGuidePrintItemClick() {
    TIniGT settings;
    settings.Loaded();
    std::vector<RaceFormPage> pages;
    if (!DateCombo->currentText().trimmed().isEmpty()) {
        std::optional<std::vector<RaceFormPage>> read = browser_->FormGuidePages();
        if (!read) return;  // the user stopped waiting for a filer, and has been told
        pages = std::move(*read);
    }
    SuggestPdfName(DateCombo->currentText() + Utf8ToQString("馬柱"));
    PrintFormGuides(this, CurrentPrinter(), settings, DateCombo->currentText(), pages, showPreview);
}

void TMainForm::SetTabsVisible(bool visible) {
    if (visible) MakeTabs();
    if (PageControl1 != nullptr) PageControl1->setVisible(visible);
}

void TMainForm::SetDayList(const std::vector<std::string>& entries) {
    QSignalBlocker block(DateCombo);
    DateCombo->clear();
    for (const std::string& day : entries) DateCombo->addItem(Cp932ToQString(day));
    DateCombo->setCurrentIndex(-1);
}

void TMainForm::SetRaceList(const std::vector<std::string>& entries) {
    QSignalBlocker block(DatList);  // filling the list is no choice of the user
    DatList->clear();
    for (const std::string& race : entries) DatList->addItem(Cp932ToQString(race));
}

void TMainForm::SelectRaceListEntry(int index) {
    QSignalBlocker block(DatList);
    DatList->setCurrentRow(index);
}

void TMainForm::SetScheduleRows(const std::vector<ScheduleRow>& rows) {
    MakeTabs();
    StringGrid1->Fill(rows);
}
void TMainForm::SetHeading(const RaceHeading& heading) {
    ShowHeading(Label3D, heading);
    ArrangeHeading();
}

void TMainForm::ArrangeHeading() {
    // Three lines: the race number in its box, the racecourse and the date line; the race
    // name; then weight type, condition, track, distance, head count and post time, each
    // label after the one before it, so that the heading fits the default window.
    TLabel3Dj* const* l = Label3D.data();
    l[1]->move(4, 3);
    l[0]->move(l[1]->geometry().right() + 6, 6);
    l[2]->move(l[0]->geometry().right() + 8, 3);
    l[3]->move(l[2]->x(), 21);
    int x = 4;
    for (int i : {4, 5, 6, 7, 9, 8}) {
        l[i]->move(x, 41);
        if (!l[i]->caption().trimmed().isEmpty()) x = l[i]->geometry().right() + 7;
    }
}
void TMainForm::SetRaceCardRows(const std::vector<RaceCardRow>& rows) {
    MakeTabs();
    StringGrid2->Fill(rows);
}

void TMainForm::SetFormGuide(const std::vector<RunnerForm>& runners) {
    MakeTabs();
    FormGuideGrid->Fill(runners);
}

void TMainForm::DayShown() { FormsAheadTimer->start(); }

void TMainForm::SetRaceDay(const RaceDayInfo& race) {
    MakeTabs();
    RaceDayGrid->Fill(race);
}
void TMainForm::ClearRaceCardSelection() {
    if (StringGrid2 != nullptr) StringGrid2->ClearSelection();
}

void TMainForm::ShowMessage(const std::string& utf8, bool beep) {
    TMsgDlg::Information(this, QString::fromStdString(utf8), beep);
}

void TMainForm::SetStepperRange(int max) {
    QSignalBlocker block(UpDown1);
    UpDown1->setRange(0, max);
}

void TMainForm::SetStepperPosition(int position) {
    QSignalBlocker block(UpDown1);
    UpDown1->setValue(position);
}

void TMainForm::SetLeftPanelVisible(bool visible) { LeftPanel->setVisible(visible); }
void TMainForm::SetOptionChecked(bool on) { DataListCloseItem->setChecked(on); }
void TMainForm::SetClipboardText(const std::string& cp932) { SetClipboardCp932(cp932); }

void TMainForm::Show(std::string_view dayEntry, int steps) {
    prgrsForm_->Begin(Cp932ToQString(std::string(dayEntry)), steps);
    QCoreApplication::processEvents();  // once, so that the window paints
}

void TMainForm::Step() { prgrsForm_->Step(); }
bool TMainForm::WaitForFiler() { return prgrsForm_->Waiting(); }
void TMainForm::Close() { prgrsForm_->End(); }

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;
    // The stored size is the window's outer size: the frame comes off once the window
    // manager has added it.
    ApplyOuterSize(this, savedSize_);
    FormShow();
}

void TMainForm::FormShow() {
    int code = jvlink_->JVInit(SoftwareIdentifier());
    if (code != jvresult::kOk)
        TMsgDlg::Plain(this, Utf8ToQString("JVInitエラー：") + Cp932ToQString(JVResultMessage("JVInit", code)));
}

void TMainForm::closeEvent(QCloseEvent* e) {
    QRect outer = frameGeometry();
    try {
        ini_.WriteInteger("locate", "top", outer.top());
        ini_.WriteInteger("locate", "left", outer.left());
        ini_.WriteInteger("locate", "width", outer.width());
        ini_.WriteInteger("locate", "height", outer.height());
    } catch (const IniWriteError& error) {
        TMsgDlg::Information(this, QString::fromUtf8(error.what()));
    }
    e->accept();
}

void TMainForm::JVBtnClick() {
    // A new acquisition window each time, with a settings component of its own; it frees
    // itself when closed, after it had the day list rebuilt.
    TIniGT settings;
    settings.Loaded();
    auto* form = new TGetDataForm(
        *jvlink_, DataFolder(), settings, [this] { MakeDataListBtnClick(); }, this);
    if (beforeAcquisition) beforeAcquisition(form);
    form->exec();
}

namespace {
// The date (yyyymmdd) of a day entry (2026年12月12日中山), or "" when it has none.
std::string DateOfDay(const std::string& day) {
    if (day.size() < 14) return {};
    std::string date = day.substr(0, 4) + day.substr(6, 2) + day.substr(10, 2);
    return std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; }) ? date : std::string();
}
}  // namespace

void TMainForm::RaceDayUpdateClick() {
    const std::string day = browser_->CurrentDay();
    const std::string date = DateOfDay(day);
    if (date.empty()) {
        TMsgDlg::Information(this, Utf8ToQString("当日情報を取得する開催日を選んでください。"));
        return;
    }
    const int slot = browser_->CurrentRace();
    RaceDayUpdateHooks hooks;
    hooks.status = [this](const std::string& s) {
        statusBar()->showMessage(Utf8ToQString(s));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.idle = [](int ms) { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, ms); };
    const RaceDayUpdateReport report = UpdateRaceDay(*jvlink_, DataFolder(), date, hooks);
    MakeDataListBtnClick();
    if (browser_->ChooseDay(day) && slot >= 0) browser_->ShowRace(slot);
    statusBar()->showMessage(Utf8ToQString("当日情報更新" + std::string(report.failed ? "中断" : "完了") + "（登録 " +
                                           std::to_string(report.filed) + " 件、不正 " +
                                           std::to_string(report.rejected) + " 件）"));
    if (report.failed) TMsgDlg::Plain(this, Utf8ToQString(report.problems.back()));
}

void TMainForm::RaceDayTimerTick() {
    using namespace std::chrono;
    const auto japan = floor<days>(system_clock::now() + hours(9));
    const year_month_day ymd(japan);
    char today[16];
    std::snprintf(today, sizeof today, "%04d%02u%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    if (DateOfDay(browser_->CurrentDay()) == today) RaceDayUpdateClick();
}

void TMainForm::SpeedButton8Click() { LeftPanel->setVisible(!LeftPanel->isVisible()); }

void TMainForm::SpeedButton5Click() { OpenManual(this, programFolder_, openManualFile); }

void TMainForm::SpeedButton6Click() { showAboutBox(); }

}  // namespace turfpad
