#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "RunRaceRecords.h"
#include "records/CodeTables.h"
#include "text/Cp932.h"

using namespace turfpad;

namespace {
// Expected texts are written in UTF-8 and compared as cp932 bytes; the conversion itself is
// pinned to the Windows bytes by the cp932 tests, and a few bytes are pinned here too.
void ExpectText(const std::string& actual, const char* utf8) { EXPECT_EQ(Cp932ToUtf8(actual), utf8) << utf8; }
}  // namespace

TEST(RacecourseName, AllCodesWithTheirNames) {
    const std::vector<std::pair<const char*, const char*>> table = {
        {"01", "札幌"}, {"02", "函館"}, {"03", "福島"}, {"04", "新潟"}, {"05", "東京"}, {"06", "中山"}, {"07", "中京"},
        {"08", "京都"}, {"09", "阪神"}, {"10", "小倉"}, {"30", "門別"}, {"31", "北見"}, {"32", "岩見"}, {"33", "帯広"},
        {"34", "旭川"}, {"35", "盛岡"}, {"36", "水沢"}, {"37", "上山"}, {"38", "三条"}, {"39", "足利"}, {"40", "宇都"},
        {"41", "高崎"}, {"42", "浦和"}, {"43", "船橋"}, {"44", "大井"}, {"45", "川崎"}, {"46", "金沢"}, {"47", "笠松"},
        {"48", "名古"}, {"49", "紀三"}, {"50", "園田"}, {"51", "姫路"}, {"52", "益田"}, {"53", "福山"}, {"54", "高知"},
        {"55", "佐賀"}, {"56", "荒尾"}, {"57", "中津"}, {"58", "札幌"}, {"59", "函館"}, {"60", "新潟"}, {"61", "中京"},
        {"A0", "他外"}, {"A2", "日本"}, {"A4", "アメ"}, {"A6", "イギ"}, {"A8", "フラ"}, {"B0", "イン"}, {"B2", "アイ"},
        {"B4", "ニュ"}, {"B6", "オー"}, {"B8", "カナ"}, {"C0", "イタ"}, {"C2", "ドイ"}, {"C4", "    "}, {"C5", "オマ"},
        {"C6", "イラ"}, {"C7", "ア首"}, {"C8", "シリ"}, {"D0", "スウ"}, {"D2", "ハン"}, {"D4", "ポル"}, {"D6", "ロシ"},
        {"D8", "ウル"}, {"E0", "ペル"}, {"E2", "アル"}, {"E4", "ブラ"}, {"E6", "ベル"}, {"E8", "トル"}, {"F0", "韓国"},
        {"F1", "中国"}, {"F2", "チリ"}, {"F4", "    "}, {"F6", "    "}, {"F8", "パナ"}, {"G0", "香港"}, {"G2", "スペ"},
        {"G4", "    "}, {"G6", "    "}, {"G8", "    "}, {"H0", "西独"}, {"H2", "南ア"}, {"H4", "スイ"}, {"H6", "モナ"},
        {"H8", "フィ"}, {"I0", "プエ"}, {"I2", "コロ"}, {"I4", "チェ"}, {"I6", "チェ"}, {"I8", "スロ"}, {"J0", "エク"},
        {"J2", "ギリ"}, {"J4", "マレ"}, {"J6", "メキ"}, {"J8", "モロ"}, {"K0", "パキ"}, {"K2", "ポー"}, {"K4", "パラ"},
        {"K6", "サウ"}, {"K8", "キプ"}, {"L0", "タイ"}, {"L2", "ウク"}, {"L4", "ベネ"}, {"L6", "ユー"}, {"L8", "デン"},
        {"M0", "シン"}, {"M2", "澳門"},
    };
    ASSERT_EQ(table.size(), 107u);
    for (const auto& [code, name] : table) {
        std::string got = RacecourseName(code);
        EXPECT_EQ(got.size(), 4u) << code;
        ExpectText(got, name);
    }
    EXPECT_EQ(RacecourseName("05"), "\x93\x8c\x8b\x9e");  // 東京
}

TEST(RacecourseName, MatchesExactlyAndFallsBackToFourBlanks) {
    for (const char* code : {"5", " 5", "05 ", "", "00", "99", "a0", "N6", "C4"})
        EXPECT_EQ(RacecourseName(code), "    ") << code;
    EXPECT_EQ(RacecourseName("58"), RacecourseName("01"));
    EXPECT_EQ(RacecourseName("I4"), RacecourseName("I6"));
}

TEST(GradeName, FiveBytesEach) {
    const std::vector<std::pair<const char*, const char*>> table = {
        {"A", "G1   "}, {"B", "G2   "}, {"C", "G3   "}, {"D", "重賞 "}, {"E", "特別 "}, {"F", "JG1  "},  {"G", "JG2  "},
        {"H", "JG3  "}, {"a", "　　 "}, {" ", "　　 "}, {"L", "　　 "}, {"", "　　 "},  {"AA", "　　 "},
    };
    for (const auto& [code, text] : table) {
        std::string got = GradeName(code);
        EXPECT_EQ(got.size(), 5u) << code;
        ExpectText(got, text);
    }
    EXPECT_EQ(GradeName("x"), "\x81\x40\x81\x40 ");
}

TEST(WeightTypeAndSexName, ExactMatchOrEmpty) {
    EXPECT_EQ(WeightTypeName("1"), "\xca\xdd\xc3\xde");  // ﾊﾝﾃﾞ, half-width
    ExpectText(WeightTypeName("2"), "別定");
    ExpectText(WeightTypeName("3"), "馬齢");
    ExpectText(WeightTypeName("4"), "定量");
    EXPECT_EQ(SexName("1"), "\x89\xb2");  // 牡
    ExpectText(SexName("2"), "牝");
    EXPECT_EQ(SexName("3"), "\xbe\xdd");  // ｾﾝ, two half-width bytes
    for (const char* code : {"0", " 1", "", "5", "11"}) {
        EXPECT_EQ(WeightTypeName(code), "") << code;
        EXPECT_EQ(SexName(code), "") << code;
    }
}

TEST(TrackCodeName, NumericRanges) {
    const std::vector<std::pair<const char*, const char*>> table = {
        {"10", "芝直"}, {"11", "芝左"}, {"16", "芝左"}, {"17", "芝右"}, {"22", "芝右"},  {"23", "ダ左"},
        {"24", "ダ右"}, {"25", ""},     {"28", ""},     {"29", "ダ直"}, {"00", ""},      {"  ", ""},
        {"50", ""},     {"51", "障害"}, {"59", "障害"}, {"60", ""},     {" 10", "芝直"}, {"10x", "芝直"},
    };
    for (const auto& [code, text] : table) ExpectText(TrackCodeName(code), text);
}

TEST(RaceConditionName, NumericClasses) {
    const std::vector<std::pair<const char*, const char*>> table = {
        {"001", " 100万下"}, {"005", " 500万下"}, {"010", "1000万下"}, {"016", "1600万下"}, {"099", "9900万下"},
        {"100", "1億下"},    {"101", ""},         {"000", ""},         {"   ", ""},         {"701", "新馬"},
        {"702", "未出走"},   {"703", "未勝利"},   {"999", "オープン"}, {"-05", ""},         {"704", ""},
    };
    for (const auto& [code, text] : table) ExpectText(RaceConditionName(code), text);
}

TEST(RaceConditionName, WinCountClassesFromTheirFirstDay) {
    const std::vector<std::tuple<const char*, const char*, const char*>> table = {
        {"005", "20190601", "1勝クラス"}, {"010", "20261212", "2勝クラス"}, {"016", "20190601", "3勝クラス"},
        {"005", "20190531", " 500万下"},  {"016", "20181231", "1600万下"},  {"005", "", " 500万下"},
        {"005", "2019060", " 500万下"},   {"005", "2019O601", " 500万下"},  {"001", "20261212", " 100万下"},
        {"099", "20261212", "9900万下"},  {"703", "20261212", "未勝利"},    {"999", "20261212", "オープン"},
        {" 05", "20261212", " 500万下"},
    };
    for (const auto& [code, date, text] : table) ExpectText(RaceConditionName(code, date), text);
}

TEST(CircledNumber, OneToEighteenElseMinus) {
    EXPECT_EQ(CircledNumber("01"), "\x87\x40");
    EXPECT_EQ(CircledNumber("07"), "\x87\x46");
    EXPECT_EQ(CircledNumber(" 7"), "\x87\x46");
    EXPECT_EQ(CircledNumber("18"), "\x87\x51");
    ExpectText(CircledNumber("18"), "⑱");
    for (const char* n : {"19", "00", "  ", "", "-1", "xx"}) EXPECT_EQ(CircledNumber(n), "\x81\x7c") << n;
}

TEST(NumberFieldText, RightAlignedInTheFieldWidth) {
    EXPECT_EQ(NumberFieldText("05"), " 5");
    EXPECT_EQ(NumberFieldText("1800"), "1800");
    EXPECT_EQ(NumberFieldText("0016"), "  16");
    EXPECT_EQ(NumberFieldText("0000"), "    ");
    EXPECT_EQ(NumberFieldText("00"), "  ");
    EXPECT_EQ(NumberFieldText("  "), "  ");
    EXPECT_EQ(NumberFieldText("1A"), " 1");
    EXPECT_EQ(NumberFieldText(""), "");
    EXPECT_EQ(NumberFieldText("9"), "9");
    EXPECT_EQ(NumberFieldText("-5"), "-5");  // a wider number is not cut
    EXPECT_EQ(NumberFieldText("-50"), "-50");
}

TEST(JVResultMessage, EveryTableEntry) {
    struct Row {
        const char* op;
        int code;
        const char* text;
    };
    const std::vector<Row> rows = {
        {"JVInit", 0, "正常に実行されました。(0)"},
        {"JVInit", -101, "sid が設定されていません。(-101)"},
        {"JVInit", -102, "sid が64byte 以上あります。(-102)"},
        {"JVInit", -103, "sid が不正（sid の１桁目がスペース）です。(-103)"},
        {"JVInit", -1, "(-1)"},
        {"JVSetUIProperties", 0, "正常に実行されました。(0)"},
        {"JVSetUIProperties", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)"},
        {"JVSetUIProperties", -101, "すでにサービスキーが登録されています。(-101)"},
        {"JVSetSaveFlag", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)"},
        {"JVOpen", 0, "正常に実行されました。(0)"},
        {"JVOpen", -1, " 最新のデータがありません。(-1)"},
        {"JVOpen", -2, "セットアップダイアログでキャンセルが押されました。(-2)"},
        {"JVOpen", -111, "dataspec パラメータが不正です。(-111)"},
        {"JVOpen", -112, "fromdate パラメータが不正です。(-112)"},
        {"JVOpen", -113, "todate パラメータが不正です。(-113)"},
        {"JVOpen", -114, "key パラメータが不正です。(-114)"},
        {"JVOpen", -115, "option パラメータが不正です。(-115)"},
        {"JVOpen", -116, "dataspec とoption の組み合わせが不正です。(-116)"},
        {"JVOpen", -117, "JVデータフォーマットバージョンが不正です。(JVInit時に指定したjvversionが不正)(-117)"},
        {"JVOpen", -201, "JVInit が行なわれていません。(-201)"},
        {"JVOpen", -202, "前回のJVOpen/JVRTOpen に対してJVClose が呼ばれていません。（オープン中）(-202)"},
        {"JVOpen", -211, "レジストリ内容が不正（レジストリ内容が不正に変更された）です。(-211)"},
        {"JVOpen", -301, "認証エラーが発生しました。(-301)"},
        {"JVOpen", -302, "サービスキーの有効期限切れです。(-302)"},
        {"JVOpen", -303, "サービスキーが設定されていません。（サービスキーが空値）(-303)"},
        {"JVOpen", -401, "JV- Link 内部エラーが発生しました。(-401)"},
        {"JVOpen", -411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。(-411)"},
        {"JVOpen", -412, "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。(-412)"},
        {"JVOpen", -413, "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。(-413)"},
        {"JVOpen", -421, "サーバーエラー（サーバーの応答が不正）が発生しました。(-421)"},
        {"JVOpen", -431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。(-431)"},
        {"JVOpen", -501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。(-501)"},
        {"JVOpen", -504, "サーバーがメンテナンス中です。(-504)"},
        {"JVOpen", -203, "(-203)"},
        {"JVStatus", 0, "正常に実行されました。(0)"},
        {"JVStatus", -201, "JVInitが行なわれていません。(-201)"},
        {"JVStatus", -203, "JVOpenが行なわれていません。(-203)"},
        {"JVStatus", -502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)"},
        {"JVStatus", 5, "ダウンロード済みファイル数5(5)"},
        {"JVStatus", -1, "(-1)"},
        {"JVRead", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)"},
        {"JVRead", -1, "ファイルが切り替わりました。(-1)"},
        {"JVRead", -2, "(-2)"},
        {"JVRead", -3, "ファイルダウンロード中(-3)"},
        {"JVRead", -201, "JVInitが行なわれていません。(-201)"},
        {"JVRead", -203, "JVOpenが行なわれていません。(-203)"},
        {"JVRead", -402, "ダウンロードしたファイルサイズが異常です。(-402)"},
        {"JVRead", -403, "ダウンロードしたファイル内容が異常です。(-403)"},
        {"JVRead", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)"},
        {"JVRead", -503, "ファイルが見つかりません。(-503)"},
        {"JVRead", 1272, "バッファにセットしたデータのサイズ1272(1272)"},
        {"JVClose", 0, "正常に実行されました。(0)"},
        {"JVClose", -1, "(-1)"},
        {"JVClose", -201, "(-201)"},
        {"jvopen", -1, "(-1)"},
        {"JVCancel", 0, "(0)"},
        {"", -999, "(-999)"},
    };
    for (const Row& r : rows) ExpectText(JVResultMessage(r.op, r.code), r.text);
    // The open message of -1 starts with an ASCII blank; the EOF text mixes full-width
    // parentheses with a half-width blank.
    EXPECT_EQ(JVResultMessage("JVOpen", -1).substr(0, 3), " \x8d\xc5");
    EXPECT_EQ(JVResultMessage("JVRead", 0).substr(36), "\x81\x69\x82\x64\x82\x6e\x82\x65 \x81\x6a(0)");
}

// A runner carries a result with a finishing position, or with an abnormal-result code other
// than 0; a runner without either (not yet run) has none.
TEST(HasResult, APositionOrAnAbnormalResult) {
    using turfpad::testing::Runner;
    const char* horse = "2021104321";
    EXPECT_TRUE(HasResult(Runner("20261114", "05", 11, 3, horse, "01").str()));
    EXPECT_FALSE(HasResult(Runner("20261114", "05", 11, 3, horse, "00").str()));
    EXPECT_FALSE(HasResult(Runner("20261114", "05", 11, 3, horse, "00", " ").str()));
}

TEST(GoingName, EachCodeItsWordAndNothingForOthers) {
    const struct {
        const char* code;
        const char* word;
    } cases[] = {{"1", "良"}, {"2", "稍重"}, {"3", "重"}, {"4", "不良"}, {"0", ""}, {" ", ""}, {"5", ""}};
    for (const auto& c : cases) ExpectText(GoingName(c.code), c.word);
}

TEST(AbnormalResultName, EachCodeItsWordAndNothingForAFinisher) {
    const struct {
        const char* code;
        const char* word;
    } cases[] = {{"1", "取消"}, {"2", "除外"}, {"3", "除外"}, {"4", "中止"}, {"5", "失格"},
                 {"0", ""},     {"6", ""},     {"7", ""},     {" ", ""}};
    for (const auto& c : cases) ExpectText(AbnormalResultName(c.code), c.word);
}

TEST(IsTurfTrack, TurfCodesAndTheSteeplechasesAreTurf) {
    for (int track : {10, 17, 22, 51, 59}) EXPECT_TRUE(IsTurfTrack(track)) << track;
    for (int track : {0, 9, 23, 24, 29, 50}) EXPECT_FALSE(IsTurfTrack(track)) << track;
}
