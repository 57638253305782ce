#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDialog>
#include <QGuiApplication>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "AboutBox.h"
#include "MessageBox.h"
#include "RaisedLabel.h"
#include "WindowPlacement.h"

using namespace turfpad;

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
        QTest::mouseClick(box->HomePageButton, Qt::LeftButton);
        EXPECT_EQ(asked, QString::fromUtf8(kMakerWebPage));
        auto shown = TMsgDlg::TakeShown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].kind, MsgKind::Plain);
        EXPECT_EQ(shown[0].text, QString::fromUtf8("ホームページの表示に失敗しました。"));
        QTest::mouseClick(box->OKButton, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());  // freed when closed
    }
    TMsgDlg::SetRecording(false);
}

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
