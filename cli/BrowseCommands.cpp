// turfpad-cli card, schedule, form, odds and payouts: a race card as the copy command puts it
// on the clipboard, the schedule grid of a day, composed by the same browsing code as the
// main window, a race's form guide, and its odds and payouts as filed.
#include <algorithm>
#include <iostream>
#include <optional>

#include "Commands.h"
#include "DayCommand.h"
#include "browse/RaceBrowser.h"
#include "browse/RaceDayTexts.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/DayFiles.h"
#include "formguide/FormGuide.h"
#include "records/RaceDayLayout.h"
#include "text/Cp932.h"

namespace turfpad::cli {
namespace {

void Print(const std::string& cp932) { WriteCp932(std::cout, cp932); }

// RACE: a race number 1 to 12.
int RaceArgument(const std::string& s) {
    if (s.empty() || s.size() > 2) return 0;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= kRacesPerDay ? n : 0;
}

}  // namespace

std::string DayArgument(const std::string& arg) {
    std::optional<std::string> cp932 = TryUtf8ToCp932(arg);
    return cp932 ? *cp932 : arg;
}

void PrintMessages(const std::vector<std::string>& utf8) {
    for (const std::string& m : utf8) std::cerr << m << '\n';
}

bool TakeNoWait(Options& o) {
    const auto at = std::find(o.args.begin(), o.args.end(), "--no-wait");
    if (at == o.args.end()) return false;
    o.args.erase(at);
    return true;
}

bool WaitingReader::WaitForFiler() {
    if (!told_) std::cerr << "turfpad-cli: " << kFolderBusyMessage << '\n' << std::flush;
    told_ = true;
    gaveUp_ = !wait_;
    return wait_;
}

bool ChosenDay::Choose(const std::string& day) {
    if (browser.ChooseDay(day)) return true;
    PrintMessages(view.messages);
    return false;
}

bool CheckArguments(const Options& o, std::size_t count, const char* what) {
    for (const std::string& a : o.args)
        if (a.size() > 1 && a[0] == '-') {
            Usage("不明なオプションです: " + a);
            return false;
        }
    if (o.args.size() != count) {
        Usage(what);
        return false;
    }
    return true;
}

// DAY RACE of card and form: the race number (1-12), or 0 once a usage message is printed.
int DayRaceArguments(const Options& o, const char* what) {
    if (!CheckArguments(o, 2, what)) return 0;
    const int race = RaceArgument(o.args[1]);
    if (race == 0) Usage("レース番号は 1～12 で指定してください: " + o.args[1]);
    return race;
}

// Chooses the day and shows the race as the main window would; kOk, or the exit status when
// the day cannot be read or has no such race.
int ShowDayRace(ChosenDay& chosen, const std::string& day, int race, bool& complete) {
    if (!chosen.Choose(day)) return chosen.NotChosenStatus();
    if (chosen.browser.RaceListIndexOf(race - 1) < 0) {
        PrintMessages({Cp932ToUtf8(day) + "に" + std::to_string(race) + "Rのデータはありません。"});
        return kNotFound;
    }
    chosen.view.messages.clear();  // choosing the day showed its last race
    complete = chosen.browser.ShowRace(race - 1);
    return kOk;
}

// After the text is printed: an incomplete race says why, on standard error.
int RaceStatus(const ChosenDay& chosen, bool complete) {
    if (complete) return kOk;
    PrintMessages(chosen.view.messages);
    return kIncomplete;
}

int Card(const Options& given) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    const int race =
        DayRaceArguments(o, "card には開催日 (例 2026年12月12日中山) とレース番号 (1～12) を指定してください");
    if (race == 0) return kUsage;
    ChosenDay chosen(o, wait);
    bool complete = false;
    if (int status = ShowDayRace(chosen, DayArgument(o.args[0]), race, complete); status != kOk) return status;
    const std::optional<std::string> text = chosen.browser.RaceCardText();
    if (!text) {  // a race number that is no number: nothing to print, which is no success
        PrintMessages({chosen.browser.RaceCardTextFault()});
        return kNotFound;
    }
    Print(*text);
    return RaceStatus(chosen, complete);
}

int Form(const Options& given) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    Options rest = o;
    rest.args.clear();
    std::size_t runs = kFormRuns;
    for (std::size_t i = 0; i < o.args.size(); ++i) {
        const std::string& a = o.args[i];
        if (a == "--runs" || a.rfind("--runs=", 0) == 0) {
            std::string value = a.size() > 6 ? a.substr(7) : (i + 1 < o.args.size() ? o.args[++i] : "");
            if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) < 1)
                return Usage("--runs には 1～99 の走数を指定してください: " + value);
            runs = static_cast<std::size_t>(std::stoi(value));
        } else {
            rest.args.push_back(a);
        }
    }
    const int race =
        DayRaceArguments(rest, "form には開催日 (例 2026年12月12日中山) とレース番号 (1～12) を指定してください");
    if (race == 0) return kUsage;
    ChosenDay chosen(o, wait);
    bool complete = false;
    if (int status = ShowDayRace(chosen, DayArgument(rest.args[0]), race, complete); status != kOk) return status;
    FormGuideRuns read;
    if (!read.Read(o.dataDir, chosen.browser.Table(), {race - 1}, runs,
                   [&chosen] { return chosen.progress.WaitForFiler(); })) {
        PrintMessages({kFolderBusyGaveUpMessage});
        return kBusy;
    }
    Print(FormTsv(RaceForm(chosen.browser.Table(), race - 1, read)));
    return RaceStatus(chosen, complete);
}

namespace {

// The race's record in the day's odds or payout file: empty when there is none; nothing
// when the reader gave up waiting for a filer.
std::optional<std::string> RaceDayRecord(const Options& o, const std::string& day, std::string_view type, int race,
                                         WaitingReader& progress) {
    const std::optional<RaceDayFiles> files =
        ReadRaceDayFiles(o.dataDir, day, [&progress] { return progress.WaitForFiler(); });
    if (!files) return std::nullopt;
    return std::string(type == "O1" ? files->O1Of(race - 1) : files->HrOf(race - 1));
}

// odds and payouts: the race checked as card checks it, then its record of `type`.
int RaceDayCommand(const Options& given, const char* what, std::string_view type) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    const int race = DayRaceArguments(o, what);
    if (race == 0) return kUsage;
    ChosenDay chosen(o, wait);
    bool complete = false;
    const std::string day = DayArgument(o.args[0]);
    if (int status = ShowDayRace(chosen, day, race, complete); status != kOk) return status;
    const std::optional<std::string> record = RaceDayRecord(o, day, type, race, chosen.progress);
    if (!record) {
        PrintMessages({kFolderBusyGaveUpMessage});
        return kBusy;
    }
    if (type == "HR") {
        if (record->empty()) {
            PrintMessages({Cp932ToUtf8(day) + "の" + std::to_string(race) + "Rの払戻金はまだありません。"});
            return kNotFound;
        }
        Print(PayoutTsv(*record));
        return kOk;
    }
    Print(OddsTsv(*record, chosen.browser.Table(), race - 1));
    return RaceStatus(chosen, complete);
}

}  // namespace

int Odds(const Options& o) {
    return RaceDayCommand(o, "odds には開催日 (例 2026年12月12日中山) とレース番号 (1～12) を指定してください", "O1");
}

int Payouts(const Options& o) {
    return RaceDayCommand(o, "payouts には開催日 (例 2026年12月12日中山) とレース番号 (1～12) を指定してください",
                          "HR");
}

int Schedule(const Options& given) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    if (!CheckArguments(o, 1, "schedule には開催日 (例 2026年12月12日中山) を指定してください")) return kUsage;
    ChosenDay chosen(o, wait);
    if (!chosen.Choose(DayArgument(o.args[0]))) return chosen.NotChosenStatus();
    RaceBrowser& browser = chosen.browser;
    Print(TabText(browser.ScheduleGrid()));
    return kOk;
}

}  // namespace turfpad::cli
