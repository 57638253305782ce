#include "RaceDayGrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "FormGuideGrid.h"
#include "JapaneseUi.h"
#include "QtText.h"

namespace turfpad {
namespace {

QTableWidget* MakeTable(QWidget* parent, const char* name, const QStringList& headers, const QList<int>& widths) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(18);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFont(PixelFont(QString::fromUtf8(kPGothic), 12));
    for (int i = 0; i < widths.size(); ++i) t->horizontalHeader()->resizeSection(i, widths[i]);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

QTableWidgetItem* Cell(const std::string& cp932, Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(Cp932ToQString(cp932));
    item->setTextAlignment(align);
    return item;
}

}  // namespace

TRaceDayGrid::TRaceDayGrid(QWidget* parent) : QWidget(parent) {
    setObjectName("RaceDayGrid");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    Notices = new QLabel(this);
    Notices->setObjectName("RaceDayNotices");
    Notices->setWordWrap(true);
    Notices->setStyleSheet(QStringLiteral("color: #c00000"));
    Notices->hide();
    Runners =
        MakeTable(this, "RaceDayRunners",
                  {QStringLiteral("枠"), QStringLiteral("馬番"), QStringLiteral("馬名"), QStringLiteral("騎手"),
                   QStringLiteral("馬体重"), QStringLiteral("単勝"), QStringLiteral("人気"), QStringLiteral("複勝"),
                   QStringLiteral("着順"), QStringLiteral("タイム"), QStringLiteral("着差")},
                  {22, 32, 110, 116, 58, 46, 34, 74, 34, 46, 50});
    Runners->horizontalHeader()->setStretchLastSection(false);
    PayoutsCaption = new QLabel(this);
    PayoutsCaption->setObjectName("PayoutsCaption");
    Payouts =
        MakeTable(this, "RaceDayPayouts",
                  {QStringLiteral("券種"), QStringLiteral("組番"), QStringLiteral("払戻金"), QStringLiteral("人気")},
                  {60, 90, 80});
    column->addWidget(Notices);
    column->addWidget(Runners, 3);
    column->addWidget(PayoutsCaption);
    column->addWidget(Payouts, 2);
}

void TRaceDayGrid::Fill(const RaceDayInfo& race) {
    Runners->setRowCount(static_cast<int>(race.runners.size()));
    for (int row = 0; row < Runners->rowCount(); ++row) {
        const RaceDayRunner& r = race.runners[static_cast<std::size_t>(row)];
        auto* post = new QTableWidgetItem(r.post > 0 ? QString::number(r.post) : QString());
        post->setTextAlignment(Qt::AlignCenter);
        post->setBackground(PostColour(r.post));
        post->setForeground(PostTextColour(r.post));
        Runners->setItem(row, 0, post);
        Runners->setItem(row, 1, Cell(std::to_string(r.number)));
        Runners->setItem(row, 2, Cell(r.name, Qt::AlignLeft | Qt::AlignVCenter));
        auto* jockey = Cell(r.jockey, Qt::AlignLeft | Qt::AlignVCenter);
        if (r.jockeyChanged) jockey->setForeground(QColor(0xc0, 0, 0));
        Runners->setItem(row, 3, jockey);
        Runners->setItem(row, 4, Cell(r.bodyWeight));
        Runners->setItem(row, 5, Cell(r.win));
        Runners->setItem(row, 6, Cell(r.popularity));
        const bool place = !r.placeLow.empty() && r.placeLow != r.placeHigh;
        Runners->setItem(row, 7, Cell(place ? r.placeLow + "-" + r.placeHigh : r.placeLow));
        Runners->setItem(row, 8, Cell(r.position));
        Runners->setItem(row, 9, Cell(r.time));
        Runners->setItem(row, 10, Cell(r.margin, Qt::AlignLeft | Qt::AlignVCenter));
        if (r.scratched)
            for (int c = 1; c < Runners->columnCount(); ++c)
                if (QTableWidgetItem* item = Runners->item(row, c)) item->setForeground(QColor(0x80, 0x80, 0x80));
    }
    QStringList notices;
    for (const std::string& n : race.notices) notices << Cp932ToQString(n);
    Notices->setText(notices.join(QStringLiteral("　／　")));
    Notices->setVisible(!notices.isEmpty());
    Runners->scrollToTop();
    Payouts->setRowCount(static_cast<int>(race.payouts.size()));
    for (int row = 0; row < Payouts->rowCount(); ++row) {
        const RaceDayPayout& p = race.payouts[static_cast<std::size_t>(row)];
        Payouts->setItem(row, 0, Cell(p.bet, Qt::AlignLeft | Qt::AlignVCenter));
        Payouts->setItem(row, 1, Cell(p.combination, Qt::AlignLeft | Qt::AlignVCenter));
        Payouts->setItem(row, 2, Cell(p.amount + Sj("円")));
        Payouts->setItem(row, 3, Cell(p.popularity));
    }
    PayoutsCaption->setText(race.paid        ? QStringLiteral("払戻金")
                            : race.oddsFiled ? QStringLiteral("払戻金（未確定）")
                                             : QStringLiteral("オッズ・払戻金はまだ取り込まれていません"));
}

}  // namespace turfpad
