#include "WidgetMap.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace turfpad {

WidgetMapWriter::WidgetMapWriter(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

bool WidgetMapWriter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow()) {
            // After the show has been handled, when layouts have placed the children.
            QPointer<QWidget> window(widget);
            QTimer::singleShot(0, this, [this, window] {
                if (window && window->isVisible()) Write(window);
            });
        }
    }
    return false;
}

void WidgetMapWriter::Write(QWidget* window) {
    QByteArray lines;
    const QByteArray title = window->windowTitle().toUtf8();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->objectName().isEmpty() || !child->isVisible()) continue;
        const QPoint at = child->mapTo(window, QPoint(0, 0));
        lines += title + '\t' + child->objectName().toUtf8() + '\t' + QByteArray::number(at.x()) + '\t' +
                 QByteArray::number(at.y()) + '\t' + QByteArray::number(child->width()) + '\t' +
                 QByteArray::number(child->height()) + '\n';
    }
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(lines);
}

void InstallWidgetMapFromEnvironment() {
    const QString path = qEnvironmentVariable("TURFPAD_WIDGET_MAP");
    if (path.isEmpty()) return;
    qApp->installEventFilter(new WidgetMapWriter(path, qApp));
}

}  // namespace turfpad
