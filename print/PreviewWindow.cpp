#include "PreviewWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "MessageBox.h"
#include "PagePreview.h"
#include "PrintControls.h"
#include "Printer.h"
#include "WindowPlacement.h"
#include "settings/IniStore.h"

namespace turfpad {

namespace {
constexpr const char* kPlacementSection = "Printlocate";
constexpr const char* kZoomSection = "PrintZoom";
constexpr const char* kZoomKey = "ratio";
constexpr int kZoomItems = 4;
}  // namespace

int TAllPrintForm::ZoomOfItem(int item) {
    static constexpr int kZooms[kZoomItems] = {25, 50, 75, 100};
    return item >= 0 && item < kZoomItems ? kZooms[item] : 0;
}

TAllPrintForm::TAllPrintForm(Printer& printer, IniStore& ini, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      IniGT1(ini),
      printer_(printer) {
    Label1 = new QLabel(QStringLiteral("ﾍﾟｰｼﾞ選択"), this);
    UpDown1 = new TUpDown(this);
    UpDown1->setVisible(false);
    BitBtn2 = new QPushButton(QStringLiteral("表示ﾍﾟｰｼﾞ印刷(&P)"), this);
    BitBtn4 = new QPushButton(QStringLiteral("全ﾍﾟｰｼﾞ印刷(&A)"), this);
    BitBtn3 = new QPushButton(QStringLiteral("ﾌﾟﾘﾝﾀ設定(&S)"), this);
    BitBtn1 = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    RadioGroup1 = new TRadioGroup(QStringLiteral("倍率"), {"25%", "50%", "75%", "100%"}, 4, this);
    ScrollBox1 = new QScrollArea(this);
    scrollContent_ = new QWidget;
    PrevX1 = new TPrevX(&printer, scrollContent_);
    PrevX1->move(2, 4);
    PrevX1->SetZoomScale(50);
    PrevX1->installEventFilter(this);
    scrollContent_->resize(PrevX1->geometry().right() + 1, PrevX1->geometry().bottom() + 1);
    ScrollBox1->setWidget(scrollContent_);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setBackgroundRole(QPalette::Dark);

    // Two rows of controls beside the zoom choice, so that the window fits its usual 630 pixels.
    auto* bar = new QGridLayout;
    bar->addWidget(Label1, 0, 0);
    bar->addWidget(UpDown1, 0, 1);
    bar->addWidget(BitBtn2, 0, 2);
    bar->addWidget(BitBtn4, 0, 3);
    bar->addWidget(BitBtn3, 1, 2);
    bar->addWidget(BitBtn1, 1, 3);
    bar->addWidget(RadioGroup1, 0, 4, 2, 1);
    bar->setColumnStretch(5, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(ScrollBox1, 1);

    connect(RadioGroup1, &TRadioGroup::Clicked, this, &TAllPrintForm::RadioGroup1Click);
    connect(UpDown1, &TUpDown::Clicked, this, &TAllPrintForm::UpDown1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TAllPrintForm::BitBtn2Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TAllPrintForm::BitBtn4Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TAllPrintForm::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TAllPrintForm::FormCreate() {
    placement_ = QRect(
        IniGT1.ReadInteger(kPlacementSection, "left", 10), IniGT1.ReadInteger(kPlacementSection, "top", 10),
        IniGT1.ReadInteger(kPlacementSection, "width", 630), IniGT1.ReadInteger(kPlacementSection, "height", 450));
    move(placement_.topLeft());
    resize(placement_.size());
    int ratio = IniGT1.ReadInteger(kZoomSection, kZoomKey, 1);
    if (ratio < 0 || ratio >= kZoomItems) ratio = 1;  // a hand-edited value: the usual 50 %
    RadioGroup1->SetItemIndex(ratio);
}

void TAllPrintForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_) return;
    placed_ = true;
    // The settings hold the outer bounds: the frame comes off the size once the window
    // manager has added it.
    move(placement_.topLeft());
    ApplyOuterSize(this, placement_.size());
}

void TAllPrintForm::RadioGroup1Click() {
    int item = RadioGroup1->ItemIndex();
    if (item < 0 || item >= kZoomItems) return;
    PrevX1->SetZoomScale(ZoomOfItem(item));
    // A settings file that cannot be written is reported; the preview goes on.
    TMsgDlg::Guard(this, [&] { IniGT1.WriteInteger(kZoomSection, kZoomKey, item); });
}

void TAllPrintForm::UpDown1Click() { PrevX1->SetPageNo(UpDown1->Position()); }

void TAllPrintForm::PrintRange(int from, int to) {
    try {
        PrevX1->SetFromPage(from);
        PrevX1->SetToPage(to);
        if (!PrevX1->Print() && !printer_.JobDeclined()) TMsgDlg::Warning(this, QString::fromUtf8(kPrintFailedMessage));
    } catch (const EPrevError& e) {
        TMsgDlg::Warning(this, QString::fromUtf8(e.what()));
    }
}

void TAllPrintForm::BitBtn2Click() { PrintRange(UpDown1->Position(), UpDown1->Position()); }

void TAllPrintForm::BitBtn4Click() { PrintRange(UpDown1->Min(), UpDown1->Max()); }

void TAllPrintForm::BitBtn3Click() {
    printer_.SetupDialog(this);
    PrevX1->FitToSheet();
    PrevX1->update();
}

void TAllPrintForm::FormClose() {
    QRect outer = frameGeometry();
    TMsgDlg::Guard(this, [&] {
        IniGT1.WriteInteger(kPlacementSection, "top", outer.top());
        IniGT1.WriteInteger(kPlacementSection, "left", outer.left());
        IniGT1.WriteInteger(kPlacementSection, "width", outer.width());
        IniGT1.WriteInteger(kPlacementSection, "height", outer.height());
    });
}

void TAllPrintForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

bool TAllPrintForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PrevX1 && event->type() == QEvent::Resize)
        scrollContent_->resize(PrevX1->geometry().right() + 1, PrevX1->geometry().bottom() + 1);
    return QDialog::eventFilter(watched, event);
}

}  // namespace turfpad
