// Odds (O1) and payouts (HR): filed into a file of their own beside a day's RA and SE files
// (12 O1 slots, then 12 HR slots), a race's record replacing its slot whole, and shown as the
// command line prints them.
#include <gtest/gtest.h>

#include "RaceDayRecords.h"
#include "SampleRecords.h"
#include "TempDir.h"
#include "browse/RaceDayTexts.h"
#include "datafolder/RaceFiles.h"
#include "text/Cp932.h"

using namespace turfpad;
namespace fs = std::filesystem;
using namespace turfpad::testing;

namespace {

std::string Slot(const std::string& file, std::size_t size, int race, std::size_t section = 0) {
    return file.substr(section + static_cast<std::size_t>(race - 1) * size, size);
}

constexpr std::size_t kHrSection = 12 * 962;  // the payouts follow the 12 odds slots

}  // namespace

TEST(RaceDayFiling, OddsAndPayoutsGoIntoTheirOwnSlotsAndReplaceThemWhole) {
    TempDir dir;
    const std::string ra = SampleRa("20261212", "06", 11).str();
    const std::string first = O1("20261212", "06", 11, {{44, "01005201"}, {52, "02012302"}});
    const std::string later = O1("20261212", "06", 11, {{44, "01004801"}});
    const std::string paid = Hr("20261212", "06", 11, {{103, "0100000048001"}});
    {
        RaceFiler filer(dir.path());
        EXPECT_EQ(filer.File(ra).outcome, FilingResult::Outcome::Filed);
        const FilingResult odds = filer.File(first);
        EXPECT_EQ(odds.outcome, FilingResult::Outcome::Filed);
        EXPECT_EQ(odds.ListLineUtf8(), "作成済み:11R/2026年12月12日中山.jvO1HR");
        EXPECT_EQ(filer.File(paid).ListLineUtf8(), "作成済み:11R/2026年12月12日中山.jvO1HR");
        const FilingResult cut = filer.File(later.substr(0, 900) + "\r\n");
        EXPECT_EQ(cut.outcome, FilingResult::Outcome::Rejected);
        EXPECT_EQ(cut.reason, "O1 レコードの長さが 902 バイトです（962 バイトのはずです）");
        filer.Flush();
    }
    const fs::path day = RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1HR"));
    const std::string both = ReadAll(day);
    ASSERT_EQ(both.size(), 12u * 962 + 12u * 719);
    EXPECT_EQ(Slot(both, 962, 11), first);
    EXPECT_EQ(Slot(both, 962, 12), std::string(960, ' ') + "\r\n");
    EXPECT_EQ(Slot(both, 719, 1, kHrSection), std::string(717, ' ') + "\r\n");
    EXPECT_EQ(Slot(both, 719, 11, kHrSection), paid);
    // The RA file is what it would be without them.
    EXPECT_EQ(Slot(ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvRA"))), 1272, 11), ra);

    // A later announcement replaces the race's odds whole: horse 2's odds do not linger.
    FileRaceRecord(dir.path(), later);
    EXPECT_EQ(Slot(ReadAll(day), 962, 11), later);
    EXPECT_EQ(Slot(ReadAll(day), 719, 11, kHrSection), paid);
}

// A day filed by an earlier version has its odds and its payouts in a file each: they show
// as they are, and the first record filed for the day takes them into the day's one file.
TEST(RaceDayFiling, OddsAndPayoutsOfEarlierVersionsShowAndAreTakenIn) {
    TempDir dir;
    const std::string oldOdds = O1("20261212", "06", 3, {{44, "01005201"}});
    const std::string oldPaid = Hr("20261212", "06", 3, {{103, "0100000052001"}});
    const auto file = [](std::string slot3, std::size_t size) {
        std::string blank(size - 2, ' ');
        blank += "\r\n";
        std::string all;
        for (int race = 1; race <= 12; ++race) all += race == 3 ? slot3 : blank;
        return all;
    };
    WriteAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1")), file(oldOdds, 962));
    WriteAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvHR")), file(oldPaid, 719));
    const auto shown = [&] {
        const std::optional<RaceDayFiles> files =
            ReadRaceDayFiles(dir.path(), Sj("2026年12月12日中山"), [] { return true; });
        return std::pair(std::string(files->O1Of(2)), std::string(files->HrOf(2)));
    };
    EXPECT_EQ(shown(), std::pair(oldOdds, oldPaid));

    const std::string odds5 = O1("20261212", "06", 5, {{44, "01003101"}});
    FileRaceRecord(dir.path(), odds5);
    const std::string both = ReadAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1HR")));
    ASSERT_EQ(both.size(), 12u * 962 + 12u * 719);
    EXPECT_EQ(Slot(both, 962, 3), oldOdds);
    EXPECT_EQ(Slot(both, 962, 5), odds5);
    EXPECT_EQ(Slot(both, 719, 3, kHrSection), oldPaid);
    // From then on the day's one file is what shows, whatever the old files hold.
    WriteAll(RaceFilePath(dir.path(), Sj("2026年12月12日中山.jvO1")), file(O1("20261212", "06", 3), 962));
    EXPECT_EQ(shown(), std::pair(oldOdds, oldPaid));

#ifndef _WIN32  // links need developer mode there
    // An old file that is there but cannot be read is never taken for a missing one: the new
    // file would hide it for good.
    const fs::path loop = RaceFilePath(dir.path(), Sj("2026年12月13日中山.jvHR"));
    fs::create_symlink(loop, loop);
    EXPECT_THROW(FileRaceRecord(dir.path(), O1("20261213", "06", 1)), FilingError);
    EXPECT_FALSE(fs::exists(RaceFilePath(dir.path(), Sj("2026年12月13日中山.jvO1HR"))));
#endif
}

TEST(RaceDayTexts, OddsAsShown) {
    const std::pair<const char*, const char*> cases[] = {
        {"0052", "5.2"},  {"0010", "1.0"}, {"9999", "999.9"}, {"1234", "123.4"}, {"----", "取消"},
        {"****", "取消"}, {"0000", ""},    {"    ", ""},      {"12a4", ""},      {"005", ""},
    };
    for (const auto& [field, shown] : cases) EXPECT_EQ(Cp932ToUtf8(OddsText(field)), shown) << field;
}

// Every bet type from its own block, the extra slots of a dead heat, empty and zero slots
// left out, numbers without leading zeros, → for the bets in finishing order.
TEST(RaceDayTexts, PayoutsOfEveryBetTypeInOrder) {
    const std::string hr = Hr("20261212", "06", 11,
                              {{103, "0300000052001"},
                               {116, "0700000123005"},  // a dead heat for first
                               {142, "0300000015001"},
                               {207, "2500000087003"},
                               {246, "0307000002340004"},
                               {262, "0000000000000000"},  // zeros: an empty slot
                               {294, "0307000000560000"},  // popularity zero: left empty
                               {454, "1203000012340012"},
                               {550, "030712000045670021"},
                               {604, "1203070001234500101"}});
    EXPECT_EQ(Cp932ToUtf8(PayoutTsv(hr)),
              "券種\t組番\t払戻金\t人気\r\n"
              "単勝\t3\t520\t1\r\n"
              "単勝\t7\t1230\t5\r\n"
              "複勝\t3\t150\t1\r\n"
              "枠連\t2-5\t870\t3\r\n"
              "馬連\t3-7\t2340\t4\r\n"
              "ワイド\t3-7\t560\t\r\n"
              "馬単\t12→3\t12340\t12\r\n"
              "3連複\t3-7-12\t45670\t21\r\n"
              "3連単\t12→3→7\t123450\t101\r\n");
}
