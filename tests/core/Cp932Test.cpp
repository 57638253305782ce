#include <gtest/gtest.h>

#include <climits>

#include "records/RecordBuilder.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

using namespace turfpad;

TEST(Cp932, ConvertsBothWaysWithTheWindowsMapping) {
    // Full-width, half-width katakana, circled digits (NEC row), the wave dash as Windows maps
    // it, the full-width minus, and the ASCII backslash and tilde kept as themselves.
    const std::string bytes = "\x89\xb2\xca\xdd\xc3\xde\x87\x40\x87\x51\x81\x60\x81\x7c\x81\x40\\~";
    const std::string text = "牡ﾊﾝﾃﾞ①⑱～－　\\~";
    EXPECT_EQ(Cp932ToUtf8(bytes), text);
    EXPECT_EQ(Utf8ToCp932(text), bytes);
    EXPECT_EQ(ByteWidth("中山ｾﾝ1"), 7u);
}

TEST(Cp932, ControlBytesPassThroughUnchanged) {
    const std::string bytes("\x1a\x1c\x7f\x00 ", 5);
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(bytes)), bytes);
}

TEST(Cp932, BadInputIsReplacedOrRefused) {
    // A lone lead byte at the end, and a lead byte with an invalid trail byte.
    EXPECT_EQ(Cp932ToUtf8("A\x89"), "A\xEF\xBF\xBD");
    EXPECT_FALSE(TryCp932ToUtf8("A\x89").has_value());
    EXPECT_FALSE(TryCp932ToUtf8("\x81\x0a").has_value());
    // A character cp932 cannot hold.
    EXPECT_EQ(Utf8ToCp932("馬\xF0\x9F\x90\x8E!"), "\x94\x6e?!");
    EXPECT_FALSE(TryUtf8ToCp932("\xF0\x9F\x90\x8E").has_value());
    EXPECT_EQ(*TryUtf8ToCp932("中山"), "\x92\x86\x8e\x52");
}

// Text must read the same on Linux and on Windows: a file name accepted on one system and
// refused on the other would list as a day that cannot be read back.
TEST(Cp932, OnlyCharactersThatReadBackAsThemselvesCount) {
    for (const char* lookAlike : {"À", "〜", "−", "—", "‖", "¢", "£", "¥", "¬", "\u0080", "\uF8F0", "\uF8F3"}) {
        EXPECT_FALSE(TryUtf8ToCp932(lookAlike).has_value()) << lookAlike;
        EXPECT_EQ(Utf8ToCp932(std::string("a") + lookAlike + "b"), "a?b") << lookAlike;
    }
    // The characters cp932 really has for them are kept.
    EXPECT_EQ(Utf8ToCp932("～－￥"), "\x81\x60\x81\x7c\x81\x8f");
    // A bad byte becomes U+FFFD and decoding goes on after it, so a lead byte with a bad trail
    // byte costs the lead byte only; 0x80 and 0xA0 are not characters.
    EXPECT_EQ(Cp932ToUtf8("\x81\x7f"
                          "A"),
              "\xEF\xBF\xBD\x7f"
              "A");
    EXPECT_EQ(Cp932ToUtf8("\x80\xa0"
                          "A"),
              "\xEF\xBF\xBD\xEF\xBF\xBD"
              "A");
    EXPECT_FALSE(TryCp932ToUtf8("\x80").has_value());
}

// The whole table, both ways, summed up: the same figure on every system the program runs on.
TEST(Cp932, TheWholeTableIsTheSameOnEverySystem) {
    std::uint64_t h = 14695981039346656037ULL;
    auto mix = [&h](std::string_view bytes) {
        for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
        h = (h ^ 0xFF) * 1099511628211ULL;
    };
    for (int a = 0x80; a < 0x100; ++a) {
        mix(Cp932ToUtf8(std::string{static_cast<char>(a), 'A'}));
        for (int b = 0x30; b < 0x100; ++b) {
            const std::string pair{static_cast<char>(a), static_cast<char>(b)};
            mix(Cp932ToUtf8(pair));
            mix(TryCp932ToUtf8(pair).value_or("-"));
        }
    }
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        std::string u;
        if (cp >= 0x800) u += static_cast<char>(0xE0 | (cp >> 12));
        u += static_cast<char>(cp < 0x800 ? 0xC0 | (cp >> 6) : 0x80 | ((cp >> 6) & 0x3F));
        u += static_cast<char>(0x80 | (cp & 0x3F));
        mix(TryUtf8ToCp932(u).value_or("-"));
    }
    EXPECT_EQ(h, 2323855171409614199ULL);
}

TEST(Cp932, CutNeverKeepsHalfACharacter) {
    // 亜 is 88 9F: its trail byte lies in the lead byte range, so the cut has to walk the
    // characters from the start instead of looking at the last byte.
    EXPECT_EQ(CutBytes("\x88\x9f\x88\x9f", 2), "\x88\x9f");
    EXPECT_EQ(CutBytes("\x88\x9f\x88\x9f", 3), "\x88\x9f ");
    EXPECT_EQ(CutBytes("A\x88\x9f", 2), "A ");
    EXPECT_EQ(CutBytes("ab", 5), "ab");
    // A nine-character name padded with ideographic spaces keeps 18 bytes and a blank at 19.
    std::string name = Sj("アイウエオカキクケ　　　　　　　　　");
    ASSERT_EQ(name.size(), 36u);
    std::string cut = CutBytes(name, 19);
    EXPECT_EQ(cut, name.substr(0, 18) + " ");
    EXPECT_EQ(PadBytes("ab", 4), "ab  ");
    EXPECT_EQ(PadBytes("abcde", 4), "abcde");
}

TEST(Fields, NumbersAreReadLeniently) {
    EXPECT_EQ(ReadNumber("05"), 5);
    EXPECT_EQ(ReadNumber("  12x"), 12);
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("   "), 0);
    EXPECT_EQ(ReadNumber("1A"), 1);
    EXPECT_EQ(ReadNumber("A1"), 0);
    EXPECT_EQ(ReadNumber("-7"), -7);
    EXPECT_EQ(ReadNumber("99999999999999999999"), INT_MAX);
}

TEST(Fields, AccessIsSafeOnShortRecords) {
    EXPECT_EQ(FieldOf("RA12", ra::Year), "");
    EXPECT_EQ(FieldOf("RA1234567890ab", ra::Year), "0ab");
    EXPECT_EQ(NumberOf("", ra::HeadCount), 0);
}

TEST(Fields, RaceKeyFilledTestAndRunnerSlot) {
    std::string se = RecordBuilder::Se()
                         .Raw(se::Year, "2026")
                         .Raw(se::Month, "12")
                         .Raw(se::Day, "12")
                         .Raw(se::Racecourse, "06")
                         .Raw(se::MeetingNumber, "05")
                         .Raw(se::MeetingDay, "03")
                         .Raw(se::RaceNumber, "02")
                         .Raw(se::HorseNumber, "01");
    EXPECT_EQ(RaceKeyOf(se), "2026121206050302");
    EXPECT_EQ(RunnerSlotOf(se), 18);

    std::string blank(kRaLineSize, ' ');
    EXPECT_FALSE(IsFilledRace(blank));
    EXPECT_EQ(NumberOf(blank, ra::HeadCount), 0);
    blank.replace(11, 4, "2026");
    EXPECT_TRUE(IsFilledRace(blank));
}

TEST(RecordBuilder, BuildsFullLengthRecordsAsRealDataIsLaidOut) {
    std::string ra = RecordBuilder::Ra().Text(ra::RaceName, "有馬記念").Number(ra::Distance, 2500);
    ASSERT_EQ(ra.size(), kRaRecordSize);
    EXPECT_EQ(ra.substr(0, 2), "RA");
    EXPECT_EQ(ra.substr(1270), "\r\n");
    EXPECT_EQ(std::string(FieldOf(ra, ra::Distance)), "2500");
    std::string padded = Sj("有馬記念");
    for (int i = 0; i < 26; ++i) padded += "\x81\x40";
    EXPECT_EQ(std::string(FieldOf(ra, ra::RaceName)), padded);
    EXPECT_EQ(std::string(FieldOf(ra, ra::HeadCount)), "00");  // numeric fields are zero-filled
    EXPECT_EQ(std::string(FieldOf(ra, ra::Grade)), " ");       // an ordinary race has no grade

    std::string se = RecordBuilder::BlankSe().Text(se::Trainer, "ｱｲｳ");  // odd width leaves a blank
    ASSERT_EQ(se.size(), kSeRecordSize);
    EXPECT_EQ(std::string(FieldOf(se, se::Trainer)), "\xb1\xb2\xb3\x81\x40\x81\x40 ");
    EXPECT_EQ(std::string(FieldOf(se, se::Pedigree)), std::string(10, ' '));
    // Values are cut to their field, never spilling into the next one.
    std::string cut = RecordBuilder::BlankRa().Number(ra::RaceNumber, 123).Raw(ra::Grade, "AB");
    EXPECT_EQ(std::string(FieldOf(cut, ra::RaceNumber)), "23");
    EXPECT_EQ(std::string(FieldOf(cut, {615, 2})), "A ");
}

// Every lead-byte range of cp932: 0x81-0x9F, 0xE0-0xEF (with the NEC-selected IBM rows
// 0xED-0xEE) and the IBM rows 0xFA-0xFC, where names such as 髙 and 﨑 live. A cut that keeps
// only the lead byte of any of them blanks it; the single bytes around the ranges are kept.
TEST(Cp932, ACutNeverSplitsACharacterOfAnyLeadByteRange) {
    for (int lead : {0x81, 0x88, 0x9F, 0xE0, 0xEA, 0xED, 0xEE, 0xEF, 0xFA, 0xFB, 0xFC}) {
        const std::string ch{static_cast<char>(lead), '\x9f'};
        EXPECT_EQ(CutBytes("A" + ch + "Z", 2), "A ") << std::hex << lead;
        EXPECT_EQ(CutBytes("A" + ch + "Z", 3), "A" + ch) << std::hex << lead;
        // A trail byte that looks like a lead byte does not start a character.
        EXPECT_EQ(CutBytes(ch + ch + ch, 5), ch + ch + " ") << std::hex << lead;
    }
    for (int single : {0x80, 0xA0, 0xA1, 0xDF, 0xFD}) {
        const std::string b(1, static_cast<char>(single));
        EXPECT_EQ(CutBytes("A" + b + "Z", 2), "A" + b) << std::hex << single;
    }
    // Real IBM kanji of jockey and trainer names: 髙 FB FC, 﨑 FA B1.
    EXPECT_EQ(Cp932ToUtf8("\xfb\xfc\xfa\xb1"), "髙﨑");
    EXPECT_EQ(CutBytes(Utf8ToCp932("髙﨑"), 3), "\xfb\xfc ");
    EXPECT_EQ(ByteWidth("髙﨑"), 4u);
}

TEST(Cp932, ABareCarriageReturnOrLineFeedIsALineBreak) {
    EXPECT_TRUE(HasLineBreak("ab\rcd"));
    EXPECT_TRUE(HasLineBreak("ab\ncd"));
    EXPECT_FALSE(HasLineBreak("ab cd"));
}
