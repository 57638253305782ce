// The form guide tab (馬柱): one row per runner of the race shown, its post colour, number,
// name and today's sex and age, jockey and weight in a fixed column at the left, then its last
// runs side by side, each a compact block as a racing paper prints it, the most recent first;
// runs it won are highlighted. The runs scroll sideways under the fixed runner column and
// widen to use a wider window.
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
    static constexpr int kRunnerWidth = 86;
    static constexpr int kBlockWidth = 86;  // the narrowest a run's block gets: 4 beside a scroll bar at 630 x 450
    static constexpr int kRowHeight = 85;
    // What the cells hold: each run's form cells (a QStringList) and whether it was won; the
    // row's header item the runner's post, number, name and today's sex and age, and jockey
    // and weight carried (kToday).
    enum Role { kPost = Qt::UserRole, kNumber, kName, kRun, kWon, kToday };

    explicit TFormGuideGrid(QWidget* parent = nullptr);
    void Fill(const std::vector<RunnerForm>& runners);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitBlocks();
};

}  // namespace turfpad
