// What the commands that read a meeting day share: the handling of their arguments and
// messages. They browse through the headless view of the browsing logic.
#pragma once

#include <string>
#include <vector>

#include "Commands.h"
#include "browse/RaceBrowser.h"

namespace turfpad::cli {

// A day entry as typed: UTF-8 where it is valid UTF-8, otherwise taken as cp932 bytes.
std::string DayArgument(const std::string& arg);
// Writes UTF-8 messages to standard error, one a line, in the output encoding.
void PrintMessages(const std::vector<std::string>& utf8);
// Exactly `count` arguments and no unknown option; otherwise the usage with `what`.
bool CheckArguments(const Options& o, std::size_t count, const char* what);

// Takes `--no-wait` out of the arguments; true when it was there.
bool TakeNoWait(Options& o);

// While another program files into the data folder: says so on standard error, once, and
// waits, or with --no-wait gives up.
class WaitingReader : public NoProgress {
  public:
    explicit WaitingReader(bool wait) : wait_(wait) {}
    bool WaitForFiler() override;
    bool GaveUp() const { return gaveUp_; }

  private:
    bool wait_, told_ = false, gaveUp_ = false;
};

// A meeting day read as choosing it in the day list reads it: its race list, its schedule
// and its last race shown.
struct ChosenDay {
    explicit ChosenDay(const Options& o, bool wait = true)
        : progress(wait), browser(view, progress, nullptr, o.dataDir) {}
    // Reads the day (cp932 entry); when it cannot be read, prints why and returns false.
    bool Choose(const std::string& day);
    // The exit status of a day that could not be chosen.
    int NotChosenStatus() const { return progress.GaveUp() ? kBusy : kNotFound; }

    HeadlessBrowserView view;
    WaitingReader progress;
    RaceBrowser browser;
};

}  // namespace turfpad::cli
