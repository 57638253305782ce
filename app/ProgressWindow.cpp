#include "ProgressWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "JapaneseUi.h"
#include "browse/DayReading.h"

namespace turfpad {

TPrgrsForm::TPrgrsForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("PrgrsForm");
    setFixedSize(349, 59);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);

    Label1 = new QLabel(QString::fromUtf8("データを読み込んでいます"), this);
    Label1->setFont(PixelFont(QString::fromUtf8(kPGothic), 12, true));
    Label1->setStyleSheet("color: blue; background: #FFFFE0;");  // light yellow
    Label1->setFixedHeight(17);

    Label2 = new QLabel(this);
    Label2->setFont(PixelFont(QString::fromUtf8(kPGothic), 12, true));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label2->setStyleSheet("color: blue; background: #A6CAF0;");  // sky blue
    Label2->setFixedHeight(19);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(14);

    StopWaitingBtn = new QPushButton(QString::fromUtf8("待つのをやめる"), this);
    StopWaitingBtn->setObjectName("StopWaitingBtn");
    StopWaitingBtn->hide();
    connect(StopWaitingBtn, &QPushButton::clicked, this, [this] { stopped_ = true; });

    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(ProgressBar1);
    layout->addWidget(StopWaitingBtn, 0, Qt::AlignHCenter);
}

void TPrgrsForm::Centre() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

void TPrgrsForm::ShowWaiting(bool on) {
    // The message in two lines, broken after its first sentence.
    Label1->setText(
        on ? QString::fromUtf8(kFolderBusyMessage).replace(QString::fromUtf8("。"), QString::fromUtf8("。\n"))
           : QString::fromUtf8("データを読み込んでいます"));
    Label1->setWordWrap(on);
    Label1->setFixedHeight(on ? 34 : 17);
    StopWaitingBtn->setVisible(on);
    setFixedSize(349, on ? 59 + 17 + 28 : 59);
    setWindowModality(on ? Qt::ApplicationModal : Qt::NonModal);
    Centre();
}

bool TPrgrsForm::Waiting() {
    if (!StopWaitingBtn->isVisible()) {
        stopped_ = false;
        ShowWaiting(true);
        show();
        raise();
    }
    QCoreApplication::processEvents();
    return !stopped_;
}

void TPrgrsForm::Begin(const QString& text, int steps) {
    Label2->setText(text);
    ProgressBar1->setRange(0, steps);
    ProgressBar1->setValue(0);
    Centre();
    show();
    raise();
}

void TPrgrsForm::Step() { ProgressBar1->setValue(ProgressBar1->value() + 1); }

void TPrgrsForm::End() {
    if (StopWaitingBtn->isVisible()) ShowWaiting(false);
    hide();
}

void TPrgrsForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(QPen(Qt::blue, 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));  // the blue frame
}

}  // namespace turfpad
