#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "datafolder/AtomicFile.h"
#include "settings/ProgramPlaces.h"
#include "settings/SettingsFile.h"
#include "text/Cp932.h"

using namespace turfpad;
using turfpad::testing::ReadAll;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;

namespace {
class IniGTTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramFile(dir.path() / "turfpad");
        ini.Loaded();
    }
    void Write(const std::string& utf8) { WriteAll(dir / "turfpad.ini", Utf8ToCp932(utf8)); }
    std::string Content() { return Cp932ToUtf8(ReadAll(dir / "turfpad.ini")); }

    TempDir dir;
    TIniGT ini;
};
}  // namespace

TEST_F(IniGTTest, LoadedNamesTheFileAfterTheProgramInItsFolder) {
    EXPECT_EQ(ini.FileName(), "turfpad.ini");
    EXPECT_EQ(ini.Path(), dir.path() / "turfpad.ini");

    TIniGT named;
    named.SetFileName("other.ini");
    named.Loaded();  // a name already set is kept
    EXPECT_EQ(named.Path(), dir.path() / "other.ini");
    named.SetDefaultDir(TIniGTDefaultDir::ddNone);
    EXPECT_EQ(named.Path(), fs::path("other.ini"));
    named.SetFileName((dir.path() / "sub" / "x.ini").string());  // a folder part wins
    named.SetDefaultDir(TIniGTDefaultDir::ddApplication);
    EXPECT_EQ(named.Path(), dir.path() / "sub" / "x.ini");
}

TEST_F(IniGTTest, MissingFileSectionOrKeyGivesDefaultsAndWritesNothing) {
    EXPECT_EQ(ini.ReadInteger("locate", "left", 10), 10);
    EXPECT_EQ(ini.ReadInteger("locate", "width", 630), 630);
    EXPECT_FALSE(ini.ReadBool("datalist", "close", false));
    EXPECT_EQ(ini.ReadString("JvDataGet", "LastTime", " 2026/11/29 10:00:00 "), " 2026/11/29 10:00:00 ");
    EXPECT_EQ(ini.ReadString("JvDataGet", "LastTime", ""), "");
    EXPECT_FALSE(fs::exists(ini.Path()));
}

TEST_F(IniGTTest, WritesThroughAndRoundTrips) {
    ini.WriteInteger("locate", "top", -12);
    ini.WriteInteger("locate", "left", 300);
    ini.WriteBool("datalist", "close", true);
    ini.WriteString("JvDataGet", "LastTime", "2026/12/01 16:00:00");
    EXPECT_EQ(Content(),
              "[locate]\r\ntop=-12\r\nleft=300\r\n[datalist]\r\nclose=1\r\n[JvDataGet]\r\n"
              "LastTime=2026/12/01 16:00:00\r\n");
    TIniGT other;  // a second component on the same file sees the values at once
    other.Loaded();
    EXPECT_EQ(other.ReadInteger("locate", "top", 10), -12);
    EXPECT_TRUE(other.ReadBool("datalist", "close", false));
    other.WriteBool("datalist", "close", false);
    EXPECT_FALSE(ini.ReadBool("datalist", "close", true));
    EXPECT_EQ(ini.ReadInteger("LOCATE", "Left", 0), 300);  // names ignore letter case
}

TEST_F(IniGTTest, KeepsEveryOtherLineAsItWas) {
    Write("; 手で書いたメモ\n[locate]\ntop = 5 \nleft=7\n\n[Other]\nキー=値\n[locate]\nwidth=1\n");
    ini.WriteInteger("locate", "left", 8);
    ini.WriteInteger("locate", "height", 400);
    ini.WriteString("Other", "新", "ｶﾅ");
    EXPECT_EQ(Content(),
              "; 手で書いたメモ\n[locate]\ntop = 5 \nleft=8\nheight=400\r\n\n[Other]\nキー=値\n新=ｶﾅ\r\n"
              "[locate]\nwidth=1\n");
    EXPECT_EQ(ini.ReadInteger("locate", "top", 0), 5);
    EXPECT_EQ(ini.ReadString("Other", "キー", ""), "値");
    // The file is cp932 on disk.
    EXPECT_NE(ReadAll(ini.Path()).find("\x83\x4c\x81\x5b=\x92\x6c"), std::string::npos);
}

TEST_F(IniGTTest, StringsLoseQuotesAndCornerBracketsInOrder) {
    Write("[s]\nq=\"\"\nc=｢｣\nqq=\" a \"\ncc=｢ b ｣\nmixed=\"x｣\nshort=｢\nplain= v w \nqc=\"｢y｣\"\n");
    EXPECT_EQ(ini.ReadString("s", "q", "d"), "");
    EXPECT_EQ(ini.ReadString("s", "c", "d"), "");
    EXPECT_EQ(ini.ReadString("s", "qq", "d"), " a ");
    EXPECT_EQ(ini.ReadString("s", "cc", "d"), " b ");
    EXPECT_EQ(ini.ReadString("s", "mixed", "d"), "\"x｣");
    EXPECT_EQ(ini.ReadString("s", "short", "d"), "｢");
    EXPECT_EQ(ini.ReadString("s", "plain", "d"), "v w");
    EXPECT_EQ(ini.ReadString("s", "qc", "d"), "｢y｣");  // only one layer comes off
    ini.WriteString("s", "w", "\"kept\"");
    EXPECT_NE(Content().find("w=\"kept\"\r\n"), std::string::npos);
}

TEST_F(IniGTTest, NumbersAndBooleans) {
    Write("[n]\na=2\nb=0\nc=x1\nd= 42 \ne=99999999999\nf=\ng=+3\nh=1.5\n");
    EXPECT_TRUE(ini.ReadBool("n", "a", false));  // a hand-edited 2 is true
    EXPECT_FALSE(ini.ReadBool("n", "b", true));
    EXPECT_TRUE(ini.ReadBool("n", "c", true));  // not an integer: the default
    EXPECT_EQ(ini.ReadInteger("n", "d", 0), 42);
    EXPECT_EQ(ini.ReadInteger("n", "e", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "f", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "g", 7), 3);
    EXPECT_EQ(ini.ReadInteger("n", "h", 7), 7);
}

TEST_F(IniGTTest, AddsAfterALastLineWithoutLineEnd) {
    WriteAll(ini.Path(), "[locate]\nleft=5\n[\r");  // ends in a bare CR
    ini.WriteInteger("locate", "top", 42);
    EXPECT_EQ(ini.ReadInteger("locate", "top", 0), 42);
    EXPECT_EQ(ini.ReadInteger("locate", "left", 0), 5);
}

TEST_F(IniGTTest, ADamagedFileNeverFails) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
    WriteAll(ini.Path(), junk + "\n[locate\n=5\n[]\nleft\n" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(ini.ReadInteger("locate", "left", 10), 10);
    EXPECT_EQ(ini.ReadString("locate", "left", "z"), "z");
    ini.WriteInteger("locate", "left", 11);
    EXPECT_EQ(ini.ReadInteger("locate", "left", 10), 11);
    EXPECT_EQ(ReadAll(ini.Path()).substr(0, junk.size()), junk);
}

TEST_F(IniGTTest, ARefusedWriteNamesTheFile) {
    // A folder in place of the file refuses the write, even to root.
    fs::create_directories(ini.Path() / "x");
    try {
        ini.WriteInteger("locate", "top", 1);
        ADD_FAILURE() << "no error";
    } catch (const IniWriteError& e) {
        EXPECT_EQ(std::string(e.what()), ini.Path().string() + " に書き込めません");
    }
    EXPECT_TRUE(fs::is_directory(ini.Path() / "x"));
}

// A settings file the user running the program cannot read: reading gives the defaults,
// writing fails with the usual message, and the file keeps every byte. Run as an ordinary
// user (as root the test drops to "nobody" in a child process).
TEST(IniGTSafety, UnreadableFileIsNeverRewritten) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);  // the folder stays writable for anyone
    const fs::path path = dir / "turfpad.ini";
    std::string content = "; 利用者のメモ\r\n[Option]\r\nDataListClose=1\r\n[他のプログラム]\r\nKey=値\r\n";
    content += std::string(4000, ';') + "\r\n";
    WriteAll(path, Utf8ToCp932(content));
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);

    auto check = [&]() -> int {
        TIniGT ini;
        ini.SetFileName(path.string());
        if (ini.ReadInteger("Option", "DataListClose", 7) != 7) return 10;
        try {
            ini.WriteInteger("Option", "DataListClose", 0);
            return 11;
        } catch (const IniWriteError& e) {
            if (std::string(e.what()) != path.string() + " に書き込めません") return 12;
        }
        return 0;
    };
    if (geteuid() != 0) {
        EXPECT_EQ(check(), 0);
    } else {
        pid_t pid = fork();
        if (pid == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
            _exit(check());
        }
        int raw = 0;
        ASSERT_EQ(waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw));
        if (WEXITSTATUS(raw) == 99) GTEST_SKIP() << "cannot run as the user nobody here";
        EXPECT_EQ(WEXITSTATUS(raw), 0) << "10: not the default, 11: written, 12: another message";
    }
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(ReadAll(path), Utf8ToCp932(content));
}

TEST_F(IniGTTest, TabsLetterCaseAndTheFilesLastLine) {
    Write("[\tlocate\t]\n\ttop\t=\t5\t\n[Other]\nx=1");
    EXPECT_EQ(ini.ReadInteger("locate", "top", 0), 5);
    ini.WriteInteger("LOCATE", "left", 7);
    ini.WriteString("new", "k", "v");
    EXPECT_EQ(Content(), "[\tlocate\t]\n\ttop\t=\t5\t\nleft=7\r\n[Other]\nx=1\r\n[new]\r\nk=v\r\n");
    Write("[s]\nlong=" + std::string(3000, 'a') + "\n");
    EXPECT_EQ(ini.ReadString("s", "long", "").size(), 2047u);
}

TEST_F(IniGTTest, EveryWriteReachesTheDisk) {
    const std::size_t before = SyncCount();
    ini.WriteInteger("locate", "top", 1);
    EXPECT_EQ(SyncCount(), before + 1);
}
