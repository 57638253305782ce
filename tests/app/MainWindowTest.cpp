#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "FakeJVLink.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "ProgressWindow.h"
#include "RaisedLabel.h"
#include "ScriptedJVLink.h"
#include "Startup.h"
#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/JVLinkCreationError.h"
#include "jvlink/PlatformJVLink.h"
#include "records/RecordBuilder.h"
#include "settings/ProgramPlaces.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramFile(dir.path() / "turfpad");
        TMsgDlg::SetRecording(true);
    }
    void TearDown() override { TMsgDlg::SetRecording(false); }
    std::string Settings() { return ReadAll(dir / "turfpad.ini"); }

    TempDir dir;
};

}  // namespace

TEST_F(MainFormTest, WithoutJVLinkOnlyTheMessageIsShownAndOnlyTheCauseIsLogged) {
    ScopedJVLinkFactory failing([](std::string& error) -> std::unique_ptr<JVLink> {
        error = JVLinkCreationErrorText(0x80040154, "クラスが登録されていません。", true);
        return nullptr;
    });
    EXPECT_EQ(RunTurfpad(), 1);
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MsgKind::Information);
    EXPECT_TRUE(shown[0].beep);
    EXPECT_EQ(shown[0].text,
              QString::fromUtf8("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。"));
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    EXPECT_FALSE(fs::exists(dir / "turfpad.ini"));
    EXPECT_FALSE(fs::exists(dir / "Data"));
    // The cause, with its code, is in the log beside the settings file, a line a failed start.
    const std::string log = ReadAll(dir / "turfpad.log");
    EXPECT_NE(log.find("JV-Link を作成できませんでした: JV-Link を読み込めません。64 ビット"), std::string::npos)
        << log;
    EXPECT_NE(log.find("0x80040154 クラスが登録されていません。）\n"), std::string::npos) << log;
    EXPECT_EQ(RunTurfpad(), 1);
    TMsgDlg::TakeShown();
    const std::string twice = ReadAll(dir / "turfpad.log");
    EXPECT_EQ(std::count(twice.begin(), twice.end(), '\n'), 2);
}

TEST_F(MainFormTest, WithOnlyThe64BitJVLinkTheMessageSaysWhatToInstall) {
    ScopedJVLinkFactory failing([](std::string& error) -> std::unique_ptr<JVLink> {
        error = JVLinkCreationErrorText(0x80040154, "", false, {false, true});
        return nullptr;
    });
    EXPECT_EQ(RunTurfpad(), 1);
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith(QString::fromUtf8("64 ビット版の JV-Link だけがインストールされています。")))
        << shown[0].text.toStdString();
    EXPECT_NE(ReadAll(dir / "turfpad.log").find("0x80040154"), std::string::npos);
}

TEST_F(MainFormTest, SoftwareIdentifierGoesToJVInitOnFirstShow) {
    EXPECT_EQ(SoftwareIdentifier().size(), 42u);
    EXPECT_TRUE(SoftwareIdentifier().ends_with("/Version 1.00"));
    std::string sid;
    TMainForm form(std::make_unique<FakeJVLink>(0, &sid));
    EXPECT_TRUE(sid.empty());
    form.show();
    EXPECT_EQ(sid, SoftwareIdentifier());
    sid.clear();
    form.hide();
    form.show();
    EXPECT_TRUE(sid.empty());  // once only
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
}

TEST_F(MainFormTest, JVInitFailureIsReportedInWordsAndTheWindowStays) {
    TMainForm form(std::make_unique<FakeJVLink>(-103));
    form.show();
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MsgKind::Plain);
    EXPECT_FALSE(shown[0].beep);
    EXPECT_EQ(shown[0].text, QString::fromUtf8("JVInitエラー：sid が不正（sid の１桁目がスペース）です。(-103)"));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MainFormTest, PlacementDefaultsAndRoundTrip) {
    QRect outer;
    {
        TMainForm form(std::make_unique<FakeJVLink>());
        EXPECT_EQ(form.pos(), QPoint(10, 10));
        EXPECT_FALSE(fs::exists(dir / "turfpad.ini"));  // nothing written on start
        form.show();
        EXPECT_EQ(form.frameGeometry(), QRect(10, 10, 630, 450));  // the outer bounds
        form.move(120, 80);
        form.resize(700, 500);
        outer = form.frameGeometry();
        form.close();
    }
    EXPECT_EQ(Cp932ToUtf8(Settings()), QString("[locate]\r\ntop=%1\r\nleft=%2\r\nwidth=%3\r\nheight=%4\r\n")
                                           .arg(outer.top())
                                           .arg(outer.left())
                                           .arg(outer.width())
                                           .arg(outer.height())
                                           .toStdString());
    TMainForm again(std::make_unique<FakeJVLink>());
    again.show();
    EXPECT_EQ(again.frameGeometry(), outer);
}

TEST_F(MainFormTest, StartUpCreatesTheDataFolderAndListsItsDays) {
    TMainForm empty(std::make_unique<FakeJVLink>());
    EXPECT_TRUE(fs::is_directory(dir / "Data"));
    EXPECT_EQ(empty.DateCombo->count(), 0);
    EXPECT_EQ(empty.DataFolder(), dir.path() / "Data");
    EXPECT_EQ(fs::current_path(), dir.path());  // started from elsewhere, it works beside its file

    for (const char* day : {"12", "13"})
        FileRaceRecord(dir / "Data", RecordBuilder::Ra()
                                         .Raw(ra::Year, "2026")
                                         .Raw(ra::Month, "12")
                                         .Raw(ra::Day, day)
                                         .Raw(ra::Racecourse, "06")
                                         .Raw(ra::RaceNumber, "01")
                                         .str());
    TMainForm form(std::make_unique<FakeJVLink>());
    ASSERT_EQ(form.DateCombo->count(), 2);
    EXPECT_EQ(form.DateCombo->itemText(0), QString::fromUtf8("2026年12月13日中山"));
    EXPECT_EQ(form.DateCombo->currentIndex(), -1);  // nothing chosen yet
    EXPECT_TRUE(form.PageControl1 == nullptr || !form.PageControl1->isVisible());
    EXPECT_FALSE(form.PrgrsForm()->isVisible());
}

TEST_F(MainFormTest, OptionCheckMarkComesFromTheSettingsFile) {
    WriteAll(dir / "turfpad.ini", "[datalist]\r\nclose=2\r\n");
    TMainForm form(std::make_unique<FakeJVLink>());
    EXPECT_TRUE(form.DataListCloseItem->isChecked());
}

TEST_F(MainFormTest, FButtonTogglesTheLeftPanel) {
    TMainForm form(std::make_unique<FakeJVLink>());
    form.show();
    ASSERT_TRUE(form.LeftPanel->isVisible());
    QTest::mouseClick(form.SpeedButton8, Qt::LeftButton);
    EXPECT_FALSE(form.LeftPanel->isVisible());
    QTest::mouseClick(form.SpeedButton8, Qt::LeftButton);
    EXPECT_TRUE(form.LeftPanel->isVisible());
}

// Resting the pointer on a control with a hint shows the hint in the status line; leaving it
// empties the line, and a control without a hint shows nothing.
TEST_F(MainFormTest, TheStatusLineShowsTheHintOfTheControlUnderThePointer) {
    TMainForm form(std::make_unique<FakeJVLink>());
    form.show();
    auto rest = [&form](QWidget* control) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(control, &enter);
        return form.statusBar()->currentMessage().toStdString();
    };
    auto leave = [&form](QWidget* control) {
        QEvent left(QEvent::Leave);
        QApplication::sendEvent(control, &left);
        return form.statusBar()->currentMessage().toStdString();
    };
    EXPECT_EQ(rest(form.ClipBtn), "出馬表をクリップボードへコピーします");
    EXPECT_EQ(leave(form.ClipBtn), "");
    EXPECT_EQ(rest(form.print1btn), "各レースの出馬表を印刷します");
    EXPECT_EQ(rest(form.print3btn), "本日のレースの一覧表を印刷します");
    EXPECT_EQ(rest(form.SpeedButton5), "ﾍﾙﾌﾟの目次を表示します");
    EXPECT_EQ(rest(form.SpeedButton4), "ソフトを終了します");
    EXPECT_EQ(leave(form.SpeedButton4), "");
    EXPECT_EQ(rest(form.JVBtn), "");
    EXPECT_EQ(rest(form.SpeedButton6), "");
}

// The menu items and the grid's pop-up item do what their buttons do; the controls that only
// code clicks are never shown.
TEST_F(MainFormTest, MenuItemsActAsTheirButtons) {
    TMainForm form(std::make_unique<FakeJVLink>());
    form.show();
    auto shown = [] {
        std::vector<std::string> texts;
        for (const ShownMessage& m : TMsgDlg::TakeShown()) texts.push_back(m.text.toStdString());
        return texts;
    };
    shown();
    form.print1btn->click();  // before a day is chosen: asks for one
    const std::vector<std::string> byButton = shown();
    ASSERT_EQ(byButton, std::vector<std::string>{"分析用ﾃﾞｰﾀを選択してください。"});
    form.FilePrintItem->trigger();
    EXPECT_EQ(shown(), byButton);

    form.ClipBtn->click();  // nothing to copy yet
    const std::vector<std::string> copied = shown();
    ASSERT_EQ(copied, std::vector<std::string>{"コピーする出馬表がありません。"});
    form.N18->trigger();
    EXPECT_EQ(shown(), copied);

    EXPECT_TRUE(form.print2btn->isHidden());
    EXPECT_TRUE(form.ReadBtn->isHidden());
    form.FileExitItem->trigger();  // as the exit button: the window closes
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, AboutBoxAndManualFromTheWindow) {
    TMainForm form(std::make_unique<FakeJVLink>());
    int abouts = 0;
    form.showAboutBox = [&] { ++abouts; };
    QTest::mouseClick(form.SpeedButton6, Qt::LeftButton);
    form.HelpAboutItem->trigger();
    EXPECT_EQ(abouts, 2);

    QString opened;
    bool viewerStarts = true;
    form.openManualFile = [&](const QString& path) {
        opened = path;
        return viewerStarts;
    };
    form.HelpContentsItem->trigger();
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QString::fromUtf8("使用解説書[Turfpad.pdf]が見つかりません。"));
    EXPECT_TRUE(shown[0].beep);
    WriteAll(dir / "Turfpad.pdf", "%PDF");
    QTest::mouseClick(form.SpeedButton5, Qt::LeftButton);
    const QString manual = QString::fromStdString((dir / "Turfpad.pdf").string());
    EXPECT_EQ(opened, manual);
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
    // No viewer: say so, and where the manual is.
    viewerStarts = false;
    form.HelpContentsItem->trigger();
    shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              QString::fromUtf8("使用解説書を開けませんでした。\nPDFファイルを表示するソフトをインストール"
                                "してから、\nもう一度お試しください。\n使用解説書の場所：") +
                  manual);
}

TEST_F(MainFormTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowGoesOn) {
    fs::create_directories(dir / "turfpad.ini" / "x");  // a folder where the file should be
    TMainForm form(std::make_unique<FakeJVLink>());
    form.show();
    form.DataListCloseItem->trigger();
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              QString::fromStdString((dir / "turfpad.ini").string()) + QString::fromUtf8(" に書き込めません"));
    EXPECT_TRUE(form.isVisible());
    form.SpeedButton8->click();  // and the window still answers
    EXPECT_FALSE(form.LeftPanel->isVisible());
}

// 当日更新 fetches the date of the day on display, files what came and shows the day again;
// without a day it says what to do. The automatic update is kept in the settings file.
TEST_F(MainFormTest, TheRaceDayUpdateFetchesTheDayOnDisplayAndKeepsItsRefreshSetting) {
    auto scripted = std::make_unique<ScriptedJVLink>();
    ScriptedJVLink& jv = *scripted;
    TMainForm form(std::move(scripted));
    form.RaceDayBtn->click();
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QString::fromUtf8("当日情報を取得する開催日を選んでください。"));
    EXPECT_EQ(jv.Count("JVRTOpen 0B15 20261212"), 0);

    fs::create_directories(form.DataFolder());
    const std::string ra = RecordBuilder::Ra().Raw({12, 8}, "20261212").Raw({20, 2}, "06").Raw({26, 2}, "11").str();
    FileRaceRecord(form.DataFolder(), ra);
    FileRaceRecord(
        form.DataFolder(),
        RecordBuilder::Se().Raw({12, 8}, "20261212").Raw({20, 2}, "06").Raw({26, 2}, "11").Raw({29, 2}, "01").str());
    ASSERT_TRUE(form.Browser().ChooseDay(Sj("2026年12月12日中山")));
    jv.realtime["0B31 " + ra.substr(11, 16)] = {
        0, {std::string("O1") + ra.substr(2, 25) + std::string(933, ' ') + "\r\n"}};
    form.RaceDayBtn->click();
    EXPECT_EQ(jv.Count("JVRTOpen 0B15 20261212"), 1);
    EXPECT_EQ(form.statusBar()->currentMessage(), QString::fromUtf8("当日情報更新完了（登録 1 件、不正 0 件）"));
    EXPECT_EQ(form.Browser().CurrentDay(), Sj("2026年12月12日中山"));
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());

    EXPECT_FALSE(form.RaceDayTimer->isActive());
    form.RaceDayAutoItem->trigger();
    EXPECT_TRUE(form.RaceDayTimer->isActive());
    EXPECT_NE(Settings().find("[raceday]\r\nautoupdate=1"), std::string::npos) << Settings();
}

// The tool bar pictures are drawn when first painted: each must still come out drawn, at the
// size the button paints it, and greyed when its button is disabled.
TEST_F(MainFormTest, ToolBarPicturesAreDrawnAndGreyedWhenDisabled) {
    TMainForm form(std::make_unique<FakeJVLink>());
    const auto opaque = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    };
    for (QToolButton* b : {form.JVBtn, form.RaceDayBtn, form.ClipBtn, form.print1btn, form.print3btn, form.SpeedButton8,
                           form.SpeedButton5, form.SpeedButton6, form.SpeedButton4}) {
        const QImage normal = b->icon().pixmap(14, 14).toImage();
        const QImage disabled = b->icon().pixmap(14, 14, QIcon::Disabled).toImage();
        ASSERT_EQ(normal.size(), QSize(14, 14)) << b->objectName().toStdString();
        EXPECT_GT(opaque(normal), 14 * 14 / 4) << b->objectName().toStdString();
        EXPECT_EQ(opaque(disabled), opaque(normal)) << b->objectName().toStdString();
        EXPECT_NE(disabled, normal) << b->objectName().toStdString();
    }
}
