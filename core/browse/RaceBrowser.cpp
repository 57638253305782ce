#include "browse/RaceBrowser.h"

#include <algorithm>
#include <cstdio>

#include "datafolder/RaceFiles.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {
std::vector<std::string> ToCells(const RaceCardRow& row) { return {row.begin(), row.end()}; }
}  // namespace

RaceBrowser::RaceBrowser(BrowserView& view, ReadProgress& progress, IniStore* settings, std::filesystem::path dataDir)
    : view_(view), progress_(progress), settings_(settings), dataDir_(std::move(dataDir)) {
    card_.push_back(ToCells(RaceCardHeader()));
}

void RaceBrowser::LoadOption() {
    option_ = settings_ != nullptr && settings_->ReadBool(kOptionSection, kOptionKey, false);
    view_.SetOptionChecked(option_);
}

void RaceBrowser::BuildDayList() {
    formsRead_ = false;  // the folder has changed: the runs are read again when next shown
    days_ = DayEntries(dataDir_);
    view_.SetDayList(days_);
    slots_.clear();
    view_.SetRaceList({});
}

bool RaceBrowser::ChooseDayAt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= days_.size()) return false;
    return ChooseDay(days_[static_cast<std::size_t>(index)]);
}

bool RaceBrowser::ChooseDay(std::string_view dayEntry) {
    const Busy busy(busy_);
    const DayReadResult read = ReadDay(dataDir_, dayEntry, table_, progress_);
    day_ = dayEntry;
    formsRead_ = false;
    raceDay_ = {};
    if (read.ok()) {
        bool waited = false;
        std::optional<RaceDayFiles> files = ReadRaceDayFiles(dataDir_, day_, [this, &waited] {
            waited = true;
            return progress_.WaitForFiler();
        });
        if (waited) progress_.Close();
        if (files) raceDay_ = std::move(*files);
    }
    view_.SetTabsVisible(false);
    if (!read.ok()) {
        view_.ShowMessage(read.message, true);
        slots_.clear();
        view_.SetRaceList({});
        return false;
    }

    slots_.clear();
    std::vector<std::string> entries;
    for (int k = 0; k < kRacesPerDay; ++k) {
        if (!IsFilledRace(table_.RaLine(k))) continue;
        slots_.push_back(k);
        entries.push_back(RaceListText(table_.Race(k)));
    }
    view_.SetRaceList(entries);
    view_.SetStepperRange(std::max(0, static_cast<int>(slots_.size()) - 1));
    view_.SetStepperPosition(0);

    schedule_.clear();
    for (int k : slots_) schedule_.push_back(ScheduleCells(table_.Race(k)));
    view_.SetScheduleRows(schedule_);

    // A day without a single race shows no race: the tabs stay hidden.
    if (slots_.empty()) return true;
    view_.SelectRaceListEntry(static_cast<int>(slots_.size()) - 1);
    ShowRace(slots_.back());
    view_.DayShown();
    return true;
}

void RaceBrowser::ChooseRace(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= slots_.size()) return;
    ShowRace(slots_[static_cast<std::size_t>(index)]);
}

void RaceBrowser::Step(int position) {
    if (slots_.size() < 2) return;
    position = std::clamp(position, 0, static_cast<int>(slots_.size()) - 1);
    view_.SelectRaceListEntry(position);
    ShowRace(slots_[static_cast<std::size_t>(position)]);
}

void RaceBrowser::ToggleOption() {
    option_ = !option_;
    view_.SetOptionChecked(option_);
    if (settings_ != nullptr) settings_->WriteBool(kOptionSection, kOptionKey, option_);
}

int RaceBrowser::RaceListIndexOf(int slot) const {
    auto it = std::find(slots_.begin(), slots_.end(), slot);
    return it == slots_.end() ? -1 : static_cast<int>(it - slots_.begin());
}

bool RaceBrowser::ShowRace(int slot) {
    if (slot < 0 || slot >= kRacesPerDay) return false;
    view_.SetTabsVisible(false);
    table_.SetCurrentRace(slot);
    const RaceEntry& race = table_.Race(slot);

    heading_ = HeadingTexts(race);
    view_.SetHeading(heading_);

    const std::vector<RaceCardRow> rows = RaceCardRows(table_, slot);
    card_.resize(1);
    for (const RaceCardRow& row : rows) card_.push_back(ToCells(row));
    view_.SetRaceCardRows(rows);
    if (formShown_) ShowFormGuide();
    view_.SetRaceDay(
        RaceDayOf(raceDay_.O1Of(slot), raceDay_.HrOf(slot), table_, slot, raceDay_.WhOf(slot), raceDay_.changes));

    const bool complete = IsRaceComplete(race);
    if (complete)
        view_.SetTabsVisible(true);
    else
        view_.ShowMessage(Cp932ToUtf8(IncompleteRaceMessage(table_, slot)), false);

    view_.ClearRaceCardSelection();
    const int index = RaceListIndexOf(slot);
    if (index >= 0) view_.SetStepperPosition(index);
    if (option_) view_.SetLeftPanelVisible(false);
    return complete;
}

std::optional<std::string> RaceBrowser::RaceCardText() const {
    std::optional<std::string> title = RaceCardTitle(heading_[kHeadingTitleLabel], table_.CurrentEntry().raceKey);
    if (!title) return std::nullopt;
    return WholeGridText(card_, *title);
}

std::string RaceBrowser::RaceCardTextFault() const {
    const int slot = table_.CurrentRace();
    if (slot < 0 || RaceCardText()) return {};
    const std::string& key = table_.CurrentEntry().raceKey;
    const std::string number = key.size() >= 16 ? key.substr(14, 2) : key;
    std::string bytes;
    for (unsigned char c : number) {
        char hex[4];
        std::snprintf(hex, sizeof hex, bytes.empty() ? "%02X" : " %02X", c);
        bytes += hex;
    }
    return "レースデータファイル「" + Cp932ToUtf8(day_) + std::string(kRaExtension) + "」の " +
           std::to_string(slot + 1) + " 行目のレース番号「" + Cp932ToUtf8(number) + "」(" + bytes +
           ") が数字ではないため、出馬表のテキストを作れません。";
}

void RaceBrowser::CopyRaceCard() {
    std::optional<std::string> text = RaceCardText();
    if (!text) {
        view_.ShowMessage(kNothingToCopyMessage, true);
        return;
    }
    view_.SetClipboardText(*text);
}

void RaceBrowser::SetFormGuideShown(bool shown) {
    formShown_ = shown;
    if (shown) ShowFormGuide();
}

bool RaceBrowser::ReadForms(FormGuideRuns& runs) {
    const Busy busy(busy_);
    bool waited = false;
    const bool read = runs.Read(dataDir_, table_, slots_, kFormRuns, [this, &waited] {
        waited = true;
        return progress_.WaitForFiler();
    });
    if (waited) progress_.Close();
    if (!read) view_.ShowMessage(kFolderBusyGaveUpMessage, true);
    return read;
}

void RaceBrowser::ShowFormGuide() {
    if (slots_.empty()) {
        view_.SetFormGuide({});
        return;
    }
    if (!formsRead_) formsRead_ = ReadForms(forms_);
    view_.SetFormGuide(formsRead_ ? RunnerForms(table_, table_.CurrentRace(), forms_) : std::vector<RunnerForm>{});
}

void RaceBrowser::ReadFormsAhead() {
    // Waiting for a filer lets the view's timers run: never in the middle of reading a day.
    if (busy_ || formsRead_ || slots_.empty()) return;
    formsRead_ = forms_.Read(dataDir_, table_, slots_, kFormRuns, [] { return false; });
}

std::optional<std::vector<RaceFormPage>> RaceBrowser::FormGuidePages() {
    if (slots_.empty()) return std::vector<RaceFormPage>{};
    if (!formsRead_) formsRead_ = ReadForms(forms_);
    if (!formsRead_) return std::nullopt;
    return RaceFormPages(table_, slots_, forms_);
}

CellMatrix RaceBrowser::ScheduleGrid() const {
    CellMatrix cells;
    cells.reserve(schedule_.size() + 1);
    cells.emplace_back(ScheduleHeader().begin(), ScheduleHeader().end());
    for (const ScheduleRow& row : schedule_) cells.emplace_back(row.begin(), row.end());
    return cells;
}

}  // namespace turfpad
