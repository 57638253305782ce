#include "PrintControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

namespace turfpad {

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), down_(new QToolButton(this)), up_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    down_->setArrowType(Qt::LeftArrow);
    up_->setArrowType(Qt::RightArrow);
    down_->setAutoRepeat(true);
    up_->setAutoRepeat(true);
    layout->addWidget(down_);
    layout->addWidget(up_);
    connect(down_, &QToolButton::clicked, this, &TUpDown::StepDown);
    connect(up_, &QToolButton::clicked, this, &TUpDown::StepUp);
}

int TUpDown::Bound(int v) const { return max_ < min_ ? min_ : std::clamp(v, min_, max_); }

void TUpDown::SetMin(int v) {
    min_ = v;
    position_ = Bound(position_);
}

void TUpDown::SetMax(int v) {
    max_ = v;
    position_ = Bound(position_);
}

void TUpDown::SetPosition(int v) { position_ = Bound(v); }

void TUpDown::StepDown() {
    position_ = Bound(position_ - 1);
    emit Clicked();
}

void TUpDown::StepUp() {
    position_ = Bound(position_ + 1);
    emit Clicked();
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)), columns_(columns) {
    auto* layout = new QGridLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        layout->addWidget(button, i / columns, i % columns);
    }
    connect(buttons_, &QButtonGroup::idClicked, this, [this](int) { emit Clicked(); });
}

int TRadioGroup::Count() const { return static_cast<int>(buttons_->buttons().size()); }

QString TRadioGroup::Item(int i) const {
    QAbstractButton* b = buttons_->button(i);
    return b ? b->text() : QString();
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TRadioGroup::SetItemIndex(int i) {
    QAbstractButton* b = buttons_->button(i);
    if (b) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
    emit Clicked();
}

}  // namespace turfpad
