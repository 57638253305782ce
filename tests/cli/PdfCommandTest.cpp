// turfpad-cli pdf: the pages it writes, its exit statuses, and that only this command needs
// Qt and a platform to draw on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "RaceDays.h"
#include "ShellRun.h"
#include "TempDir.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

// The page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree); -1 when the file
// is not a PDF.
int PageCount(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return -1;
    const std::string pdf = ReadAll(path);
    if (pdf.rfind("%PDF-", 0) != 0 || pdf.find("%%EOF") == std::string::npos) return -1;
    int pages = 0;
    const std::string tag = "/Type /Page";
    for (std::size_t at = pdf.find(tag); at != std::string::npos; at = pdf.find(tag, at + 1))
        if (at + tag.size() < pdf.size() && pdf[at + tag.size()] != 's') ++pages;
    return pages;
}

class PdfCli : public ::testing::Test {
  protected:
    // Runs turfpad-cli with the arguments; `env` goes before it (e.g. "env -u DISPLAY").
    Outcome Cmd(const std::string& args, const std::string& env = {}) { return RunCli(args, dir.path(), env); }
    std::string Data() const { return "--data '" + data.string() + "'"; }
    std::string Pdf(const char* name) const { return "'" + (dir / name).string() + "'"; }

    TempDir dir;
    fs::path data = dir / "Data";
    Meeting m;
    const std::string day = "2026年12月12日中山";
    // No window system: the command must find its own way to draw.
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
};

TEST_F(PdfCli, RaceCardsOnePagePerRaceOfTheRaceList) {
    fs::create_directories(data);
    FileDay(data, m, {9, 11}, 16);
    Outcome r = Cmd("pdf " + Data() + " " + day + " " + Pdf("cards.pdf"), noDisplay);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(PageCount(dir / "cards.pdf"), 2);
    const std::string pdf = ReadAll(dir / "cards.pdf");
    EXPECT_NE(pdf.find("/MediaBox [0 0 595"), std::string::npos);  // A4 portrait, 595 x 842 points

    Meeting sunday;
    sunday.date = "20261213";
    std::vector<int> all(12);
    for (int k = 0; k < 12; ++k) all[static_cast<std::size_t>(k)] = k + 1;
    FileDay(data, sunday, all, 18);
    EXPECT_EQ(Cmd("pdf " + Data() + " 2026年12月13日中山 " + Pdf("sunday.pdf")).status, 0);
    EXPECT_EQ(PageCount(dir / "sunday.pdf"), 12);

    // Printing does not ask whether a race is complete: race 1 lacks two of its runners.
    fs::remove_all(data);
    fs::create_directories(data);
    File(data, {RaRecord(m, 1, 3), SeRecord(m, 1, 1), RaRecord(m, 2, 2), SeRecord(m, 2, 1), SeRecord(m, 2, 2)});
    Outcome incomplete = Cmd("pdf " + Data() + " " + day + " " + Pdf("incomplete.pdf"));
    EXPECT_EQ(incomplete.status, 0) << incomplete.err;
    EXPECT_EQ(incomplete.err, "");
    EXPECT_EQ(PageCount(dir / "incomplete.pdf"), 2);
}

TEST_F(PdfCli, ScheduleOfTwelveRacesIsOnePage) {
    fs::create_directories(data);
    std::vector<int> all(12);
    for (int k = 0; k < 12; ++k) all[static_cast<std::size_t>(k)] = k + 1;
    FileDay(data, m, all, 16);
    Outcome r = Cmd("pdf --schedule " + Data() + " " + day + " " + Pdf("schedule.pdf"), noDisplay);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PageCount(dir / "schedule.pdf"), 1);
    // The option may come anywhere among the arguments.
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day + " --schedule " + Pdf("again.pdf")).status, 0);
    EXPECT_EQ(PageCount(dir / "again.pdf"), 1);
}

TEST_F(PdfCli, FormGuideOneLandscapePagePerRace) {
    fs::create_directories(data);
    FileDay(data, m, {9, 10, 11}, 16);
    // An earlier day where horse 3 finished second (position at byte 335).
    Meeting before;
    before.date = "20261128";
    std::string run = SeRecord(before, 5, 3);
    run.replace(334, 2, "02");
    File(data, {RaRecord(before, 5, 12), run});
    Outcome r = Cmd("pdf --form " + Data() + " " + day + " " + Pdf("form.pdf"), noDisplay);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PageCount(dir / "form.pdf"), 3);
    const std::string pdf = ReadAll(dir / "form.pdf");
    EXPECT_NE(pdf.find("/MediaBox [0 0 842"), std::string::npos);  // A4 landscape, 842 x 595 points
    // The race cards stay portrait.
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day + " " + Pdf("cards.pdf")).status, 0);
    EXPECT_NE(ReadAll(dir / "cards.pdf").find("/MediaBox [0 0 595"), std::string::npos);

    EXPECT_EQ(Cmd("pdf --form --schedule " + Data() + " " + day + " " + Pdf("both.pdf")).status, 2);
    EXPECT_EQ(PageCount(dir / "both.pdf"), -1);
}

TEST_F(PdfCli, DaysThatCannotBeReadWriteNoFile) {
    fs::create_directories(data);
    FileDay(data, m, {1, 2}, 2);
    Outcome missing = Cmd("pdf " + Data() + " 2026年12月13日中山 " + Pdf("x.pdf"));
    EXPECT_EQ(missing.status, 4);
    EXPECT_EQ(missing.err, "データ作成が未完了のようです。\n");
    EXPECT_EQ(Cmd("pdf --schedule " + Data() + " 2026年12月13日中山 " + Pdf("x.pdf")).status, 4);

    const fs::path se = RaceFilePath(data, Sj(day) + ".jvSEr");
    WriteAll(se, ReadAll(se).substr(0, 555 * 19));
    Outcome damaged = Cmd("pdf " + Data() + " " + day + " " + Pdf("x.pdf"));
    EXPECT_EQ(damaged.status, 4);
    EXPECT_NE(damaged.err.find("2026年12月12日中山.jvSEr"), std::string::npos) << damaged.err;

    // A day whose RA file holds no race at all.
    WriteAll(RaceFilePath(data, Sj(day) + ".jvRA"), std::string(1270, ' ') + "\r\n");
    Outcome empty = Cmd("pdf --schedule " + Data() + " " + day + " " + Pdf("x.pdf"));
    EXPECT_EQ(empty.status, 4);
    EXPECT_EQ(empty.err, "2026年12月12日中山にはレースのデータがありません。\n");
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day + " " + Pdf("x.pdf")).status, 4);

    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
}

TEST_F(PdfCli, AFileThatCannotBeWrittenIsStatusOne) {
    fs::create_directories(data);
    FileDay(data, m, {1}, 2);
    Outcome cards = Cmd("pdf " + Data() + " " + day + " " + Pdf("missing/cards.pdf"));
    EXPECT_EQ(cards.status, 1);
    EXPECT_NE(cards.err.find("書き込めません"), std::string::npos) << cards.err;
    Outcome schedule = Cmd("pdf --schedule " + Data() + " " + day + " " + Pdf("missing/schedule.pdf"));
    EXPECT_EQ(schedule.status, 1);
    EXPECT_NE(schedule.err.find("書き込めません"), std::string::npos) << schedule.err;
    fs::create_directories(dir / "folder.pdf");
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day + " " + Pdf("folder.pdf")).status, 1);
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(PdfCli, UsageErrors) {
    fs::create_directories(data);
    FileDay(data, m, {1}, 2);
    EXPECT_EQ(Cmd("pdf " + Data()).status, 2);
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day).status, 2);
    EXPECT_EQ(Cmd("pdf --schedule " + Data() + " " + day).status, 2);
    EXPECT_EQ(Cmd("pdf " + Data() + " " + day + " a.pdf b.pdf").status, 2);
    Outcome unknown = Cmd("pdf --landscape " + Data() + " " + day + " " + Pdf("x.pdf"));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--landscape"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
}

// A platform that does not exist stops any program that starts Qt; the other commands never do.
TEST_F(PdfCli, OnlyThePdfCommandStartsQt) {
    fs::create_directories(data);
    FileDay(data, m, {1}, 2);
    const std::string broken = "env QT_QPA_PLATFORM=no-such-platform";
    Outcome schedule = Cmd("schedule " + Data() + " " + day, broken);
    EXPECT_EQ(schedule.status, 0) << schedule.err;
    EXPECT_EQ(schedule.err, "");
    EXPECT_EQ(Cmd("card " + Data() + " " + day + " 1", broken).status, 0);
    EXPECT_EQ(Cmd("days " + Data(), broken).status, 0);
    EXPECT_NE(Cmd("pdf " + Data() + " " + day + " " + Pdf("x.pdf"), broken).status, 0);
}

}  // namespace
