// The pictures on the tool bar buttons, drawn by the program itself.
#pragma once

#include <QIcon>
#include <QToolButton>

namespace turfpad {

enum class ToolIcon { Fetch, Exit, Help, About, Panel, Clipboard, PrintCard, PrintSchedule };
QIcon MakeToolIcon(ToolIcon kind);

// A flat tool bar button: picture and caption side by side, a raised edge under the pointer
// and a sunken one while pressed, sized to its caption.
class FlatButton : public QToolButton {
  public:
    explicit FlatButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace turfpad
