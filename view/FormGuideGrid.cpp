#include "FormGuideGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

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

// Draws the runner cell and the run blocks.
class FormBlockDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        p->save();
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        if (index.column() == 0) {
            PaintRunner(p, r, index);
        } else {
            PaintRun(p, r, index);
        }
        p->setPen(QColor(160, 160, 160));
        p->drawRect(r);
        p->restore();
    }

  private:
    static void PaintRunner(QPainter* p, const QRect& r, const QModelIndex& index) {
        const int post = index.data(TFormGuideGrid::kPost).toInt();
        p->fillRect(r, Qt::white);
        QRect badge(r.left() + 4, r.top() + 6, 26, 26);
        p->fillRect(badge, PostColour(post));
        p->setPen(Qt::black);
        p->drawRect(badge);
        p->setPen(PostTextColour(post));
        p->setFont(Font(16, true));
        p->drawText(badge, Qt::AlignCenter, QString::number(index.data(TFormGuideGrid::kNumber).toInt()));
        p->setPen(Qt::black);
        p->setFont(Font(13, true));
        QRect name(r.left() + 4, r.top() + 36, r.width() - 8, 32);
        p->drawText(name, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                    index.data(TFormGuideGrid::kName).toString());
        // Today's sex and age, jockey and weight carried, as a racing paper puts them.
        const QStringList today = index.data(TFormGuideGrid::kToday).toStringList();
        p->setFont(Font(11));
        for (int i = 0; i < today.size(); ++i)
            p->drawText(QRect(r.left() + 4, r.top() + 68 + 13 * i, r.width() - 8, 13), Qt::AlignLeft, today[i]);
    }

    static void PaintRun(QPainter* p, const QRect& r, const QModelIndex& index) {
        const QStringList c = index.data(TFormGuideGrid::kRun).toStringList();
        if (c.size() < kFormColumns) {
            p->fillRect(r, QColor(240, 240, 240));
            return;
        }
        p->fillRect(r, index.data(TFormGuideGrid::kWon).toBool() ? QColor(255, 224, 224) : QColor(Qt::white));
        const int x = r.left() + 4, w = r.width() - 8;
        p->setPen(Qt::black);
        p->setFont(Font(11));
        QString date = c[2].mid(5);  // MM/DD
        p->drawText(QRect(x, r.top() + 2, w, 14), Qt::AlignLeft, date + " " + c[3] + c[4]);
        p->setFont(Font(12, true));
        p->drawText(QRect(x, r.top() + 16, w, 15), Qt::AlignLeft, c[5]);
        p->setFont(Font(11));
        p->drawText(QRect(x, r.top() + 31, w, 14), Qt::AlignLeft, c[6] + " " + c[7]);
        // Position in large type, the starters beside it.
        p->setFont(Font(24, true));
        QRect pos(x, r.top() + 44, 46, 28);
        p->setPen(index.data(TFormGuideGrid::kWon).toBool() ? QColor(200, 0, 0) : QColor(Qt::black));
        p->drawText(pos, Qt::AlignRight | Qt::AlignVCenter, c[9]);
        p->setPen(Qt::black);
        p->setFont(Font(11));
        p->drawText(QRect(x + 48, r.top() + 54, w - 48, 14), Qt::AlignLeft,
                    c[8].isEmpty() ? QString() : "/" + c[8] + QStringLiteral("頭"));
        p->drawText(QRect(x, r.top() + 72, w, 12), Qt::AlignLeft,
                    c[10] + (c[11].isEmpty() ? QString() : "  " + c[11] + QStringLiteral("人気")));
        p->drawText(QRect(x, r.top() + 83, w, 12), Qt::AlignLeft, c[12] + " " + c[13]);
        // The body weight and its change to the right of the position.
        p->drawText(QRect(x + 48, r.top() + 42, w - 48, 12), Qt::AlignRight, c[14]);
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
    setColumnCount(1 + kRuns);
    QStringList headers{QStringLiteral("馬名")};
    static const char* const kRunNames[] = {"前走", "2走前", "3走前", "4走前", "5走前"};
    for (const char* n : kRunNames) headers << QString::fromUtf8(n);
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(15);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setMinimumSectionSize(15);
    horizontalHeader()->setDefaultSectionSize(kBlockWidth);
    horizontalHeader()->resizeSection(0, kRunnerWidth);
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
        setItem(row, 0, runner);
        for (int k = 0; k < kRuns; ++k) {
            auto* block = new QTableWidgetItem;
            if (k < static_cast<int>(r.runs.size())) {
                QStringList cells;
                for (const std::string& c : r.runs[static_cast<std::size_t>(k)]) cells << Cp932ToQString(c);
                block->setData(kRun, cells);
                block->setData(kWon, static_cast<bool>(r.won[static_cast<std::size_t>(k)]));
            }
            setItem(row, 1 + k, block);
        }
    }
    scrollToTop();
}

}  // namespace turfpad
