#include "FormGuideGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "QtText.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

QFont Font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// Draws a runner: its number on its post colour, its sex and age beside it, the name below,
// then today's jockey and weight carried.
void PaintRunner(QPainter* p, const QRect& r, const QAbstractItemModel* model, int row) {
    const auto data = [&](int role) { return model->headerData(row, Qt::Vertical, role); };
    const int post = data(TFormGuideGrid::kPost).toInt();
    p->fillRect(r, Qt::white);
    const QRect badge(r.left() + 4, r.top() + 4, 24, 24);
    p->fillRect(badge, PostColour(post));
    p->setPen(Qt::black);
    p->drawRect(badge);
    p->setPen(PostTextColour(post));
    p->setFont(Font(15, true));
    p->drawText(badge, Qt::AlignCenter, QString::number(data(TFormGuideGrid::kNumber).toInt()));
    const QStringList today = data(TFormGuideGrid::kToday).toStringList();
    p->setPen(Qt::black);
    p->setFont(Font(11));
    p->drawText(QRect(badge.right() + 5, r.top() + 10, r.width() - 36, 14), Qt::AlignLeft, today.value(0));
    p->setFont(Font(12, true));
    p->drawText(QRect(r.left() + 4, r.top() + 31, r.width() - 8, 30), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                data(TFormGuideGrid::kName).toString());
    p->setFont(Font(11));
    p->drawText(QRect(r.left() + 4, r.top() + 66, r.width() - 8, 14), Qt::AlignLeft, today.value(1));
    p->setPen(QColor(160, 160, 160));
    p->drawRect(r.adjusted(0, 0, -1, -1));
}

// The runner column: the table's row header, so it stays put while the runs scroll sideways.
class RunnerHeader : public QHeaderView {
  public:
    RunnerHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}
    QSize sizeHint() const override { return {TFormGuideGrid::kRunnerWidth, QHeaderView::sizeHint().height()}; }

  protected:
    void paintSection(QPainter* p, const QRect& rect, int row) const override {
        p->save();
        PaintRunner(p, rect, model(), row);
        p->restore();
    }
};

// Draws a run's block.
class FormBlockDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        p->save();
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        PaintRun(p, r, index);
        p->setPen(QColor(160, 160, 160));
        p->drawRect(r);
        p->restore();
    }

  private:
    static void PaintRun(QPainter* p, const QRect& r, const QModelIndex& index) {
        const QStringList c = index.data(TFormGuideGrid::kRun).toStringList();
        if (c.size() < kFormColumns) {
            p->fillRect(r, QColor(240, 240, 240));
            return;
        }
        const bool won = index.data(TFormGuideGrid::kWon).toBool();
        p->fillRect(r, won ? QColor(255, 224, 224) : QColor(Qt::white));
        const int x = r.left() + 3, w = r.width() - 6, top = r.top();
        const auto line = [&](int y, int h, int pixels, bool bold, const QString& text, int flags = Qt::AlignLeft) {
            p->setFont(Font(pixels, bold));
            p->drawText(QRect(x, top + y, w, h), flags | Qt::AlignVCenter, text);
        };
        p->setPen(Qt::black);
        line(1, 13, 11, false, c[2].mid(5) + " " + c[3] + c[4]);  // MM/DD, racecourse, race
        line(14, 14, 12, true, c[5]);
        line(28, 13, 10, false, c[6] + " " + c[7]);  // 芝右外1600m 不良 whole in the narrowest block
        // The position in large type; the body weight and the starters to its right.
        p->setPen(won ? QColor(200, 0, 0) : QColor(Qt::black));
        const bool placed = !c[9].isEmpty() && c[9].front().isDigit();  // not 取消, 除外, 中止
        p->setFont(Font(placed ? 22 : 13, true));
        p->drawText(QRect(x, top + 41, 34, 24), Qt::AlignRight | Qt::AlignVCenter, c[9]);
        p->setPen(Qt::black);
        p->setFont(Font(10));
        p->drawText(QRect(x + 36, top + 42, w - 36, 11), Qt::AlignLeft | Qt::AlignVCenter, c[14]);
        p->drawText(QRect(x + 36, top + 53, w - 36, 11), Qt::AlignLeft | Qt::AlignVCenter,
                    c[8].isEmpty() ? QString() : "/" + c[8] + QStringLiteral("頭"));
        line(65, 10, 10, false, c[10] + (c[11].isEmpty() ? QString() : " " + c[11] + QStringLiteral("人気")));
        line(75, 10, 10, false, c[12] + " " + c[13]);
    }
};

}  // namespace

QColor PostColour(int post) {
    static const QColor kColours[] = {Qt::white,          Qt::white,           Qt::black,
                                      QColor(220, 0, 0),  QColor(0, 80, 200),  QColor(250, 220, 0),
                                      QColor(0, 150, 60), QColor(255, 140, 0), QColor(255, 150, 190)};
    return post >= 1 && post <= 8 ? kColours[post] : QColor(Qt::white);
}

QColor PostTextColour(int post) { return (post >= 2 && post <= 4) || post == 6 ? Qt::white : Qt::black; }

TFormGuideGrid::TFormGuideGrid(QWidget* parent) : QTableWidget(parent) {
    setObjectName("FormGuideGrid");
    setVerticalHeader(new RunnerHeader(this));
    setColumnCount(kRuns);
    QStringList headers;
    static const char* const kRunNames[] = {"前走", "2走前", "3走前", "4走前", "5走前"};
    for (const char* n : kRunNames) headers << QString::fromUtf8(n);
    setHorizontalHeaderLabels(headers);
    verticalHeader()->setMinimumSectionSize(15);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(15);
    horizontalHeader()->setDefaultSectionSize(kBlockWidth);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setShowGrid(false);
    setItemDelegate(new FormBlockDelegate(this));
}

void TFormGuideGrid::Fill(const std::vector<RunnerForm>& runners) {
    clearContents();
    setRowCount(static_cast<int>(runners.size()));
    for (int row = 0; row < static_cast<int>(runners.size()); ++row) {
        const RunnerForm& r = runners[static_cast<std::size_t>(row)];
        auto* runner = new QTableWidgetItem;
        runner->setData(kPost, r.post);
        runner->setData(kNumber, r.number);
        runner->setData(kName, Cp932ToQString(r.name));
        runner->setData(kToday, QStringList{Cp932ToQString(r.sexAge),
                                            Cp932ToQString(r.jockey) + " " + Cp932ToQString(r.weightCarried)});
        setVerticalHeaderItem(row, runner);
        for (int k = 0; k < kRuns; ++k) {
            auto* block = new QTableWidgetItem;
            if (k < static_cast<int>(r.runs.size())) {
                QStringList cells;
                for (const std::string& c : r.runs[static_cast<std::size_t>(k)]) cells << Cp932ToQString(c);
                block->setData(kRun, cells);
                block->setData(kWon, static_cast<bool>(r.won[static_cast<std::size_t>(k)]));
            }
            setItem(row, k, block);
        }
    }
    scrollToTop();
    horizontalScrollBar()->setValue(0);
}

// The blocks share out the width there is, never narrower than kBlockWidth.
void TFormGuideGrid::FitBlocks() {
    const int width = std::max(kBlockWidth, viewport()->width() / kRuns);
    for (int k = 0; k < kRuns; ++k) horizontalHeader()->resizeSection(k, width);
}

void TFormGuideGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    FitBlocks();
}

}  // namespace turfpad
