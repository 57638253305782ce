// The preview window: a page preview in a scrolling area, a page selector, the zoom choice
// and the print buttons. It keeps its placement and zoom in the settings file.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

namespace turfpad {

class IniStore;
class Printer;
class TPrevX;
class TRadioGroup;
class TUpDown;

class TAllPrintForm : public QDialog {
    Q_OBJECT
  public:
    // The printer and settings are used, not owned.
    TAllPrintForm(Printer& printer, IniStore& ini, QWidget* parent = nullptr);

    // The zoom of each choice of RadioGroup1, in percent.
    static int ZoomOfItem(int item);

    QLabel* Label1;
    TUpDown* UpDown1;
    QPushButton* BitBtn2;  // print the page shown
    QPushButton* BitBtn4;  // print all pages
    QPushButton* BitBtn3;  // printer setup
    QPushButton* BitBtn1;  // close
    TRadioGroup* RadioGroup1;
    QScrollArea* ScrollBox1;
    TPrevX* PrevX1;
    IniStore& IniGT1;

    void RadioGroup1Click();
    void UpDown1Click();
    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn3Click();

    // Every way of closing the window ends here: the placement is written first.
    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void FormClose();
    void PrintRange(int from, int to);

    Printer& printer_;
    QWidget* scrollContent_;
    QRect placement_;  // as read from the settings: outer bounds
    bool placed_ = false;
};

}  // namespace turfpad
