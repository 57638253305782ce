// turfpad-cli card, schedule, form, odds and payouts: what they print, on which stream, and
// their exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "RaceDayRecords.h"
#include "RaceDays.h"
#include "ShellRun.h"
#include "TempDir.h"
#include "browse/ClipboardText.h"
#include "browse/RaceBrowser.h"
#include "text/Cp932.h"

using namespace turfpad;
using namespace turfpad::testing;
namespace fs = std::filesystem;

namespace {

class Cli : public ::testing::Test {
  protected:
    Outcome Cmd(const std::string& args) { return RunCli(args, dir.path()); }
    std::string Data() const { return "--data '" + data.string() + "'"; }

    TempDir dir;
    fs::path data = dir / "Data";
    Meeting m;
    const std::string day = "2026年12月12日中山";
};

// What the main window's copy would put on the clipboard for the race.
std::string ClipboardOf(const fs::path& data, const std::string& dayCp932, int race) {
    HeadlessBrowserView view;
    NoProgress progress;
    RaceBrowser b(view, progress, nullptr, data);
    b.ChooseDay(dayCp932);
    b.ChooseRace(b.RaceListIndexOf(race - 1));
    b.CopyRaceCard();
    return view.clipboard;
}

}  // namespace

TEST_F(Cli, CardPrintsTheClipboardText) {
    fs::create_directories(data);
    FileDay(data, m, {9, 11, 12}, 16);
    Outcome r = Cmd("card " + Data() + " " + day + " 9");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string expected = ClipboardOf(data, Sj(day), 9);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(r.out, Cp932ToUtf8(expected));
    // 12, the last race of a day, is a race number like the others.
    Outcome last = Cmd("card " + Data() + " " + day + " 12");
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.out, Cp932ToUtf8(ClipboardOf(data, Sj(day), 12)));
    EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")), "2026年12月12日 中山 5回 8日 9R");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 18);

    Outcome cp = Cmd("card --encoding cp932 " + Data() + " " + day + " 11");
    EXPECT_EQ(cp.status, 0);
    EXPECT_EQ(cp.out, ClipboardOf(data, Sj(day), 11));
}

TEST_F(Cli, CardOfAnIncompleteRaceIsPrintedWithTheMessage) {
    fs::create_directories(data);
    std::vector<std::string> recs = {RaRecord(m, 1, 2), SeRecord(m, 1, 1)};  // runner 2 missing
    File(data, recs);
    Outcome r = Cmd("card " + Data() + " " + day + " 1");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "中山 1Rはデータ作成が未完了です。\n");
    EXPECT_EQ(r.out, Cp932ToUtf8(ClipboardOf(data, Sj(day), 1)));
    // The runner not yet filed: a row of its blank fields.
    const std::string blankRow =
        " \t  \t" + std::string(19, ' ') + "\t  \t\t" + std::string(8, ' ') + "\t" + std::string(8, ' ') + "\t\t\r\n";
    EXPECT_EQ(r.out.substr(r.out.size() - blankRow.size()), blankRow);
}

TEST_F(Cli, MissingDayMissingRaceAndUsage) {
    fs::create_directories(data);
    FileDay(data, m, {9}, 2);
    Outcome noRace = Cmd("card " + Data() + " " + day + " 10");
    EXPECT_EQ(noRace.status, 4);
    EXPECT_EQ(noRace.out, "");
    EXPECT_EQ(noRace.err, "2026年12月12日中山に10Rのデータはありません。\n");

    Outcome noDay = Cmd("card " + Data() + " 2026年12月13日中山 1");
    EXPECT_EQ(noDay.status, 4);
    EXPECT_EQ(noDay.err, "データ作成が未完了のようです。\n");
    EXPECT_EQ(Cmd("schedule " + Data() + " 2026年12月13日中山").status, 4);

    fs::remove(RaceFilePath(data, Sj(day) + ".jvSEr"));
    EXPECT_EQ(Cmd("card " + Data() + " " + day + " 9").status, 4);

    EXPECT_EQ(Cmd("card " + Data() + " " + day).status, 2);
    EXPECT_EQ(Cmd("card " + Data() + " " + day + " 13").status, 2);
    EXPECT_EQ(Cmd("card " + Data() + " " + day + " x").status, 2);
    EXPECT_EQ(Cmd("card " + Data() + " --frobnicate " + day + " 1").status, 2);
    EXPECT_EQ(Cmd("schedule " + Data()).status, 2);
    EXPECT_EQ(Cmd("card --encoding latin1 " + Data() + " " + day + " 9").status, 2);
}

TEST_F(Cli, DamagedDayIsReportedByName) {
    fs::create_directories(data);
    FileDay(data, m, {1, 2}, 2);
    const fs::path se = RaceFilePath(data, Sj(day) + ".jvSEr");
    WriteAll(se, ReadAll(se).substr(0, 555 * 19));
    Outcome r = Cmd("card " + Data() + " " + day + " 1");
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("2026年12月12日中山.jvSEr"), std::string::npos) << r.err;
}

TEST_F(Cli, SchedulePrintsHeaderAndOneRowPerRace) {
    fs::create_directories(data);
    FileDay(data, m, {9, 10, 11, 12}, 16);
    Outcome r = Cmd("schedule " + Data() + " " + day);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string row = "頭\t 有馬記\t G1   \t 定量\t オープン\t 芝右2500m\t 15:25\r\n";
    EXPECT_EQ(r.out,
              "場所回日ﾚｰｽNo\t頭数\t競走名\tｸﾞﾚｰﾄﾞ\t重量種\t条件\tﾄﾗｯｸ\t発走時刻\r\n"
              " 中山 5回 8日 9R\t 16" +
                  row + " 中山 5回 8日10R\t 16" + row + " 中山 5回 8日11R\t 16" + row + " 中山 5回 8日12R\t 16" + row);
    Outcome cp = Cmd("schedule --encoding cp932 " + Data() + " " + day);
    EXPECT_EQ(cp.out, Utf8ToCp932(r.out));
}

// The form guide of a demo race after sixteen weeks of the demo were filed: several runs per
// runner, TAB-separated, CR LF; and the exit statuses of card.
TEST_F(Cli, FormShowsTheRunnersRecentRuns) {
    const std::string sample = "'" + (dir / "S").string() + "'";
    ASSERT_EQ(Cmd("sample " + sample + " --week=2026-12-12 --weeks=16").status, 0);  // the spelling with =s
    ASSERT_EQ(Cmd("import " + Data() + " " + sample + "/*.jvd").status, 0);
    Outcome r = Cmd("form " + Data() + " 2026年12月12日阪神 11");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string header =
        "馬番\t馬名\t日付\t競馬場\tR\tレース名\tコース\t馬場\t頭数\t着順\tタイム\t人気\t騎手\t斤量\t馬体重\r\n";
    ASSERT_EQ(r.out.substr(0, header.size()), header);
    std::map<std::string, int> runs;  // horse number to its rows with a run
    std::size_t at = header.size();
    while (at < r.out.size()) {
        std::size_t end = r.out.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        std::string line = r.out.substr(at, end - at);
        at = end + 2;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 14) << line;
        std::string number = line.substr(0, line.find('\t'));
        if (line.find("\t2026/") != std::string::npos) ++runs[number];
        EXPECT_LE(runs[number], 5);
    }
    int several = 0;
    for (const auto& [number, n] : runs) several += n >= 2;
    EXPECT_GE(several, 3) << r.out;

    Outcome one = Cmd("form --runs 1 " + Data() + " 2026年12月12日阪神 11");
    EXPECT_EQ(one.status, 0);
    EXPECT_LT(one.out.size(), r.out.size());
    Outcome cp = Cmd("form --encoding cp932 " + Data() + " 2026年12月12日阪神 11");
    EXPECT_EQ(cp.out, Sj(r.out));
    // Each option spelled with =, and the run count at the top of its range.
    EXPECT_EQ(Cmd("form --runs=1 --encoding=cp932 --data='" + data.string() + "' 2026年12月12日阪神 11").out,
              Sj(one.out));
    const Outcome ten = Cmd("form --runs 10 " + Data() + " 2026年12月12日阪神 11");
    EXPECT_GT(ten.out.size(), r.out.size());
    EXPECT_GT(Cmd("form --runs=99 " + Data() + " 2026年12月12日阪神 11").out.size(), ten.out.size());

    EXPECT_EQ(Cmd("form " + Data() + " 2026年12月19日阪神 11").status, 4);
    EXPECT_EQ(Cmd("form " + Data() + " 2026年12月12日阪神").status, 2);
    EXPECT_EQ(Cmd("form --runs 0 " + Data() + " 2026年12月12日阪神 11").status, 2);
    EXPECT_EQ(Cmd("form --runs 100 " + Data() + " 2026年12月12日阪神 11").status, 2);
    EXPECT_EQ(Cmd("form --runs " + Data() + " 2026年12月12日阪神 11").status, 2);
    EXPECT_EQ(Cmd("form " + Data() + " 2026年12月12日阪神 13").status, 2);
}

TEST_F(Cli, FormOfAnIncompleteRaceOrAMissingRace) {
    fs::create_directories(data);
    File(data, {RaRecord(m, 1, 2), SeRecord(m, 1, 1)});  // runner 2 missing
    Outcome r = Cmd("form " + Data() + " " + day + " 1");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "中山 1Rはデータ作成が未完了です。\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);  // the header and runner 1
    Outcome noRace = Cmd("form " + Data() + " " + day + " 2");
    EXPECT_EQ(noRace.status, 4);
    EXPECT_EQ(noRace.err, "2026年12月12日中山に2Rのデータはありません。\n");
}

TEST_F(Cli, CardOfARaceWhoseNumberIsNoNumberIsAnError) {
    fs::create_directories(data);
    FileDay(data, m, {1, 2}, 2);
    // The stored race 1 carries "1" and a stray byte in its race number (RA 26-27).
    const fs::path ra = data / (day + ".jvRA");
    std::string content = ReadAll(ra);
    content.replace(25, 2, "1\x81");
    WriteAll(ra, content);
    Outcome r = Cmd("card " + Data() + " " + day + " 1");
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("「2026年12月12日中山.jvRA」の 1 行目のレース番号"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(31 81)"), std::string::npos) << r.err;
    EXPECT_EQ(Cmd("card " + Data() + " " + day + " 2").status, 0);
}

// Odds of each runner within the head count, special values as they are shown; payouts once
// filed, exit 4 before.
TEST_F(Cli, OddsAndPayoutsOfARace) {
    fs::create_directories(data);
    FileDay(data, m, {9}, 3);
    File(data,
         {O1("20261212", "06", 9, {{44, "01005202"}, {52, "02----01"}, {60, "03000000"}, {268, "010012001802"}})});
    Outcome odds = Cmd("odds " + Data() + " " + day + " 9");
    EXPECT_EQ(odds.status, 0) << odds.err;
    EXPECT_EQ(odds.out,
              "馬番\t馬名\t単勝\t人気\t複勝下限\t複勝上限\r\n"
              "1\tウマ０１\t5.2\t2\t1.2\t1.8\r\n"
              "2\tウマ０２\t取消\t1\t\t\r\n"
              "3\tウマ０３\t\t\t\t\r\n");

    Outcome none = Cmd("payouts " + Data() + " " + day + " 9");
    EXPECT_EQ(none.status, 4);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "2026年12月12日中山の9Rの払戻金はまだありません。\n");
    File(data, {Hr("20261212", "06", 9, {{103, "0100000052002"}})});
    Outcome paid = Cmd("payouts --encoding cp932 " + Data() + " " + day + " 9");
    EXPECT_EQ(paid.status, 0) << paid.err;
    EXPECT_EQ(paid.out, Utf8ToCp932("券種\t組番\t払戻金\t人気\r\n単勝\t1\t520\t2\r\n"));
    EXPECT_EQ(Cmd("payouts " + Data() + " " + day + " 10").status, 4);  // no such race
}
