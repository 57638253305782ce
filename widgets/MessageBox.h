// The one way the program shows a message box: it plays the system sound where wanted, then
// shows a screen-centred modal box. Tests switch it to recording, so no test ever waits on a
// modal box: each box is recorded and answered with the next answer a test gave.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace turfpad {

enum class MsgKind {
    Information,   // OK button, information icon
    Warning,       // OK button, warning icon
    Plain,         // OK button, no icon
    Confirmation,  // Yes and No buttons
};

enum class MsgAnswer { Ok, Yes, No };

struct ShownMessage {
    MsgKind kind;
    QString text;
    bool beep;  // the system sound played just before the box
};

class TMsgDlg {
  public:
    // Shows a box and returns the button pressed.
    static MsgAnswer Show(QWidget* parent, MsgKind kind, const QString& text, bool beep);

    static void Information(QWidget* parent, const QString& text, bool beep = true) {
        Show(parent, MsgKind::Information, text, beep);
    }
    static void Warning(QWidget* parent, const QString& text) { Show(parent, MsgKind::Warning, text, true); }
    static void Plain(QWidget* parent, const QString& text) { Show(parent, MsgKind::Plain, text, false); }
    static bool Confirm(QWidget* parent, const QString& text) {
        return Show(parent, MsgKind::Confirmation, text, false) == MsgAnswer::Yes;
    }
    // The default system sound alone.
    static void Beep();

    // Runs a user action. An error it raises (a file that cannot be written, a failing call)
    // ends only that action: it is shown in an information box and the program goes on. Qt is
    // not built to carry exceptions through its event handling, so they are caught here.
    static void Guard(QWidget* parent, const std::function<void()>& action);

    // Test support: while recording, boxes and beeps are recorded instead of shown.
    static void SetRecording(bool on);
    static bool Recording();
    static void SetNextAnswer(MsgAnswer answer);   // answers the next confirmation; default Yes
    static std::vector<ShownMessage> TakeShown();  // the boxes shown since the last call
    static int TakeBeeps();                        // lone beeps since the last call
};

}  // namespace turfpad
