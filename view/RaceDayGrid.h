// The 速報 tab: the race shown as race day has it. Above, a row per runner with its post
// colour and number, name, win odds and popularity, place odds low–high and, once the race is
// run, its position and time; below, the payouts of every bet type. Both are filled from
// what is filed (the O1 and HR records) and say so where nothing is yet.
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
};

}  // namespace turfpad
