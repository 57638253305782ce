#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <optional>

#include <QCalendarWidget>
#include <QDialog>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include "AboutBox.h"
#include "MessageBox.h"
#include "RaisedLabel.h"
#include "TempDir.h"
#include "WindowPlacement.h"
#include "settings/ProgramPlaces.h"

using namespace turfpad;
using turfpad::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Sets (or, with nothing, removes) an environment variable for the length of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name).toStdString();
        if (value)
            qputenv(name, QByteArray::fromStdString(*value));
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, QByteArray::fromStdString(*old_));
        else
            qunsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

QString Text(const fs::path& p) { return QString::fromStdU16String(p.u16string()); }

}  // namespace

TEST(HtmHandlerCommandLine, RemovesThePlaceholderWithTheCharacterBeforeIt) {
    const std::string url = "https://turfpad.example.jp/";
    EXPECT_EQ(HtmHandlerCommandLine("\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\"", url),
              "\"C:\\Program Files\\Web\\web.exe\" -nohome " + url);
    EXPECT_EQ(HtmHandlerCommandLine("C:\\web.exe -n %1", url), "C:\\web.exe -n " + url);
    EXPECT_EQ(HtmHandlerCommandLine("C:\\web.exe", url), "C:\\web.exe " + url);
    // Only the first placeholder goes; the quoted form wins over the bare one.
    EXPECT_EQ(HtmHandlerCommandLine("web %1 \"%1\"", url), "web %1 " + url);
}

TEST(AboutBox, ShowsTheVersionEachTimeAndReportsAFailedWebPage) {
    TempDir dir;
    SetProgramFile(dir / "turfpad");  // a portable copy: nothing more to say
    TMsgDlg::SetRecording(true);
    for (int i = 0; i < 2; ++i) {
        auto* box = new TAboutBox;
        QPointer<TAboutBox> alive(box);
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(box->size(), QSize(318, 248));
        QString asked;
        box->openWebPage = [&](const QString& address) {
            asked = address;
            return false;
        };
        box->show();
        EXPECT_EQ(box->VersionLabel->caption(), "Version 1.00");
        EXPECT_EQ(box->PlacesLabel, nullptr);
        QTest::mouseClick(box->HomePageButton, Qt::LeftButton);
        EXPECT_EQ(asked, QString::fromUtf8(kMakerWebPage));
        auto shown = TMsgDlg::TakeShown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].kind, MsgKind::Plain);
        EXPECT_EQ(shown[0].text, QString::fromUtf8("ホームページの表示に失敗しました。"));
        if (i == 0) {
            QTest::mouseClick(box->OKButton, Qt::LeftButton);
        } else {  // Return closes the box, even with the focus left on the web page button
            box->HomePageButton->setFocus();
            QTest::keyClick(box->HomePageButton, Qt::Key_Return);
            EXPECT_TRUE(TMsgDlg::TakeShown().empty());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());  // freed when closed
    }
    TMsgDlg::SetRecording(false);
}

#ifndef _WIN32  // the XDG folders
TEST(AboutBox, AnInstalledProgramSaysWhereItsDataAndSettingsAre) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", (dir / "xdg-data").string());
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "xdg-config").string());
    SetProgramFile(dir / "usr" / "bin" / "turfpad");  // a folder that cannot be written
    TAboutBox box;
    ASSERT_NE(box.PlacesLabel, nullptr);
    EXPECT_EQ(box.size(), QSize(318, 286));  // a strip below the buttons
    EXPECT_EQ(box.PlacesLabel->toolTip(), Text(dir / "xdg-data" / "turfpad" / "Data") + "\n" +
                                              Text(dir / "xdg-config" / "turfpad" / "turfpad.ini"));
    EXPECT_TRUE(box.PlacesLabel->text().startsWith(QString::fromUtf8("データ: ")));
    EXPECT_TRUE(box.PlacesLabel->text().contains(QString::fromUtf8("\n設定: ")));
    SetProgramFile(dir / "turfpad");
}

TEST(ProgramPlaces, TheUsersFoldersAreTheOnesQtNamesForTheProgram) {
    // What the program and turfpad-cli decide without Qt must be what QStandardPaths says
    // for an application called "turfpad", with the variables set and with the defaults.
    TempDir dir;
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(kUserFolderName);
    auto env = [](const char* n) -> std::optional<std::string> {
        const char* v = std::getenv(n);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    {
        ScopedEnv data("XDG_DATA_HOME", (dir / "d").string());
        ScopedEnv config("XDG_CONFIG_HOME", (dir / "c").string());
        ProgramPlaces p = PlacesFor(dir / "bin", false, env);
        EXPECT_EQ(Text(p.dataHome), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        EXPECT_EQ(Text(p.settingsHome), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    }
    {
        ScopedEnv home("HOME", (dir / "home").string());
        ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        ProgramPlaces p = PlacesFor(dir / "bin", false, env);
        EXPECT_EQ(Text(p.dataHome), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        EXPECT_EQ(Text(p.settingsHome), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        EXPECT_EQ(p.dataHome, dir / "home" / ".local" / "share" / "turfpad");
    }
    QCoreApplication::setApplicationName(name);
}
#endif

TEST(Startup, CaptionsStayAsGivenAndWidgetsSpeakJapanese) {
    // No display name of the program's own, which Qt would append to every caption.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    EXPECT_EQ(QLocale().territory(), QLocale::Japan);
    // The date picker's calendar names the month and the weekdays in Japanese.
    QCalendarWidget calendar;
    calendar.setCurrentPage(2026, 12);
    EXPECT_EQ(calendar.locale().standaloneMonthName(12), QString::fromUtf8("12月"));
    EXPECT_EQ(calendar.locale().dayName(1, QLocale::ShortFormat), QString::fromUtf8("月"));
}

TEST(AboutBox, IsCentredOnTheScreenNotOnItsOwner) {
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    auto* box = new TAboutBox(&owner);
    box->show();
    QApplication::processEvents();
    const QRect screen = owner.screen()->availableGeometry();
    EXPECT_LE(std::abs(box->frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(box->frameGeometry().center().y() - screen.center().y()), 1);
    box->close();
}

TEST(WindowPlacement, CentresAnyWindowAndKeepsOuterSizes) {
    QWidget owner;
    owner.setGeometry(0, 0, 100, 80);
    owner.show();
    QDialog dialog(&owner);
    dialog.resize(301, 151);
    CentreOnScreen(&dialog);
    const QRect screen = owner.screen()->availableGeometry();
    EXPECT_EQ(dialog.pos(),
              QPoint(screen.left() + (screen.width() - 301) / 2, screen.top() + (screen.height() - 151) / 2));

    // The outer size is kept, frame included, once the platform has told the frame (offscreen
    // tells a thin one).
    QWidget window;
    window.resize(50, 50);
    window.show();
    ApplyOuterSize(&window, QSize(630, 450));
    QTest::qWait(100);
    EXPECT_EQ(window.frameGeometry().size(), QSize(630, 450));
}
