#include "Startup.h"

#include <QApplication>

#include "JapaneseUi.h"
#include "Main.h"
#include "PlatformJVLink.h"
#include "TMsgDlg.h"

namespace turfpad {

bool ProbeJVLink() {
    std::string error;
    if (CreateJVLink(error)) return true;  // released at once: it serves for the probe only
    TMsgDlg::Information(nullptr, QString::fromUtf8(kNoJVLinkMessage));
    return false;
}

void PrepareApplication() {
    QApplication::setApplicationDisplayName(QString::fromUtf8("ターフパッド"));
    InstallFontSubstitutes();
    InstallJapaneseTranslator(QCoreApplication::instance());
}

int RunTurfpad() {
    if (!ProbeJVLink()) return 1;
    std::string error;
    TMainForm form(CreateJVLink(error));
    form.show();
    return QApplication::exec();
}

}  // namespace turfpad
