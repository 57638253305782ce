#include "Startup.h"

#include <QApplication>

#include "JapaneseUi.h"
#include "LocalJVLink.h"
#include "LocalJVLinkDialog.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PlatformJVLink.h"

namespace turfpad {

bool TurfpadApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        TMsgDlg::Information(nullptr, QString::fromUtf8(e.what()));
    } catch (...) {
        TMsgDlg::Information(nullptr, QString::fromUtf8("予期しないエラーが発生しました。"));
    }
    return false;
}

bool ProbeJVLink() {
    std::string error;
    if (CreateJVLink(error)) return true;  // released at once: it serves for the probe only
    TMsgDlg::Information(nullptr, QString::fromUtf8(kNoJVLinkMessage));
    return false;
}

void PrepareApplication() {
    // No application display name: Qt would add it to every window caption, and each window
    // has the caption it is given.
    InstallFontSubstitutes();
    InstallJapaneseTranslator(QCoreApplication::instance());
    LocalJVLink::SetDefaultSettingsDialog(RunLocalJVLinkDialog);
}

int RunTurfpad() {
    if (!ProbeJVLink()) return 1;
    std::string error;
    std::unique_ptr<JVLink> jvlink = CreateJVLink(error);
    if (!jvlink) {  // it went away between the probe and now
        TMsgDlg::Information(nullptr, QString::fromUtf8(kNoJVLinkMessage));
        return 1;
    }
    TMainForm form(std::move(jvlink));
    form.show();
    return QApplication::exec();
}

}  // namespace turfpad
