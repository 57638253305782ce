// The COM backend against the test control registered under JV-Link's ProgID, on Windows or
// under Wine: the calls with their out values, a whole acquisition through it into race data
// files, a cancelled download, and what the program learns when the control is missing.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "ScriptedJVLink.h"
#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/Acquisition.h"
#include "jvlink/ComJVLink.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"
#include "jvlink/LocalJVLink.h"
#include "jvlink/RaceDayUpdate.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

using namespace std::chrono;
using testing::MemoryIni;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;
namespace fs = std::filesystem;

using Register = HRESULT(STDAPICALLTYPE*)();

// The test control lies beside this program; registering it is what its installer would do.
HRESULT CallControl(const char* function) {
    static HMODULE control = LoadLibraryW(L"TestJVLink.dll");
    if (control == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    auto call = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(control, function)));
    return call ? call() : E_NOINTERFACE;
}

fs::path ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(std::wstring(path, n)).parent_path();
}

// Acquires without a window: the polling timer is a loop, boxes are answered at once.
class PlainView : public GetDataView {
  public:
    std::vector<std::string> list, boxes, statuses;
    bool timer = false, confirm = true;
    std::function<void()> onPoll;

    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetDownloadMax(int) override {}
    void SetDownloadPosition(int) override {}
    void SetReadMax(int) override {}
    void SetReadPosition(int) override {}
    void ClearList() override { list.clear(); }
    void AddListLine(const std::string& text) override { list.push_back(text); }
    void SetFromDate(const LocalDateTime&) override {}
    void Inform(const std::string& text, bool) override { boxes.push_back(text); }
    bool Confirm(const std::string& text) override {
        boxes.push_back(text);
        return confirm;
    }
    void Beep() override {}
    void ProcessEvents(int waitMs) override {
        if (waitMs > 0) Sleep(static_cast<DWORD>(waitMs));
    }
    void SetBusyPointer(bool) override {}
    void StartTimer() override { timer = true; }
    void StopTimer() override { timer = false; }
    void CloseWindow() override {}

    void RunTimer(GetDataLogic& logic) {
        for (int ticks = 0; timer && ticks < 6000; ++ticks) {
            if (onPoll) onPoll();
            logic.Timer();
            Sleep(10);
        }
    }
};

class ComJVLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CallControl("DllRegisterServer"), S_OK);
        // The demo week of 2026-12-12, as JV-Data files in the control's source folder.
        for (const JvdFile& f : DemoProgramme(sys_days{2026y / December / 12})) {
            WriteAll(source.path() / f.name, f.content);
            for (const std::string& record : SplitRecords(f.content)) {
                if (record.starts_with("RA") || record.starts_with("SE")) ++raceRecords;
                if (record.starts_with("O1") || record.starts_with("HR")) ++oddsRecords;
            }
            if (f.name.substr(4, 8) > "00000000") timestamps.push_back(f.name.substr(12, 14));
        }
        std::string folder = PathText(source.path());
        WriteAll(ProgramFolder() / "JVLinkLocal.ini",
                 "[JVLinkLocal]\nSourceFolder=" + folder +
                     "\nServiceKey=\nDownloadMsPerFile=" + std::to_string(downloadMs) + "\n");
        fs::remove_all(ProgramFolder() / "JVLinkLocal");
    }
    void TearDown() override { fs::remove(ProgramFolder() / "JVLinkLocal.ini"); }

    TempDir source, data;
    int raceRecords = 0;
    int oddsRecords = 0;  // filed beside the race cards and listed like them
    int downloadMs = 30;
    std::vector<std::string> timestamps;
};

TEST_F(ComJVLinkTest, CallsPassTheControlsParameterTypesAndOutValues) {
    std::string error;
    auto link = ComJVLink::Create(error);
    ASSERT_TRUE(link) << error;
    EXPECT_EQ(link->JVInit(""), -101);  // the control's own answers come back through the call
    std::string record, file;
    int size = kJVReadBufferSize;
    EXPECT_EQ(link->JVRead(record, size, file), -201);  // not initialised
    ASSERT_EQ(link->JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);

    int reads = -1, downloads = -1;
    std::string last;
    ASSERT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(downloads, reads);  // nothing in the control's cache yet
    EXPECT_EQ(last, *std::max_element(timestamps.begin(), timestamps.end()));
    int status = 0;
    for (int i = 0; i < 2000 && (status = link->JVStatus()) < downloads; ++i) Sleep(5);
    EXPECT_EQ(status, downloads);

    // Every record arrives whole, as cp932 bytes, its file ends with -1 and the stream with 0.
    std::map<std::string, int> types;
    int fileEnds = 0, rc = 0;
    while ((rc = link->JVRead(record, size = kJVReadBufferSize, file)) != 0) {
        if (rc == -1) ++fileEnds;
        if (rc == -3 || rc == -1) continue;
        ASSERT_GT(rc, 0) << rc;
        ASSERT_EQ(static_cast<std::size_t>(size), record.size());
        ASSERT_TRUE(record.ends_with("\r\n"));
        ASSERT_TRUE(TryCp932ToUtf8(record).has_value());
        ++types[record.substr(0, 2)];
    }
    EXPECT_EQ(fileEnds, reads);
    EXPECT_EQ(types["RA"] + types["SE"], raceRecords);
    EXPECT_GT(types.size(), 2u);  // the other record kinds of the data kind come through too
    EXPECT_EQ(link->JVClose(), 0);
}

TEST_F(ComJVLinkTest, AWholeAcquisitionFilesEveryRecordAndTakesOverTheLastTime) {
    std::string error;
    auto link = ComJVLink::Create(error);
    ASSERT_TRUE(link) << error;
    ASSERT_EQ(link->JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);
    MemoryIni settings;
    PlainView view;
    GetDataLogic logic(*link, data.path(), settings, view, [] { return LocalDateTime{2026, 12, 8, 9, 0, 0}; });
    logic.Open();
    logic.Start();
    view.RunTimer(logic);
    EXPECT_EQ(view.list.size(), static_cast<std::size_t>(raceRecords + oddsRecords));
    ASSERT_FALSE(view.boxes.empty());
    EXPECT_EQ(view.boxes.back(), "データ作成が完了しました。");
    EXPECT_FALSE(ListRaFiles(data.path()).empty());
    // After a download the starting point stays; a repeat reads at once from the control's
    // cache and takes over the newest time stamp; then nothing is new.
    EXPECT_TRUE(settings.values.find("JvDataGet/LastTime") == settings.values.end());
    view.boxes.clear();
    logic.Open();
    logic.Start();
    view.RunTimer(logic);
    const std::string newest = *std::max_element(timestamps.begin(), timestamps.end());
    const std::string expected = newest.substr(0, 4) + "/" + newest.substr(4, 2) + "/" + newest.substr(6, 2) + " " +
                                 newest.substr(8, 2) + ":" + newest.substr(10, 2) + ":" + newest.substr(12, 2);
    EXPECT_EQ(settings.values["JvDataGet/LastTime"], expected);
    view.boxes.clear();
    logic.Open();
    logic.Start();
    view.RunTimer(logic);
    ASSERT_FALSE(view.boxes.empty());
    EXPECT_EQ(view.boxes.back(), "最新のデータがありません。");
}

TEST_F(ComJVLinkTest, ACancelledDownloadLeavesTheControlReadyForTheNextStart) {
    WriteAll(ProgramFolder() / "JVLinkLocal.ini",
             "[JVLinkLocal]\nSourceFolder=" + PathText(source.path()) + "\nDownloadMsPerFile=400\n");
    std::string error;
    auto link = ComJVLink::Create(error);
    ASSERT_TRUE(link) << error;
    ASSERT_EQ(link->JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);
    MemoryIni settings;
    PlainView view;
    GetDataLogic logic(*link, data.path(), settings, view, [] { return LocalDateTime{2026, 12, 8, 9, 0, 0}; });
    logic.Open();
    logic.Start();
    int polls = 0;
    view.onPoll = [&] {
        if (++polls == 5) logic.Cancel();
    };
    view.RunTimer(logic);
    EXPECT_TRUE(view.list.empty());
    EXPECT_TRUE(settings.values.find("JvDataGet/LastTime") == settings.values.end());
    int reads = 0, downloads = 0;
    std::string last;
    EXPECT_EQ(link->JVOpen("RACE", "20261201000000", 2, reads, downloads, last), 0);  // not left open
    EXPECT_EQ(link->JVClose(), 0);
}

// The race day's update through the control: the demo played at 13:00 Japan time, each
// announcement read over COM and filed as the stand-in in this process gives it.
TEST_F(ComJVLinkTest, ARaceDayUpdateRunsThroughTheControl) {
    WriteAll(ProgramFolder() / "JVLinkLocal.ini", "[JVLinkLocal]\nDemoClock=2026-12-12 13:00\n");
    std::string error;
    auto link = ComJVLink::Create(error);
    ASSERT_TRUE(link) << error;
    ASSERT_EQ(link->JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);
    const RaceDayUpdateReport report = UpdateRaceDay(*link, data.path(), "20261212");
    EXPECT_FALSE(report.failed) << (report.problems.empty() ? "" : report.problems[0]);
    EXPECT_EQ(report.rejected, 0u);
    EXPECT_EQ(report.fetches, 3u + 36u);  // cards, weights, changes, then each race's odds

    TempDir here;
    LocalJVLink local({ProgramFolder() / "JVLinkLocal.ini", here.path() / "cache", nullptr, nullptr});
    ASSERT_EQ(local.JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);
    EXPECT_EQ(UpdateRaceDay(local, here.path(), "20261212").filed, report.filed);
    for (const char* file : {"2026年12月12日中山.jvWH", "2026年12月12日中山.jvCH", "2026年12月12日阪神.jvO1HR"})
        EXPECT_EQ(ReadAll(RaceFilePath(data.path(), Sj(file))), ReadAll(RaceFilePath(here.path(), Sj(file)))) << file;
}

TEST(ComJVLinkMissing, CreationFailureSaysWhyWithTheSystemCode) {
    ASSERT_EQ(CallControl("DllUnregisterServer"), S_OK);
    std::string error;
    EXPECT_FALSE(ComJVLink::Create(error));
    EXPECT_NE(error.find("JVDTLab.JVLink"), std::string::npos) << error;
    EXPECT_NE(error.find("0x800401F3"), std::string::npos) << error;  // CO_E_CLASSSTRING: not registered
    EXPECT_EQ(error.rfind("JV-Link がインストールされていません（", 0), 0u) << error;
    EXPECT_EQ(error.find('\r'), std::string::npos) << error;  // one line, whatever the system's words
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    ASSERT_EQ(CallControl("DllRegisterServer"), S_OK);
    EXPECT_TRUE(ComJVLink::Create(error)) << error;
}

// A class registered in the other bitness's registry view only, as the 64-bit JV-Link is for
// this 32-bit program, is seen there and not in the program's own view.
TEST(ComJVLinkRegistration, AClassInTheOtherRegistryViewOnlyIsToldApart) {
    const bool program64Bit = sizeof(void*) == 8;
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (!program64Bit && !wow64) GTEST_SKIP() << "32-bit Windows: one registry view only";
    const REGSAM other = program64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const wchar_t* progId = L"Turfpad.RegistryViewTest";
    const wchar_t* clsid = L"{6B1A3E52-0D4C-4F7A-9E21-5C8D7B3A9F10}";
    auto put = [&](const std::wstring& path, const wchar_t* value) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE | other, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    };
    const std::wstring server = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
    put(std::wstring(progId) + L"\\CLSID", clsid);
    put(server, L"C:\\JVLink64.dll");
    const JVLinkRegistration seen = ProbeJVLinkRegistration(progId);
    EXPECT_FALSE(seen.ownView);
    EXPECT_TRUE(seen.otherView);
    for (const std::wstring& key :
         {server, std::wstring(L"CLSID\\") + clsid, std::wstring(progId) + L"\\CLSID", std::wstring(progId)})
        RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), other, 0);
    EXPECT_FALSE(ProbeJVLinkRegistration(progId).otherView);
    // The test control, registered in this program's own view, is seen there.
    EXPECT_TRUE(ProbeJVLinkRegistration(L"JVDTLab.JVLink").ownView);
}

}  // namespace
}  // namespace turfpad
