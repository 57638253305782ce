// The progress window shown while a day is read: a small borderless window on top of
// everything, centred on the screen.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace turfpad {

class TPrgrsForm : public QWidget {
    Q_OBJECT
  public:
    explicit TPrgrsForm(QWidget* parent = nullptr);

    QLabel* Label1;  // "データを読み込んでいます"
    QLabel* Label2;  // set by the user of the window
    QProgressBar* ProgressBar1;
    QPushButton* StopWaitingBtn;  // "待つのをやめる", shown while another program files

    // Shows the window centred on the screen with `text` under the first line and the bar
    // at 0 of `steps`.
    void Begin(const QString& text, int steps);
    void Step();
    void End();
    // While another program files into the data folder: says so with a button to stop
    // waiting, lets the program's windows paint (only this window takes input meanwhile) and
    // returns false once the button was clicked.
    bool Waiting();

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void Centre();
    void ShowWaiting(bool on);
    bool stopped_ = false;
};

}  // namespace turfpad
