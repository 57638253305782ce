// What the commands that read a meeting day share: a browsing view that keeps the messages
// the browsing logic would show, and the handling of their arguments and messages.
#pragma once

#include <string>
#include <vector>

#include "Commands.h"
#include "RaceBrowser.h"

namespace turfpad::cli {

// Keeps the messages of the browsing logic; a command prints the parts it asks for.
struct MessageView : BrowserView {
    void SetTabsVisible(bool) override {}
    void SetDayList(const std::vector<std::string>&) override {}
    void SetRaceList(const std::vector<std::string>&) override {}
    void SelectRaceListEntry(int) override {}
    void SetScheduleRows(const std::vector<ScheduleRow>&) override {}
    void SetHeading(const RaceHeading&) override {}
    void SetRaceCardRows(const std::vector<RaceCardRow>&) override {}
    void ClearRaceCardSelection() override {}
    void ShowMessage(const std::string& utf8, bool) override { messages.push_back(utf8); }
    void SetStepperRange(int) override {}
    void SetStepperPosition(int) override {}
    void SetLeftPanelVisible(bool) override {}
    void SetOptionChecked(bool) override {}
    void SetClipboardText(const std::string&) override {}

    std::vector<std::string> messages;
};

// A day entry as typed: UTF-8 where it is valid UTF-8, otherwise taken as cp932 bytes.
std::string DayArgument(const std::string& arg);
// Writes UTF-8 messages to standard error, one a line, in the output encoding.
void PrintMessages(const Options& o, const std::vector<std::string>& utf8);
// Exactly `count` arguments and no unknown option; otherwise the usage with `what`.
bool CheckArguments(const Options& o, std::size_t count, const char* what);

}  // namespace turfpad::cli
