#include "settings/IniText.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "jvlink/LocalJVLink.h"
#include "text/PathText.h"
#include "text/Trim.h"

using namespace turfpad;
using turfpad::testing::ReadAll;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;

TEST(IniText, ReadsTheFirstKeyOfASectionWhereverTheSectionAppears) {
    const IniText text(
        "top=0\r\n[A]\r\nx = 1 \r\n[B]\r\nx=2\r\n[ a ]\r\nX=3\r\ny=\t4\t\r\n[C]\r\n; y=5\r\nodd line\r\n");
    EXPECT_EQ(text.Value("A", "x"), "1");
    EXPECT_EQ(text.Value("b", "X"), "2");
    EXPECT_EQ(text.Value("a", "y"), "4");  // the section's second appearance
    EXPECT_EQ(text.Value("C", "y"), std::nullopt);
    EXPECT_EQ(text.Value("", "top"), std::nullopt);  // before any section: no section of its own

    std::string seen;
    text.ForEachEntry([&](std::string_view section, std::string_view key, std::string_view value) {
        seen += std::string(section) + "/" + std::string(key) + "=" + std::string(value) + ";";
    });
    EXPECT_EQ(seen, "/top=0;A/x=1;B/x=2;a/X=3;a/y=4;C/; y=5;");
}

TEST(IniText, SetWritesNewLinesInTheLineEndItWasGiven) {
    IniText text("[S]\na=1\n\n[T]\nb=2", "\n");
    text.Set("S", "c", "3");  // after the section's last non-blank line
    text.Set("T", "b", "two");
    text.Set("U", "d", "4");
    EXPECT_EQ(text.Content(), "[S]\na=1\nc=3\n\n[T]\nb=two\n[U]\nd=4\n");
}

// The local JV-Link's settings file as it stands on disk: its format does not change.
TEST(IniText, LocalJVLinkSettingsKeepTheirFileFormat) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(SaveLocalJVLinkSettings(dir / "JVLinkLocal.ini", {"/データ/jv", " K ", 120, ""}, error)) << error;
    EXPECT_EQ(ReadAll(dir / "JVLinkLocal.ini"),
              "[JVLinkLocal]\nSourceFolder=/データ/jv\nServiceKey= K \nDownloadMsPerFile=120\n");

    // Keys count wherever they stand, the last wins, names match exactly.
    WriteAll(dir / "old.ini",
             "SourceFolder=/a\n[Other]\nServiceKey=K\n[JVLinkLocal]\nsourcefolder=/b\nSourceFolder=/c\r\n"
             "DownloadMsPerFile = 50");
    LocalJVLinkSettings s = LoadLocalJVLinkSettings(dir / "old.ini");
    EXPECT_EQ(s.sourceFolder, "/c");
    EXPECT_EQ(s.serviceKey, "K");
    EXPECT_EQ(s.downloadMsPerFile, 50);
}

TEST(TextHelpers, TrimAndPathFromText) {
    EXPECT_EQ(Trim(" \t a b \t"), "a b");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim("\ta\r"), "a\r");  // only blanks and tabs by default
    EXPECT_EQ(Trim("  \t1 ", " "), "\t1");

    const std::string name = "データ/レース 1.ini";
    EXPECT_EQ(PathText(PathFromText(name)), name);
    EXPECT_EQ(PathText(PathFromText(name).filename()), "レース 1.ini");
}
