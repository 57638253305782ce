#include "Main.h"

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
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "Cp932.h"
#include "GetDataUnit.h"
#include "JVLink.h"
#include "JapaneseUi.h"
#include "KeibaFunc.h"
#include "ProgramFile.h"
#include "RaceFiles.h"
#include "TLabel3Dj.h"
#include "TMsgDlg.h"
#include "ToolIcons.h"
#include "Unit6.h"
#include "prgrsUnit.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString FromCp932(const std::string& s) { return QString::fromStdString(Cp932ToUtf8(s)); }

QToolButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint, ToolIcon icon) {
    auto* b = new FlatButton(parent);
    b->setObjectName(name);
    b->setText(U(caption));
    b->setIcon(MakeToolIcon(icon));
    b->setFixedHeight(29);
    if (hint) b->setStatusTip(U(hint));
    return b;
}

}  // namespace

std::string SoftwareIdentifier() { return std::string(kSoftwareIdFixedPart) + kVersionText; }

TMainForm::TMainForm(std::unique_ptr<JVLink> jvlink, QWidget* parent)
    : QMainWindow(parent), jvlink_(std::move(jvlink)) {
    setObjectName("MainForm");
    setWindowTitle(U("ターフパッド for JRA-VAN Data Lab."));
    setFont(PixelFont(U(kPGothic), 12));
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
    ClipBtn = MakeButton(buttons, "ClipBtn", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", "出馬表をクリップボードへコピーします", ToolIcon::Clipboard);
    print1btn =
        MakeButton(buttons, "print1btn", "出馬表印刷", "各レースのターフパッドを印刷します", ToolIcon::PrintCard);
    print3btn =
        MakeButton(buttons, "print3btn", "ｽｹｼﾞｭｰﾙ印刷", "本日のレースの一覧表を印刷します", ToolIcon::PrintSchedule);
    SpeedButton8 = MakeButton(buttons, "SpeedButton8", "F", nullptr, ToolIcon::Panel);
    SpeedButton5 = MakeButton(buttons, "SpeedButton5", "ﾍﾙﾌﾟ", "ﾍﾙﾌﾟの目次を表示します", ToolIcon::Help);
    SpeedButton6 = MakeButton(buttons, "SpeedButton6", "ﾊﾞｰｼﾞｮﾝ情報", nullptr, ToolIcon::About);
    SpeedButton4 = MakeButton(buttons, "SpeedButton4", "終了", "ソフトを終了します", ToolIcon::Exit);
    print2btn = MakeButton(buttons, "print2btn", "印刷(個別)", nullptr, ToolIcon::PrintCard);
    print2btn->hide();
    for (QToolButton* b : {JVBtn, ClipBtn, print1btn, print3btn}) row1->addWidget(b);
    for (QToolButton* b : {SpeedButton8, SpeedButton5, SpeedButton6, SpeedButton4}) row2->addWidget(b);
    row1->addStretch(1);
    row2->addStretch(1);

    HeadingPanel = new QFrame(bar);
    HeadingPanel->setObjectName("Panel2");
    HeadingPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);  // a lowered bevel
    HeadingPanel->setAutoFillBackground(true);
    QPalette pal = HeadingPanel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    HeadingPanel->setPalette(pal);

    // The race heading: racecourse, race number, date line, race name, then weight type,
    // condition, track, distance, post time and head count.
    struct Place {
        int x, y, pixels;
    };
    const Place places[10] = {{44, 5, 19},  {5, 3, 24},    {104, 2, 15},  {104, 20, 15}, {44, 41, 13},
                              {90, 41, 13}, {170, 41, 13}, {214, 41, 13}, {372, 3, 13},  {270, 41, 13}};
    for (int i = 0; i < 10; ++i) {
        auto* label = new TLabel3Dj(HeadingPanel);
        label->setObjectName(QString("Label3D%1").arg(i + 1));
        label->setFont(PixelFont(U(kGothic), places[i].pixels, true));
        label->setStyle3D(TLabel3Dj::Style::Raised);
        label->move(places[i].x, places[i].y);
        Label3D[i] = label;
    }
    Label3D[8]->setFontColor(Qt::blue);  // post time

    row->addWidget(buttons);
    row->addWidget(HeadingPanel, 1);
    auto* top = new QWidget(this);
    auto* column = new QVBoxLayout(top);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(bar);
    setCentralWidget(top);

    connect(JVBtn, &QToolButton::clicked, this, [this] { JVBtnClick(); });
    connect(SpeedButton4, &QToolButton::clicked, this, &QWidget::close);
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });
    connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton6Click(); });
    connect(SpeedButton8, &QToolButton::clicked, this, [this] { SpeedButton8Click(); });
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
    DateCombo->setFont(PixelFont(U(kPGothic), 12, true));
    DateCombo->setMaxVisibleItems(20);
    QPalette pal = DateCombo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Button, pal.color(QPalette::ToolTipBase));
    DateCombo->setPalette(pal);
    DatList = new QListWidget(LeftPanel);
    DatList->setObjectName("DatList");
    DatList->setFont(PixelFont(U(kGothic), 12));
    left->addWidget(DateCombo);
    left->addWidget(DatList, 1);

    // The page control sits in a client area of its own, so the space stays empty while the
    // tabs are hidden.
    auto* client = new QWidget(Splitter1);
    client->setObjectName("ClientArea");
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(client);
    clientLayout->addWidget(PageControl1);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    auto* sheet1 = new QVBoxLayout(TabSheet1);
    sheet1->setContentsMargins(0, 0, 0, 0);
    sheet1->setSpacing(0);
    auto* strip = new QFrame(TabSheet1);
    strip->setObjectName("Panel3");
    strip->setFixedHeight(19);
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StringGrid2 = new QTableWidget(TabSheet1);
    StringGrid2->setObjectName("StringGrid2");
    sheet1->addWidget(strip);
    sheet1->addWidget(StringGrid2, 1);
    TabSheet2 = new QWidget;
    auto* sheet2 = new QVBoxLayout(TabSheet2);
    sheet2->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new QTableWidget(TabSheet2);
    StringGrid1->setObjectName("StringGrid1");
    sheet2->addWidget(StringGrid1);
    PageControl1->addTab(TabSheet1, U("出馬表"));
    PageControl1->addTab(TabSheet2, U("全ﾚｰｽｽｹｼﾞｭｰﾙ"));
    PageControl1->hide();  // shown once a race card is shown

    Splitter1->addWidget(LeftPanel);
    Splitter1->addWidget(client);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({166, 464});
    column->addWidget(Splitter1, 1);

    ReadBtn = new QPushButton(U("出馬表"), this);
    MakeDataListBtn = new QPushButton(U("リスト作成"), this);
    IniBtn = new QPushButton(U("初期化"), this);
    UpDown1 = new QSpinBox(this);
    for (QWidget* w : {static_cast<QWidget*>(ReadBtn), static_cast<QWidget*>(MakeDataListBtn),
                       static_cast<QWidget*>(IniBtn), static_cast<QWidget*>(UpDown1)})
        w->hide();
    ReadBtn->setObjectName("ReadBtn");
    MakeDataListBtn->setObjectName("MakeDataListBtn");
    IniBtn->setObjectName("IniBtn");
    UpDown1->setObjectName("UpDown1");
    connect(MakeDataListBtn, &QPushButton::clicked, this, [this] { MakeDataListBtnClick(); });
}

void TMainForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(U("ﾌｧｲﾙ(&F)"));
    JVDataItem = file->addAction(U("ＪＶデータ取得(&J)"));
    file->addSeparator();
    FilePrintItem = file->addAction(U("印刷(&P)..."));
    FilePrintItem->setStatusTip(U("ﾌｧｲﾙを印刷します"));
    FilePrintSetupItem = file->addAction(U("ﾌﾟﾘﾝﾀの設定(&R)..."));
    FilePrintSetupItem->setStatusTip(U("ﾌﾟﾘﾝﾀの設定を変更します"));
    file->addSeparator();
    FileExitItem = file->addAction(U("終了(&X)"));
    FileExitItem->setStatusTip(U("このｱﾌﾟﾘｹｰｼｮﾝを終了します"));

    QMenu* help = menuBar()->addMenu(U("ﾍﾙﾌﾟ(&H)"));
    HelpContentsItem = help->addAction(U("使用説明書(&C)"));
    HelpContentsItem->setStatusTip(U("ﾍﾙﾌﾟの目次を表示します"));
    help->addSeparator();
    HelpAboutItem = help->addAction(U("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

    // The option menu is never shown; its item is reached through the settings file only.
    OptionMenu = new QMenu(U("ｵﾌﾟｼｮﾝ(&O)"), this);
    DataListCloseItem = OptionMenu->addAction(U("読込後、ﾃﾞｰﾀﾘｽﾄを消す"));
    DataListCloseItem->setCheckable(true);

    GridPopupMenu = new QMenu(this);
    N18 = GridPopupMenu->addAction(U("分析表をｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"));
    StringGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { GridPopupMenu->popup(StringGrid2->viewport()->mapToGlobal(at)); });

    connect(JVDataItem, &QAction::triggered, this, [this] { JVBtnClick(); });
    connect(FileExitItem, &QAction::triggered, this, &QWidget::close);
    connect(HelpContentsItem, &QAction::triggered, this, [this] { SpeedButton5Click(); });
    connect(HelpAboutItem, &QAction::triggered, this, [this] { SpeedButton6Click(); });
}

void TMainForm::FormCreate() {
    // The program folder is the program file's own folder, wherever the program was started.
    programFolder_ = turfpad::ProgramFolder();
    QDir::setCurrent(QString::fromStdU16String(programFolder_.u16string()));

    std::error_code ec;
    if (!fs::is_directory(DataFolder(), ec)) {
        fs::create_directory(DataFolder(), ec);
        if (ec) {
            // An installed program folder may be read-only: say so and go on; filing will
            // report the same when it is tried.
            TMsgDlg::Information(this, U("データフォルダ「") + QString::fromStdU16String(DataFolder().u16string()) +
                                           U("」を作成できません。") + QString::fromStdString(ec.message()));
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

    SetUpGrids();
    MakeDataListBtnClick();
    DataListCloseItem->setChecked(ini_.ReadBool("datalist", "close", false));
}

void TMainForm::SetUpGrids() {
    // Filled in by the browsing code.
}

void TMainForm::MakeDataListBtnClick() {
    DateCombo->clear();
    DatList->clear();
    for (const std::string& day : DayEntries(DataFolder())) DateCombo->addItem(FromCp932(day));
    DateCombo->setCurrentIndex(-1);
}

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;
    // The stored size is the window's outer size: take the frame off once it is known.
    QSize frame = frameGeometry().size() - size();
    if (!frame.isEmpty()) resize(savedSize_ - frame);
    FormShow();
}

void TMainForm::FormShow() {
    int code = jvlink_->JVInit(SoftwareIdentifier());
    if (code != 0) TMsgDlg::Plain(this, U("JVInitエラー：") + FromCp932(JVResultMessage("JVInit", code)));
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

void TMainForm::SpeedButton8Click() { LeftPanel->setVisible(!LeftPanel->isVisible()); }

void TMainForm::SpeedButton5Click() { OpenManual(this, programFolder_, openManualFile); }

void TMainForm::SpeedButton6Click() { showAboutBox(); }

}  // namespace turfpad
