#include "AcquisitionWindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCharFormat>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "JapaneseUi.h"
#include "MessageBox.h"
#include "QtText.h"

namespace turfpad {
namespace {
constexpr int kListRefreshMs = 50;

// The calendar's heading as Japanese write it, "2026年 12月": Qt names the month first and
// gives the year as a bare number.
void YearBeforeMonth(QCalendarWidget* calendar) {
    auto* bar = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    auto* year = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    auto* yearEdit = calendar->findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit"));
    auto* row = bar != nullptr ? qobject_cast<QHBoxLayout*>(bar->layout()) : nullptr;
    if (month == nullptr || year == nullptr || yearEdit == nullptr || row == nullptr) return;
    yearEdit->setSuffix(QStringLiteral("年"));  // the year button shows the edit's text
    year->setText(yearEdit->text());
    row->removeWidget(month);
    row->insertWidget(row->indexOf(year) + 1, month);
}
}  // namespace

TGetDataForm::TGetDataForm(JVLink& jvlink, std::filesystem::path dataFolder, IniStore& settings,
                           std::function<void()> rebuildDayList, QWidget* parent, std::function<LocalDateTime()> now)
    : QDialog(parent), rebuildDayList_(std::move(rebuildDayList)) {
    setObjectName("GetDataForm");
    setWindowTitle(QString::fromUtf8("ＪＶデータ取込"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(PixelFont(QString::fromUtf8(kPGothic), 12));
    resize(420, 440);

    auto* column = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(panel);
    ButtonStart = new QPushButton(QString::fromUtf8("データ取込み開始"), panel);
    ButtonStart->setObjectName("ButtonStart");
    ButtonCancel = new QPushButton(QString::fromUtf8("データ取込み中止"), panel);
    ButtonCancel->setObjectName("ButtonCancel");
    SpeedButton1 = new QToolButton(panel);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText(QString::fromUtf8("JVLink設定"));
    SpeedButton1->setToolTip(QString::fromUtf8("JRA-VAN　Data Lab.のサービスキーやデータ保存場所の設定をします"));
    buttons->addWidget(ButtonStart);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton1);
    column->addWidget(panel);

    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setFont(PixelFont(QString::fromUtf8(kGothic), 13, true));
    ProgressLabel->setStyleSheet("color: blue;");
    column->addWidget(ProgressLabel);

    column->addWidget(new QLabel(QString::fromUtf8("ダウンロード"), this));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    column->addWidget(ProgressBar1);
    column->addWidget(new QLabel(QString::fromUtf8("読込み"), this));
    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName("ProgressBar2");
    column->addWidget(ProgressBar2);
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }

    column->addWidget(new QLabel(QString::fromUtf8("作成済みデータ"), this));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setFont(PixelFont(QString::fromUtf8(kGothic), 12));
    ListBox1->setUniformItemSizes(true);
    column->addWidget(ListBox1, 1);

    column->addWidget(new QLabel(QString::fromUtf8("取得開始日付"), this));
    DateTimePicker1 = new QDateEdit(this);
    DateTimePicker1->setObjectName("DateTimePicker1");
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setDisplayFormat(QString::fromUtf8("yyyy'年'M'月'd'日'"));
    // Saturdays blue and Sundays red, as a Japanese calendar has them.
    QTextCharFormat saturday, sunday;
    saturday.setForeground(QColor(0, 0, 255));
    sunday.setForeground(QColor(255, 0, 0));
    DateTimePicker1->calendarWidget()->setWeekdayTextFormat(Qt::Saturday, saturday);
    DateTimePicker1->calendarWidget()->setWeekdayTextFormat(Qt::Sunday, sunday);
    YearBeforeMonth(DateTimePicker1->calendarWidget());
    column->addWidget(DateTimePicker1);

    TimerJVStatus = new QTimer(this);
    TimerJVStatus->setInterval(10);
    listRefresh_ = new QTimer(this);
    listRefresh_->setSingleShot(true);
    listRefresh_->setInterval(kListRefreshMs);
    paintHold_ = new QTimer(this);
    paintHold_->setSingleShot(true);
    paintHold_->setInterval(kListRefreshMs);

    logic_ = std::make_unique<GetDataLogic>(jvlink, std::move(dataFolder), settings, static_cast<GetDataView&>(*this),
                                            std::move(now));

    // The start button stands disabled while an acquisition runs, so that a second start is
    // seen to be impossible; every action that can end one enables it again when it has.
    connect(ButtonStart, &QPushButton::clicked, this, [this] {
        ButtonStart->setEnabled(false);
        TMsgDlg::Guard(this, [&] { logic_->Start(); });
        UpdateStartButton();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] {
        TMsgDlg::Guard(this, [&] { logic_->Cancel(); });
        UpdateStartButton();
    });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { TMsgDlg::Guard(this, [&] { logic_->Settings(); }); });
    connect(TimerJVStatus, &QTimer::timeout, this, [this] {
        TMsgDlg::Guard(this, [&] { logic_->Timer(); });
        UpdateStartButton();
    });
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, [this] { DateChanged(); });
    connect(listRefresh_, &QTimer::timeout, this, [this] { FlushList(); });
    connect(paintHold_, &QTimer::timeout, this, [this] { PaintNow(); });

    logic_->Open();
}

TGetDataForm::~TGetDataForm() = default;

void TGetDataForm::UpdateStartButton() {
    if (logic_) ButtonStart->setEnabled(logic_->GetState() == GetDataLogic::State::Idle);
}

void TGetDataForm::closeEvent(QCloseEvent* e) {
    const bool mayClose = logic_->CloseRequested();
    UpdateStartButton();
    if (!mayClose) {
        e->ignore();  // the read loop ends first; the window then closes itself
        return;
    }
    if (rebuildDayList_) rebuildDayList_();
    e->accept();
}

void TGetDataForm::reject() { close(); }

void TGetDataForm::DateChanged() {
    if (settingDate_) return;
    // The user picks the date; the time of day stays as it was loaded.
    LocalDateTime t = logic_->FromDate();
    QDate d = DateTimePicker1->date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    logic_->SetFromDate(t);
}

void TGetDataForm::SetStatus(const std::string& text) {
    FlushList();
    HoldPainting();
    ProgressLabel->setText(Utf8ToQString(text));
}
void TGetDataForm::SetDownloadMax(int maximum) {
    HoldPainting();
    ProgressBar1->setMaximum(maximum);
}
void TGetDataForm::SetDownloadPosition(int position) {
    FlushList();
    HoldPainting();
    ProgressBar1->setValue(position);
}
void TGetDataForm::SetReadMax(int maximum) {
    HoldPainting();
    ProgressBar2->setMaximum(maximum);
}
void TGetDataForm::SetReadPosition(int position) {
    FlushList();
    HoldPainting();
    ProgressBar2->setValue(position);
}

void TGetDataForm::HoldPainting() {
    if (paintHold_->isActive()) return;
    setUpdatesEnabled(false);
    paintHold_->start();
}

void TGetDataForm::PaintNow() {
    paintHold_->stop();
    setUpdatesEnabled(true);
}

void TGetDataForm::ClearList() {
    pendingLines_.clear();
    listRefresh_->stop();
    ListBox1->clear();
}

void TGetDataForm::AddListLine(const std::string& text) {
    pendingLines_.append(Utf8ToQString(text));
    if (!listRefresh_->isActive()) listRefresh_->start();
}

void TGetDataForm::FlushList() {
    listRefresh_->stop();
    if (pendingLines_.isEmpty()) return;
    HoldPainting();
    ListBox1->addItems(pendingLines_);
    pendingLines_.clear();
    ListBox1->scrollToBottom();
}

void TGetDataForm::SetFromDate(const LocalDateTime& t) {
    settingDate_ = true;
    DateTimePicker1->setDate(QDate(t.year, t.month, t.day));
    settingDate_ = false;
}

void TGetDataForm::Inform(const std::string& text, bool beep) {
    FlushList();
    PaintNow();
    TMsgDlg::Information(this, Utf8ToQString(text), beep);
}
bool TGetDataForm::Confirm(const std::string& text) {
    FlushList();
    PaintNow();
    return TMsgDlg::Confirm(this, Utf8ToQString(text));
}
void TGetDataForm::Beep() {
    FlushList();
    TMsgDlg::Beep();
}

void TGetDataForm::ProcessEvents(int waitMs) {
    QCoreApplication::processEvents();
    if (waitMs > 0) {
        QThread::msleep(static_cast<unsigned long>(waitMs));
        QCoreApplication::processEvents();
    }
}

void TGetDataForm::SetBusyPointer(bool busy) {
    FlushList();
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TGetDataForm::StartTimer() { TimerJVStatus->start(); }
void TGetDataForm::StopTimer() { TimerJVStatus->stop(); }
void TGetDataForm::CloseWindow() {
    FlushList();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace turfpad
