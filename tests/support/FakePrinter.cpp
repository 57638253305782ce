#include "FakePrinter.h"

namespace turfpad {

FakePrinter::~FakePrinter() {
    if (painter_.isActive()) painter_.end();
}

bool FakePrinter::BeginJob(const QString& title) {
    if (!installed_ || refuseJobs_ || painter_.isActive()) return false;
    title_ = title;
    device_ = std::make_unique<RecordingPaintDevice>(metrics_.printable, metrics_.dpiX, metrics_.dpiY);
    return painter_.begin(device_.get());
}

bool FakePrinter::NewPage() {
    if (!painter_.isActive()) return false;
    device_->NewPage();
    return true;
}

bool FakePrinter::EndJob() {
    if (!painter_.isActive()) return false;
    painter_.end();
    jobs_.push_back({title_, device_->Pages()});
    device_.reset();
    return !failEndJob_;
}

QPainter* FakePrinter::Painter() { return painter_.isActive() ? &painter_ : nullptr; }

void FakePrinter::SetLandscape(bool landscape) {
    if (landscape == landscape_) return;
    landscape_ = landscape;
    metrics_.sheet.transpose();
    metrics_.offset = QPoint(metrics_.offset.y(), metrics_.offset.x());
    metrics_.printable.transpose();
}

bool FakePrinter::SetupDialog(QWidget*) {
    ++setupCalls_;
    return onSetup_ ? onSetup_() : true;
}

}  // namespace turfpad
