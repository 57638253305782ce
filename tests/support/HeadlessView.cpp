#include "HeadlessView.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace turfpad::testing {

HeadlessView::HeadlessView() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (logic_) logic_->Timer();
    });
}

void HeadlessView::RunUntilIdle() {
    while (logic_ && logic_->GetState() != GetDataLogic::State::Idle)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool HeadlessView::Completed() const {
    return std::find(boxes.begin(), boxes.end(), "データ作成が完了しました。") != boxes.end();
}

void HeadlessView::SetStatus(const std::string& text) { statuses.push_back(text); }

void HeadlessView::ClearList() {
    list.clear();
    listed = 0;
}

void HeadlessView::Reset() {
    ClearList();
    boxes.clear();
    statuses.clear();
}

void HeadlessView::AddListLine(const std::string& text) {
    ++listed;
    if (keepList) list.push_back(text);
}

void HeadlessView::Inform(const std::string& text, bool) {
    boxes.push_back(text);
    if (onInform) onInform(text);
}

bool HeadlessView::Confirm(const std::string& text) {
    boxes.push_back("?" + text);
    return true;
}

void HeadlessView::ProcessEvents(int waitMs) {
    QCoreApplication::processEvents();
    if (waitMs > 0) {
        QThread::msleep(static_cast<unsigned long>(waitMs));
        QCoreApplication::processEvents();
    }
}

}  // namespace turfpad::testing
