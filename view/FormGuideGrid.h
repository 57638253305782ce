// The form guide tab (馬柱): one row per runner of the race shown, its post colour, number
// and name, then its last runs side by side, each a compact block as a racing paper prints
// it, the most recent first; runs it won are highlighted.
#pragma once

#include <QTableWidget>
#include <vector>

#include "formguide/FormGuide.h"

namespace turfpad {

// The colours of the eight posts: background and text.
QColor PostColour(int post);
QColor PostTextColour(int post);

class TFormGuideGrid : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int kRuns = static_cast<int>(kFormRuns);
    static constexpr int kRunnerWidth = 118;
    static constexpr int kBlockWidth = 112;
    static constexpr int kRowHeight = 96;
    // What each cell holds: the runner's post, number and name in the first column, a run's
    // form cells (a QStringList) and whether it was won in the others.
    // The runner's sex and age, jockey and weight carried today (kToday) go under its name.
    enum Role { kPost = Qt::UserRole, kNumber, kName, kRun, kWon, kToday };

    explicit TFormGuideGrid(QWidget* parent = nullptr);
    void Fill(const std::vector<RunnerForm>& runners);
};

}  // namespace turfpad
