#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

#include "FakePrinter.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "PrintTestSupport.h"
#include "TempDir.h"
#include "settings/SettingsFile.h"

namespace turfpad {
namespace {

using testing::MapIni;

struct FormFixture : ::testing::Test {
    FakePrinter printer;
    MapIni ini;
    FormFixture() { TMsgDlg::SetRecording(true); }

    // Fills the window as the race card command does: n pages, selector 1..n at 1.
    static void Fill(TAllPrintForm& form, int n) {
        form.PrevX1->BeginDoc();
        for (int i = 1; i <= n; ++i) {
            if (i > 1) form.PrevX1->NewPage();
            form.PrevX1->TextOut(100, 100, QStringLiteral("page %1").arg(i));
        }
        form.PrevX1->EndDoc();
        form.UpDown1->SetMin(1);
        form.UpDown1->SetMax(n);
        form.UpDown1->SetPosition(1);
        form.UpDown1->setVisible(true);
    }
    int PrintedPages(std::size_t job) const { return static_cast<int>(printer.Jobs().at(job).pages.size()); }
    QString FirstText(std::size_t job, std::size_t page) const {
        for (const DrawnItem& item : printer.Jobs().at(job).pages.at(page))
            if (item.kind == DrawnItem::Kind::Text) return item.text;
        return {};
    }
};

TEST_F(FormFixture, HasItsControlsWithTheirCaptions) {
    TAllPrintForm form(printer, ini);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("ﾍﾟｰｼﾞ選択"));
    EXPECT_EQ(form.BitBtn2->text(), QStringLiteral("表示ﾍﾟｰｼﾞ印刷(&P)"));
    EXPECT_EQ(form.BitBtn4->text(), QStringLiteral("全ﾍﾟｰｼﾞ印刷(&A)"));
    EXPECT_EQ(form.BitBtn3->text(), QStringLiteral("ﾌﾟﾘﾝﾀ設定(&S)"));
    EXPECT_EQ(form.RadioGroup1->title(), QStringLiteral("倍率"));
    ASSERT_EQ(form.RadioGroup1->Count(), 4);
    EXPECT_EQ(form.RadioGroup1->Columns(), 4);
    EXPECT_EQ(form.RadioGroup1->Item(0), QStringLiteral("25%"));
    EXPECT_EQ(form.RadioGroup1->Item(3), QStringLiteral("100%"));
    EXPECT_FALSE(form.UpDown1->isVisibleTo(&form));  // shown once there are pages
    EXPECT_EQ(form.UpDown1->DownButton()->arrowType(), Qt::LeftArrow);
    EXPECT_EQ(form.UpDown1->UpButton()->arrowType(), Qt::RightArrow);
    EXPECT_EQ(form.PrevX1->pos(), QPoint(2, 4));
    EXPECT_EQ(form.PrevX1->parentWidget(), form.ScrollBox1->widget());
    EXPECT_EQ(form.PrevX1->size(), QSize(417, 581));
    EXPECT_GE(form.ScrollBox1->widget()->width(), 2 + 417);
    EXPECT_GE(form.ScrollBox1->widget()->height(), 4 + 581);

    Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
}

TEST_F(FormFixture, WithoutSettingsOpensAtTheDefaultPlaceAndHalfSize) {
    TAllPrintForm form(printer, ini);
    EXPECT_EQ(form.pos(), QPoint(10, 10));
    form.show();  // the settings hold the outer bounds, frame included
    EXPECT_EQ(form.frameGeometry(), QRect(10, 10, 630, 450));
    EXPECT_GE(form.size().width(), form.minimumSizeHint().width());  // the controls fit
    EXPECT_EQ(form.RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(form.PrevX1->ZoomScale(), 50);
}

TEST_F(FormFixture, ReadsPlacementAndZoomFromTheSettings) {
    ini.WriteInteger("Printlocate", "top", 120);
    ini.WriteInteger("Printlocate", "left", 80);
    ini.WriteInteger("Printlocate", "width", 700);
    ini.WriteInteger("Printlocate", "height", 500);
    ini.WriteInteger("PrintZoom", "ratio", 3);
    TAllPrintForm form(printer, ini);
    form.show();
    EXPECT_EQ(form.frameGeometry(), QRect(80, 120, 700, 500));
    EXPECT_EQ(form.RadioGroup1->ItemIndex(), 3);
    EXPECT_EQ(form.PrevX1->ZoomScale(), 100);
}

TEST_F(FormFixture, AZoomChoiceOutsideTheListOpensAtHalfSize) {
    ini.WriteInteger("PrintZoom", "ratio", 7);
    TAllPrintForm form(printer, ini);
    EXPECT_EQ(form.RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(form.PrevX1->ZoomScale(), 50);
}

TEST_F(FormFixture, EachZoomChoiceAppliesAndIsWritten) {
    TAllPrintForm form(printer, ini);
    const int zooms[] = {25, 50, 75, 100};
    for (int item : {0, 2, 3, 1}) {
        form.RadioGroup1->SetItemIndex(item);
        EXPECT_EQ(form.PrevX1->ZoomScale(), zooms[item]);
        EXPECT_EQ(ini.ReadInteger("PrintZoom", "ratio", -1), item);
    }
    EXPECT_EQ(form.PrevX1->size(), QSize(417, 581));
}

TEST_F(FormFixture, ClosingWritesThePlacement) {
    TAllPrintForm form(printer, ini);
    form.move(33, 44);
    form.resize(640, 480);
    EXPECT_FALSE(ini.Has("Printlocate", "top"));
    form.BitBtn1->click();
    EXPECT_EQ(ini.ReadInteger("Printlocate", "top", 0), 44);
    EXPECT_EQ(ini.ReadInteger("Printlocate", "left", 0), 33);
    EXPECT_EQ(ini.ReadInteger("Printlocate", "width", 0), 640);
    EXPECT_EQ(ini.ReadInteger("Printlocate", "height", 0), 480);
}

TEST_F(FormFixture, PlacementAndZoomSurviveInTheSettingsFile) {
    testing::TempDir dir;
    TIniGT file;
    file.SetFileName((dir.path() / "Turfpad.ini").string());
    QRect outer;
    {
        TAllPrintForm form(printer, file);
        form.RadioGroup1->SetItemIndex(2);
        form.show();
        form.move(50, 60);
        form.resize(600, 420);
        outer = form.frameGeometry();
        form.close();  // through the window's close request
    }
    EXPECT_EQ(outer.topLeft(), QPoint(50, 60));
    EXPECT_EQ(file.ReadInteger("Printlocate", "width", 0), outer.width());
    TAllPrintForm again(printer, file);
    again.show();
    EXPECT_EQ(again.frameGeometry(), outer);
    EXPECT_EQ(again.PrevX1->ZoomScale(), 75);
}

TEST_F(FormFixture, ThePageSelectorChoosesThePageShown) {
    TAllPrintForm form(printer, ini);
    Fill(form, 12);
    form.UpDown1->UpButton()->click();
    form.UpDown1->UpButton()->click();
    EXPECT_EQ(form.PrevX1->PageNo(), 3);
    form.UpDown1->DownButton()->click();
    EXPECT_EQ(form.PrevX1->PageNo(), 2);
    for (int i = 0; i < 3; ++i) form.UpDown1->DownButton()->click();
    EXPECT_EQ(form.UpDown1->Position(), 1);  // stops at the first page
    EXPECT_EQ(form.PrevX1->PageNo(), 1);
}

TEST_F(FormFixture, PrintsThePageShownOrAllPages) {
    TAllPrintForm form(printer, ini);
    Fill(form, 12);
    form.UpDown1->SetPosition(3);
    form.UpDown1Click();
    form.BitBtn2->click();
    ASSERT_EQ(printer.Jobs().size(), 1u);
    EXPECT_EQ(PrintedPages(0), 1);
    EXPECT_EQ(FirstText(0, 0), QStringLiteral("page 3"));

    form.BitBtn4->click();
    ASSERT_EQ(printer.Jobs().size(), 2u);
    EXPECT_EQ(PrintedPages(1), 12);
    EXPECT_EQ(FirstText(1, 0), QStringLiteral("page 1"));
    EXPECT_EQ(FirstText(1, 11), QStringLiteral("page 12"));

    form.UpDown1->SetPosition(12);
    form.BitBtn2->click();
    EXPECT_EQ(FirstText(2, 0), QStringLiteral("page 12"));
    EXPECT_EQ(PrintedPages(2), 1);
}

TEST_F(FormFixture, PrinterSetupRedrawsTheSheetOfTheNewPrinter) {
    TAllPrintForm form(printer, ini);
    Fill(form, 2);
    printer.SetOnSetup([this] {
        FakePrinter::Metrics letter;
        letter.sheet = QSize(5100, 6600);
        printer.SetMetrics(letter);
        return true;
    });
    form.BitBtn3->click();
    EXPECT_EQ(printer.SetupCalls(), 1);
    EXPECT_EQ(form.PrevX1->size(), QSize(408 + 20, 528 + 20));
    EXPECT_EQ(form.PrevX1->PageCount(), 2);  // pages already made stay
}

TEST_F(FormFixture, PrintingWithoutAPrinterSaysSo) {
    TAllPrintForm form(printer, ini);
    Fill(form, 2);
    printer.SetInstalled(false);
    form.BitBtn4->click();
    auto shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("プリンタが登録されていません"));
    EXPECT_TRUE(printer.Jobs().empty());
}

}  // namespace
}  // namespace turfpad
