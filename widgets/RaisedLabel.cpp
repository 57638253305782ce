#include "RaisedLabel.h"

#include <QEvent>
#include <QPainter>

namespace turfpad {

TLabel3Dj::TLabel3Dj(QWidget* parent) : QWidget(parent) { color_ = palette().color(QPalette::Button); }

void TLabel3Dj::setCaption(const QString& text) {
    if (text == caption_) return;
    caption_ = text;
    Fit();
    update();
}

void TLabel3Dj::setStyle3D(Style style) {
    style_ = style;
    update();
}

void TLabel3Dj::setFontColor(const QColor& color) {
    fontColor_ = color;
    update();
}

void TLabel3Dj::setTransparent(bool on) {
    transparent_ = on;
    update();
}

void TLabel3Dj::setColor(const QColor& color) {
    color_ = color;
    update();
}

void TLabel3Dj::setAutoSize(bool on) {
    autoSize_ = on;
    Fit();
}

// A label without a caption takes no room and shows nothing, not even its background. Its
// font is not measured then: the heading's labels are empty until a race is shown, and
// measuring them would set their font up before the window first appears.
QSize TLabel3Dj::sizeHint() const {
    if (caption_.isEmpty()) return QSize(0, 0);
    QFontMetrics fm(font());
    int w = fm.horizontalAdvance(caption_);
    return QSize(w + 1, fm.height() + 1);
}

void TLabel3Dj::Fit() {
    if (autoSize_) resize(sizeHint());
    updateGeometry();
}

void TLabel3Dj::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange) Fit();
    QWidget::changeEvent(e);
}

void TLabel3Dj::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!transparent_) p.fillRect(rect(), color_);
    p.setFont(font());
    QFontMetrics fm(font());
    const int baseline = fm.ascent();
    if (style_ != Style::None) {
        p.setPen(palette().color(style_ == Style::Raised ? QPalette::Dark : QPalette::Light));
        p.drawText(1, baseline + 1, caption_);
    }
    p.setPen(fontColor_);
    p.drawText(0, baseline, caption_);
}

}  // namespace turfpad
