// Browsing days and races: the logic behind the day list, the race list, the schedule, the
// race heading, the race card grid and the copy command. It drives a small view interface
// that the main window implements, so everything it decides can be tested without a screen.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/ClipboardText.h"
#include "browse/DayReading.h"
#include "browse/RaceDayTexts.h"
#include "browse/RaceTexts.h"
#include "formguide/FormGuide.h"
#include "records/RaceCardTable.h"
#include "settings/IniStore.h"

namespace turfpad {

// What the browsing logic asks of the main window. All texts are cp932 except messages,
// which are UTF-8.
class BrowserView {
  public:
    virtual ~BrowserView() = default;
    // The page control with the tabs "出馬表" and "全ﾚｰｽｽｹｼﾞｭｰﾙ".
    virtual void SetTabsVisible(bool visible) = 0;
    // Replaces the day list's entries, none selected.
    virtual void SetDayList(const std::vector<std::string>& entries) = 0;
    // Replaces the race list's entries (nothing selected), and selects one. Selecting from
    // here must not come back as a choice of the user.
    virtual void SetRaceList(const std::vector<std::string>& entries) = 0;
    virtual void SelectRaceListEntry(int index) = 0;
    // The schedule grid: reduced to its header row, then one row per race, row 0 fixed
    // again and no selection.
    virtual void SetScheduleRows(const std::vector<ScheduleRow>& rows) = 0;
    // The race heading's ten label texts (their looks are HeadingLooks()).
    virtual void SetHeading(const RaceHeading& heading) = 0;
    // The race card grid: header row plus one row per runner.
    virtual void SetRaceCardRows(const std::vector<RaceCardRow>& rows) = 0;
    virtual void ClearRaceCardSelection() = 0;
    // The form guide (馬柱) tab: the runners of the race shown with their recent runs.
    virtual void SetFormGuide(const std::vector<RunnerForm>& runners) = 0;
    // The 速報 tab: the race shown with its odds, result and payouts as filed.
    virtual void SetRaceDay(const RaceDayInfo&) {}
    // A day with races has been read and shown: a moment later the view may have the runs of
    // its runners read ahead (ReadFormsAhead).
    virtual void DayShown() {}
    // An information box with an OK button, after the system beep if `beep`.
    virtual void ShowMessage(const std::string& utf8, bool beep) = 0;
    // The hidden race stepper: range 0..max and position.
    virtual void SetStepperRange(int max) = 0;
    virtual void SetStepperPosition(int position) = 0;
    // The left panel with the day list and the race list.
    virtual void SetLeftPanelVisible(bool visible) = 0;
    // The check mark of "読込後、ﾃﾞｰﾀﾘｽﾄを消す".
    virtual void SetOptionChecked(bool on) = 0;
    // Puts the copied race card (cp932) on the clipboard as plain text.
    virtual void SetClipboardText(const std::string& cp932) = 0;
};

// A view that shows nothing: it keeps the messages and the clipboard text it is given, for
// browsing without a window (the command line, benchmarks, tests).
class HeadlessBrowserView : public BrowserView {
  public:
    void SetTabsVisible(bool) override {}
    void SetDayList(const std::vector<std::string>&) override {}
    void SetRaceList(const std::vector<std::string>&) override {}
    void SelectRaceListEntry(int) override {}
    void SetScheduleRows(const std::vector<ScheduleRow>&) override {}
    void SetHeading(const RaceHeading&) override {}
    void SetRaceCardRows(const std::vector<RaceCardRow>&) override {}
    void ClearRaceCardSelection() override {}
    void SetFormGuide(const std::vector<RunnerForm>&) override {}
    void ShowMessage(const std::string& utf8, bool) override { messages.push_back(utf8); }
    void SetStepperRange(int) override {}
    void SetStepperPosition(int) override {}
    void SetLeftPanelVisible(bool) override {}
    void SetOptionChecked(bool) override {}
    void SetClipboardText(const std::string& cp932) override { clipboard = cp932; }

    std::vector<std::string> messages;  // UTF-8
    std::string clipboard;              // cp932
};

// The settings section and key of the option "読込後、ﾃﾞｰﾀﾘｽﾄを消す".
inline constexpr const char* kOptionSection = "datalist";
inline constexpr const char* kOptionKey = "close";
// Shown instead of copying when there is no race card to copy.
inline constexpr const char* kNothingToCopyMessage = "コピーする出馬表がありません。";

class RaceBrowser {
  public:
    // `settings` may be null: the option is then off and never stored.
    RaceBrowser(BrowserView& view, ReadProgress& progress, IniStore* settings, std::filesystem::path dataDir);

    // Start-up: the option's check mark from the settings file.
    void LoadOption();
    // Rebuilds the day list from the RA files of the data folder (newest first) and empties
    // the race list; the schedule, heading and race card keep what they show.
    void BuildDayList();
    // Reads the day, lists its races, fills the schedule and shows its last race. Returns
    // false when the day could not be read (the message has been shown).
    bool ChooseDay(std::string_view dayEntry);
    bool ChooseDayAt(int dayListIndex);
    // The user chose a race list entry.
    void ChooseRace(int raceListIndex);
    // A click on the race stepper, which has moved to `position`.
    void Step(int position);
    // Flips the option and stores it at once.
    void ToggleOption();
    // Shows the race of a race slot: heading, race card, completeness. Returns whether the
    // race is complete (tabs shown).
    bool ShowRace(int slot);
    // Copies the race card shown (both copy commands).
    void CopyRaceCard();
    // Whether the form guide tab is in front. While it is, the form guide of each race shown
    // is handed to the view; the runs of a day's runners are read once, when the first of its
    // races is shown there, and again after another day (or a new day list) is chosen.
    void SetFormGuideShown(bool shown);
    // The form guides of every race of the day read, for printing: from the runs the tab
    // shows, read now if they have not been yet (and kept for the tab), like the race cards
    // printed from the day read. Nothing when the reader stopped waiting for a filer (the
    // message is shown).
    std::optional<std::vector<RaceFormPage>> FormGuidePages();
    // Reads the runs of the day's runners before they are needed, for the 馬柱 tab and
    // 馬柱印刷; never waits for a filer and never says anything (they are then read when
    // needed, as before).
    void ReadFormsAhead();

    const std::vector<std::string>& DayList() const { return days_; }
    // The race slot of each race list entry.
    const std::vector<int>& RaceListSlots() const { return slots_; }
    int RaceListIndexOf(int slot) const;
    const RaceCardTable& Table() const { return table_; }
    // The day entry read last (cp932), empty before the first.
    const std::string& CurrentDay() const { return day_; }
    int CurrentRace() const { return table_.CurrentRace(); }
    bool OptionOn() const { return option_; }
    // What the race card grid shows (header row first), as the copy takes it.
    const CellMatrix& CardCells() const { return card_; }
    const RaceHeading& Heading() const { return heading_; }
    // The text the copy puts on the clipboard; nothing when there is no race card.
    std::optional<std::string> RaceCardText() const;
    // Why the race shown gives no such text although it is shown: its race number is not a
    // number. UTF-8, naming the day's RA file, the line and the bytes; empty otherwise.
    std::string RaceCardTextFault() const;
    // The schedule grid's rows (header first).
    CellMatrix ScheduleGrid() const;

  private:
    // Set while a day or its runs are read: waiting for a filer lets the view's events run.
    struct Busy {
        explicit Busy(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
        ~Busy() { flag_ = was_; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
        bool& flag_;
        bool was_;
    };
    bool busy_ = false;
    BrowserView& view_;
    ReadProgress& progress_;
    IniStore* settings_;
    std::filesystem::path dataDir_;
    RaceCardTable table_;
    std::vector<std::string> days_;
    std::string day_;  // the day entry read last (cp932)
    std::vector<int> slots_;
    std::vector<ScheduleRow> schedule_;
    RaceHeading heading_{};
    CellMatrix card_;
    bool option_ = false;
    bool formShown_ = false;
    RaceDayFiles raceDay_;    // the day's odds and payouts, read with the day
    bool formsRead_ = false;  // forms_ holds the runs of the day read
    FormGuideRuns forms_;

    // Reads the runners' runs of the day's races into `runs`, with the waiting said as a
    // day's reading says it. False (the message shown) when the reader stopped waiting.
    bool ReadForms(FormGuideRuns& runs);
    void ShowFormGuide();
};

}  // namespace turfpad
