// Placing top-level windows: centred on the screen, or at outer bounds kept in a settings file.
#pragma once

#include <QSize>

class QWidget;

namespace turfpad {

// Centres a top-level window on the screen of its parent window (the primary screen without
// one), whatever window it belongs to. Called from the window's showEvent, before it appears.
void CentreOnScreen(QWidget* window);

// Gives a top-level window the outer size `outer`, its frame included. The window manager
// adds the frame only after the window is shown, so where the frame is not known yet the
// window waits for it (a second at most) and then takes it off its size once. Without a frame
// (offscreen, or a manager that draws none) the size is the outer size.
void ApplyOuterSize(QWidget* window, QSize outer);

}  // namespace turfpad
