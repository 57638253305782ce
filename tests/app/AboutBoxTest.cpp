#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AboutBox.h"
#include "MessageBox.h"
#include "RaisedLabel.h"

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
