// Start-up: make sure JV-Link can be created at all, then run the main window.
#pragma once

#include <QApplication>
#include <thread>

namespace turfpad {

// Reads the system's font configuration on a second thread while the application object
// connects to the display: the first text the window measures would otherwise wait for it
// (a few milliseconds of every start). Made before the application object; waits for the
// thread when it goes. Does nothing where fonts are not configured through fontconfig.
class FontConfigWarmUp {
  public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

  private:
    std::thread thread_;
};

// The application object. An error that nothing else caught while an event was handled (a
// file that cannot be written, a failing call) ends only the action it interrupted: it is
// shown in a message box, and the program goes on.
class TurfpadApplication : public QApplication {
  public:
    TurfpadApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

inline constexpr const char* kNoJVLinkMessage =
    "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";

// Creates one JV-Link object through the factory in force and releases it at once; false
// (after the beep and the message box) when that fails, with the cause written to standard
// error and added to the start-up log (StartupLogPath()). The program then ends before any
// window is made or any setting written.
bool ProbeJVLink();

// Fonts and Japanese standard buttons, for the application object.
void PrepareApplication();

// The whole run after the application object exists: probe, main window, event loop.
// Returns the program's exit status.
int RunTurfpad();

}  // namespace turfpad
