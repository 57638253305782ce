#include "ToolIcons.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

namespace turfpad {

namespace {

QPixmap DrawToolIcon(ToolIcon kind) {
    QPixmap pm(20, 20);  // drawn on 20 x 20, shown at the button's icon size
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(30, 50, 100);
    p.setPen(QPen(ink, 1.5));
    switch (kind) {
        case ToolIcon::Fetch: {  // a disk with an arrow coming down into it
            p.setBrush(QColor(90, 160, 230));
            p.drawRoundedRect(QRectF(2.5, 12.5, 15, 5), 1.5, 1.5);
            QPainterPath arrow;
            arrow.moveTo(10, 11);
            arrow.lineTo(5, 6);
            arrow.lineTo(8, 6);
            arrow.lineTo(8, 1.5);
            arrow.lineTo(12, 1.5);
            arrow.lineTo(12, 6);
            arrow.lineTo(15, 6);
            arrow.closeSubpath();
            p.setBrush(QColor(40, 170, 60));
            p.drawPath(arrow);
            break;
        }
        case ToolIcon::Exit: {  // an open door
            p.setBrush(QColor(200, 150, 90));
            p.drawRect(QRectF(4.5, 2.5, 10, 15));
            p.setBrush(QColor(150, 90, 40));
            QPolygonF door({{4.5, 2.5}, {10.5, 4.5}, {10.5, 19}, {4.5, 17.5}});
            p.drawPolygon(door);
            break;
        }
        case ToolIcon::Help: {
            p.setBrush(QColor(255, 230, 120));
            p.drawEllipse(QRectF(2, 2, 16, 16));
            QFont f = p.font();
            f.setPixelSize(13);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, "?");
            break;
        }
        case ToolIcon::About: {
            p.setBrush(QColor(120, 190, 255));
            p.drawEllipse(QRectF(2, 2, 16, 16));
            QFont f = p.font();
            f.setPixelSize(13);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, "i");
            break;
        }
        case ToolIcon::Panel: {  // a window with its left panel
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 3.5, 15, 13));
            p.setBrush(QColor(120, 170, 230));
            p.drawRect(QRectF(2.5, 3.5, 5, 13));
            break;
        }
        case ToolIcon::Clipboard: {
            p.setBrush(QColor(200, 150, 90));
            p.drawRoundedRect(QRectF(3.5, 3.5, 13, 15), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 6.5, 9, 10));
            p.setBrush(QColor(160, 160, 160));
            p.drawRect(QRectF(7.5, 1.5, 5, 4));
            p.drawLine(QPointF(7, 10), QPointF(13, 10));
            p.drawLine(QPointF(7, 13), QPointF(13, 13));
            break;
        }
        case ToolIcon::PrintCard:
        case ToolIcon::PrintSchedule: {  // a printer, with a card or a table on its paper
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 1.5, 9, 8));
            p.setBrush(QColor(170, 170, 180));
            p.drawRoundedRect(QRectF(1.5, 8.5, 17, 7), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 13.5, 9, 5));
            if (kind == ToolIcon::PrintCard) {
                p.fillRect(QRectF(6.5, 3, 2, 2), Qt::red);
                p.fillRect(QRectF(6.5, 6, 2, 2), Qt::blue);
            } else {
                p.drawLine(QPointF(6, 4), QPointF(14, 4));
                p.drawLine(QPointF(6, 6.5), QPointF(14, 6.5));
            }
            break;
        }
    }
    p.end();
    return pm;
}

// Draws the picture when it is first painted, not when the button is made: the first text
// drawn (the "?" and "i") costs several milliseconds, which the window would otherwise spend
// before it appears. Painted as an icon made from the 20 x 20 pixmap would be: scaled down
// smoothly, and greyed by the style when disabled.
class ToolIconEngine : public QIconEngine {
  public:
    explicit ToolIconEngine(ToolIcon kind) : kind_(kind) {}
    QIconEngine* clone() const override { return new ToolIconEngine(kind_); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size() * painter->device()->devicePixelRatio(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        if (drawn_.isNull()) drawn_ = DrawToolIcon(kind_);
        QPixmap pm =
            size == drawn_.size() ? drawn_ : drawn_.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Normal) return pm;
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, pm, &option);
    }

  private:
    ToolIcon kind_;
    QPixmap drawn_;
};

constexpr int kIcon = 14, kPad = 3, kGap = 2;

}  // namespace

QIcon MakeToolIcon(ToolIcon kind) { return QIcon(new ToolIconEngine(kind)); }

FlatButton::FlatButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setAttribute(Qt::WA_Hover);
}

QSize FlatButton::sizeHint() const {
    QFontMetrics fm(font());
    return QSize(kPad + kIcon + kGap + fm.horizontalAdvance(text()) + kPad, std::max(kIcon, fm.height()) + 2 * kPad);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool down = isDown() || isChecked();
    const bool hover = underMouse() && isEnabled();
    if (down || hover) qDrawShadePanel(&p, rect(), palette(), down, 1);
    const int shift = down ? 1 : 0;
    QRect iconRect(kPad + shift, (height() - kIcon) / 2 + shift, kIcon, kIcon);
    icon().paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    QRect textRect(iconRect.right() + 1 + kGap, shift, width() - iconRect.right() - kGap, height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

}  // namespace turfpad
