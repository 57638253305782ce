// The form guide: which filed runs are a runner's past runs, and how each column is written.
// Records are built from the public field positions.
#include "formguide/FormGuide.h"

#include <gtest/gtest.h>

#include "RunRaceRecords.h"
#include "TempDir.h"
#include "browse/DayReading.h"
#include "datafolder/DataFolderLock.h"
#include "datafolder/RaceFiles.h"
#include "records/RecordBuilder.h"
#include "text/Cp932.h"

using namespace turfpad;
using turfpad::testing::Race;
using turfpad::testing::Runner;
using turfpad::testing::TempDir;
using turfpad::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

PastRun Past(const RecordBuilder& ra, const RecordBuilder& se) { return {ra.str(), se.str()}; }

std::vector<std::string> Dates(const std::vector<PastRun>& runs) {
    std::vector<std::string> out;
    for (const PastRun& r : runs) out.push_back(r.se.substr(11, 8) + r.se.substr(19, 2));
    return out;
}

}  // namespace

TEST(FormGuideTest, PastRunsAreEarlierRunsOfTheSameHorseWithAResult) {
    const char* horse = "2022101234";
    std::vector<PastRun> runs = {
        Past(Race("20261114", "05", 11), Runner("20261114", "05", 11, 3, horse)),
        Past(Race("20261212", "06", 11), Runner("20261212", "06", 11, 1, horse)),           // the day shown
        Past(Race("20261219", "06", 11), Runner("20261219", "06", 11, 1, horse)),           // later
        Past(Race("20261128", "05", 1), Runner("20261128", "05", 1, 2, "2022109999")),      // another horse
        Past(Race("20261121", "05", 2), Runner("20261121", "05", 2, 2, horse, "00")),       // no result yet
        Past(Race("20261107", "09", 5), Runner("20261107", "09", 5, 4, horse, "00", "1")),  // withdrawn
        Past(Race("20261031", "03", 9), Runner("20261031", "03", 9, 7, horse, "00", "4")),  // did not finish
        Past(Race("20261024", "04", 7), Runner("20261024", "04", 7, 7, horse, "18")),
        Past(Race("20261017", "04", 7), Runner("20261017", "04", 7, 7, horse, "19")),  // no such position
        Past(Race("20261212", "09", 10), Runner("20261212", "09", 10, 5, horse)),      // same day elsewhere
    };
    // Most recent first; the same horse at another racecourse counts.
    EXPECT_EQ(Dates(SelectPastRuns(runs, horse, "20261212", 10)),
              (std::vector<std::string>{"2026111405", "2026110709", "2026103103", "2026102404"}));
    EXPECT_EQ(Dates(SelectPastRuns(runs, horse, "20261212", 2)),
              (std::vector<std::string>{"2026111405", "2026110709"}));
    EXPECT_EQ(Dates(SelectPastRuns(runs, horse, "20261220", 1)), (std::vector<std::string>{"2026121906"}));
    EXPECT_TRUE(SelectPastRuns(runs, horse, "20261024", 5).empty());
    EXPECT_TRUE(SelectPastRuns(runs, "2022100000", "20261231", 5).empty());
}

// Every column from a record whose fields all hold different values.
TEST(FormGuideTest, EveryColumnComesFromItsOwnField) {
    RecordBuilder ra = Race("20261129", "09", 11);
    ra.Text({593, 12}, "ジャパンＣ").Raw({706, 2}, "24").Raw({698, 4}, "1800").Raw({884, 2}, "14");
    ra.Raw({889, 1}, "1").Raw({890, 1}, "4");
    RecordBuilder se = Runner("20261129", "09", 11, 7, "2021105678", "02");
    se.Text({307, 8}, "武豊").Raw({289, 3}, "575").Raw({339, 4}, "1523").Raw({364, 2}, "06");
    se.Raw({360, 4}, "0123").Raw({325, 3}, "486").Raw({328, 1}, "-").Raw({329, 3}, "012");
    RecordBuilder runner = Runner("20261212", "06", 11, 9, "2021105678", "00");
    runner.Text({41, 36}, "ミライノホシ");

    PastRun run{ra.str(), se.str()};
    FormRow row = FormCells(runner.str(), &run);
    std::vector<std::string> cells;
    for (const std::string& c : row) cells.push_back(Cp932ToUtf8(c));
    EXPECT_EQ(cells,
              (std::vector<std::string>{"9", "ミライノホシ", "2026/11/29", "阪神", "11R", "ジャパンＣ", "ダ右1800m",
                                        "不良", "14", "2", "1:52.3", "6", "武豊", "57.5", "486(-12)"}));
    EXPECT_EQ(Cp932ToUtf8(FormTsv({row}).substr(0, FormTsv({}).size())),
              "馬番\t馬名\t日付\t競馬場\tR\tレース名\tコース\t馬場\t頭数\t着順\tタイム\t人気\t騎手\t斤量\t馬体重\r\n");

    // Turf going for a turf track, the race's class for a race without a short name.
    RecordBuilder turf = Race("20261129", "09", 3);
    turf.Raw({635, 3}, "005").Raw({889, 1}, "2").Raw({890, 1}, "4");
    EXPECT_EQ(Cp932ToUtf8(FormGoing(turf.str())), "稍重");
    EXPECT_EQ(Cp932ToUtf8(FormRaceName(turf.str())), "1勝クラス");  // its date's name of the class
    EXPECT_EQ(Cp932ToUtf8(FormCourse(turf.str())), "芝右1600m");
    EXPECT_EQ(Cp932ToUtf8(FormRaceNumber(turf.str())), "3R");

    // Abnormal results name themselves; a first run's weight has no change; not weighed is blank.
    auto with = [&](Field f, const char* v) { return RecordBuilder(se).Raw(f, v).str(); };
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "1"))), "取消");
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "2"))), "除外");
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "3"))), "除外");
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "4"))), "中止");
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "5"))), "失格");
    EXPECT_EQ(Cp932ToUtf8(FormPosition(with({332, 1}, "7"))), "2");  // placed lower: its position
    EXPECT_EQ(FormBodyWeight(with({329, 3}, "   ")), "486");
    EXPECT_EQ(FormBodyWeight(with({328, 4}, " 000")), "486(0)");
    EXPECT_EQ(FormBodyWeight(with({328, 4}, "+004")), "486(+4)");
    EXPECT_EQ(FormBodyWeight(with({325, 3}, "999")), "");
    EXPECT_EQ(FormBodyWeight(with({325, 3}, "000")), "");
    EXPECT_EQ(FormBodyWeight(with({325, 3}, "   ")), "");
    EXPECT_EQ(FormTime(with({339, 4}, "0000")), "");
    EXPECT_EQ(FormTime(with({339, 4}, "2015")), "2:01.5");
    EXPECT_EQ(FormWeightCarried(with({289, 3}, "540")), "54.0");

    // Without a run: the number and the name only.
    FormRow empty = FormCells(runner.str(), nullptr);
    EXPECT_EQ(Cp932ToUtf8(empty[1]), "ミライノホシ");
    for (std::size_t i = 2; i < empty.size(); ++i) EXPECT_EQ(empty[i], "") << i;
}

TEST(FormGuideTest, TrimmingKeepsTwoByteCharacters) {
    // 0x81 0x40 is the ideographic space; "ー" (0x81 0x5B) followed by a blank must stay whole.
    EXPECT_EQ(TrimmedText("\x81\x40 \x83\x41\x81\x5B \x81\x40"), "\x83\x41\x81\x5B");
    EXPECT_EQ(TrimmedText("\x81\x40\x81\x40  "), "");
    // A character whose second byte is 0x40 is not a space: ＠ is 0x81 0x97, ァ 0x83 0x40.
    EXPECT_EQ(TrimmedText("\x83\x40\x81\x40"), "\x83\x40");
}

// The form of a race read from the data folder: runners in horse-number order, their runs
// from every day filed.
TEST(FormGuideTest, RaceFormReadsTheRunsFromTheFolder) {
    TempDir dir;
    RaceFiler filer(dir.path());
    filer.SetDurable(false);
    filer.File(Race("20261212", "06", 11).Raw({3, 1}, "2").Raw({884, 2}, "00").Raw({882, 2}, "02").str());
    filer.File(Runner("20261212", "06", 11, 1, "2022100001", "00").Raw({3, 1}, "2").str());
    filer.File(Runner("20261212", "06", 11, 2, "2022100002", "00")
                   .Raw({3, 1}, "2")
                   .Raw({79, 1}, "2")
                   .Raw({83, 2}, "04")
                   .Raw({289, 3}, "550")
                   .Text({307, 8}, "武豊")
                   .str());
    filer.File(Race("20261128", "09", 5).str());
    filer.File(Runner("20261128", "09", 5, 4, "2022100002", "01").str());
    filer.File(Race("20261114", "07", 6).str());
    filer.File(Runner("20261114", "07", 6, 8, "2022100002", "05").str());
    filer.Flush();

    RaceCardTable table;
    NoProgress progress;
    ASSERT_TRUE(ReadDay(dir.path(), Sj("2026年12月12日中山"), table, progress).ok());
    FormGuideRuns read;
    ASSERT_TRUE(read.Read(dir.path(), table, {10}, 5));
    std::vector<FormRow> rows = RaceForm(table, 10, read);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][2], "");
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][2], "2026/11/28");
    EXPECT_EQ(Cp932ToUtf8(rows[1][3]), "阪神");
    EXPECT_EQ(rows[2][2], "2026/11/14");
    EXPECT_EQ(Cp932ToUtf8(rows[2][3]), "中京");
    // Under the name, today's sex and age, jockey and weight carried (SE 79, 83-84, 307-314,
    // 289-291), from the runner's own line.
    const std::vector<RunnerForm> forms = RunnerForms(table, 10, read);
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(Cp932ToUtf8(forms[1].sexAge), "牝4");
    EXPECT_EQ(Cp932ToUtf8(forms[1].jockey), "武豊");
    EXPECT_EQ(forms[1].weightCarried, "55.0");
    ASSERT_TRUE(read.Read(dir.path(), table, {10}, 1));
    EXPECT_EQ(RaceForm(table, 10, read).size(), 2u);
}

TEST(FormGuideTest, AFormIsReadOnlyOnceTheFilerHoldingTheFolderIsDone) {
    TempDir dir;
    const auto file = [&](const char* position) {
        RaceFiler filer(dir.path());
        filer.SetDurable(false);
        filer.File(Race("20261212", "06", 11).Raw({3, 1}, "2").str());
        filer.File(Runner("20261212", "06", 11, 1, "2022100001", "00").Raw({3, 1}, "2").str());
        filer.File(Race("20261128", "09", 5).str());
        filer.File(Runner("20261128", "09", 5, 4, "2022100001", position).str());
    };
    file("03");
    RaceCardTable table;
    NoProgress progress;
    ASSERT_TRUE(ReadDay(dir.path(), Sj("2026年12月12日中山"), table, progress).ok());

    // A filer holds the folder: the reader waits, and once the filer has put in a new version
    // of the past run's day, the form is of that version, index and runs alike.
    DataFolderLock filer(dir.path());
    std::string error;
    ASSERT_EQ(filer.Lock(DataFolderLock::Mode::Exclusive, {}, error), DataFolderLock::Result::Locked);
    int waits = 0;
    FormGuideRuns read;
    ASSERT_TRUE(read.Read(dir.path(), table, {10}, 5, [&] {
        if (waits++ == 0) {
            filer.Unlock();
            file("07");
        }
        return true;
    }));
    EXPECT_GT(waits, 0);
    ASSERT_EQ(RaceForm(table, 10, read).size(), 1u);
    EXPECT_EQ(RaceForm(table, 10, read)[0][9], "7");

    // A reader that stops waiting reads nothing.
    ASSERT_EQ(filer.Lock(DataFolderLock::Mode::Exclusive, {}, error), DataFolderLock::Result::Locked);
    EXPECT_FALSE(read.Read(dir.path(), table, {10}, 5, [] { return false; }));
    EXPECT_TRUE(read.Of("2022100001", "20261212").empty());
}
