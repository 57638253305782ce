#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "TempDir.h"
#include "jvlink/LocalJVLink.h"
#include "settings/ProgramPlaces.h"
#include "settings/SettingsFile.h"

using namespace turfpad;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

EnvironmentLookup Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    };
}

// Sets an environment variable for the length of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

#ifndef _WIN32
TEST(PlacesFor, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    ProgramPlaces p = PlacesFor("/home/u/turfpad", true, Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/x/data"}}));
    EXPECT_FALSE(p.perUser);
    EXPECT_EQ(p.DataFolder(), fs::path("/home/u/turfpad/Data"));
    EXPECT_EQ(p.settingsHome, fs::path("/home/u/turfpad"));
    EXPECT_EQ(p.dataHome, fs::path("/home/u/turfpad"));
    // A folder whose name only begins like /usr is no system folder.
    EXPECT_FALSE(PlacesFor("/usr2/bin", true, Env({{"HOME", "/home/u"}})).perUser);
    EXPECT_FALSE(PlacesFor("/opt/usr/bin", true, Env({{"HOME", "/home/u"}})).perUser);
}

TEST(PlacesFor, AReadOnlyProgramFolderUsesTheUsersFoldersWithTheXdgDefaults) {
    ProgramPlaces p = PlacesFor("/opt/turfpad/bin", false, Env({{"HOME", "/home/u"}}));
    EXPECT_TRUE(p.perUser);
    EXPECT_EQ(p.DataFolder(), fs::path("/home/u/.local/share/turfpad/Data"));
    EXPECT_EQ(p.settingsHome, fs::path("/home/u/.config/turfpad"));

    // The variables win over the defaults, each on its own.
    p = PlacesFor("/opt/turfpad/bin", false, Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/x/data"}}));
    EXPECT_EQ(p.DataFolder(), fs::path("/x/data/turfpad/Data"));
    EXPECT_EQ(p.settingsHome, fs::path("/home/u/.config/turfpad"));
    p = PlacesFor("/opt/turfpad/bin", false, Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/x/config"}}));
    EXPECT_EQ(p.DataFolder(), fs::path("/home/u/.local/share/turfpad/Data"));
    EXPECT_EQ(p.settingsHome, fs::path("/x/config/turfpad"));

    // Empty or relative values do not count.
    p = PlacesFor("/opt/turfpad/bin", false,
                  Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "rel/data"}, {"XDG_CONFIG_HOME", ""}}));
    EXPECT_EQ(p.DataFolder(), fs::path("/home/u/.local/share/turfpad/Data"));
    EXPECT_EQ(p.settingsHome, fs::path("/home/u/.config/turfpad"));
}

TEST(PlacesFor, SystemFoldersAreNeverWrittenAndWithoutAHomeTheProgramFolderStays) {
    // Root can write /usr/bin, but an installed program's data do not go there.
    ProgramPlaces p = PlacesFor("/usr/bin", true, Env({{"HOME", "/root"}}));
    EXPECT_TRUE(p.perUser);
    EXPECT_EQ(p.DataFolder(), fs::path("/root/.local/share/turfpad/Data"));
    EXPECT_TRUE(PlacesFor("/usr/local/bin", true, Env({{"HOME", "/root"}})).perUser);

    // No home and only one of the variables: nowhere else to go.
    p = PlacesFor("/opt/turfpad/bin", false, Env({{"XDG_DATA_HOME", "/x/data"}}));
    EXPECT_FALSE(p.perUser);
    EXPECT_EQ(p.DataFolder(), fs::path("/opt/turfpad/bin/Data"));
    p = PlacesFor("/opt/turfpad/bin", false, Env({{"XDG_DATA_HOME", "/x/data"}, {"XDG_CONFIG_HOME", "/x/config"}}));
    EXPECT_TRUE(p.perUser);
    EXPECT_EQ(p.settingsHome, fs::path("/x/config/turfpad"));
}
#else
TEST(PlacesFor, WindowsUsesAppDataForDataAndLocalAppDataForSettings) {
    EXPECT_FALSE(PlacesFor("C:\\Turfpad", true, Env({{"APPDATA", "C:\\R"}, {"LOCALAPPDATA", "C:\\L"}})).perUser);
    ProgramPlaces p =
        PlacesFor("C:\\Program Files\\Turfpad", false, Env({{"APPDATA", "C:\\R"}, {"LOCALAPPDATA", "C:\\L"}}));
    EXPECT_TRUE(p.perUser);
    EXPECT_EQ(p.DataFolder(), fs::path("C:\\R\\turfpad\\Data"));
    EXPECT_EQ(p.settingsHome, fs::path("C:\\L\\turfpad"));
}
#endif

TEST(FolderIsWritable, AnswersForTheUserAndNeverForAMissingFolderOrAFile) {
    TempDir dir;
    EXPECT_TRUE(FolderIsWritable(dir.path()));
    EXPECT_FALSE(FolderIsWritable(dir / "missing"));
    WriteAll(dir / "file", "x");
    EXPECT_FALSE(FolderIsWritable(dir / "file"));
    fs::create_directories(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    if (geteuid() == 0) GTEST_SKIP() << "root writes a folder without write permission";
    EXPECT_FALSE(FolderIsWritable(dir / "ro"));
}

TEST(Places, TheRunningProgramsSettingsDataAndStandInFilesFollowTheRule) {
    TempDir dir;
    // Beside a program in a folder the user can write, as always.
    fs::create_directories(dir / "portable");
    SetProgramFile(dir / "portable" / "turfpad");
    EXPECT_FALSE(Places().perUser);
    EXPECT_EQ(Places().DataFolder(), dir / "portable" / "Data");
    TIniGT beside;
    beside.Loaded();
    EXPECT_EQ(beside.Path(), dir / "portable" / "turfpad.ini");

    // A program whose folder cannot be written: the user's folders, made when missing, and
    // the settings written there.
    ScopedEnv data("XDG_DATA_HOME", (dir / "xdg-data").string());
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "xdg-config").string());
    SetProgramFile(dir / "installed" / "bin" / "turfpad");  // a folder that does not exist cannot be written
    EXPECT_TRUE(Places().perUser);
    EXPECT_EQ(Places().DataFolder(), dir / "xdg-data" / "turfpad" / "Data");
    EXPECT_TRUE(fs::is_directory(dir / "xdg-data" / "turfpad"));
    EXPECT_TRUE(fs::is_directory(dir / "xdg-config" / "turfpad"));
    TIniGT installed;
    installed.Loaded();
    EXPECT_EQ(installed.Path(), dir / "xdg-config" / "turfpad" / "turfpad.ini");
    installed.WriteInteger("locate", "top", 5);
    EXPECT_TRUE(fs::exists(dir / "xdg-config" / "turfpad" / "turfpad.ini"));

    // The local JV-Link keeps its settings with the others (here: download at once) and its
    // cache with the data.
    WriteAll(dir / "xdg-config" / "turfpad" / "JVLinkLocal.ini", "[JVLinkLocal]\nDownloadMsPerFile=0\n");
    LocalJVLink link;
    ASSERT_EQ(link.JVInit("TP202612/TP000001/Turfpad2026/Version 1.00"), 0);
    int readCount = 0, downloadCount = 0;
    std::string lastTimestamp;
    ASSERT_EQ(link.JVOpen("RACE", "20000101000000", 1, readCount, downloadCount, lastTimestamp), 0);
    EXPECT_GT(downloadCount, 0);
    EXPECT_EQ(link.JVStatus(), downloadCount);
    link.JVClose();
    EXPECT_TRUE(fs::is_directory(dir / "xdg-data" / "turfpad" / "JVLinkLocal"));

    SetProgramFile(dir / "portable" / "turfpad");  // decided again for the next program file
    EXPECT_FALSE(Places().perUser);
}

TEST(ShippedFile, BesideTheProgramFirstThenTheInstalledShareFolder) {
    TempDir dir;
    fs::create_directories(dir / "bin");
    EXPECT_EQ(ShippedFile(dir / "bin", "Turfpad.pdf"), dir / "bin" / "Turfpad.pdf");  // neither: beside
    fs::create_directories(dir / "share" / "turfpad");
    WriteAll(dir / "share" / "turfpad" / "Turfpad.pdf", "%PDF");
    EXPECT_EQ(ShippedFile(dir / "bin", "Turfpad.pdf"), dir / "share" / "turfpad" / "Turfpad.pdf");
    WriteAll(dir / "bin" / "Turfpad.pdf", "%PDF");
    EXPECT_EQ(ShippedFile(dir / "bin", "Turfpad.pdf"), dir / "bin" / "Turfpad.pdf");
}
