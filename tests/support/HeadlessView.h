// The acquisition without its window: a GetDataView that lets Qt events run, drives the
// polling timer from the event loop, answers every box at once (OK, and Yes to a question)
// and remembers what it was told. For benchmarks, kill tests and other runs without a screen.
#pragma once

#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "jvlink/Acquisition.h"

namespace turfpad::testing {

class HeadlessView : public GetDataView {
  public:
    HeadlessView();

    // The acquisition whose Timer() the polling timer calls.
    void Attach(GetDataLogic& logic) { logic_ = &logic; }
    // Runs the event loop until the acquisition is idle again (after a start that downloads).
    void RunUntilIdle();

    // Whether an acquisition since the last Reset() ended with "データ作成が完了しました。".
    bool Completed() const;
    // Forgets the boxes, status texts and listed lines.
    void Reset();

    bool keepList = true;  // keep the listed lines, or only count them
    long listed = 0;
    std::vector<std::string> list, boxes, statuses;
    int downloadMax = 100, downloadPosition = 0, readMax = 100, readPosition = 0;
    LocalDateTime fromDate;
    std::function<void(const std::string&)> onInform;  // for example to print each box

    void SetStatus(const std::string& text) override;
    void SetDownloadMax(int maximum) override { downloadMax = maximum; }
    void SetDownloadPosition(int position) override { downloadPosition = position; }
    void SetReadMax(int maximum) override { readMax = maximum; }
    void SetReadPosition(int position) override { readPosition = position; }
    void ClearList() override;
    void AddListLine(const std::string& text) override;
    void SetFromDate(const LocalDateTime& t) override { fromDate = t; }
    void Inform(const std::string& text, bool beep) override;
    bool Confirm(const std::string& text) override;
    void Beep() override {}
    void ProcessEvents(int waitMs) override;
    void SetBusyPointer(bool) override {}
    void StartTimer() override { timer_.start(); }
    void StopTimer() override { timer_.stop(); }
    void CloseWindow() override {}

  private:
    QTimer timer_;
    GetDataLogic* logic_ = nullptr;
};

}  // namespace turfpad::testing
