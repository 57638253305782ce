// The string grid and the two grids of the browsing tabs, drawn offscreen into images.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "BrowseGrids.h"
#include "FormGuideGrid.h"
#include "HeadingLabels.h"
#include "RaceDayGrid.h"
#include "RaceDays.h"
#include "TempDir.h"
#include "browse/DayReading.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;

namespace {

QImage Grab(QWidget& w) {
    w.show();
    QApplication::processEvents();
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor At(const QImage& img, QPoint p) { return img.pixelColor(p); }

int Distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// Pixels of `area` (in image coordinates) within a small distance of `colour`.
int CountNear(const QImage& img, const QRect& area, const QColor& colour, int tolerance = 40) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Distance(img.pixelColor(x, y), colour) <= tolerance) ++n;
    return n;
}

// Texts drawn opaque on a fill with their top left at the given points, as a reference to
// compare a cell with.
QImage Reference(QSize size, const QColor& fill, const QFont& font, const QColor& pen,
                 const std::vector<std::pair<QPoint, QString>>& texts) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(fill);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(pen);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(fill);
    for (const auto& [at, text] : texts) p.drawText(QPoint(at.x(), at.y() + QFontMetrics(font).ascent()), text);
    return img;
}

// Whether `area` of the reference (in cell coordinates) equals the same area of the cell
// whose top left is `origin` in the grabbed image.
bool SameArea(const QImage& grabbed, QPoint origin, const QImage& ref, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (grabbed.pixelColor(origin + QPoint(x, y)) != ref.pixelColor(x, y)) return false;
    return true;
}

QFont Sized(const QFont& base, int pixels, bool bold) {
    QFont f(base);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A race card grid showing race 1 of a day whose runners have the given post positions.
class CardGrid : public ::testing::Test {
  protected:
    void Show(const std::vector<std::string>& posts) {
        std::vector<std::string> recs = {RaRecord(m, 1, static_cast<int>(posts.size()))};
        for (std::size_t i = 0; i < posts.size(); ++i) {
            std::string se = SeRecord(m, 1, static_cast<int>(i) + 1);
            se.replace(27, 1, posts[i]);
            recs.push_back(se);
        }
        File(dir.path(), recs);
        NoProgress progress;
        ASSERT_TRUE(ReadDay(dir.path(), DayKey(m), table, progress).ok());
        table.SetCurrentRace(0);
        grid.resize(520, 340);
        grid.SetTable(&table);
        grid.Drawing().SetToday([] { return QDate(2026, 12, 12); });
        grid.Fill(RaceCardRows(table, 0));
        image = Grab(grid);
    }
    QPalette Pal() const { return grid.palette(); }

    TempDir dir;
    Meeting m;
    RaceCardTable table;
    TRaceCardGrid grid;
    QImage image;
};

}  // namespace

// ---- the string grid ----

TEST(StringGrid, DelphiDefaultsCellsAndSizes) {
    TStringGrid g;
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.DefaultColWidth(), 64);
    EXPECT_EQ(g.DefaultRowHeight(), 24);

    g.SetCells(2, 3, "x");
    g.SetCells(4, 4, "corner");
    g.SetRowCount(4);  // row 4 goes
    g.SetColCount(3);  // columns 3 and 4 go
    g.SetRowCount(6);
    g.SetColCount(6);
    EXPECT_EQ(g.Cells(2, 3), "x");
    EXPECT_EQ(g.Cells(4, 4), "");
    EXPECT_EQ(g.Cells(9, 9), "");  // outside: empty, no crash
    g.SetCells(9, 9, "ignored");

    g.SetDefaultRowHeight(15);
    g.SetColWidths(1, 33);
    g.SetRowHeights(0, 27);
    EXPECT_EQ(g.ColWidths(1), 33);
    EXPECT_EQ(g.ColWidths(0), 64);
    EXPECT_EQ(g.RowHeights(0), 27);
    EXPECT_EQ(g.RowHeights(5), 15);
    g.resize(400, 300);
    g.show();
    QApplication::processEvents();
    // Cells have the sizes given; the grid line comes on top.
    EXPECT_EQ(g.CellRect(1, 0).size(), QSize(33, 27));
    EXPECT_EQ(g.CellRect(1, 2).size(), QSize(33, 15));
    EXPECT_EQ(g.CellRect(1, 3).top() - g.CellRect(1, 2).top(), 16);
    EXPECT_EQ(g.CellRect(2, 1).left() - g.CellRect(1, 1).left(), 34);
    EXPECT_EQ(g.CellRect(1, 1).top() - g.CellRect(1, 0).top(), 28);
    g.SetGridLines(false);
    QApplication::processEvents();
    EXPECT_EQ(g.CellRect(1, 3).top() - g.CellRect(1, 2).top(), 15);
    EXPECT_EQ(g.GridLineWidth(), 0);

    g.SetRowCp932(1, {Sj("馬名"), "b"});
    EXPECT_EQ(g.Cells(0, 1), "馬名");
    EXPECT_EQ(g.Cells(1, 1), "b");
    EXPECT_EQ(g.Cells(2, 1), "");
    EXPECT_EQ(g.CellsCp932()[1][0], Sj("馬名"));
}

TEST(StringGrid, FixedRowAndColumnsStayInPlaceWhenScrolling) {
    TStringGrid g;
    g.SetColCount(12);
    g.SetRowCount(40);
    g.SetFixedCols(2);
    g.SetDefaultRowHeight(15);
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 12; ++c) g.SetCells(c, r, QString("%1/%2").arg(c).arg(r));
    g.resize(300, 200);
    g.show();
    QApplication::processEvents();
    const QRect corner = g.CellRect(1, 0);
    const QRect header = g.CellRect(5, 0);
    const QRect fixedCol = g.CellRect(0, 3);
    const QRect moving = g.CellRect(5, 3);

    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum());
    QApplication::processEvents();
    ASSERT_GT(g.verticalScrollBar()->maximum(), 0);
    ASSERT_GT(g.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(g.CellRect(1, 0), corner);
    // The header row moves sideways only, the fixed columns up and down only.
    EXPECT_EQ(g.CellRect(5, 0).top(), header.top());
    EXPECT_NE(g.CellRect(5, 0).left(), header.left());
    EXPECT_EQ(g.CellRect(0, 3).left(), fixedCol.left());
    EXPECT_NE(g.CellRect(0, 3).top(), fixedCol.top());
    EXPECT_NE(g.CellRect(5, 3), moving);
    // The last row is now under the header, beside the fixed columns.
    const QRect last = g.CellRect(11, 39);
    EXPECT_GE(last.top(), header.bottom());
    EXPECT_GT(last.left(), g.CellRect(1, 39).right());
    EXPECT_EQ(g.CellRect(0, 39).top(), last.top());
}

// Every column of the header row stands over the same column of the body, and every row of
// the fixed columns beside the same row of the body, wherever the grid has been scrolled.
void ExpectFixedPartsAligned(const TStringGrid& g, const char* where) {
    SCOPED_TRACE(where);
    for (int c = g.FixedCols(); c < g.ColCount(); ++c) {
        const QRect head = g.CellRect(c, 0);
        const QRect body = g.CellRect(c, g.RowCount() - 1);
        if (!head.isValid() || !body.isValid()) continue;
        EXPECT_EQ(head.left(), body.left()) << "column " << c;
        EXPECT_EQ(head.width(), body.width()) << "column " << c;
    }
    for (int r = g.FixedRows(); r < g.RowCount(); ++r) {
        const QRect side = g.CellRect(0, r);
        const QRect body = g.CellRect(g.ColCount() - 1, r);
        if (!side.isValid() || !body.isValid()) continue;
        EXPECT_EQ(side.top(), body.top()) << "row " << r;
    }
}

TEST(StringGrid, FixedPartsStayAlignedWithTheBodyAtEveryScrollPosition) {
    // Columns of unequal widths, as in the race card, too wide for the grid; the rows fit, as a
    // race card's do in the default window.
    TStringGrid g;
    g.SetColCount(14);
    g.SetRowCount(14);
    g.SetFixedCols(2);
    g.SetDefaultRowHeight(15);
    for (int c = 0; c < 14; ++c) g.SetColWidths(c, 20 + (c * 37) % 90);
    g.SetRowHeights(0, 36);
    g.resize(464, 330);
    g.show();
    QApplication::processEvents();
    QScrollBar* h = g.horizontalScrollBar();
    QScrollBar* v = g.verticalScrollBar();
    ASSERT_GT(h->maximum(), 1);
    ASSERT_EQ(v->maximum(), 0);
    for (int x = h->minimum(); x <= h->maximum(); ++x) {
        h->setValue(x);
        ExpectFixedPartsAligned(g, "horizontal bar set");
    }
    // The arrow of the bar and the End key.
    h->setValue(0);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ExpectFixedPartsAligned(g, "one step");
    g.setFocus();
    g.SelectRow(3);
    QTest::keyClick(&g, Qt::Key_End);
    QApplication::processEvents();
    ExpectFixedPartsAligned(g, "End");
    // At the end the last column ends at the viewport's edge, its header with it.
    EXPECT_NEAR(g.CellRect(13, 0).right(), g.viewport()->geometry().right(), 2);

    // More rows than fit, in a narrower grid: both ways.
    g.SetRowCount(40);
    g.resize(400, 180);
    QApplication::processEvents();
    ASSERT_GT(v->maximum(), 1);
    ExpectFixedPartsAligned(g, "resized");
    for (int y = v->minimum(); y <= v->maximum(); ++y) {
        v->setValue(y);
        ExpectFixedPartsAligned(g, "vertical bar set");
    }
    for (int x = h->minimum(); x <= h->maximum(); ++x) {
        h->setValue(x);
        ExpectFixedPartsAligned(g, "horizontal bar set, rows scrolled");
    }
}

TEST(StringGrid, AnyMouseButtonReleasedClearsTheSelection) {
    TStringGrid g;
    g.SetRowSelect(true);
    g.resize(400, 200);
    g.show();
    QApplication::processEvents();
    g.SelectRow(2);
    EXPECT_EQ(g.SelectedRow(), 2);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.viewport()->mapFrom(&g, g.CellRect(2, 3).center()));
    EXPECT_EQ(g.SelectedRow(), -1);
    g.SelectRow(3);
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(g.SelectedRow(), -1);
    // Over a fixed cell too.
    g.SelectRow(3);
    QWidget* fixed = g.childAt(g.CellRect(0, 2).center());
    ASSERT_NE(fixed, nullptr);
    QTest::mouseClick(fixed, Qt::MiddleButton, {}, fixed->mapFrom(&g, g.CellRect(0, 2).center()));
    EXPECT_EQ(g.SelectedRow(), -1);
}

// ---- the two grids of the tabs ----

TEST(BrowseGrids, ScheduleGridSetUpAndFill) {
    TScheduleGrid g;
    EXPECT_EQ(g.objectName(), "StringGrid1");
    EXPECT_EQ(g.ColCount(), 8);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.FixedCols(), 0);
    EXPECT_TRUE(g.RowSelect());
    EXPECT_TRUE(g.GridLines());
    EXPECT_EQ(g.DefaultRowHeight(), 15);
    EXPECT_EQ(g.verticalHeader()->defaultSectionSize(), 16);  // 15 and the grid line
    EXPECT_EQ(g.font().pixelSize(), 12);
    EXPECT_EQ(g.font().family(), "ＭＳ ゴシック");
    const int widths[] = {110, 35, 50, 35, 40, 75, 70, 55};
    const char* headers[] = {"場所回日ﾚｰｽNo", "頭数", "競走名", "ｸﾞﾚｰﾄﾞ", "重量種", "条件", "ﾄﾗｯｸ", "発走時刻"};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(g.ColWidths(c), widths[c]);
        EXPECT_EQ(g.Cells(c, 0), QString::fromUtf8(headers[c]));
    }

    ScheduleRow a{" a"}, b{" b"};
    g.Fill({a, b, a});
    EXPECT_EQ(g.RowCount(), 4);
    g.SelectRow(2);
    g.Fill({b});
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.Cells(0, 1), " b");
    EXPECT_EQ(g.Cells(0, 0), QString::fromUtf8(headers[0]));
    EXPECT_EQ(g.SelectedRow(), -1);
    EXPECT_EQ(g.RowHeights(1), 15);
}

TEST(BrowseGrids, RaceCardGridSetUp) {
    TRaceCardGrid g;
    EXPECT_EQ(g.objectName(), "StringGrid2");
    EXPECT_EQ(g.ColCount(), 9);
    EXPECT_EQ(g.FixedCols(), 2);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.RowHeights(0), 27);
    EXPECT_EQ(g.DefaultRowHeight(), 15);
    EXPECT_TRUE(g.RowSelect());
    EXPECT_EQ(g.font().pixelSize(), 12);
    const int widths[] = {20, 20, 150, 30, 45, 55, 55, 40, 55};
    const char* headers[] = {"枠", "馬", "馬名", "性齢", "斤量", "騎手", "調教師", "ﾌﾞﾘﾝｶ", "見習"};
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(g.ColWidths(c), widths[c]);
        EXPECT_EQ(g.Cells(c, 0), QString::fromUtf8(headers[c]));
    }
    g.Fill(std::vector<RaceCardRow>(16));
    EXPECT_EQ(g.RowCount(), 17);
    g.Fill({});
    EXPECT_EQ(g.RowCount(), 1);
}

TEST(BrowseGrids, GridRangeCopyPutsTheTextOnTheClipboard) {
    TRaceCardGrid g;
    RaceCardRow row{"1", "01", Sj("ウマ")};
    g.Fill({row});
    CopyGridRange(g, 0, 0, 2, 5, Sj("題"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "題\r\n枠\t馬\t馬名\r\n1\t01\tウマ\r\n");
    CopyGridRange(g, 3, 0, 1, 1, Sj("題"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

// ---- drawing the race card ----

TEST_F(CardGrid, PostBoxesInTheirColoursWithBlackOrWhiteDigits) {
    Show({"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"});
    const QColor colours[] = {{255, 255, 255}, {128, 128, 128}, {255, 0, 0},   {0, 0, 255},
                              {255, 255, 0},   {0, 255, 0},     {255, 128, 0}, {255, 0, 255}};
    for (int post = 1; post <= 10; ++post) {
        SCOPED_TRACE(post);
        const QRect r = grid.CellRect(0, post);
        const bool known = post <= 8;
        const QColor fill = known ? colours[post - 1] : Pal().color(QPalette::Button);
        EXPECT_EQ(At(image, r.topLeft() + QPoint(3, 7)), fill);
        const bool blackDigit = post == 1 || post == 5;
        const QColor digit = blackDigit ? QColor(0, 0, 0) : QColor(255, 255, 255);
        const QRect digitArea(r.left() + 6, r.top() + 2, 10, 12);
        EXPECT_GT(CountNear(image, digitArea, digit), 4);
        if (!blackDigit) {
            EXPECT_EQ(CountNear(image, digitArea, QColor(0, 0, 0), 60), 0);
        }
        if (post == 5) {
            EXPECT_EQ(CountNear(image, digitArea, QColor(255, 255, 255), 30), 0);
        }
        EXPECT_EQ(PostLookOf(post).known, known);
    }
    EXPECT_EQ(PostLookOf(7).fill.Value(), 0x000080FFu);
    EXPECT_EQ(PostLookOf(4).fill.Value(), 0x00FF0000u);
}

TEST_F(CardGrid, BlackLineAlongTheBottomOfEveryCell) {
    Show({"1", "2", "3"});
    for (int row = 0; row <= 3; ++row)
        for (int col = 0; col < 9; ++col) {
            const QRect r = grid.CellRect(col, row);
            for (int x : {r.left(), r.left() + r.width() / 2, r.left() + r.width() - 1})
                EXPECT_EQ(At(image, QPoint(x, r.top() + r.height())), QColor(0, 0, 0)) << col << "," << row;
        }
    // Between the columns of runner rows the grid line stays silver.
    const QRect name = grid.CellRect(2, 2);
    EXPECT_EQ(At(image, QPoint(name.left() + name.width(), name.top() + 5)), QColor(192, 192, 192));
}

TEST_F(CardGrid, HeaderShowsFrameAndNumberStacked) {
    Show({"1"});
    const QFont font = grid.font();
    const int h = QFontMetrics(font).height();
    const QColor face = Pal().color(QPalette::Button);
    const QColor ink = Pal().color(QPalette::Text);
    const QRect cell0 = grid.CellRect(0, 0);
    const QRect cell1 = grid.CellRect(1, 0);
    const QImage waku = Reference(cell0.size(), face, font, ink, {{{2, 2}, "枠"}, {{2, 2 + h}, "番"}});
    const QImage uma = Reference(cell1.size(), face, font, ink, {{{2, 2}, "馬"}, {{2, 2 + h}, "番"}});
    const QRect inside(1, 1, cell0.width() - 2, cell0.height() - 2);  // within the raised edge
    EXPECT_TRUE(SameArea(image, cell0.topLeft(), waku, inside));
    EXPECT_TRUE(SameArea(image, cell1.topLeft(), uma, inside));
    EXPECT_FALSE(SameArea(image, cell0.topLeft(), uma, inside));
    // The other headers as plain text at 2,2.
    const QRect cell2 = grid.CellRect(2, 0);
    const QImage name = Reference(cell2.size(), face, font, ink, {{{2, 2}, "馬名"}});
    EXPECT_TRUE(SameArea(image, cell2.topLeft(), name, QRect(1, 1, cell2.width() - 2, cell2.height() - 2)));
}

TEST_F(CardGrid, RunnerCellsAsDrawn) {
    Show({"1", "1", "2"});
    const QFont bold = Sized(grid.font(), 13, true);
    const QFont plain = Sized(grid.font(), 12, false);
    const QColor ink = Pal().color(QPalette::Text);
    const QColor white(255, 255, 255);
    // Horse number on the info background, "%2d".
    const QRect num = grid.CellRect(1, 3);
    const QColor info = Pal().color(QPalette::ToolTipBase);
    EXPECT_EQ(At(image, num.topLeft() + QPoint(1, 7)), info);
    EXPECT_TRUE(SameArea(image, num.topLeft(), Reference(num.size(), info, bold, Qt::black, {{{2, 2}, " 3"}}),
                         QRect(1, 1, num.width() - 2, num.height() - 2)));
    // The horse name in bold, two pixels higher than the others.
    const QRect name = grid.CellRect(2, 3);
    const QString horse = QString::fromStdString(Cp932ToUtf8(table.Race(0).runners[2].horseName));
    EXPECT_TRUE(SameArea(image, name.topLeft(), Reference(name.size(), white, bold, ink, {{{2, 0}, horse}}),
                         QRect(0, 0, name.width(), name.height())));
    // Sex mark and the age from the pedigree number (2021) in 2026; weight; blinkers;
    // apprentice allowance, a blank where there is none.
    const struct {
        int col, row;
        QString text;
    } cells[] = {{3, 3, "牡5"}, {4, 3, "57.0kg"}, {7, 3, "ﾌﾞﾘﾝｶ"}, {7, 1, " "}, {8, 2, "2kg減"}, {8, 3, " "}};
    for (const auto& c : cells) {
        const QRect r = grid.CellRect(c.col, c.row);
        EXPECT_TRUE(SameArea(image, r.topLeft(), Reference(r.size(), white, plain, ink, {{{2, 2}, c.text}}),
                             QRect(0, 0, r.width(), r.height())))
            << c.col << "," << c.row;
    }
}

TEST_F(CardGrid, AgeFollowsTodaysDate) {
    Show({"1"});
    const QRect r = grid.CellRect(3, 1);
    const QFont plain = Sized(grid.font(), 12, false);
    const QColor ink = Pal().color(QPalette::Text);
    auto ref = [&](const char* t) { return Reference(r.size(), Qt::white, plain, ink, {{{2, 2}, t}}); };
    EXPECT_TRUE(SameArea(image, r.topLeft(), ref("牡5"), QRect(0, 0, r.width(), r.height())));
    grid.Drawing().SetToday([] { return QDate(2027, 1, 5); });
    const QImage later = Grab(grid);
    EXPECT_TRUE(SameArea(later, r.topLeft(), ref("牡6"), QRect(0, 0, r.width(), r.height())));

    EXPECT_EQ(AgeText("2002104567", 2005), "3");
    EXPECT_EQ(AgeText("2002104567", 2006), "4");
    EXPECT_EQ(AgeText("20x2104567", 2006), "");
    EXPECT_EQ(AgeText("", 2006), "");
    EXPECT_EQ(SexMark("3"), Sj("ｾﾝ"));
    EXPECT_EQ(SexMark("9"), "  ");
    EXPECT_EQ(DrawnWeight("   "), "");
    EXPECT_EQ(DrawnBlinker("0"), " ");
    EXPECT_EQ(DrawnApprentice("4"), " ");
    EXPECT_EQ(LeadingNumber(" 7"), 7);
    EXPECT_EQ(LeadingNumber("12"), 12);
    EXPECT_EQ(LeadingNumber("x1"), 0);
}

TEST_F(CardGrid, KeyboardSelectedRowKeepsItsPostColoursAndIsTinted) {
    Show({"3", "3"});
    grid.SelectRow(2);
    const QImage selected = Grab(grid);
    const QRect post = grid.CellRect(0, 2);
    EXPECT_EQ(At(selected, post.topLeft() + QPoint(3, 7)), QColor(255, 0, 0));
    const QRect name = grid.CellRect(2, 2);
    const QColor tint = At(selected, name.topLeft() + QPoint(name.width() - 3, 7));
    EXPECT_NE(tint, QColor(255, 255, 255));
    EXPECT_NE(tint, Pal().color(QPalette::Highlight));
    EXPECT_EQ(At(selected, name.topLeft() + QPoint(name.width() - 3, name.height() + 0)), QColor(0, 0, 0));
    // The text stays dark on the tint.
    EXPECT_GT(CountNear(selected, QRect(name.left(), name.top(), 60, 14), QColor(0, 0, 0), 60), 10);
    // The other row is not tinted.
    const QRect other = grid.CellRect(2, 1);
    EXPECT_EQ(At(selected, other.topLeft() + QPoint(other.width() - 3, 7)), QColor(255, 255, 255));
}

TEST_F(CardGrid, RowsWithoutARunnerEntry) {
    Show({"1", "2"});
    const QColor face = Pal().color(QPalette::Button);
    const QColor base = Pal().color(QPalette::Base);
    const QColor ink = Pal().color(QPalette::Text);
    const QFont font = grid.font();
    const int h = QFontMetrics(font).height();
    // A horse number beyond 18 has no entry: the plain cell text.
    grid.SetCells(1, 2, "25");
    // No horse number at all: drawn like the header in the two fixed columns.
    grid.SetCells(1, 1, "  ");
    const QImage img = Grab(grid);
    const QRect plain = grid.CellRect(2, 2);
    const QString name = grid.Cells(2, 2);
    EXPECT_TRUE(SameArea(img, plain.topLeft(), Reference(plain.size(), base, font, ink, {{{2, 2}, name}}),
                         QRect(0, 0, plain.width(), plain.height())));
    const QRect fixed = grid.CellRect(1, 2);
    EXPECT_TRUE(SameArea(img, fixed.topLeft(), Reference(fixed.size(), face, font, ink, {{{2, 2}, "25"}}),
                         QRect(1, 1, fixed.width() - 2, fixed.height() - 2)));
    const QRect blank = grid.CellRect(0, 1);
    EXPECT_TRUE(SameArea(img, blank.topLeft(),
                         Reference(blank.size(), face, font, ink, {{{2, 2}, "枠"}, {{2, 2 + h}, "番"}}),
                         QRect(1, 1, blank.width() - 2, blank.height() - 2)));
    EXPECT_EQ(At(img, QPoint(plain.left() + 3, plain.top() + plain.height())), QColor(0, 0, 0));

    // No table: plain text everywhere, no crash.
    grid.SetTable(nullptr);
    Grab(grid);
}

// ---- the race heading ----

TEST(Heading, LabelsGetTheirLooksAndTexts) {
    std::array<TLabel3Dj, kHeadingLabels> owned;
    HeadingLabelSet labels;
    for (std::size_t i = 0; i < owned.size(); ++i) labels[i] = &owned[i];
    SetUpHeadingLabels(labels);
    RaceHeading h;
    for (std::size_t i = 0; i < h.size(); ++i) h[i] = Sj("ラベル") + std::to_string(i + 1);
    h[1] = " 1";
    ShowHeading(labels, h);

    EXPECT_EQ(owned[0].objectName(), "Label3D1");
    EXPECT_EQ(owned[0].font().pixelSize(), 19);
    EXPECT_EQ(owned[1].font().pixelSize(), 24);
    EXPECT_EQ(owned[4].font().pixelSize(), 13);
    EXPECT_EQ(owned[2].caption(), "ラベル3");
    EXPECT_EQ(owned[1].caption(), " 1");
    for (const TLabel3Dj& l : owned) {
        EXPECT_TRUE(l.font().bold());
        EXPECT_EQ(l.font().family(), "ＭＳ ゴシック");
        EXPECT_EQ(l.style3D(), TLabel3Dj::Style::Raised);
    }
    EXPECT_EQ(owned[8].fontColor(), QColor(0, 0, 255));
    EXPECT_EQ(owned[1].fontColor(), QColor(255, 255, 255));
    EXPECT_FALSE(owned[1].transparent());
    EXPECT_TRUE(owned[0].transparent());
    // The race number: white on black.
    const QImage number = Grab(owned[1]);
    EXPECT_EQ(At(number, QPoint(0, 0)), QColor(0, 0, 0));
    EXPECT_GT(CountNear(number, number.rect(), QColor(255, 255, 255), 30), 5);
}

// The form guide tab: a row per runner, its runs in blocks from the most recent, a run it won
// in the highlight colour, a missing run grey.
TEST(FormGuideGridTest, BlocksShowTheRunsAndHighlightWins) {
    TFormGuideGrid grid;
    grid.resize(700, 400);
    RunnerForm a;
    a.post = 3;
    a.number = 5;
    a.name = Sj("ミライノホシ");
    FormRow won{}, lost{};
    won[2] = "2026/12/05";
    won[9] = "1";
    lost[2] = "2026/11/21";
    lost[9] = "7";
    a.runs = {won, lost};
    a.won = {true, false};
    RunnerForm b;
    b.post = 8;
    b.number = 16;
    b.name = Sj("ハナ");
    grid.Fill({a, b});
    ASSERT_EQ(grid.rowCount(), 2);
    ASSERT_EQ(grid.columnCount(), TFormGuideGrid::kRuns);
    grid.show();
    QImage img = grid.viewport()->grab().toImage();
    auto cell = [&](int row, int column) { return grid.visualRect(grid.model()->index(row, column)); };
    EXPECT_GT(CountNear(img, cell(0, 0).adjusted(2, 2, -2, -2), QColor(255, 224, 224), 4), 500);  // won
    EXPECT_EQ(CountNear(img, cell(0, 1).adjusted(2, 2, -2, -2), QColor(255, 224, 224), 4), 0);
    EXPECT_GT(CountNear(img, cell(0, 1).adjusted(2, 2, -2, -2), QColor(Qt::white), 0), 500);
    EXPECT_GT(CountNear(img, cell(1, 0).adjusted(2, 2, -2, -2), QColor(240, 240, 240), 0), 500);  // no run
    // The runner column stays in view however far the runs are scrolled: post 3's badge red,
    // post 8's pink, in their rows.
    grid.resize(300, 400);
    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    ASSERT_GT(grid.horizontalScrollBar()->value(), 0);
    const QImage runners = grid.verticalHeader()->grab().toImage();
    const int h = TFormGuideGrid::kRowHeight;
    EXPECT_GT(CountNear(runners, QRect(0, 0, runners.width(), h), QColor(220, 0, 0), 10), 200);
    EXPECT_GT(CountNear(runners, QRect(0, h, runners.width(), h), QColor(255, 150, 190), 10), 200);
    // A wide window widens the blocks to fill it, with nothing to scroll.
    grid.resize(1200, 400);
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(grid.columnViewportPosition(TFormGuideGrid::kRuns - 1) + grid.columnWidth(TFormGuideGrid::kRuns - 1),
              grid.viewport()->width() - TFormGuideGrid::kRuns);
}

// The 速報 tab: a row per runner with its post colour, place odds as low-high, a jockey
// change in red, a scratched runner greyed, payouts in yen; the caption says whether payouts
// are there yet, the notices show only when there are some.
TEST(RaceDayGridTest, RunnersAndPayoutsAsFiled) {
    TRaceDayGrid grid;
    RaceDayInfo race;
    race.oddsFiled = true;
    RaceDayRunner a;
    a.post = 3;
    a.number = 5;
    a.name = Sj("ミライノホシ");
    a.win = "3.2";
    a.placeLow = "1.1";
    a.placeHigh = "1.4";
    RaceDayRunner b = a;
    b.number = 6;
    b.placeHigh = b.placeLow;  // one figure when low and high agree
    b.scratched = b.jockeyChanged = true;
    race.runners = {a, b};
    grid.Fill(race);
    ASSERT_EQ(grid.Runners->rowCount(), 2);
    EXPECT_EQ(grid.Runners->item(0, 0)->background().color(), QColor(220, 0, 0));
    EXPECT_EQ(grid.Runners->horizontalHeaderItem(7)->text(), QStringLiteral("複勝"));
    EXPECT_EQ(grid.Runners->item(0, 7)->text(), QStringLiteral("1.1-1.4"));
    EXPECT_EQ(grid.Runners->item(1, 7)->text(), QStringLiteral("1.1"));
    EXPECT_EQ(grid.Runners->item(0, 3)->foreground().color(), QColor(0, 0, 0));
    EXPECT_EQ(grid.Runners->item(1, 2)->foreground().color(), QColor(0x80, 0x80, 0x80));
    EXPECT_TRUE(grid.Notices->isHidden());
    EXPECT_EQ(grid.Payouts->rowCount(), 0);
    EXPECT_EQ(grid.PayoutsCaption->text(), QStringLiteral("払戻金（未確定）"));
    race.paid = true;
    race.payouts = {{Sj("3連単"), Sj("12→3→7"), "123450", "101"}};
    race.notices = {Sj("発走時刻変更 15:45→15:55"), Sj("11:30 芝 稍重")};
    grid.Fill(race);
    EXPECT_EQ(grid.Notices->text(), QStringLiteral("発走時刻変更 15:45→15:55　／　11:30 芝 稍重"));
    ASSERT_EQ(grid.Payouts->rowCount(), 1);
    EXPECT_EQ(grid.Payouts->item(0, 2)->text(), QStringLiteral("123450円"));
    EXPECT_EQ(grid.PayoutsCaption->text(), QStringLiteral("払戻金"));
}
