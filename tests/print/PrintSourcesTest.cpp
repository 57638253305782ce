// What printing takes from the browsing screens: the printed races of a day read into the
// race card table, the grids on the screen and the schedule laid out for the command line.
#include <gtest/gtest.h>

#include "BrowseGrids.h"
#include "FakePrinter.h"
#include "GridPrinter.h"
#include "PrintSources.h"
#include "RaceDays.h"
#include "TempDir.h"
#include "browse/DayReading.h"

namespace turfpad {
namespace {

using testing::FileDay;
using testing::Meeting;
using testing::RaRecord;
using testing::SeRecord;

std::string Utf8(std::string_view cp932) { return Cp932ToUtf8(cp932); }

struct ReadDayFixture : ::testing::Test {
    testing::TempDir dir;
    Meeting m;
    RaceCardTable table;

    void Read() {
        NoProgress progress;
        ASSERT_TRUE(ReadDay(dir.path(), testing::DayKey(m), table, progress).ok());
    }
};

TEST_F(ReadDayFixture, OneRacePerSlotInTheOrderGivenFromTheStoredLines) {
    FileDay(dir.path(), m, {3, 5, 9}, 16);
    Read();
    const std::vector<PrintedRace> races = PrintedRacesOf(table, {8, 2, 4});
    ASSERT_EQ(races.size(), 3u);
    EXPECT_EQ(races[0].raceKey, "2026121206050809");
    EXPECT_EQ(races[1].raceKey, "2026121206050803");
    EXPECT_EQ(races[2].raceKey, "2026121206050805");

    // Every text as the race card table's entries hold it, the age from the stored SE line.
    const int order[] = {8, 2, 4};
    for (std::size_t i = 0; i < races.size(); ++i) {
        const RaceEntry& entry = table.Race(order[i]);
        const PrintedRace& race = races[i];
        EXPECT_EQ(race.raceName, entry.raceName);
        EXPECT_EQ(race.weightType, entry.weightType);
        EXPECT_EQ(race.raceCondition, entry.raceCondition);
        EXPECT_EQ(race.distance, entry.distance);
        EXPECT_EQ(race.track, entry.track);
        EXPECT_EQ(race.postTime, entry.postTime);
        EXPECT_EQ(race.headCount, entry.headCount);
        ASSERT_EQ(race.runners.size(), 18u);
        for (std::size_t j = 0; j < 16; ++j) {
            const RunnerEntry& e = entry.runners[j];
            const PrintedRunner& r = race.runners[j];
            EXPECT_EQ(r.postPosition, e.postPosition) << j;
            EXPECT_EQ(r.horseNumber, e.horseNumber) << j;
            EXPECT_EQ(r.horseName, e.horseName) << j;
            EXPECT_EQ(r.sex, e.sex) << j;
            EXPECT_EQ(r.weight, e.weight) << j;
            EXPECT_EQ(r.jockey, e.jockey) << j;
            EXPECT_EQ(r.trainer, e.trainer) << j;
            EXPECT_EQ(r.blinker, e.blinker) << j;
            EXPECT_EQ(r.apprentice, e.apprentice) << j;
            EXPECT_EQ(r.age, "05") << j;
        }
        EXPECT_EQ(race.runners[16].horseNumber, "");
    }
    // Runner 3 of race 9: post 2, blinkers; its name cut to 19 bytes of whole characters.
    const PrintedRunner& third = races[0].runners[2];
    EXPECT_EQ(third.postPosition, "2");
    EXPECT_EQ(third.blinker, "1");
    EXPECT_EQ(Utf8(third.horseName), "ウマ０３　　　　　 ");
    EXPECT_EQ(Utf8(PrintedHorseName(third)), "ウマ０３　　　　　");
    EXPECT_EQ(Utf8(third.jockey), "騎手０３");
    EXPECT_EQ(races[0].runners[1].apprentice, "2");
    EXPECT_EQ(PrintedHorseNumber(races[0].runners[15]), Sj("⑯"));
}

TEST(PrintedRacesOf, RunnersPastTheHeadCountPrintBlankWhateverTheTableHolds) {
    Meeting m;
    RaceCardTable table;
    table.RaLine(0) = RaRecord(m, 1, 2);
    for (int j = 0; j < 4; ++j) table.SeLine(0, j) = SeRecord(m, 1, j + 1);
    table.SetLinesRead(1);
    const std::vector<PrintedRace> races = PrintedRacesOf(table, {0});
    ASSERT_EQ(races.size(), 1u);
    EXPECT_EQ(races[0].runners[1].horseNumber, "02");
    for (std::size_t j = 2; j < 18; ++j) {
        EXPECT_EQ(races[0].runners[j].horseNumber, "") << j;
        EXPECT_EQ(races[0].runners[j].horseName, "") << j;
    }
}

TEST(PrintedRacesOf, AHeadCountAboveEighteenTakesEighteenRunnersAndBadSlotsNoPage) {
    Meeting m;
    RaceCardTable table;
    table.RaLine(11) = RaRecord(m, 12, 20);
    for (int j = 0; j < 18; ++j) table.SeLine(11, j) = SeRecord(m, 12, j + 1);
    table.SetLinesRead(12);
    const std::vector<PrintedRace> races = PrintedRacesOf(table, {-1, 12, 11, 99});
    ASSERT_EQ(races.size(), 1u);
    ASSERT_EQ(races[0].runners.size(), 18u);
    EXPECT_EQ(races[0].runners[17].horseNumber, "18");
    EXPECT_EQ(PrintedBandCount(races[0]), 18);
    EXPECT_TRUE(PrintedRacesOf(table, {}).empty());
}

// The grid is read as it is when printing starts, not as it was when the source was made.
TEST(StringGridSource, TakesTheGridAsItIsOnTheScreen) {
    TRaceCardGrid card;
    StringGridSource source(card);
    card.SetRowCount(3);
    card.SetColWidths(2, 80);
    card.SetCells(2, 1, QStringLiteral("ウマ０１"));
    EXPECT_EQ(source.RowCount(), 3);
    EXPECT_EQ(source.ColCount(), 9);
    EXPECT_EQ(source.ColWidth(2), 80);
    EXPECT_EQ(source.RowHeight(0), 27);
    EXPECT_EQ(source.RowHeight(2), 15);
    EXPECT_EQ(source.Cell(2, 1), QStringLiteral("ウマ０１"));
    EXPECT_EQ(source.Cell(0, 0), QStringLiteral("枠"));
    EXPECT_EQ(source.Font().pixelSize(), 12);
    EXPECT_EQ(source.DpiX(), card.logicalDpiX());
    EXPECT_EQ(source.DpiY(), card.logicalDpiY());
}

TEST(CellGridSource, RaggedRowsReadEmptyAndTheLastHeightRepeats) {
    CellGridSource grid({{Sj("ﾄﾗｯｸ"), "b"}, {"c"}, {}}, {10, 20, 30}, {27, 15}, QFont(), 96, 120);
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(0, 0), QStringLiteral("ﾄﾗｯｸ"));
    for (auto [col, row] : {std::pair{1, 1}, {2, 0}, {0, 2}, {0, 3}, {-1, 0}})
        EXPECT_EQ(grid.Cell(col, row), QString()) << col << "," << row;
    EXPECT_EQ(grid.RowHeight(0), 27);
    EXPECT_EQ(grid.RowHeight(2), 15);
    EXPECT_EQ(grid.ColWidth(3), 0);
}

// The schedule as the command line lays it out prints exactly as the main window's schedule
// grid on a 96 dpi screen: every text, cell outline and the date header in the same place.
TEST(ScheduleGridSource, PrintsAsTheScheduleGridOnTheScreen) {
    Meeting m;
    RaceCardTable table;
    std::vector<ScheduleRow> rows;
    for (int race = 1; race <= 12; ++race) {
        table.RaLine(race - 1) = RaRecord(m, race, 16);
    }
    table.SetLinesRead(12);
    table.FillEntries();
    CellMatrix cells{{ScheduleHeader().begin(), ScheduleHeader().end()}};
    for (int k = 0; k < 12; ++k) {
        rows.push_back(ScheduleCells(table.Race(k)));
        cells.emplace_back(rows.back().begin(), rows.back().end());
    }
    TScheduleGrid screen;
    screen.Fill(rows);
    if (screen.logicalDpiX() != 96 || screen.logicalDpiY() != 96) GTEST_SKIP() << "the screen is not 96 dpi";

    auto print = [](PrintGridSource& grid) {
        FakePrinter printer;
        TStrGridPrinter gridPrinter(&printer);
        InstallScheduleHeader(gridPrinter, [] { return std::string("2026121206050812"); });
        gridPrinter.TargetGrid = &grid;
        EXPECT_TRUE(printer.BeginJob(QString()));
        gridPrinter.Print();
        printer.EndJob();
        return printer.Jobs().back().pages;
    };
    StringGridSource onScreen(screen);
    CellGridSource forCli = ScheduleGridSource(cells);
    const std::vector<DrawnPage> expected = print(onScreen);
    const std::vector<DrawnPage> actual = print(forCli);
    ASSERT_EQ(expected.size(), 1u);
    ASSERT_EQ(actual.size(), 1u);
    ASSERT_EQ(actual[0].size(), expected[0].size());
    EXPECT_EQ(actual[0].size(), 1 + 13 * 8 * 2u);  // the header, then text and outline of every cell
    for (std::size_t i = 0; i < actual[0].size(); ++i) {
        const DrawnItem& a = actual[0][i];
        const DrawnItem& e = expected[0][i];
        EXPECT_EQ(a.kind, e.kind) << i;
        EXPECT_EQ(a.text, e.text) << i;
        EXPECT_EQ(a.pos, e.pos) << i;
        EXPECT_EQ(a.rect, e.rect) << i;
        EXPECT_EQ(a.font.pixelSize(), e.font.pixelSize()) << i;
        EXPECT_EQ(a.font.family(), e.font.family()) << i;
    }
    EXPECT_EQ(actual[0][0].text, QStringLiteral("2026年12月12日"));
}

}  // namespace
}  // namespace turfpad
