#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace turfpad {

void CentreOnScreen(QWidget* window) {
    if (window == nullptr) return;
    QScreen* screen = nullptr;
    if (QWidget* parent = window->parentWidget()) screen = parent->window()->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

namespace {

QSize FrameOf(const QWidget* window) { return window->frameGeometry().size() - window->size(); }

}  // namespace

void ApplyOuterSize(QWidget* window, QSize outer) {
    if (window == nullptr || !outer.isValid()) return;
    const QSize frame = FrameOf(window);
    if (frame != QSize(0, 0)) {
        window->resize(outer - frame);
        return;
    }
    window->resize(outer);
    // Wait for the frame: the window manager reports it soon after mapping the window.
    auto* timer = new QTimer(window);
    timer->setInterval(20);
    auto tries = std::make_shared<int>(50);
    QPointer<QWidget> guarded(window);
    QObject::connect(timer, &QTimer::timeout, window, [timer, guarded, outer, tries] {
        if (!guarded) return;
        const QSize known = FrameOf(guarded);
        if (known != QSize(0, 0)) guarded->resize(outer - known);
        if (known != QSize(0, 0) || --*tries <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

}  // namespace turfpad
