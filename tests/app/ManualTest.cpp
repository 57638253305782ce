// The user's guide against the program: every tab, menu command and toolbar button of the
// window and every command and option of turfpad-cli is described, and the classes go by the
// names JRA uses now.
#include <gtest/gtest.h>

#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>

#include "FakeJVLink.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "Subprocess.h"
#include "TempDir.h"
#include "settings/ProgramPlaces.h"

using namespace turfpad;
using namespace turfpad::testing;

namespace {

QString Manual() {
    QFile f(QString::fromUtf8(TURFPAD_MANUAL_SOURCE));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

}  // namespace

TEST(ManualText, EveryTabMenuCommandAndToolbarButtonIsDescribed) {
    TempDir dir;
    SetProgramFile(dir.path() / "turfpad");
    TMsgDlg::SetRecording(true);
    const QString manual = Manual();
    {
        TMainForm form(std::make_unique<FakeJVLink>());
        QStringList names;
        for (int i = 0; i < form.PageControl1->count(); ++i) names << form.PageControl1->tabText(i);
        for (QAction* menu : form.menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator()) names << a->text().remove(QRegularExpression("\\(&.\\)|\\.\\.\\.$"));
        for (QToolButton* b : form.findChildren<QToolButton*>())
            if (!b->isHidden()) names << b->text();
        EXPECT_GE(names.size(), 18);
        for (const QString& name : names) EXPECT_TRUE(manual.contains(name)) << name.toStdString();
    }
    TMsgDlg::TakeShown();
    TMsgDlg::SetRecording(false);
}

TEST(ManualText, EveryCommandAndOptionOfTurfpadCliIsDescribed) {
    const RunResult help = turfpad::testing::Run(TURFPAD_CLI, {"--help"});
    ASSERT_EQ(help.status, 0);
    const QString usage = QString::fromStdString(help.out), manual = Manual();
    int commands = 0;
    for (const auto& m : QRegularExpression("turfpad-cli (\\w+)").globalMatch(usage)) {
        EXPECT_TRUE(manual.contains("turfpad-cli " + m.captured(1))) << m.captured(1).toStdString();
        ++commands;
    }
    EXPECT_EQ(commands, 7);
    for (const auto& m : QRegularExpression("--[a-z-]+").globalMatch(usage))
        EXPECT_TRUE(manual.contains(m.captured(0))) << m.captured(0).toStdString();
}

TEST(ManualText, ClassesGoByTheirNamesSinceJune2019) {
    const QString manual = Manual();
    EXPECT_TRUE(manual.contains(QString::fromUtf8("1勝クラス")));
    for (const QString& paragraph : manual.split("\n\n")) {
        if (!paragraph.contains(QString::fromUtf8("万下"))) continue;
        EXPECT_TRUE(paragraph.contains(QString::fromUtf8("2019年6月より前"))) << paragraph.toStdString();
    }
}
