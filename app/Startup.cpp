#include "Startup.h"

#include <QApplication>
#include <iostream>

#ifdef TURFPAD_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include "JapaneseUi.h"
#include "LocalJVLinkDialog.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "WidgetMap.h"
#include "jvlink/JVLinkCreationError.h"
#include "jvlink/LocalJVLink.h"
#include "jvlink/PlatformJVLink.h"
#include "text/PathText.h"

namespace turfpad {

FontConfigWarmUp::FontConfigWarmUp() {
#ifdef TURFPAD_FONTCONFIG
    // Safe beside Qt's own use: fontconfig sets its configuration up once, whichever thread
    // asks first.
    thread_ = std::thread([] { FcInit(); });
#endif
}

FontConfigWarmUp::~FontConfigWarmUp() {
    if (thread_.joinable()) thread_.join();
}

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

namespace {
// The message box says only that JV-Link is missing; why creating it failed (the COM error:
// not installed, or installed but not loadable) goes to standard error and the start-up log,
// so that a user, or whoever helps, can tell the two apart.
void LogJVLinkFailure(const std::string& error) {
    const std::string line = "JV-Link を作成できませんでした: " + (error.empty() ? std::string("原因不明") : error);
    std::cerr << "turfpad: " << line << std::endl;
    std::string writeError;
    if (!AppendStartupLog(StartupLogPath(), line, writeError))
        std::cerr << "turfpad: " << PathText(StartupLogPath()) << " に書き込めません（" << writeError << "）"
                  << std::endl;
}
}  // namespace

bool ProbeJVLink() {
    std::string error;
    if (CreateJVLink(error)) return true;  // released at once: it serves for the probe only
    LogJVLinkFailure(error);
    TMsgDlg::Information(nullptr, QString::fromStdString(JVLinkStartupMessage(error, kNoJVLinkMessage)));
    return false;
}

void PrepareApplication() {
    // No application display name: Qt would add it to every window caption, and each window
    // has the caption it is given.
    InstallFontSubstitutes();
    InstallJapaneseTranslator(QCoreApplication::instance());
    InstallWidgetMapFromEnvironment();
    LocalJVLink::SetDefaultSettingsDialog(RunLocalJVLinkDialog);
}

int RunTurfpad() {
    if (!ProbeJVLink()) return 1;
    std::string error;
    std::unique_ptr<JVLink> jvlink = CreateJVLink(error);
    if (!jvlink) {  // it went away between the probe and now
        LogJVLinkFailure(error);
        TMsgDlg::Information(nullptr, QString::fromStdString(JVLinkStartupMessage(error, kNoJVLinkMessage)));
        return 1;
    }
    TMainForm form(std::move(jvlink));
    form.show();
    return QApplication::exec();
}

}  // namespace turfpad
