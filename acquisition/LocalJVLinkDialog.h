// The settings dialog of the local JV-Link stand-in: where its JV-Data files come from, the
// service key, how fast its downloads go, and the time the demo is played at.
#pragma once

#include <QDialog>
#include <functional>

#include "jvlink/LocalJVLink.h"

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace turfpad {

class TLocalJVLinkDialog : public QDialog {
    Q_OBJECT
  public:
    // Asks the user for a folder, starting at `current`; an empty answer keeps the old one.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& current)>;

    TLocalJVLinkDialog(QWidget* parent, const LocalJVLinkSettings& settings);

    LocalJVLinkSettings settings() const;
    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }

    QLineEdit* SourceEdit;
    QPushButton* BrowseButton;
    QLineEdit* ServiceKeyEdit;
    QSpinBox* RateEdit;
    QLineEdit* DemoClockEdit;  // "yyyy-mm-dd hh:mm" in Japan, empty for the real time

  private:
    void BrowseButtonClick();
    FolderPicker picker_;
};

// Shows the dialog modally over the active window; true when the user pressed OK, with
// `settings` changed to what the dialog holds. Without a running application it does nothing
// and returns false.
bool RunLocalJVLinkDialog(LocalJVLinkSettings& settings);

}  // namespace turfpad
