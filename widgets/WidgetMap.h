// Where the program's named widgets are on screen, for scripts that drive the program from
// outside (the Windows proof clicks through xdotool). With TURFPAD_WIDGET_MAP naming a file,
// each window that is shown adds one line per named widget in it:
//   <window title> TAB <object name> TAB <x> TAB <y> TAB <width> TAB <height> LF
// in the window's own coordinates (its client area), UTF-8. A script clicks the middle of the
// last line that names the widget, so a change of layout cannot send its clicks elsewhere.
#pragma once

#include <QObject>
#include <QString>

namespace turfpad {

class WidgetMapWriter : public QObject {
    Q_OBJECT
  public:
    explicit WidgetMapWriter(QString path, QObject* parent = nullptr);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Write(QWidget* window);
    QString path_;
};

// Installs the writer on the application when TURFPAD_WIDGET_MAP is set.
void InstallWidgetMapFromEnvironment();

}  // namespace turfpad
