// The user's guide: its typesetting rules on small documents, and its text against the
// program: every tab, menu command and toolbar button of the window and every command and
// option of turfpad-cli is described, and the classes go by the names JRA uses now.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include "FakeJVLink.h"
#include "MainWindow.h"
#include "ManualLayout.h"
#include "MessageBox.h"
#include "Subprocess.h"
#include "TempDir.h"
#include "settings/ProgramPlaces.h"

using namespace turfpad;

namespace {

const PageFrame kFrame{600, 0, 0};  // pages of 30 lines of 20 pixels

// A document of blocks, each given as "L3" (three lines), "H2" (a heading), "P190" (a picture
// 190 pixels high); a "!" before it breaks the page before it.
struct Doc {
    QTextDocument doc;
    std::vector<QTextBlock> blocks;

    explicit Doc(const QString& shape) {
        doc.setDocumentMargin(0);
        doc.setPageSize(QSizeF(400, kFrame.height));
        QTextCursor at(&doc);
        for (QString item : shape.split(' ')) {
            QTextBlockFormat f;
            if (item.startsWith('!')) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            item.remove('!');
            const int n = item.mid(1).toInt();
            if (item[0] != 'P') f.setLineHeight(20, QTextBlockFormat::FixedHeight);
            if (item[0] == 'H') f.setHeadingLevel(n);
            blocks.empty() ? at.setBlockFormat(f) : at.insertBlock(f);
            QTextImageFormat image;
            image.setWidth(100);
            image.setHeight(n);
            if (item[0] == 'P') at.insertImage(image);
            for (int i = 0; item[0] != 'P' && i < (item[0] == 'H' ? 1 : n); ++i) at.insertText(i ? "\u2028x" : "x");
            blocks.push_back(at.block());
        }
    }
    int Page(int i) { return int(doc.documentLayout()->blockBoundingRect(blocks[i]).bottom() / kFrame.height) + 1; }
    double Height(int i) { return blocks[i].begin().fragment().charFormat().toImageFormat().height(); }
    bool Breaks(int i) { return blocks[i].blockFormat().pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore; }
    QStringList Faults() { return PageFaults(doc, kFrame); }
};

QString Manual() {
    QFile f(QString::fromUtf8(TURFPAD_MANUAL_SOURCE));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

}  // namespace

TEST(ManualLayout, JapaneseLinesJoinWithoutASpace) {
    EXPECT_EQ(JoinWideLines(QString::fromUtf8(
                  "日付・\nレース名\n- 一覧を\n  見る\n- 次\n| 表 |\n| 行 |\nの\nJV-Link\n## 見\n本文")),
              QString::fromUtf8("日付・レース名\n- 一覧を見る\n- 次\n| 表 |\n| 行 |\nの\nJV-Link\n## 見\n本文"));
    QTextDocument doc;
    doc.setMarkdown(QString::fromUtf8("日付・\nレース名、近 5 走、JV-Link の設定\n"));
    const QStringList stray = StraySpaces(doc);
    ASSERT_EQ(stray.size(), 1);
    EXPECT_TRUE(stray[0].startsWith(QString::fromUtf8("日付・ レース名"))) << stray[0].toStdString();
}

TEST(ManualLayout, PicturesStayWithTheirCaptions) {
    Doc shrinks("L20 P190 L1");  // shrinks a little to stay on its page
    Paginate(shrinks.doc, kFrame);
    EXPECT_LT(shrinks.Height(1), 190);
    EXPECT_GE(shrinks.Height(1), 0.7 * 190);
    EXPECT_EQ(shrinks.Page(2), 1);
    EXPECT_TRUE(shrinks.Faults().isEmpty()) << shrinks.Faults().join('\n').toStdString();
    Doc moves("L25 P300 L1");  // too big to shrink: moves on with its caption
    Paginate(moves.doc, kFrame);
    EXPECT_EQ(moves.Height(1), 300);
    EXPECT_EQ(moves.Page(1), 2);
    EXPECT_EQ(moves.Page(2), 2);
    EXPECT_TRUE(moves.Faults().isEmpty());
}

TEST(ManualLayout, ChaptersStartNewPagesOnlyAfterPagesHalfFullAndHeadingsGoWithTheirText) {
    Doc chapters("H1 H2 L20 H2 L2 !H2 L2");
    Paginate(chapters.doc, kFrame);
    EXPECT_FALSE(chapters.Breaks(1));
    EXPECT_TRUE(chapters.Breaks(3));
    EXPECT_FALSE(chapters.Breaks(5));  // its break would leave page 2 nearly empty
    Doc foot("L29 H3 L3");
    Paginate(foot.doc, kFrame);
    EXPECT_EQ(foot.Page(1), 2);
}

TEST(ManualLayout, FaultsOfTheLayoutAreFound) {
    EXPECT_EQ(Doc("L10 P100 !L1").Faults().size(), 1);  // a caption apart from its picture
    EXPECT_EQ(Doc("L29 H3 L1").Faults().size(), 1);     // a heading ends its page
    EXPECT_EQ(Doc("L3 !L3").Faults(), QStringList{"page 1 is less than a third full"});
}

TEST(ManualText, EveryTabMenuCommandAndToolbarButtonIsDescribed) {
    turfpad::testing::TempDir dir;
    SetProgramFile(dir.path() / "turfpad");
    TMsgDlg::SetRecording(true);
    const QString manual = Manual();
    {
        TMainForm form(std::make_unique<turfpad::testing::FakeJVLink>());
        QStringList names;
        form.MakeTabs();
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
    const auto help = turfpad::testing::Run(TURFPAD_CLI, {"--help"});
    ASSERT_EQ(help.status, 0);
    const QString usage = QString::fromStdString(help.out), manual = Manual();
    int commands = 0;
    for (const auto& m : QRegularExpression("turfpad-cli (\\w+)").globalMatch(usage)) {
        EXPECT_TRUE(manual.contains("turfpad-cli " + m.captured(1))) << m.captured(1).toStdString();
        ++commands;
    }
    EXPECT_EQ(commands, 10);
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
