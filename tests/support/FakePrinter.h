// A printer with fixed metrics that prints onto a recording device, for tests: it keeps every
// job with its title and the items drawn on each of its pages.
#pragma once

#include <QPainter>
#include <functional>
#include <memory>
#include <vector>

#include "Printer.h"
#include "RecordingPaintDevice.h"

namespace turfpad {

class FakePrinter : public Printer {
  public:
    struct Metrics {
        int dpiX = 600;
        int dpiY = 600;
        QSize sheet{4960, 7016};
        QPoint offset{100, 100};
        QSize printable{4760, 6816};
    };
    struct Job {
        QString title;
        std::vector<DrawnPage> pages;
    };

    FakePrinter() = default;
    explicit FakePrinter(const Metrics& m) : metrics_(m) {}
    ~FakePrinter() override;

    void SetInstalled(bool on) { installed_ = on; }
    void SetMetrics(const Metrics& m) { metrics_ = m; }
    const Metrics& GetMetrics() const { return metrics_; }
    // Makes the next jobs fail to start (as a cancelled file dialog does).
    void SetRefuseJobs(bool on) { refuseJobs_ = on; }
    // Makes ending a job fail (as a file that cannot be written does).
    void SetFailEndJob(bool on) { failEndJob_ = on; }
    // Runs when the setup dialog is asked for; its result is the dialog's. By default the
    // dialog is confirmed and changes nothing.
    void SetOnSetup(std::function<bool()> onSetup) { onSetup_ = std::move(onSetup); }

    // Finished jobs, oldest first.
    const std::vector<Job>& Jobs() const { return jobs_; }
    int SetupCalls() const { return setupCalls_; }

    bool Installed() const override { return installed_; }
    int DpiX() const override { return metrics_.dpiX; }
    int DpiY() const override { return metrics_.dpiY; }
    QSize SheetSize() const override { return metrics_.sheet; }
    QPoint PrintableOffset() const override { return metrics_.offset; }
    QSize PrintableSize() const override { return metrics_.printable; }
    bool Landscape() const override { return landscape_; }
    // Turning the sheet swaps its sizes across and down.
    void SetLandscape(bool landscape) override;
    bool BeginJob(const QString& title) override;
    bool NewPage() override;
    bool EndJob() override;
    bool JobDeclined() const override { return refuseJobs_; }
    QPainter* Painter() override;
    bool SetupDialog(QWidget* parent) override;

  private:
    Metrics metrics_;
    bool installed_ = true;
    bool landscape_ = false;
    bool failEndJob_ = false;
    bool refuseJobs_ = false;
    std::function<bool()> onSetup_;
    int setupCalls_ = 0;
    std::vector<Job> jobs_;
    QString title_;
    std::unique_ptr<RecordingPaintDevice> device_;
    QPainter painter_;
};

}  // namespace turfpad
