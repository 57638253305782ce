// The acquisition window against the local JV-Link stand-in, end to end: buttons pressed
// with QTest, the polling timer running from the event loop, the stand-in's clock moved by
// the test, the settings file, cache and data folder in a temporary folder.
#include <gtest/gtest.h>
#include <time.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCharFormat>
#include <QTimer>
#include <QToolButton>

#include "AcquisitionSupport.h"
#include "AcquisitionWindow.h"
#include "MessageBox.h"
#include "ScriptedJVLink.h"
#include "TempDir.h"
#include "YearStream.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/LocalJVLink.h"
#include "records/RecordBuilder.h"
#include "settings/SettingsFile.h"
#include "text/Cp932.h"
#include "text/PathText.h"

namespace turfpad {
namespace {

using namespace std::chrono_literals;
using namespace turfpad::testing;
namespace fs = std::filesystem;

constexpr int kWaitMs = 60000;  // generous: sanitizer builds on a busy machine

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// What a window showed while one acquisition ran.
// Counts the paint events of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

struct Watch {
    std::vector<int> downloadValues, readValues;
    int rows = 0;
    int downloadAtFirstRow = -1, downloadMaxAtFirstRow = -1, readMaxAtFirstRow = -1;
    PaintCounter readBarPaints;
    QElapsedTimer clock;

    explicit Watch(TGetDataForm& form) {
        form.ProgressBar2->installEventFilter(&readBarPaints);
        clock.start();
        QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, form.ProgressBar1,
                         [this](int v) { downloadValues.push_back(v); });
        QObject::connect(form.ProgressBar2, &QProgressBar::valueChanged, form.ProgressBar2,
                         [this](int v) { readValues.push_back(v); });
        QObject::connect(form.ListBox1->model(), &QAbstractItemModel::rowsInserted, form.ListBox1, [this, &form] {
            if (rows++ == 0) {
                downloadAtFirstRow = form.ProgressBar1->value();
                downloadMaxAtFirstRow = form.ProgressBar1->maximum();
                readMaxAtFirstRow = form.ProgressBar2->maximum();
            }
        });
    }
};

std::vector<std::string> ListLines(const TGetDataForm& form) {
    std::vector<std::string> lines;
    for (int i = 0; i < form.ListBox1->count(); ++i) lines.push_back(form.ListBox1->item(i)->text().toStdString());
    return lines;
}

// 1 ... n, then 0: a bar counted up to its end and was reset.
std::vector<int> CountedUpAndReset(int n) {
    std::vector<int> v;
    for (int i = 1; i <= n; ++i) v.push_back(i);
    v.push_back(0);
    return v;
}

class AcquisitionWindowTest : public ::testing::Test {
  protected:
    AcquisitionWindowTest() {
        TMsgDlg::SetRecording(true);
        ini.SetDefaultDir(TIniGTDefaultDir::ddNone);
        ini.SetFileName(PathText(iniPath()));
        fs::create_directories(data());
    }
    ~AcquisitionWindowTest() override { TMsgDlg::SetRecording(false); }

    fs::path data() const { return dir.path() / "Data"; }
    fs::path iniPath() const { return dir.path() / "Turfpad.ini"; }

    LocalJVLink::Config StandIn(const LocalJVLinkSettings& settings, LocalJVLink::Clock clock) {
        std::string error;
        EXPECT_TRUE(SaveLocalJVLinkSettings(dir.path() / "JVLinkLocal.ini", settings, error)) << error;
        return {dir.path() / "JVLinkLocal.ini", dir.path() / "cache", std::move(clock),
                [](LocalJVLinkSettings&) { return false; }};
    }

    QPointer<TGetDataForm> OpenWindow(JVLink& jvlink, LocalDateTime now) {
        auto* form = new TGetDataForm(
            jvlink, data(), ini, [this] { rebuilt.push_back(DayEntries(data())); }, nullptr, [now] { return now; });
        form->show();
        return form;
    }

    void CloseWindow(QPointer<TGetDataForm>& form) {
        form->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, kWaitMs));  // it frees itself
    }

    TempDir dir;
    TIniGT ini;
    std::vector<std::vector<std::string>> rebuilt;  // the day list at each rebuild
};

// The demo weeks as filing them record by record gives them: the files, the listed lines, the days.
struct DemoReference {
    std::map<std::string, std::string> files;
    std::vector<std::string> list, days;
    int fileCount = 0;
    long records = 0;  // of every type
    std::string lastTimestamp;
};

DemoReference FileDemoWeek(std::chrono::sys_days day, const fs::path& folder) {
    DemoReference ref;
    fs::create_directories(folder);
    RaceFiler filer(folder);
    // From a start eight days back: the week's cards and the week before's results.
    std::vector<JvdFile> week = DemoWeeks(day, 2);
    for (const JvdFile& f : week) {
        for (const std::string& record : SplitRecords(f.content)) {
            ++ref.records;
            FilingResult r = filer.File(record);
            EXPECT_NE(r.outcome, FilingResult::Outcome::Rejected) << r.reason;
            if (r.outcome == FilingResult::Outcome::Filed) ref.list.push_back(Cp932ToUtf8(r.ListLine()));
        }
        filer.Flush();
    }
    ref.files = RaceFilesIn(folder);
    ref.days = DayEntries(folder);
    ref.fileCount = static_cast<int>(week.size());
    ref.lastTimestamp = week.back().name.substr(12, 14);
    return ref;
}

TEST_F(AcquisitionWindowTest, DemoWeekDownloadsThenReadsAtOnceAndKeepsTheStartingPoint) {
    // Wednesday noon: every file of the demo week (stamped early on Monday) is there.
    const LocalDateTime nowLocal{2026, 12, 9, 12, 0, 0};
    auto now = LocalTime(2026, 12, 9, 12, 0, 0);
    LocalJVLink standIn(StandIn({"", "", 1000, ""}, [&now] { return now; }));
    ASSERT_EQ(standIn.JVInit("TURFPAD-TEST"), 0);
    LoggingJVLink jv(standIn);
    const DemoReference ref = FileDemoWeek(std::chrono::sys_days{LocalDate(now)}, dir.path() / "reference");
    const int n = ref.fileCount;
    ASSERT_GT(n, 3);
    ASSERT_GT(ref.list.size(), 500u);
    const std::string startBox =
        "2026年12月01日12時00分00秒以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり"
        "他のアプリケーションを操作することは極力避けてください。";

    // First start, from now minus 8 days: everything has to be downloaded first.
    QPointer<TGetDataForm> form = OpenWindow(jv, nowLocal);
    EXPECT_EQ(form->windowTitle(), Q("ＪＶデータ取込"));
    EXPECT_EQ(form->DateTimePicker1->date(), QDate(2026, 12, 1));
    const QCalendarWidget* calendar = form->DateTimePicker1->calendarWidget();
    EXPECT_EQ(calendar->weekdayTextFormat(Qt::Saturday).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(calendar->weekdayTextFormat(Qt::Sunday).foreground().color(), QColor(255, 0, 0));
    // Its heading reads 2026年 12月: the year first, with 年.
    auto* year = calendar->findChild<QToolButton*>("qt_calendar_yearbutton");
    auto* month = calendar->findChild<QToolButton*>("qt_calendar_monthbutton");
    ASSERT_TRUE(year && month);
    EXPECT_EQ(year->text(), Q("2026年"));
    const QLayout* heading = year->parentWidget()->layout();
    EXPECT_LT(heading->indexOf(year), heading->indexOf(month));
    {
        Watch watch(*form);
        QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
        ASSERT_EQ(jv.calls, (std::vector<std::string>{"JVOpen RACE 20261201120000 2 = 0"}));
        EXPECT_EQ(form->ProgressLabel->text(), Q("ダウンロード中・・・"));
        EXPECT_EQ(form->ProgressBar1->maximum(), n);
        EXPECT_TRUE(form->TimerJVStatus->isActive());
        EXPECT_EQ(form->cursor().shape(), Qt::BusyCursor);
        EXPECT_FALSE(form->ButtonStart->isEnabled());  // no second start while this one runs

        // The download advances only as the stand-in's clock does, one file a second.
        for (int done = 0; done < n; ++done) {
            QString label = Q("ダウンロード中．．．(" + std::to_string(done) + "/" + std::to_string(n) + ")");
            ASSERT_TRUE(QTest::qWaitFor([&] { return form->ProgressLabel->text() == label; }, kWaitMs)) << done;
            EXPECT_EQ(form->ProgressBar1->value(), done);
            EXPECT_EQ(form->ListBox1->count(), 0);
            now += 1s;
        }
        // The last file arrives: the tick that sees it reads everything.
        QString finished = Q("データ読込み完了(" + std::to_string(n) + "/" + std::to_string(n) + ")");
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->ProgressLabel->text() == finished; }, kWaitMs));
        EXPECT_FALSE(form->TimerJVStatus->isActive());
        EXPECT_EQ(watch.downloadValues, CountedUpAndReset(n));
        EXPECT_TRUE(form->ButtonStart->isEnabled());
        EXPECT_EQ(watch.readValues, CountedUpAndReset(n));
        EXPECT_EQ(watch.readMaxAtFirstRow, n);
        EXPECT_EQ(ListLines(*form), ref.list);
        EXPECT_EQ(jv.records, ref.records);
        EXPECT_EQ(jv.Count("JVRead = -1"), n);
        EXPECT_EQ(jv.Count("JVRead = 0"), 1);
        EXPECT_EQ(jv.Count("JVRead = -3"), 0);
        EXPECT_EQ(jv.calls.back(), "JVClose = 0");
        EXPECT_EQ(jv.calls[jv.calls.size() - 2], "JVRead = 0");
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    }
    std::vector<ShownMessage> shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, Q(startBox));
    EXPECT_FALSE(shown[0].beep);
    EXPECT_EQ(shown[1].text, Q("データ作成が完了しました。"));
    EXPECT_TRUE(shown[1].beep);
    EXPECT_EQ(shown[1].kind, MsgKind::Information);
    EXPECT_EQ(TMsgDlg::TakeBeeps(), 1);  // closing JV-Link
    // After a download the starting point stays as it was.
    EXPECT_FALSE(fs::exists(iniPath()));

    // Closing the window rebuilds the day list from the data folder.
    EXPECT_TRUE(rebuilt.empty());
    CloseWindow(form);
    ASSERT_EQ(rebuilt.size(), 1u);
    EXPECT_EQ(rebuilt[0], ref.days);
    EXPECT_EQ(RaceFilesIn(data()), ref.files);
    EXPECT_TRUE(OtherFilesIn(data()).empty());

    // Second start from the same date: everything is in the cache and is read at once.
    jv.calls.clear();
    form = OpenWindow(jv, nowLocal);
    EXPECT_EQ(form->DateTimePicker1->date(), QDate(2026, 12, 1));
    {
        Watch watch(*form);
        QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
        EXPECT_EQ(jv.calls.front(), "JVOpen RACE 20261201120000 2 = 0");
        for (const std::string& c : jv.calls) EXPECT_FALSE(c.starts_with("JVStatus")) << c;
        EXPECT_EQ(watch.downloadAtFirstRow, 100);  // the download bar stood full while reading
        EXPECT_EQ(watch.downloadMaxAtFirstRow, 100);
        EXPECT_EQ(watch.downloadValues, (std::vector<int>{100, 0}));
        EXPECT_EQ(watch.readValues, CountedUpAndReset(n));
        // The bar took every value, but the window was not repainted for each file.
        EXPECT_LE(watch.readBarPaints.paints, watch.clock.elapsed() / 50 + 3) << n;
        EXPECT_EQ(ListLines(*form), ref.list);
        EXPECT_EQ(form->ProgressLabel->text(),
                  Q("データ読込み完了(" + std::to_string(n) + "/" + std::to_string(n) + ")"));
        EXPECT_EQ(jv.calls.back(), "JVClose = 0");
        // The newest file's time stamp is the next starting point.
        EXPECT_EQ(form->DateTimePicker1->date(), QDate(2026, 12, 7));
    }
    shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, Q(startBox));
    EXPECT_EQ(shown[1].text, Q("データ作成が完了しました。"));
    const std::string ts = ref.lastTimestamp;
    EXPECT_EQ(ReadAll(iniPath()), "[JvDataGet]\r\nLastTime=" + ts.substr(0, 4) + "/" + ts.substr(4, 2) + "/" +
                                      ts.substr(6, 2) + " " + ts.substr(8, 2) + ":" + ts.substr(10, 2) + ":" +
                                      ts.substr(12, 2) + "\r\n");
    CloseWindow(form);
    ASSERT_EQ(rebuilt.size(), 2u);
    EXPECT_EQ(rebuilt[1], ref.days);
    EXPECT_EQ(RaceFilesIn(data()), ref.files);

    // A third start, from the stored starting point, finds nothing newer in this week.
    jv.calls.clear();
    form = OpenWindow(jv, nowLocal);
    EXPECT_EQ(form->DateTimePicker1->date(), QDate(2026, 12, 7));
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
    EXPECT_EQ(jv.calls, (std::vector<std::string>{"JVOpen RACE " + ts + " 2 = -1", "JVClose = 0"}));
    EXPECT_TRUE(form->ButtonStart->isEnabled());
    shown = TMsgDlg::TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, Q("最新のデータがありません。"));
    EXPECT_TRUE(shown[1].beep);
    CloseWindow(form);
}

// While JV-Link answers -3 (the file is still being fetched) the read loop waits for it
// instead of calling again at once: the process does not keep a core busy.
TEST_F(AcquisitionWindowTest, ReadLoopWaitsWhileAFileIsStillComing) {
    WriteJvdFiles(YearStream(1), dir.path() / "source");
    // The stand-in's clock runs with real time, so its download goes on while the loop waits.
    const auto base = LocalTime(2026, 12, 9, 12, 0, 0);
    const auto started = std::chrono::steady_clock::now();
    LocalJVLink standIn(StandIn({PathText(dir.path() / "source"), "", 150, ""}, [base, started] {
        return base + std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::steady_clock::now() -
                                                                                      started);
    }));
    ASSERT_EQ(standIn.JVInit("TURFPAD-TEST"), 0);
    LoggingJVLink jv(standIn);
    jv.statusDoneAtOnce = true;

    auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);  // the thread the loop runs on
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    // The time between two -3 answers in a row is the loop's wait.
    std::chrono::nanoseconds waitedWall{0}, waitedCpu{0};
    long waits = 0;
    bool lastWasDownloading = false;
    std::chrono::steady_clock::time_point wallAt;
    std::chrono::nanoseconds cpuAt{0};
    jv.afterRead = [&](int rc) {
        auto wallNow = std::chrono::steady_clock::now();
        auto cpuNow = cpu();
        if (rc == -3 && lastWasDownloading) {
            waitedWall += wallNow - wallAt;
            waitedCpu += cpuNow - cpuAt;
            ++waits;
        }
        lastWasDownloading = rc == -3;
        wallAt = wallNow;
        cpuAt = cpuNow;
    };

    ini.WriteString("JvDataGet", "LastTime", "2024/12/31 00:00:00");
    QPointer<TGetDataForm> form = OpenWindow(jv, {2026, 12, 9, 12, 0, 0});
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ProgressLabel->text() == Q("データ読込み完了(4/4)"); }, kWaitMs));

    // Four files, 150 ms apart: the loop met -3 for every file and waited about 600 ms.
    ASSERT_GT(waits, 10);
    auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(waitedWall).count();
    RecordProperty("waits", static_cast<int>(waits));
    RecordProperty("waitedMs", static_cast<int>(wallMs));
    RecordProperty("cpuUs", static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(waitedCpu).count()));
    EXPECT_LE(waits, wallMs / 10 + 1) << "each -3 is followed by a wait of 10 ms";
    EXPECT_LT(waitedCpu * 2, waitedWall) << "cpu " << waitedCpu.count() << " ns of " << waitedWall.count() << " ns";
    // Nothing was lost by waiting.
    StreamCounts counts = CountRecords(YearStream(1));
    EXPECT_EQ(jv.records, counts.ra + counts.se + counts.other);
    EXPECT_EQ(static_cast<long>(form->ListBox1->count()), counts.ra + counts.se);
    TMsgDlg::TakeShown();
    CloseWindow(form);
}

// Records are filed far faster than a list widget can lay itself out and repaint: the list
// takes the lines in batches, so that its work does not grow with every record, and still
// ends holding every line in filing order.
TEST_F(AcquisitionWindowTest, ListTakesTheLinesInBatchesInFilingOrder) {
    const std::vector<JvFile> stream = YearStream(2);
    WriteJvdFiles(stream, dir.path() / "source");
    LocalJVLink standIn(StandIn({PathText(dir.path() / "source"), "", 0, ""}, {}));
    ASSERT_EQ(standIn.JVInit("TURFPAD-TEST"), 0);
    std::vector<std::string> expected;
    {
        fs::create_directories(dir.path() / "reference");
        RaceFiler filer(dir.path() / "reference");
        for (const JvFile& f : stream)
            for (const std::string& record : f.records) {
                FilingResult r = filer.File(record);
                if (r.outcome == FilingResult::Outcome::Filed) expected.push_back(Cp932ToUtf8(r.ListLine()));
            }
    }

    ini.WriteString("JvDataGet", "LastTime", "2024/12/31 00:00:00");
    QPointer<TGetDataForm> form = OpenWindow(standIn, {2026, 12, 9, 12, 0, 0});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    struct Counter : QObject {
        int paints = 0, insertions = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    form->ListBox1->viewport()->installEventFilter(&counter);
    QObject::connect(form->ListBox1->model(), &QAbstractItemModel::rowsInserted, &counter,
                     [&counter] { ++counter.insertions; });
    // Download first, then read at once.
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->TimerJVStatus->isActive(); }, kWaitMs));
    TMsgDlg::TakeShown();
    form->ListBox1->clear();
    counter.paints = counter.insertions = 0;
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);

    EXPECT_EQ(ListLines(*form), expected);
    ASSERT_GT(expected.size(), 2000u);
    EXPECT_LT(counter.insertions * 20, static_cast<int>(expected.size())) << counter.insertions;
    EXPECT_LT(counter.paints * 20, static_cast<int>(expected.size())) << counter.paints;
    EXPECT_EQ(form->ListBox1->verticalScrollBar()->value(), form->ListBox1->verticalScrollBar()->maximum());
    TMsgDlg::TakeShown();
    CloseWindow(form);
}

TEST(AcquisitionWindowClosing, ClosedDuringTheReadLoopItFilesEverythingFirst) {
    TMsgDlg::SetRecording(true);
    TempDir dir;
    ScriptedJVLink jv;
    MemoryIni ini;
    int rebuilt = 0;
    auto* form = new TGetDataForm(jv, dir.path(), ini, [&] { ++rebuilt; });
    QPointer<TGetDataForm> alive(form);
    form->show();
    // Race 1 of 2026-12-12 at 中山 (06): year at byte 12, month-day at 16, racecourse at 20, race
    // number at 26 (1-based), in an otherwise blank RA record.
    std::string ra = RecordBuilder::Ra();
    ra.replace(11, 4, "2026");
    ra.replace(15, 4, "1212");
    ra.replace(19, 2, "06");
    ra.replace(25, 2, "01");
    jv.reads = {{1272, ra}, {-1, ""}, {0, ""}};
    bool enabledWhileReading = true;
    jv.onRead = [&] {
        enabledWhileReading = enabledWhileReading && form->ButtonStart->isEnabled();
        if (jv.Count("JVRead") == 1) form->close();  // the user closes the window mid-loop
    };
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
    EXPECT_FALSE(enabledWhileReading);
    EXPECT_EQ(jv.Count("JVRead"), 3);  // the loop ran to its end
    EXPECT_EQ(jv.calls.back(), "JVClose");
    EXPECT_TRUE(fs::exists(dir.path() / "2026年12月12日中山.jvRA"));
    EXPECT_EQ(ini.values["JvDataGet/LastTime"], "2026/12/10 16:00:00");
    bool completed = false;
    for (const ShownMessage& m : TMsgDlg::TakeShown())
        completed = completed || m.text == Q("データ作成が完了しました。");
    EXPECT_TRUE(completed);
    // Then the window closes by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, kWaitMs));
    EXPECT_EQ(rebuilt, 1);
    TMsgDlg::SetRecording(false);
}

TEST(AcquisitionWindowClosing, EscapeClosesThroughTheCloseRules) {
    TempDir dir;
    ScriptedJVLink jv;
    MemoryIni ini;
    int rebuilt = 0;
    auto* form = new TGetDataForm(jv, dir.path(), ini, [&] { ++rebuilt; });
    QPointer<TGetDataForm> alive(form);
    form->show();
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_EQ(rebuilt, 1);  // the day list is rebuilt whichever way the window closes
    EXPECT_FALSE(form->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());  // and it frees itself
}

TEST_F(AcquisitionWindowTest, APickedDateStartsTheAcquisitionAndTheTimerPollsTheDownload) {
    ini.WriteString("JvDataGet", "LastTime", "2026/12/01 12:34:56");
    ScriptedJVLink jv;
    jv.downloadCount = 2;
    jv.statuses = {0, 1, 2};
    jv.reads = {{0, ""}};
    QPointer<TGetDataForm> form = OpenWindow(jv, {2026, 12, 9, 12, 0, 0});
    form->DateTimePicker1->setDate(QDate(2026, 11, 20));
    QTest::mouseClick(form->ButtonStart, Qt::LeftButton);
    ASSERT_FALSE(jv.calls.empty());
    EXPECT_EQ(jv.calls.front(), "JVOpen RACE 20261120123456 2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return jv.Count("JVClose") == 1; }, kWaitMs));
    EXPECT_EQ(jv.Count("JVStatus"), 3);
    EXPECT_EQ(jv.Count("JVRead"), 1);
    TMsgDlg::TakeShown();
    CloseWindow(form);
}

}  // namespace
}  // namespace turfpad
