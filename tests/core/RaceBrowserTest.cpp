// The browsing logic driving a recording view: day list, choosing days and races, the race
// stepper, the option, the copy command and the faults it must survive.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "RaceDayRecords.h"
#include "RaceDays.h"
#include "RunRaceRecords.h"
#include "TempDir.h"
#include "browse/RaceBrowser.h"
#include "datafolder/DataFolderLock.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

struct Message {
    std::string text;
    bool beep;
};

struct RecordingView : BrowserView {
    void SetTabsVisible(bool v) override {
        tabs = v;
        if (!v && whileReading) whileReading();  // between reading a day and listing its races
    }
    void SetDayList(const std::vector<std::string>& e) override { days = e; }
    void SetRaceList(const std::vector<std::string>& e) override {
        races = e;
        selected = -1;
    }
    void SelectRaceListEntry(int i) override { selected = i; }
    void SetScheduleRows(const std::vector<ScheduleRow>& rows) override { schedule = rows; }
    void SetHeading(const RaceHeading& h) override { heading = h; }
    void SetRaceCardRows(const std::vector<RaceCardRow>& rows) override { card = rows; }
    void ClearRaceCardSelection() override { ++cardSelectionCleared; }
    void ShowMessage(const std::string& t, bool b) override { messages.push_back({t, b}); }
    void SetStepperRange(int m) override { stepperMax = m; }
    void SetStepperPosition(int p) override { stepper = p; }
    void SetLeftPanelVisible(bool v) override { leftPanel = v; }
    void SetOptionChecked(bool on) override { option = on; }
    void SetClipboardText(const std::string& t) override { clipboard = t; }
    void SetFormGuide(const std::vector<RunnerForm>& r) override {
        form = r;
        ++formsShown;
    }
    void SetRaceDay(const RaceDayInfo& r) override { raceDay = r; }
    void DayShown() override { ++daysShown; }

    bool tabs = false;
    std::vector<std::string> days, races;
    int selected = -1;
    std::vector<ScheduleRow> schedule;
    RaceHeading heading{};
    std::vector<RaceCardRow> card;
    int cardSelectionCleared = 0;
    std::vector<Message> messages;
    int stepperMax = -1, stepper = -1;
    bool leftPanel = true;
    bool option = false;
    std::string clipboard = "unchanged";
    std::vector<RunnerForm> form;
    int formsShown = 0;
    int daysShown = 0;
    RaceDayInfo raceDay;
    std::function<void()> whileReading;
};

struct FakeIni : IniStore {
    bool ReadBool(std::string_view s, std::string_view k, bool def) const override {
        auto it = values.find(std::string(s) + "/" + std::string(k));
        return it == values.end() ? def : it->second == "1";
    }
    void WriteBool(std::string_view s, std::string_view k, bool v) override {
        values[std::string(s) + "/" + std::string(k)] = v ? "1" : "0";
    }
    int ReadInteger(std::string_view, std::string_view, int def) const override { return def; }
    void WriteInteger(std::string_view, std::string_view, int) override {}
    std::string ReadString(std::string_view, std::string_view, std::string_view def) const override {
        return std::string(def);
    }
    void WriteString(std::string_view, std::string_view, std::string_view) override {}
    std::map<std::string, std::string> values;
};

class Browsing : public ::testing::Test {
  protected:
    std::vector<std::string> Utf8(const std::vector<std::string>& cp932) {
        std::vector<std::string> out;
        for (const auto& s : cp932) out.push_back(Cp932ToUtf8(s));
        return out;
    }

    TempDir dir;
    Meeting m;
    RecordingView view;
    NoProgress progress;
    FakeIni ini;
    RaceBrowser browser{view, progress, &ini, dir.path()};
};

}  // namespace

TEST_F(Browsing, DayListIsNewestFirstWithRacecoursesOfOneDayReversed) {
    FileDay(dir.path(), {"20261212", "06", 5, 7}, {1}, 1);
    FileDay(dir.path(), {"20261212", "09", 5, 7}, {1}, 1);
    FileDay(dir.path(), {"20261213", "06", 5, 8}, {1}, 1);
    FileDay(dir.path(), {"20251228", "06", 5, 9}, {1}, 1);
    view.races = {"stale"};
    browser.BuildDayList();
    // cp932 sorts 阪神 (8D E3) before 中山 (92 86): in reverse, 中山 comes first.
    EXPECT_EQ(Utf8(view.days), (std::vector<std::string>{"2026年12月13日中山", "2026年12月12日中山",
                                                         "2026年12月12日阪神", "2025年12月28日中山"}));
    EXPECT_TRUE(view.races.empty());
    EXPECT_EQ(browser.DayList(), view.days);
}

TEST_F(Browsing, EmptyDataFolderGivesAnEmptyDayList) {
    browser.BuildDayList();
    EXPECT_TRUE(view.days.empty());
    EXPECT_FALSE(browser.ChooseDayAt(0));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Browsing, DayWithRacesNineToTwelve) {
    FileDay(dir.path(), m, {9, 10, 11, 12}, 3);
    browser.BuildDayList();
    ASSERT_TRUE(browser.ChooseDayAt(0));
    EXPECT_EQ(Utf8(view.races),
              (std::vector<std::string>{"中山5回 8日 9R", "中山5回 8日10R", "中山5回 8日11R", "中山5回 8日12R"}));
    EXPECT_EQ(browser.RaceListSlots(), (std::vector<int>{8, 9, 10, 11}));
    ASSERT_EQ(view.schedule.size(), 4u);
    EXPECT_EQ(Cp932ToUtf8(view.schedule[0][0]), " 中山 5回 8日 9R");
    EXPECT_EQ(Cp932ToUtf8(view.schedule[3][0]), " 中山 5回 8日12R");
    // The last race is selected and shown.
    EXPECT_EQ(view.selected, 3);
    EXPECT_EQ(browser.CurrentRace(), 11);
    EXPECT_EQ(view.heading[1], "12");
    EXPECT_EQ(view.stepperMax, 3);
    EXPECT_EQ(view.stepper, 3);
    EXPECT_TRUE(view.tabs);
    EXPECT_TRUE(view.messages.empty());

    browser.ChooseRace(2);  // the third entry is race 11
    EXPECT_EQ(browser.CurrentRace(), 10);
    EXPECT_EQ(view.heading[1], "11");
    EXPECT_EQ(view.stepper, 2);
    EXPECT_EQ(view.card.size(), 3u);
}

TEST_F(Browsing, TwelveRacesListRaceOneWithABlank) {
    FileDay(dir.path(), m, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 1);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    ASSERT_EQ(view.races.size(), 12u);
    EXPECT_EQ(Cp932ToUtf8(view.races[0]), "中山5回 8日 1R");
    EXPECT_EQ(view.selected, 11);
    EXPECT_EQ(browser.CurrentRace(), 11);
    EXPECT_EQ(Cp932ToUtf8(browser.ScheduleGrid()[0][0]), "場所回日ﾚｰｽNo");
    EXPECT_EQ(browser.ScheduleGrid().size(), 13u);
}

TEST_F(Browsing, StepperMovesTheSelectionOnlyWithTwoRacesOrMore) {
    FileDay(dir.path(), m, {3, 5, 7}, 2);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    browser.Step(0);
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(browser.CurrentRace(), 2);
    EXPECT_EQ(view.stepper, 0);
    browser.Step(9);  // beyond the range: the last entry
    EXPECT_EQ(browser.CurrentRace(), 6);

    Meeting single{"20261213", "06", 5, 9};
    FileDay(dir.path(), single, {4}, 2);
    ASSERT_TRUE(browser.ChooseDay(DayKey(single)));
    EXPECT_EQ(view.stepperMax, 0);
    view.selected = -7;
    browser.Step(0);
    EXPECT_EQ(view.selected, -7);  // nothing happened
}

TEST_F(Browsing, IncompleteRaceKeepsTheTabsHiddenAndNamesTheRace) {
    std::vector<std::string> recs = {RaRecord(m, 1, 3), RaRecord(m, 2, 2)};
    for (int h = 1; h <= 3; ++h) recs.push_back(SeRecord(m, 1, h));
    recs.back().replace(27, 1, " ");  // runner 3 of race 1 has no post position yet
    recs.push_back(SeRecord(m, 2, 1));
    recs.push_back(SeRecord(m, 2, 2));
    File(dir.path(), recs);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    EXPECT_TRUE(view.tabs);  // race 2 is complete

    browser.ChooseRace(0);
    EXPECT_FALSE(view.tabs);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "中山 1Rはデータ作成が未完了です。");
    // Heading and card are filled all the same.
    EXPECT_EQ(view.heading[1], " 1");
    EXPECT_EQ(view.card.size(), 3u);
    EXPECT_EQ(view.stepper, 0);

    browser.ChooseRace(1);
    EXPECT_TRUE(view.tabs);
}

TEST_F(Browsing, MissingFilesEmptyTheRaceListAndHideTheTabs) {
    FileDay(dir.path(), m, {1, 2}, 2);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    ASSERT_TRUE(view.tabs);
    fs::remove(RaceFilePath(dir.path(), DayKey(m) + ".jvSEr"));
    EXPECT_FALSE(browser.ChooseDay(DayKey(m)));
    EXPECT_FALSE(view.tabs);
    EXPECT_TRUE(view.races.empty());
    EXPECT_TRUE(browser.RaceListSlots().empty());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "データ作成が未完了のようです。");
    EXPECT_TRUE(view.messages[0].beep);
    // The race card table is empty: copying now copies nothing.
    view.clipboard = "unchanged";
    browser.CopyRaceCard();
    EXPECT_EQ(view.clipboard, "unchanged");
}

TEST_F(Browsing, DamagedFileIsReportedWithoutAnyRace) {
    FileDay(dir.path(), m, {1, 2}, 2);
    const fs::path ra = RaceFilePath(dir.path(), DayKey(m) + ".jvRA");
    WriteAll(ra, ReadAll(ra).substr(0, 1272 + 7));
    EXPECT_FALSE(browser.ChooseDay(DayKey(m)));
    EXPECT_FALSE(view.tabs);
    EXPECT_TRUE(view.races.empty());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("2026年12月12日中山.jvRA"), std::string::npos);
}

TEST_F(Browsing, DayWithoutAFilledRaceShowsNothing) {
    FileDay(dir.path(), m, {1}, 1);
    WriteAll(RaceFilePath(dir.path(), DayKey(m) + ".jvRA"), [] {
        std::string blank;
        for (int i = 0; i < 12; ++i) blank += std::string(1270, ' ') + "\r\n";
        return blank;
    }());
    view.schedule = {ScheduleRow{}};
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    EXPECT_TRUE(view.races.empty());
    EXPECT_TRUE(view.schedule.empty());
    EXPECT_FALSE(view.tabs);
    EXPECT_EQ(view.stepperMax, 0);
    EXPECT_TRUE(view.messages.empty());
    browser.Step(0);
    browser.ChooseRace(0);
    EXPECT_FALSE(view.tabs);
}

TEST_F(Browsing, OptionIsLoadedStoredAndHidesTheLeftPanel) {
    ini.values["datalist/close"] = "1";
    browser.LoadOption();
    EXPECT_TRUE(view.option);
    browser.ToggleOption();
    EXPECT_FALSE(view.option);
    EXPECT_EQ(ini.values["datalist/close"], "0");

    FileDay(dir.path(), m, {1}, 1);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    EXPECT_TRUE(view.leftPanel);
    browser.ToggleOption();
    EXPECT_EQ(ini.values["datalist/close"], "1");
    browser.ChooseRace(0);
    EXPECT_FALSE(view.leftPanel);

    RaceBrowser noSettings(view, progress, nullptr, dir.path());
    noSettings.LoadOption();
    EXPECT_FALSE(noSettings.OptionOn());
}

TEST_F(Browsing, CopyPutsTheTitleAndTheGridOnTheClipboard) {
    FileDay(dir.path(), m, {9}, 2);
    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    browser.CopyRaceCard();
    const std::string title = Sj("2026年12月12日 中山 5回 8日 9R");
    const std::string header = Sj("枠\t馬\t馬名\t性齢\t斤量\t騎手\t調教師\tﾌﾞﾘﾝｶ\t見習");
    const std::string r1 = "1\t01\t" + view.card[0][2] + "\t" + Sj("牡 5") + "\t57.0kg\t" + view.card[0][5] + "\t" +
                           view.card[0][6] + "\t\t";
    const std::string r2 = "1\t02\t" + view.card[1][2] + "\t" + Sj("牡 5") + "\t57.0kg\t" + view.card[1][5] + "\t" +
                           view.card[1][6] + "\t\t" + Sj("2kg減");
    EXPECT_EQ(view.clipboard, title + "\r\n" + header + "\r\n" + r1 + "\r\n" + r2 + "\r\n");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Browsing, CopyBeforeAnyDayLeavesTheClipboardAlone) {
    browser.CopyRaceCard();
    EXPECT_EQ(view.clipboard, "unchanged");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "コピーする出馬表がありません。");
    EXPECT_FALSE(browser.RaceCardText());
}

TEST_F(Browsing, RaceNumberThatIsNoNumberIsListedShownAndNamedWhenCopied) {
    FileDay(dir.path(), m, {1, 2}, 2);
    // The stored race 1 carries "1" and a stray byte in its race number (RA 26-27).
    const fs::path ra = RaceFilePath(dir.path(), DayKey(m) + ".jvRA");
    std::string content = ReadAll(ra);
    content.replace(25, 2, "1\x7f");
    WriteAll(ra, content);

    ASSERT_TRUE(browser.ChooseDay(DayKey(m)));
    EXPECT_EQ(view.races.size(), 2u);
    EXPECT_EQ(view.schedule.size(), 2u);
    view.messages.clear();
    browser.ChooseRace(0);
    EXPECT_EQ(browser.CurrentRace(), 0);
    EXPECT_EQ(view.card.size(), 2u);  // its runners are shown, not an empty race
    EXPECT_FALSE(browser.RaceCardText());
    const std::string fault = browser.RaceCardTextFault();
    EXPECT_NE(fault.find("2026年12月12日中山.jvRA」の 1 行目"), std::string::npos) << fault;
    EXPECT_NE(fault.find("(31 7F)"), std::string::npos) << fault;
    browser.CopyRaceCard();
    EXPECT_EQ(view.clipboard, "unchanged");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, kNothingToCopyMessage);

    browser.ChooseRace(1);  // the other race is whole
    EXPECT_TRUE(browser.RaceCardText());
    EXPECT_EQ(browser.RaceCardTextFault(), "");
}

TEST_F(Browsing, TheFormGuideFollowsTheDayShownAndIsReadAgainForEachDayChosen) {
    constexpr const char* kHorse = "2022100001";
    const auto file = [&](const std::vector<std::string>& records) {
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        for (const std::string& r : records) filer.File(r);
    };
    // Race 11 on 12/12 and 12/19 with the horse in it, not yet run; its one run on 11/28.
    // Race 11 of 12/12 a G1 (grade at 615) off at 15:40 (874-877), as its printed heading says.
    file({Race("20261212", "06", 11).Raw({3, 1}, "2").Raw({615, 1}, "A").Raw({874, 4}, "1540").str(),
          Runner("20261212", "06", 11, 1, kHorse, "00").str(), Race("20261219", "06", 11).Raw({3, 1}, "2").str(),
          Runner("20261219", "06", 11, 1, kHorse, "00").str(), Race("20261128", "09", 5).str(),
          Runner("20261128", "09", 5, 4, kHorse, "01").str()});
    const auto dates = [&] {
        std::vector<std::string> out;
        for (const RunnerForm& r : view.form)
            for (const FormRow& run : r.runs) out.push_back(run[2]);
        return out;
    };
    browser.BuildDayList();
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月12日中山")));
    EXPECT_EQ(view.formsShown, 0);  // the tab is not in front: nothing read
    browser.SetFormGuideShown(true);
    EXPECT_EQ(dates(), (std::vector<std::string>{"2026/11/28"}));

    // A run filed while the day is shown appears once a day is chosen again, and the other
    // day shows its own runners' runs, never the day before's.
    file({Race("20261205", "09", 7).str(), Runner("20261205", "09", 7, 2, kHorse, "02").str()});
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月19日中山")));
    EXPECT_EQ(dates(), (std::vector<std::string>{"2026/12/05", "2026/11/28"}));
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月12日中山")));
    EXPECT_EQ(dates(), (std::vector<std::string>{"2026/12/05", "2026/11/28"}));

    // Behind another tab no form is handed over. Printing takes the runs the tab shows, like
    // the race card printed from the day read: a run filed meanwhile waits for the day to be
    // chosen again, and printing first reads them for the tab.
    browser.SetFormGuideShown(false);
    const int shown = view.formsShown;
    browser.ChooseRace(0);
    EXPECT_EQ(view.formsShown, shown);
    file({Race("20261121", "09", 3).str(), Runner("20261121", "09", 3, 5, kHorse, "03").str()});
    const std::optional<std::vector<RaceFormPage>> pages = browser.FormGuidePages();
    ASSERT_TRUE(pages && pages->size() == 1u && (*pages)[0].runners.size() == 1u);
    EXPECT_EQ(Cp932ToUtf8((*pages)[0].heading), "2026/12/12 中山 11R (G1) 芝右1600m 16頭 15時40分発走");
    EXPECT_EQ((*pages)[0].runners[0].runs.size(), 2u);
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月12日中山")));
    ASSERT_TRUE(browser.FormGuidePages());
    browser.SetFormGuideShown(true);
    EXPECT_EQ(dates(), (std::vector<std::string>{"2026/12/05", "2026/11/28", "2026/11/21"}));
}

// Read ahead, the runs are what the tab then shows, without reading them again; while a filer
// holds the folder, reading ahead gives up at once without a word; while the next day is read,
// it reads nothing for the races of the day before.
TEST_F(Browsing, TheRunsReadAheadAreTheTabsAndAFilerIsNotWaitedFor) {
    constexpr const char* kHorse = "2022100001";
    File(dir.path(), {Race("20261212", "06", 11).str(), Runner("20261212", "06", 11, 1, kHorse, "00").str(),
                      Race("20261128", "09", 12).str(), Runner("20261128", "09", 12, 18, kHorse, "01").str(),
                      Race("20261219", "06", 12).str(), Runner("20261219", "06", 12, 1, kHorse, "00").str()});
    browser.BuildDayList();
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月12日中山")));
    EXPECT_EQ(view.daysShown, 1);
    view.messages.clear();  // the race is not whole: said when shown
    {
        DataFolderLock filing(dir.path());
        std::string error;
        ASSERT_EQ(filing.Lock(DataFolderLock::Mode::Exclusive, nullptr, error), DataFolderLock::Result::Locked);
        browser.ReadFormsAhead();
    }
    browser.ReadFormsAhead();
    File(dir.path(), {Race("20261205", "09", 7).str(), Runner("20261205", "09", 7, 2, kHorse, "02").str()});
    browser.SetFormGuideShown(true);
    ASSERT_EQ(view.form.size(), 1u);
    EXPECT_EQ(view.form[0].runs.size(), 1u);
    for (const Message& m : view.messages) ADD_FAILURE() << m.text;

    view.whileReading = [&] { browser.ReadFormsAhead(); };
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月19日中山")));
    ASSERT_EQ(view.form.size(), 1u);
    EXPECT_EQ(view.form[0].runs.size(), 2u);
}

// The 速報 tab follows the race shown: its runners with the odds filed, the positions of a
// run race, its payouts; a race without odds says so.
TEST_F(Browsing, TheRaceDayTabFollowsTheRaceShownWithWhatIsFiled) {
    File(dir.path(), {Race("20261212", "06", 11).str(), Runner("20261212", "06", 11, 1, "2021104501", "01").str(),
                      Runner("20261212", "06", 11, 2, "2021104502", "02").str(), Race("20261212", "06", 12).str(),
                      O1("20261212", "06", 11, {{44, "01003201"}, {52, "02----  "}, {268, "010011001401"}}),
                      Hr("20261212", "06", 11, {{103, "0100000032001"}})});
    browser.BuildDayList();
    ASSERT_TRUE(browser.ChooseDay(Sj("2026年12月12日中山")));
    EXPECT_FALSE(view.raceDay.oddsFiled);  // race 12, shown first, has none
    browser.ChooseRace(0);
    const RaceDayInfo& r = view.raceDay;
    ASSERT_TRUE(r.oddsFiled && r.paid);
    ASSERT_EQ(r.runners.size(), 16u);  // the head count
    EXPECT_EQ(r.runners[0].win, "3.2");
    EXPECT_EQ(r.runners[0].placeLow + "/" + r.runners[0].placeHigh, "1.1/1.4");
    EXPECT_EQ(r.runners[0].position, "1");
    EXPECT_EQ(Cp932ToUtf8(r.runners[1].win), "取消");
    EXPECT_EQ(r.runners[1].popularity, "");
    ASSERT_EQ(r.payouts.size(), 1u);
    EXPECT_EQ(r.payouts[0].combination + " " + r.payouts[0].amount + " " + r.payouts[0].popularity, "1 320 1");
}
