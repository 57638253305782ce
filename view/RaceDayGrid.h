// The 速報 tab: the race shown as race day has it. On top, the day's changes of its post time
// and course and the racecourse's weather and going as announced; then a row per runner with
// its post colour and number, name, jockey (before → after a change, in red), body weight and
// change, win odds and popularity, place odds low–high and, once the race is run, its
// position, time and margin (取消 and 除外 in grey rows); below, the payouts of every bet
// type. All is filled from what is filed and says so where nothing is yet.
#pragma once

#include <QWidget>

#include "browse/RaceDayTexts.h"

class QLabel;
class QTableWidget;

namespace turfpad {

class TRaceDayGrid : public QWidget {
    Q_OBJECT
  public:
    explicit TRaceDayGrid(QWidget* parent = nullptr);
    void Fill(const RaceDayInfo& race);

    QTableWidget* Runners;
    QTableWidget* Payouts;
    QLabel* PayoutsCaption;
    QLabel* Notices;
};

}  // namespace turfpad
