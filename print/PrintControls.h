// Two small controls of the preview window: a horizontal up-down selector (two arrow
// buttons, no number shown) and a radio group laid out in columns.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QToolButton;

namespace turfpad {

class TUpDown : public QWidget {
    Q_OBJECT
  public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const { return position_; }
    // Kept within Min..Max (when Max is below Min, at Min).
    void SetPosition(int v);

    // What a click on an arrow does: one step down (left) or up (right), then Clicked.
    void StepDown();
    void StepUp();

    QToolButton* DownButton() const { return down_; }
    QToolButton* UpButton() const { return up_; }

  signals:
    void Clicked();

  private:
    int Bound(int v) const;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    QToolButton* down_;
    QToolButton* up_;
};

class TRadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);

    int Count() const;
    QString Item(int i) const;
    int Columns() const { return columns_; }
    // The chosen item, -1 for none. Choosing an item, by the user or through SetItemIndex,
    // raises Clicked.
    int ItemIndex() const;
    void SetItemIndex(int i);

  signals:
    void Clicked();

  private:
    QButtonGroup* buttons_;
    int columns_;
};

}  // namespace turfpad
