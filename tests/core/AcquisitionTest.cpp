#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <map>
#include <thread>

#include "AcquisitionSupport.h"
#include "SampleRecords.h"
#include "ScriptedJVLink.h"
#include "TempDir.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/Acquisition.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JVLink.h"
#include "jvlink/JvdFiles.h"
#include "jvlink/LocalJVLink.h"
#include "records/RecordBuilder.h"
#include "settings/IniStore.h"
#include "text/Cp932.h"
#include "text/PathText.h"

using namespace turfpad;
using turfpad::testing::ReadAll;
using turfpad::testing::SampleRa;
using turfpad::testing::SampleSe;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;
using turfpad::testing::MemoryIni;
using turfpad::testing::ScriptedJVLink;

namespace {

// Records what the window would show.
class RecordingView : public GetDataView {
  public:
    std::vector<std::string> statuses, list, boxes, events;
    int downloadMax = 100, downloadPos = 0, readMax = 100, readPos = 0, beeps = 0, processed = 0, waited = 0;
    bool busy = false, timer = false, closed = false, timerWhileAsking = false;
    LocalDateTime from;
    std::deque<bool> answers;
    std::function<void()> onProcess;

    void SetStatus(const std::string& t) override { statuses.push_back(t); }
    void SetDownloadMax(int m) override { downloadMax = m; }
    void SetDownloadPosition(int p) override { downloadPos = p; }
    void SetReadMax(int m) override { readMax = m; }
    void SetReadPosition(int p) override { readPos = p; }
    void ClearList() override { list.clear(); }
    void AddListLine(const std::string& t) override { list.push_back(t); }
    void SetFromDate(const LocalDateTime& t) override { from = t; }
    void Inform(const std::string& t, bool beep) override {
        boxes.push_back(t);
        events.push_back(std::string(beep ? "beep+" : "") + "box:" + t);
    }
    bool Confirm(const std::string& t) override {
        timerWhileAsking = timer;
        boxes.push_back("?" + t);
        bool a = answers.empty() || answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }
    void Beep() override {
        ++beeps;
        events.push_back("beep");
    }
    void ProcessEvents(int waitMs) override {
        ++processed;
        if (waitMs > 0) ++waited;
        if (onProcess) onProcess();
    }
    void SetBusyPointer(bool b) override { busy = b; }
    void StartTimer() override { timer = true; }
    void StopTimer() override { timer = false; }
    void CloseWindow() override { closed = true; }
};

std::string Ra(int race) { return SampleRa("20261212", "06", race); }
std::string Se(int race, int horse) { return SampleSe("20261212", "06", race, horse); }

const LocalDateTime kNow{2026, 12, 7, 9, 30, 15};

class AcquisitionTest : public ::testing::Test {
  protected:
    AcquisitionTest() : logic(jv, dir.path(), ini, view, [] { return kNow; }) {}
    void Open() { logic.Open(); }
    bool Saw(const std::string& box) const {
        return std::find(view.boxes.begin(), view.boxes.end(), box) != view.boxes.end();
    }

    TempDir dir;
    ScriptedJVLink jv;
    MemoryIni ini;
    RecordingView view;
    GetDataLogic logic;
};

}  // namespace

TEST(SettingsTime, ParsesOnlyRealDatesInTheStoredForm) {
    LocalDateTime t;
    ASSERT_TRUE(ParseSettingsTime("2003/04/05 14:30:00", t));
    EXPECT_EQ(t, (LocalDateTime{2003, 4, 5, 14, 30, 0}));
    EXPECT_EQ(JVTimeText(t), "20030405143000");
    EXPECT_EQ(SettingsTimeText(t), "2003/04/05 14:30:00");
    for (const char* bad : {"", "2003/02/30 00:00:00", "2003/04/05 24:00:00", "2003-04-05 14:30:00", "2003/04/05 14:30",
                            "２００３/04/05 14:30:00", "2003/04/05 14:30:0x"})
        EXPECT_FALSE(ParseSettingsTime(bad, t)) << bad;
    EXPECT_EQ(MinusDays({2026, 3, 3, 1, 2, 3}, 8), (LocalDateTime{2026, 2, 23, 1, 2, 3}));
}

TEST_F(AcquisitionTest, OpeningOffersLastTimeOrEightDaysAgo) {
    Open();
    EXPECT_EQ(view.from, (LocalDateTime{2026, 11, 29, 9, 30, 15}));
    ini.values["JvDataGet/LastTime"] = "2026/12/01 16:00:00";
    Open();
    EXPECT_EQ(logic.FromDate(), (LocalDateTime{2026, 12, 1, 16, 0, 0}));
    ini.values["JvDataGet/LastTime"] = "昨日";  // unreadable: the default again
    Open();
    EXPECT_EQ(logic.FromDate(), (LocalDateTime{2026, 11, 29, 9, 30, 15}));
}

TEST_F(AcquisitionTest, NothingNewOrAnOpenErrorClosesJVLink) {
    Open();
    for (auto [result, count, box] : std::vector<std::tuple<int, int, std::string>>{
             {-1, 2, "最新のデータがありません。"},
             {0, 0, "最新のデータがありません。"},
             {-303, 2, "JVOpenエラー:サービスキーが設定されていません。（サービスキーが空値）(-303)"}}) {
        jv.calls.clear();
        view.events.clear();
        jv.openResult = result;
        jv.readCount = count;
        logic.Start();
        EXPECT_EQ(jv.calls, (std::vector<std::string>{"JVOpen RACE 20261129093015 2", "JVClose"}));
        EXPECT_EQ(view.events.back(), "beep");  // closing JV-Link beeps whatever the result
        EXPECT_EQ(view.events[view.events.size() - 2], "beep+box:" + box);
        EXPECT_FALSE(view.busy);
        EXPECT_EQ(logic.GetState(), GetDataLogic::State::Idle);
    }
    EXPECT_EQ(view.boxes.front(),  // the start confirmation
              "2026年11月29日09時30分15秒以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり"
              "他のアプリケーションを操作することは極力避けてください。");
}

TEST_F(AcquisitionTest, ReadsAtOnceFilesListsAndTakesOverTheLastTime) {
    Open();
    jv.reads = {{1272, Ra(11)}, {555, Se(3, 7)}, {719, "HR" + std::string(715, '0') + "\r\n"},
                {-1, ""},       {-3, ""},        {555, Se(3, 8)},
                {-1, ""},       {0, ""}};
    logic.Start();
    EXPECT_EQ(view.list, (std::vector<std::string>{"作成済み:11R/2026年12月12日中山.jvRA",
                                                   "作成済み:03R/07番/2026年12月12日中山.jvSEr",
                                                   "作成済み:03R/08番/2026年12月12日中山.jvSEr"}));
    EXPECT_EQ(view.downloadMax, 100);  // the download bar was shown full, then reset
    std::vector<std::string> expected = {"JVOpen正常:正常に実行されました。(0)",
                                         "ReadCount:2, DownloadCount:0",
                                         "データ読込み中．．．(0/2)",
                                         "データ読込み中．．．(1/2)",
                                         "データ読込み中．．．(2/2)",
                                         "データ読込み完了(2/2)"};
    EXPECT_EQ(view.statuses, expected);
    EXPECT_TRUE(Saw("データ作成が完了しました。"));
    EXPECT_EQ(view.readPos, 0);
    EXPECT_EQ(view.waited, 1);  // -3 waits for the file instead of spinning
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_EQ(ini.values["JvDataGet/LastTime"], "2026/12/10 16:00:00");
    EXPECT_EQ(logic.FromDate(), (LocalDateTime{2026, 12, 10, 16, 0, 0}));
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvSEr").substr((2 * 18 + 7) * 555, 555), Se(3, 8));
    // Every JVRead is given the full buffer, whatever the record before it left.
    for (int size : jv.sizesGiven) EXPECT_EQ(size, kJVReadBufferSize);
}

TEST_F(AcquisitionTest, BlankOrZeroTimestampsLeaveLastTimeAlone) {
    Open();
    for (const char* ts : {"              ", "00000000000000", "", "2026ab10160000", "2026", " 20261210 "}) {
        jv.lastTimestamp = ts;
        jv.reads = {{0, ""}};
        logic.Start();
        EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u) << ts;
    }
}

TEST_F(AcquisitionTest, DownloadIsPolledThenRead) {
    Open();
    jv.readCount = 5;
    jv.downloadCount = 5;
    jv.statuses = {3, 6, 5};
    jv.reads = {{0, ""}};
    logic.Start();
    EXPECT_EQ(view.statuses.back(), "ダウンロード中・・・");
    EXPECT_EQ(view.downloadMax, 5);
    EXPECT_TRUE(view.timer);
    logic.Timer();
    EXPECT_EQ(view.statuses.back(), "ダウンロード中．．．(3/5)");
    EXPECT_EQ(view.downloadPos, 3);
    logic.Timer();  // above the download count: nothing
    EXPECT_EQ(view.statuses.back(), "ダウンロード中．．．(3/5)");
    logic.Timer();
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(jv.Count("JVRead"), 1);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u);  // not after a download
    logic.Timer();                                          // a late tick after the end does nothing
    EXPECT_EQ(jv.Count("JVStatus"), 3);
}

TEST_F(AcquisitionTest, StatusErrorStopsAndCloses) {
    Open();
    jv.downloadCount = 2;
    jv.statuses = {-502};
    logic.Start();
    logic.Timer();
    EXPECT_TRUE(Saw("JVStatusエラー:ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)"));
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(jv.calls.back(), "JVClose");
}

TEST_F(AcquisitionTest, ReadErrorEndsTheLoopWithoutTakingOver) {
    Open();
    jv.reads = {{1272, Ra(1)}, {-503, ""}, {0, ""}};
    logic.Start();
    EXPECT_TRUE(Saw("JVReadエラー:ファイルが見つかりません。(-503)"));
    EXPECT_EQ(jv.Count("JVRead"), 2);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u);
    EXPECT_TRUE(fs::exists(dir / "2026年12月12日中山.jvRA"));  // what was read is on disk
}

TEST_F(AcquisitionTest, CancelDuringTheReadLoop) {
    Open();
    jv.reads = {{1272, Ra(1)}, {-1, ""}, {1272, Ra(2)}, {-1, ""}, {0, ""}};
    int reads = 0;
    jv.onRead = [&] {
        if (++reads == 2) {
            view.answers = {false};
            logic.Cancel();  // No: nothing happens
            view.answers = {true};
            logic.Cancel();
        }
    };
    logic.Start();
    EXPECT_EQ(jv.Count("JVRead"), 2);  // the loop ends before its next JVRead
    EXPECT_EQ(jv.Count("JVCancel"), 1);
    EXPECT_EQ(jv.Count("JVClose"), 1);
    EXPECT_TRUE(Saw("JVCancel:キャンセルされました"));
    EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u);
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvRA").size(), kRaFileSize);
}

TEST_F(AcquisitionTest, CancelDuringTheDownloadClosesJVLinkSoTheNextStartWorks) {
    Open();
    jv.downloadCount = 3;
    jv.statuses = {1};
    logic.Start();
    logic.Timer();
    logic.Cancel();
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(std::vector<std::string>(jv.calls.end() - 2, jv.calls.end()),
              (std::vector<std::string>{"JVCancel", "JVClose"}));
    EXPECT_EQ(logic.GetState(), GetDataLogic::State::Idle);
    jv.downloadCount = 0;
    jv.reads = {{0, ""}};
    logic.Start();
    EXPECT_EQ(jv.Count("JVOpen RACE 20261129093015 2"), 2);
    EXPECT_TRUE(Saw("データ作成が完了しました。"));
}

TEST_F(AcquisitionTest, StartWhileRunningIsIgnored) {
    Open();
    jv.downloadCount = 3;
    jv.statuses = {1};
    logic.Start();
    logic.Start();
    EXPECT_EQ(jv.Count("JVOpen RACE 20261129093015 2"), 1);
    EXPECT_TRUE(view.timer);
    jv.downloadCount = 0;
    jv.reads = {{1272, Ra(1)}, {0, ""}};
    LocalDateTime later{2026, 12, 1, 0, 0, 0};
    GetDataLogic second(jv, dir.path(), ini, view, [] { return kNow; });
    second.SetFromDate(later);
    jv.onRead = [&] { second.Start(); };  // pressed again while reading
    second.Start();
    EXPECT_EQ(jv.Count("JVOpen RACE 20261201000000 2"), 1);
}

TEST_F(AcquisitionTest, FilingErrorEndsTheLoopNamesTheFileAndClosesJVLink) {
    Open();
    WriteAll(dir / "2026年12月12日中山.jvRA", "damaged");
    jv.reads = {{1272, Ra(1)}, {1272, Ra(2)}, {0, ""}};
    logic.Start();
    EXPECT_EQ(jv.Count("JVRead"), 1);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_FALSE(view.busy);
    bool named = false;
    for (const std::string& b : view.boxes) named |= b.find("2026年12月12日中山.jvRA") != std::string::npos;
    EXPECT_TRUE(named);
    EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u);
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvRA"), "damaged");
}

#ifndef _WIN32
// A failed flush says how many of the records already listed did not reach the disk, those
// of an earlier JV-Link file held back for their day's other file among them.
TEST_F(AcquisitionTest, FailedFlushCountsTheListedRecordsNotWritten) {
    Open();
    FileRaceRecord(dir.path(), Se(1, 1));
    ASSERT_EQ(chmod((dir / "2026年12月12日中山.jvSEr").c_str(), 0444), 0);
    jv.reads = {{1272, Ra(1)}, {-1, ""}, {555, Se(1, 2)}, {555, Se(1, 3)}, {-1, ""}, {0, ""}};
    logic.Start();
    EXPECT_EQ(view.list.size(), 3u);
    bool counted = false;
    for (const std::string& b : view.boxes)
        counted |= b.find("読み取り専用") != std::string::npos &&
                   b.find("一覧に表示したレコードのうち 3 件は保存されていません") != std::string::npos;
    EXPECT_TRUE(counted);
    EXPECT_FALSE(fs::exists(dir / "2026年12月12日中山.jvRA"));
}
#endif  // the file permissions of POSIX systems

// Another program filing into the data folder is waited for with the window alive and said
// so; once it is done the records are filed. Cancelling while waiting ends the reading.
TEST_F(AcquisitionTest, WaitsForAnotherFilerAndCanBeCancelledMeanwhile) {
    Open();
    auto other = std::make_unique<DataFolderLock>(dir.path());
    std::string error;
    ASSERT_EQ(other->Lock(DataFolderLock::Mode::Exclusive, nullptr, error), DataFolderLock::Result::Locked);
    int waits = 0;
    view.onProcess = [&] {
        if (other && ++waits == 3) other.reset();
    };
    jv.reads = {{1272, Ra(1)}, {-1, ""}, {0, ""}};
    logic.Start();
    EXPECT_EQ(waits, 3);
    EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(),
                        "データフォルダが他のプログラムで取込み中です。終わるまで待っています"),
              view.statuses.end());
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvRA").substr(0, kRaRecordSize), Ra(1));

    ASSERT_EQ(DataFolderLock(dir.path()).Lock(DataFolderLock::Mode::Exclusive, nullptr, error),
              DataFolderLock::Result::Locked);  // a lock given back with its holder
    DataFolderLock holder(dir.path());
    ASSERT_EQ(holder.Lock(DataFolderLock::Mode::Exclusive, nullptr, error), DataFolderLock::Result::Locked);
    view.answers = {true};
    bool cancelled = false;
    view.onProcess = [&] {
        if (cancelled || view.statuses.empty() ||
            view.statuses.back().find("終わるまで待っています") == std::string::npos)
            return;
        cancelled = true;
        logic.Cancel();
    };
    jv.reads = {{1272, Ra(2)}, {0, ""}};
    view.boxes.clear();
    logic.Start();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(Saw("JVCancel:キャンセルされました"));
    for (const std::string& b : view.boxes) EXPECT_EQ(b.find("保存できない"), std::string::npos) << b;
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvRA").substr(kRaRecordSize, 2), "  ");
}

TEST_F(AcquisitionTest, RejectedRecordsAreReportedOnce) {
    Open();
    jv.reads = {{1000, Ra(1).substr(0, 1000)}, {1272, Ra(13)}, {1272, Ra(2)}, {0, ""}};
    logic.Start();
    int reports = 0;
    for (const std::string& b : view.boxes)
        reports += b.rfind("形式が正しくないため保存しなかったレコードが 2 件", 0) == 0;
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(view.list.size(), 1u);
}

TEST_F(AcquisitionTest, ClosingTheWindow) {
    Open();
    EXPECT_TRUE(logic.CloseRequested());  // idle: at once
    jv.downloadCount = 3;
    jv.statuses = {1};
    logic.Start();
    EXPECT_TRUE(logic.CloseRequested());  // downloading: cancelled and closed first
    EXPECT_EQ(std::vector<std::string>(jv.calls.end() - 2, jv.calls.end()),
              (std::vector<std::string>{"JVCancel", "JVClose"}));

    jv.downloadCount = 0;
    jv.reads = {{1272, Ra(1)}, {1272, Ra(2)}, {0, ""}};
    bool asked = false;
    jv.onRead = [&] {  // reading: the loop runs to its end, then the window closes
        if (!std::exchange(asked, true)) {
            EXPECT_FALSE(logic.CloseRequested());
        }
        EXPECT_FALSE(view.closed);
    };
    logic.Start();
    EXPECT_EQ(jv.Count("JVRead"), 3);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_TRUE(Saw("データ作成が完了しました。"));
    EXPECT_EQ(ini.values["JvDataGet/LastTime"], "2026/12/10 16:00:00");
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(fs::exists(dir / "2026年12月12日中山.jvRA"));
}

TEST_F(AcquisitionTest, ACallThatFailsKeepsWhatWasFiledAndLeavesTheWindowUsable) {
    Open();
    jv.reads = {{1272, Ra(1)}, {555, Se(1, 1)}, {1272, Ra(2)}, {0, ""}};
    jv.failOnRead = 3;
    logic.Start();
    EXPECT_EQ(logic.GetState(), GetDataLogic::State::Idle);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_FALSE(view.busy);
    ASSERT_FALSE(view.boxes.empty());
    EXPECT_NE(view.boxes.back().find("JVRead: the control did not answer"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvSEr").substr(0, 555), Se(1, 1));  // on disk
    EXPECT_EQ(ini.values.count("JvDataGet/LastTime"), 0u);
    EXPECT_TRUE(logic.CloseRequested());  // the window can close
}

TEST_F(AcquisitionTest, NoPollingWhileTheCancelQuestionIsOpen) {
    Open();
    jv.downloadCount = 3;
    jv.statuses = {1};
    logic.Start();
    ASSERT_TRUE(view.timer);
    view.answers = {false};
    logic.Cancel();                       // No
    EXPECT_FALSE(view.timerWhileAsking);  // a finishing download cannot start reading meanwhile
    EXPECT_TRUE(view.timer);              // and polling goes on after No
    EXPECT_EQ(jv.Count("JVCancel"), 0);
}

TEST_F(AcquisitionTest, SettingsDialogErrors) {
    logic.Settings();
    EXPECT_TRUE(view.boxes.empty());
    jv.setResult = -100;
    logic.Settings();
    EXPECT_EQ(view.events.back(),
              "beep+box:JVSetUIPropertiesエラー：パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)");
}

// Each JV-Link file is on disk before the next is read, but for a day whose RA records came
// alone: its RA file waits for the JV-Link file of its runners, so no reader meets the new
// races with the old runners.
TEST_F(AcquisitionTest, EachJVLinkFileIsOnDiskBeforeTheNextIsRead) {
    Open();
    jv.reads = {{1272, Ra(1)}, {555, Se(1, 1)}, {-1, ""}, {1272, Ra(2)}, {-1, ""}, {555, Se(2, 1)}, {-1, ""}, {0, ""}};
    std::map<std::size_t, std::pair<std::string, std::string>> seen;
    jv.onRead = [&] {
        seen[jv.sizesGiven.size()] = {ReadAll(dir / "2026年12月12日中山.jvRA"),
                                      ReadAll(dir / "2026年12月12日中山.jvSEr")};
    };
    logic.Start();
    const auto& [raAtSecond, seAtSecond] = seen[4];
    ASSERT_EQ(raAtSecond.size(), 12u * 1272);
    EXPECT_EQ(raAtSecond.substr(0, 1272), Ra(1));
    EXPECT_EQ(seAtSecond.substr(0, 555), Se(1, 1));
    const auto& [raAtThird, seAtThird] = seen[6];
    EXPECT_EQ(raAtThird, raAtSecond);  // race 2 waits for its runners
    EXPECT_EQ(seAtThird, seAtSecond);
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvRA").substr(1272, 1272), Ra(2));
    EXPECT_EQ(ReadAll(dir / "2026年12月12日中山.jvSEr").substr(18 * 555, 555), Se(2, 1));
}

TEST_F(AcquisitionTest, TheFirstRejectedRecordsReasonIsReported) {
    Open();
    jv.reads = {{1000, Ra(1).substr(0, 1000)}, {1272, Ra(13)}, {0, ""}};
    logic.Start();
    ASSERT_FALSE(view.boxes.empty());
    const std::string& report = view.boxes.back();
    EXPECT_NE(report.find("1000 バイト"), std::string::npos) << report;
    EXPECT_EQ(report.find("範囲外"), std::string::npos) << report;
}

TEST_F(AcquisitionTest, APollThatFailsAsACallEndsTheAcquisitionInsideTheWindow) {
    Open();
    jv.downloadCount = 2;
    jv.statuses = {1};
    jv.failOnStatus = 2;
    logic.Start();
    logic.Timer();
    EXPECT_NO_THROW(logic.Timer());
    EXPECT_EQ(logic.GetState(), GetDataLogic::State::Idle);
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(jv.calls.back(), "JVClose");
    ASSERT_FALSE(view.boxes.empty());
    EXPECT_NE(view.boxes.back().find("JVStatus: the control did not answer"), std::string::npos);
}

TEST_F(AcquisitionTest, ReadingWaitsForTheLastFileOfTheDownload) {
    Open();
    jv.downloadCount = 5;
    jv.statuses = {4, 5};
    jv.reads = {{0, ""}};
    logic.Start();
    logic.Timer();  // one file still to come
    EXPECT_EQ(jv.Count("JVRead"), 0);
    EXPECT_TRUE(view.timer);
    logic.Timer();
    EXPECT_EQ(jv.Count("JVRead"), 1);
}

// The local JV-Link serves a week whose days come as an RA file, then an SE file, over a
// folder holding another version of the same week. Between JV-Link files a reader finds
// every day wholly of one version, and the folder free to read.
TEST(AcquisitionConsistency, AReaderBetweenJVLinkFilesSeesEachDayOfOneVersion) {
    TempDir dir;
    const auto week = std::chrono::sys_days{std::chrono::year{2026} / 12 / 12};
    std::vector<JvdFile> files = DemoProgramme(week);
    const fs::path older = dir / "older", newer = dir / "newer", data = dir / "Data", source = dir / "src";
    for (const fs::path& p : {older, newer, data, source}) fs::create_directories(p);
    {
        RaceFiler a(older), b(newer);
        for (JvdFile& f : files) {
            std::string changed;
            for (std::string r : SplitRecords(f.content)) {
                a.File(r);
                if (r.rfind("RA", 0) == 0)
                    r.replace(881, 2, "01");  // 登録頭数, 882-883
                else if (r.rfind("SE", 0) == 0)
                    r.replace(40, 2, "\x82\x61");  // 馬名 (41-) begins with Ｂ
                b.File(r);
                changed += r;
            }
            WriteAll(source / f.name, changed);
        }
    }
    const auto before = turfpad::testing::RaceFilesIn(older), after = turfpad::testing::RaceFilesIn(newer);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, content] : before) {
        ASSERT_TRUE(after.contains(name)) << name;
        if (!name.ends_with(".jvO1HR")) {  // the odds and payouts are the same in both
            ASSERT_NE(content, after.at(name)) << name;
        }
        WriteAll(data / fs::path(std::u8string(name.begin(), name.end())), content);
    }

    std::string error;
    ASSERT_TRUE(SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {PathText(source), "KEY", 0, ""}, error)) << error;
    LocalJVLink local({dir / "JVLinkLocal.ini", dir / "cache",
                       [] { return turfpad::testing::LocalTime(2026, 12, 9, 12, 0, 0); }, nullptr});
    ASSERT_EQ(local.JVInit("TEST0001/TEST0002/Turfpad/Version 1.00"), 0);
    turfpad::testing::LoggingJVLink jv(local);
    int checks = 0, mixed = 0, newDaysSeen = 0;
    bool fileEnded = false;
    jv.afterRead = [&](int rc) {
        if (fileEnded) {
            ++checks;
            DataFolderLock reader(data);
            std::string lockError;
            EXPECT_EQ(reader.Lock(
                          DataFolderLock::Mode::Shared, [] { return false; }, lockError),
                      DataFolderLock::Result::Locked);
            const auto now = turfpad::testing::RaceFilesIn(data);
            for (const auto& [name, content] : now) {
                if (!name.ends_with(".jvRA")) continue;
                const std::string se = name.substr(0, name.size() - 5) + ".jvSEr";
                const bool old = content == before.at(name) && now.at(se) == before.at(se);
                const bool renewed = content == after.at(name) && now.at(se) == after.at(se);
                mixed += !old && !renewed;
                newDaysSeen += renewed;
            }
        }
        fileEnded = rc == -1;
    };
    MemoryIni ini;
    RecordingView view;
    GetDataLogic logic(jv, data, ini, view, [] { return kNow; });
    logic.Open();
    logic.Start();
    for (int tick = 0; tick < 500 && logic.GetState() != GetDataLogic::State::Idle; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        logic.Timer();  // the download, which the stand-in does at once
    }
    EXPECT_GE(checks, 4);
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(newDaysSeen, 0);  // days went out between files, not all at the end
    for (const auto& [name, content] : turfpad::testing::RaceFilesIn(data))
        EXPECT_TRUE(content == after.at(name)) << name;
}
