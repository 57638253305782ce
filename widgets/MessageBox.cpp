#include "MessageBox.h"

#include "WindowPlacement.h"

#include <QApplication>
#include <QMessageBox>
#include <QShowEvent>
#include <deque>
#include <exception>

namespace turfpad {
namespace {
struct Recorder {
    bool on = false;
    std::deque<MsgAnswer> answers;
    std::vector<ShownMessage> shown;
    int beeps = 0;
};
Recorder& R() {
    static Recorder r;
    return r;
}

// A message box centred on the screen, not on the window that asked.
class ScreenCentredBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // sizes the box to its text
        CentreOnScreen(this);
    }
};
}  // namespace

MsgAnswer TMsgDlg::Show(QWidget* parent, MsgKind kind, const QString& text, bool beep) {
    if (R().on) {
        R().shown.push_back({kind, text, beep});
        MsgAnswer answer = kind == MsgKind::Confirmation ? MsgAnswer::Yes : MsgAnswer::Ok;
        if (kind == MsgKind::Confirmation && !R().answers.empty()) {
            answer = R().answers.front();
            R().answers.pop_front();
        }
        return answer;
    }
    if (beep) QApplication::beep();
    ScreenCentredBox box(parent);
    box.setWindowTitle(QString::fromUtf8("ターフパッド"));
    box.setText(text);
    switch (kind) {
        case MsgKind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgKind::Plain:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgKind::Confirmation:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
    }
    if (kind != MsgKind::Confirmation) box.setStandardButtons(QMessageBox::Ok);
    int result = box.exec();
    if (kind == MsgKind::Confirmation) return result == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    return MsgAnswer::Ok;
}

void TMsgDlg::Beep() {
    if (R().on) {
        ++R().beeps;
        return;
    }
    QApplication::beep();
}

void TMsgDlg::Guard(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        Information(parent, QString::fromUtf8(e.what()));
    }
}

void TMsgDlg::SetRecording(bool on) {
    R() = Recorder{};
    R().on = on;
}
bool TMsgDlg::Recording() { return R().on; }
void TMsgDlg::SetNextAnswer(MsgAnswer answer) { R().answers.push_back(answer); }
std::vector<ShownMessage> TMsgDlg::TakeShown() { return std::exchange(R().shown, {}); }
int TMsgDlg::TakeBeeps() { return std::exchange(R().beeps, 0); }

}  // namespace turfpad
