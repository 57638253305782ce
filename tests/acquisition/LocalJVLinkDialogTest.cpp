#include "LocalJVLinkDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace turfpad {
namespace {

TEST(LocalJVLinkDialogTest, ShowsAndReturnsTheSettings) {
    TLocalJVLinkDialog dialog(nullptr, {"/data/jv", "KEY-1", 250, "2026-12-12 09:30"});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("JV-Link設定"));
    EXPECT_EQ(dialog.SourceEdit->text(), QStringLiteral("/data/jv"));
    EXPECT_EQ(dialog.ServiceKeyEdit->text(), QStringLiteral("KEY-1"));
    EXPECT_EQ(dialog.RateEdit->value(), 250);
    EXPECT_EQ(dialog.DemoClockEdit->text(), QStringLiteral("2026-12-12 09:30"));
    EXPECT_EQ(dialog.BrowseButton->text(), QStringLiteral("参照..."));

    dialog.SourceEdit->setText(QStringLiteral("  /data/日本語 "));
    dialog.ServiceKeyEdit->setText(QStringLiteral(" KEY-2 "));
    dialog.RateEdit->setValue(0);
    dialog.DemoClockEdit->setText(QStringLiteral(" 2026-12-13 15:00 "));
    LocalJVLinkSettings expected{"/data/日本語", "KEY-2", 0, "2026-12-13 15:00"};
    EXPECT_EQ(dialog.settings(), expected);
}

TEST(LocalJVLinkDialogTest, BrowseTakesTheChosenFolderOnly) {
    TLocalJVLinkDialog dialog(nullptr, {"/old", "", 300, ""});
    QString offered;
    QString answer = QStringLiteral("/new/folder");
    dialog.setFolderPicker([&](QWidget*, const QString& current) {
        offered = current;
        return answer;
    });
    dialog.BrowseButton->click();
    EXPECT_EQ(offered, QStringLiteral("/old"));
    EXPECT_EQ(dialog.SourceEdit->text(), QStringLiteral("/new/folder"));
    answer.clear();  // the user cancelled the folder picker
    dialog.BrowseButton->click();
    EXPECT_EQ(dialog.SourceEdit->text(), QStringLiteral("/new/folder"));
}

TEST(LocalJVLinkDialogTest, RunReportsOkAndCancel) {
    LocalJVLinkSettings settings{"", "KEY", 300, ""};
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TLocalJVLinkDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->ServiceKeyEdit->setText(QStringLiteral("NEW"));
        dialog->accept();
    });
    EXPECT_TRUE(RunLocalJVLinkDialog(settings));
    EXPECT_EQ(settings.serviceKey, "NEW");

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TLocalJVLinkDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->ServiceKeyEdit->setText(QStringLiteral("IGNORED"));
        dialog->reject();
    });
    EXPECT_FALSE(RunLocalJVLinkDialog(settings));
    EXPECT_EQ(settings.serviceKey, "NEW");
}

}  // namespace
}  // namespace turfpad
