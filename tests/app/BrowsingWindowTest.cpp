// The main window with a demo week filed into its data folder: choosing days and races,
// copying, the option, and both print commands on a fake printer.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "BrowseGrids.h"
#include "FakeJVLink.h"
#include "FakePrinter.h"
#include "FormGuideGrid.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "ProgressWindow.h"
#include "RaisedLabel.h"
#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "formguide/HorseRunIndex.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"
#include "settings/ProgramPlaces.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

class BrowsingWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramFile(dir.path() / "turfpad");
        TMsgDlg::SetRecording(true);
        fs::create_directories(dir / "Data");
        using namespace std::chrono;
        RaceFiler filer(dir / "Data");
        for (const JvdFile& f : DemoProgramme(sys_days(year{2026} / December / 10)))
            for (const std::string& r : SplitRecords(f.content)) filer.File(r);
        filer.Flush();
        form = std::make_unique<TMainForm>(std::make_unique<FakeJVLink>());
        auto fake = std::make_unique<FakePrinter>();
        printer = fake.get();
        form->SetPrinter(std::move(fake));
        form->show();
    }
    void TearDown() override {
        form.reset();
        TMsgDlg::SetRecording(false);
    }
    int DayIndex(const char* day) { return form->DateCombo->findText(QString::fromUtf8(day)); }
    void ChooseDay(const char* day) {
        int index = DayIndex(day);
        ASSERT_GE(index, 0) << day;
        form->DateCombo->setCurrentIndex(index);
        emit form->DateCombo->activated(index);  // as the user's pick
    }

    TempDir dir;
    std::unique_ptr<TMainForm> form;
    FakePrinter* printer = nullptr;
};

}  // namespace

TEST_F(BrowsingWindowTest, ChoosingADayListsItsRacesAndShowsTheLastOne) {
    ASSERT_EQ(form->DateCombo->count(), 6);
    EXPECT_EQ(form->DateCombo->itemText(0), QString::fromUtf8("2026年12月13日中山"));
    ChooseDay("2026年12月12日中山");
    EXPECT_FALSE(form->PrgrsForm()->isVisible());
    ASSERT_EQ(form->DatList->count(), 12);
    EXPECT_EQ(form->DatList->currentRow(), 11);
    EXPECT_TRUE(form->DatList->item(0)->text().endsWith(QString::fromUtf8("日 1R")));
    EXPECT_TRUE(form->PageControl1->isVisible());
    EXPECT_EQ(form->Label3D[1]->caption(), "12");
    // The third heading line, left to right: weight type, condition, track, distance, head
    // count, post time.
    for (int k : {4, 5, 6, 7, 9})
        EXPECT_LT(form->Label3D[k]->x(), form->Label3D[k == 7 ? 9 : k == 9 ? 8 : k + 1]->x()) << k;
    EXPECT_EQ(form->StringGrid1->RowCount(), 13);
    EXPECT_EQ(form->UpDown1->maximum(), 11);
    EXPECT_EQ(form->UpDown1->value(), 11);

    form->DatList->setCurrentRow(2);  // the user picks race 3
    EXPECT_EQ(form->Label3D[1]->caption(), " 3");
    EXPECT_EQ(form->UpDown1->value(), 2);
    EXPECT_EQ(form->StringGrid2->RowCount(), form->Browser().Table().Race(2).RunnerCount() + 1);
    EXPECT_TRUE(TMsgDlg::TakeShown().empty());
}

// A row the user selected in the race card belongs to the race it was selected in: showing
// another race clears it, and a new day's schedule starts without a selection.
TEST_F(BrowsingWindowTest, TheOpenDayListIsTwentyRowsHighHoweverManyDaysThereAre) {
    QComboBox* days = form->DateCombo;
    for (int i = days->count(); i < 48; ++i) days->addItem(QString::number(i));  // 13 weeks' worth
    days->showPopup();
    QAbstractItemView* list = days->view();
    const int rows = list->viewport()->height() / list->sizeHintForRow(0);
    days->hidePopup();
    EXPECT_EQ(rows, 20);
}

TEST_F(BrowsingWindowTest, ARaceShownStartsAtTheLeftEdgeOfItsCard) {
    ChooseDay("2026年12月12日阪神");
    QScrollBar* sideways = form->StringGrid2->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);  // the default window shows part of the card
    sideways->setValue(sideways->maximum());
    form->DatList->setCurrentRow(0);
    EXPECT_EQ(sideways->value(), 0);
}

TEST_F(BrowsingWindowTest, ShowingARaceClearsTheRaceCardSelection) {
    ChooseDay("2026年12月12日阪神");
    form->StringGrid2->SelectRow(3);
    ASSERT_EQ(form->StringGrid2->SelectedRow(), 3);
    form->StringGrid1->SelectRow(2);
    ASSERT_EQ(form->StringGrid1->SelectedRow(), 2);
    form->DatList->setCurrentRow(2);
    EXPECT_EQ(form->StringGrid2->SelectedRow(), -1);
    const QByteArray otherDay = form->DateCombo->itemText(0).toUtf8();
    ChooseDay(otherDay.constData());
    EXPECT_EQ(form->StringGrid1->SelectedRow(), -1);
    EXPECT_EQ(form->StringGrid2->SelectedRow(), -1);
}

TEST_F(BrowsingWindowTest, CopyPutsTheRaceCardOnTheClipboard) {
    QGuiApplication::clipboard()->setText("before");
    form->ClipBtn->click();  // nothing read yet: the clipboard stays as it was
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    TMsgDlg::TakeShown();

    ChooseDay("2026年12月12日中山");
    form->N18->trigger();
    QString text = QGuiApplication::clipboard()->text();
    std::string expected = Cp932ToUtf8(*form->Browser().RaceCardText());
    EXPECT_EQ(text.toStdString(), expected);
    EXPECT_TRUE(text.startsWith(form->Label3D[2]->caption() + "12R\r\n"));
    QStringList lines = text.split("\r\n");
    EXPECT_EQ(lines[1], QString::fromUtf8("枠\t馬\t馬名\t性齢\t斤量\t騎手\t調教師\tﾌﾞﾘﾝｶ\t見習"));
    for (int i = 1; i < lines.size() - 1; ++i) EXPECT_EQ(lines[i].count('\t'), 8) << i;
}

TEST_F(BrowsingWindowTest, TheIncompleteRaceKeepsTheTabsHiddenAndSaysWhich) {
    // One race of the demo week lacks a runner; find it by choosing every race.
    bool seen = false;
    for (int d = 0; d < form->DateCombo->count() && !seen; ++d) {
        form->DateCombo->setCurrentIndex(d);
        emit form->DateCombo->activated(d);
        for (int r = 0; r < form->DatList->count() && !seen; ++r) {
            TMsgDlg::TakeShown();
            form->DatList->setCurrentRow(r);
            auto shown = TMsgDlg::TakeShown();
            if (shown.empty()) continue;
            seen = true;
            EXPECT_TRUE(shown[0].text.endsWith(QString::fromUtf8("Rはデータ作成が未完了です。")))
                << shown[0].text.toStdString();
            EXPECT_FALSE(form->PageControl1->isVisible());
            // Clicked again, the same race says it again, once a click; clicking another race
            // chooses that one once.
            const QPoint at = form->DatList->visualItemRect(form->DatList->item(r)).center();
            for (int again = 0; again < 2; ++again) {
                QTest::mouseClick(form->DatList->viewport(), Qt::LeftButton, {}, at);
                EXPECT_EQ(TMsgDlg::TakeShown().size(), 1u) << again;
            }
            const int other = r == 0 ? 1 : 0;
            QTest::mouseClick(form->DatList->viewport(), Qt::LeftButton, {},
                              form->DatList->visualItemRect(form->DatList->item(other)).center());
            EXPECT_EQ(form->DatList->currentRow(), other);
            EXPECT_TRUE(TMsgDlg::TakeShown().empty());
            QTest::mouseClick(form->DatList->viewport(), Qt::LeftButton, {}, at);
            EXPECT_EQ(TMsgDlg::TakeShown().size(), 1u);
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(BrowsingWindowTest, TheOptionHidesTheDayListOnceARaceIsShownAndIsStored) {
    form->DataListCloseItem->trigger();
    EXPECT_TRUE(form->DataListCloseItem->isChecked());
    EXPECT_NE(ReadAll(dir / "turfpad.ini").find("[datalist]\r\nclose=1"), std::string::npos);
    ChooseDay("2026年12月13日阪神");
    EXPECT_FALSE(form->LeftPanel->isVisible());
    form->SpeedButton8->click();  // "F" brings it back
    EXPECT_TRUE(form->LeftPanel->isVisible());
    // A click on the race already shown chooses it again: the list goes once more.
    const int current = form->DatList->currentRow();
    ASSERT_GE(current, 0);
    QTest::mouseClick(form->DatList->viewport(), Qt::LeftButton, {},
                      form->DatList->visualItemRect(form->DatList->item(current)).center());
    EXPECT_EQ(form->DatList->currentRow(), current);
    EXPECT_FALSE(form->LeftPanel->isVisible());
    form->SpeedButton8->click();
    form->DataListCloseItem->trigger();
    EXPECT_NE(ReadAll(dir / "turfpad.ini").find("[datalist]\r\nclose=0"), std::string::npos);
}

TEST_F(BrowsingWindowTest, RaceCardPrintingFillsThePreviewWithOnePagePerRace) {
    int shows = 0;
    form->showPreview = [&](TAllPrintForm& preview) {
        ++shows;
        EXPECT_EQ(preview.windowTitle(), QString::fromUtf8("ターフパッド　印刷"));
        EXPECT_EQ(preview.PrevX1->PageCount(), 12);
        EXPECT_EQ(preview.UpDown1->Max(), 12);
    };
    form->print1btn->click();  // no day chosen: a warning only
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(shown[0].text, QString::fromUtf8("分析用ﾃﾞｰﾀを選択してください。"));
    EXPECT_EQ(shows, 0);

    ChooseDay("2026年12月12日中山");
    form->FilePrintItem->trigger();
    EXPECT_EQ(shows, 1);
}

TEST_F(BrowsingWindowTest, FormGuidePrintingFillsALandscapePreviewWithOnePagePerRace) {
    int shows = 0;
    form->showPreview = [&](TAllPrintForm& preview) {
        ++shows;
        EXPECT_EQ(preview.windowTitle(), QString::fromUtf8("ターフパッド　馬柱印刷"));
        EXPECT_EQ(preview.PrevX1->PageCount(), 12);
        EXPECT_GT(preview.PrevX1->PageSize(1).width(), preview.PrevX1->PageSize(1).height());
    };
    form->FormGuidePrintItem->trigger();  // no day chosen: a warning only
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QString::fromUtf8("分析用ﾃﾞｰﾀを選択してください。"));
    EXPECT_EQ(shows, 0);

    ChooseDay("2026年12月12日中山");
    form->FormGuidePrintItem->trigger();
    EXPECT_EQ(shows, 1);
    // The race cards print upright as before.
    form->showPreview = [&](TAllPrintForm& preview) {
        ++shows;
        EXPECT_LT(preview.PrevX1->PageSize(1).width(), preview.PrevX1->PageSize(1).height());
    };
    form->print1btn->click();
    EXPECT_EQ(shows, 2);
}

TEST_F(BrowsingWindowTest, ThePreviewOpensEvenWhenItsSettingsCannotBeWritten) {
    fs::create_directories(dir / "turfpad.ini" / "x");  // a folder where the file should be
    ChooseDay("2026年12月12日中山");
    TMsgDlg::TakeShown();
    int shows = 0;
    form->showPreview = [&](TAllPrintForm&) { ++shows; };
    form->print1btn->click();
    EXPECT_EQ(shows, 1);
    auto shown = TMsgDlg::TakeShown();
    ASSERT_FALSE(shown.empty());  // the zoom and the placement could not be stored: said so
    EXPECT_TRUE(shown[0].text.endsWith(QString::fromUtf8(" に書き込めません")));
}

TEST_F(BrowsingWindowTest, SchedulePrintingPrintsTheGridWithTheDate) {
    form->print3btn->click();  // nothing read yet: the warning, and no job
    EXPECT_EQ(TMsgDlg::TakeShown().size(), 1u);
    EXPECT_TRUE(printer->Jobs().empty());

    ChooseDay("2026年12月12日中山");
    form->print3btn->click();
    ASSERT_EQ(printer->Jobs().size(), 1u);
    ASSERT_EQ(printer->Jobs()[0].pages.size(), 1u);
    bool date = false, header = false;
    for (const DrawnItem& item : printer->Jobs()[0].pages[0]) {
        date |= item.text == QString::fromUtf8("2026年12月12日");
        header |= item.text == QString::fromUtf8("場所回日ﾚｰｽNo");
    }
    EXPECT_TRUE(date);
    EXPECT_TRUE(header);
}

TEST_F(BrowsingWindowTest, TheFormTabShowsTheDayOnDisplayWhateverWasPrintedMeanwhile) {
    // Eight weeks of results before the week shown; then the folder is left alone a while and
    // looked at whole once, so that forms look only at the days their runners need.
    {
        using namespace std::chrono;
        RaceFiler filer(dir / "Data");
        for (int w = 1; w <= 8; ++w)
            for (const JvdFile& f : DemoResults(sys_days(year{2026} / December / 10) - weeks(w)))
                for (const std::string& r : SplitRecords(f.content)) filer.File(r);
    }
    fs::last_write_time(dir / "Data", fs::file_time_type::clock::now() - std::chrono::hours(1));
    HorseRunIndex().Build(dir / "Data");
    form->MakeDataListBtn->click();

    const auto blocks = [&] {  // the dates of the runs the tab shows, runner by runner
        QStringList out;
        for (int row = 0; row < form->FormGuideGrid->rowCount(); ++row)
            for (int k = 0; k < form->FormGuideGrid->columnCount(); ++k)
                out << form->FormGuideGrid->item(row, k)->data(TFormGuideGrid::kRun).toStringList().value(2);
        return out;
    };
    ChooseDay("2026年12月12日中山");
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    // Twice: the vertical scroll bar a long field needs comes with the second round of layout.
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_TRUE(form->FormGuideGrid->verticalScrollBar()->isVisible());
    // The window at its first size shows three runners with four runs each, whole.
    const TFormGuideGrid* grid = form->FormGuideGrid;
    EXPECT_LE(grid->columnViewportPosition(3) + grid->columnWidth(3), grid->viewport()->width());
    EXPECT_LE(grid->rowViewportPosition(2) + grid->rowHeight(2), grid->viewport()->height());
    const QStringList shown = blocks();
    ASSERT_GT(shown.count(QString()), 0);
    ASSERT_GT(shown.size() - shown.count(QString()), 20);

    // Another tab, the oldest day, its form guides printed; then the first day again.
    form->PageControl1->setCurrentIndex(0);
    const int oldest = form->DateCombo->count() - 1;
    form->DateCombo->setCurrentIndex(oldest);
    emit form->DateCombo->activated(oldest);
    form->showPreview = [](TAllPrintForm&) {};
    form->FormGuidePrintItem->trigger();
    ChooseDay("2026年12月12日中山");
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    EXPECT_EQ(blocks(), shown);
}

// While another program files into the data folder, the day's progress window says so, keeps
// the program painting, and stops waiting when its button is clicked; the next day read starts
// with the window as it was.
TEST(ProgressWindow, SaysAFilerHoldsTheFolderAndStopsWaitingOnItsButton) {
    TPrgrsForm form;
    form.Begin(QString::fromUtf8("2026年12月12日中山"), 24);
    EXPECT_TRUE(form.Waiting());
    EXPECT_EQ(form.Label1->text().remove('\n'), QString::fromUtf8(kFolderBusyMessage));
    EXPECT_TRUE(form.StopWaitingBtn->isVisible());
    EXPECT_TRUE(form.Waiting());
    form.StopWaitingBtn->click();
    EXPECT_FALSE(form.Waiting());
    form.End();
    form.Begin(QString::fromUtf8("2026年12月13日中山"), 24);
    EXPECT_EQ(form.Label1->text(), QString::fromUtf8("データを読み込んでいます"));
    EXPECT_FALSE(form.StopWaitingBtn->isVisible());
    EXPECT_TRUE(form.Waiting());
    form.End();
}
