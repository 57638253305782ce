#include "records/CodeTables.h"

#include <cstdio>
#include <map>
#include <utility>

#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {
namespace {

using Table = std::map<std::string, std::string, std::less<>>;

// Builds a cp932 table from UTF-8 source text once.
Table MakeTable(std::initializer_list<std::pair<const char*, const char*>> rows) {
    Table t;
    for (const auto& [code, text] : rows) t.emplace(code, Sj(text));
    return t;
}

std::string Lookup(const Table& table, std::string_view code, std::string_view fallback) {
    auto it = table.find(code);
    return it == table.end() ? std::string(fallback) : it->second;
}

const Table& Racecourses() {
    static const Table t = [] {
        Table r = MakeTable({
            {"01", "札幌"}, {"02", "函館"}, {"03", "福島"}, {"04", "新潟"}, {"05", "東京"}, {"06", "中山"},
            {"07", "中京"}, {"08", "京都"}, {"09", "阪神"}, {"10", "小倉"}, {"30", "門別"}, {"31", "北見"},
            {"32", "岩見"}, {"33", "帯広"}, {"34", "旭川"}, {"35", "盛岡"}, {"36", "水沢"}, {"37", "上山"},
            {"38", "三条"}, {"39", "足利"}, {"40", "宇都"}, {"41", "高崎"}, {"42", "浦和"}, {"43", "船橋"},
            {"44", "大井"}, {"45", "川崎"}, {"46", "金沢"}, {"47", "笠松"}, {"48", "名古"}, {"49", "紀三"},
            {"50", "園田"}, {"51", "姫路"}, {"52", "益田"}, {"53", "福山"}, {"54", "高知"}, {"55", "佐賀"},
            {"56", "荒尾"}, {"57", "中津"}, {"58", "札幌"}, {"59", "函館"}, {"60", "新潟"}, {"61", "中京"},
            {"A0", "他外"}, {"A2", "日本"}, {"A4", "アメ"}, {"A6", "イギ"}, {"A8", "フラ"}, {"B0", "イン"},
            {"B2", "アイ"}, {"B4", "ニュ"}, {"B6", "オー"}, {"B8", "カナ"}, {"C0", "イタ"}, {"C2", "ドイ"},
            {"C4", "    "}, {"C5", "オマ"}, {"C6", "イラ"}, {"C7", "ア首"}, {"C8", "シリ"}, {"D0", "スウ"},
            {"D2", "ハン"}, {"D4", "ポル"}, {"D6", "ロシ"}, {"D8", "ウル"}, {"E0", "ペル"}, {"E2", "アル"},
            {"E4", "ブラ"}, {"E6", "ベル"}, {"E8", "トル"}, {"F0", "韓国"}, {"F1", "中国"}, {"F2", "チリ"},
            {"F4", "    "}, {"F6", "    "}, {"F8", "パナ"}, {"G0", "香港"}, {"G2", "スペ"}, {"G4", "    "},
            {"G6", "    "}, {"G8", "    "}, {"H0", "西独"}, {"H2", "南ア"}, {"H4", "スイ"}, {"H6", "モナ"},
            {"H8", "フィ"}, {"I0", "プエ"}, {"I2", "コロ"}, {"I4", "チェ"}, {"I6", "チェ"}, {"I8", "スロ"},
            {"J0", "エク"}, {"J2", "ギリ"}, {"J4", "マレ"}, {"J6", "メキ"}, {"J8", "モロ"}, {"K0", "パキ"},
            {"K2", "ポー"}, {"K4", "パラ"}, {"K6", "サウ"}, {"K8", "キプ"}, {"L0", "タイ"}, {"L2", "ウク"},
            {"L4", "ベネ"}, {"L6", "ユー"}, {"L8", "デン"}, {"M0", "シン"}, {"M2", "澳門"},
        });
        return r;
    }();
    return t;
}

std::string Format(const char* fmt, int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, value);
    return buf;
}

}  // namespace

std::string RacecourseName(std::string_view code) { return Lookup(Racecourses(), code, "    "); }

std::string GradeName(std::string_view code) {
    static const Table t = MakeTable({{"A", "G1   "},
                                      {"B", "G2   "},
                                      {"C", "G3   "},
                                      {"D", "重賞 "},
                                      {"E", "特別 "},
                                      {"F", "JG1  "},
                                      {"G", "JG2  "},
                                      {"H", "JG3  "}});
    static const std::string fallback = Sj("　　 ");
    return Lookup(t, code, fallback);
}

std::string WeightTypeName(std::string_view code) {
    static const Table t = MakeTable({{"1", "ﾊﾝﾃﾞ"}, {"2", "別定"}, {"3", "馬齢"}, {"4", "定量"}});
    return Lookup(t, code, "");
}

std::string SexName(std::string_view code) {
    static const Table t = MakeTable({{"1", "牡"}, {"2", "牝"}, {"3", "ｾﾝ"}});
    return Lookup(t, code, "");
}

std::string TrackCodeName(std::string_view code) {
    int n = ReadNumber(code);
    const char* name = nullptr;
    if (n == 10)
        name = "芝直";
    else if (n >= 11 && n <= 16)
        name = "芝左";
    else if (n >= 17 && n <= 22)
        name = "芝右";
    else if (n == 23)
        name = "ダ左";
    else if (n == 24)
        name = "ダ右";
    else if (n == 29)
        name = "ダ直";
    else if (n >= 51 && n <= 59)
        name = "障害";
    return name ? Sj(name) : std::string();
}

std::string WinClassName(std::string_view code, std::string_view raceDate) {
    // Dates compare as text: yyyymmdd, all digits.
    if (raceDate.size() != 8 || raceDate.find_first_not_of("0123456789") != std::string_view::npos ||
        raceDate < "20190601")
        return {};
    if (code == "005") return Sj("1勝クラス");
    if (code == "010") return Sj("2勝クラス");
    if (code == "016") return Sj("3勝クラス");
    return {};
}

std::string RaceConditionName(std::string_view code, std::string_view raceDate) {
    if (std::string named = WinClassName(code, raceDate); !named.empty()) return named;
    int n = ReadNumber(code);
    if (n >= 1 && n <= 99) return Format("%4d", n * 100) + Sj("万下");
    switch (n) {
        case 100:
            return Sj("1億下");
        case 701:
            return Sj("新馬");
        case 702:
            return Sj("未出走");
        case 703:
            return Sj("未勝利");
        case 999:
            return Sj("オープン");
        default:
            return {};
    }
}

std::string CircledNumber(std::string_view number) {
    int n = ReadNumber(number);
    if (n >= 1 && n <= 18) {
        return std::string{'\x87', static_cast<char>(0x40 + n - 1)};
    }
    return "\x81\x7C";  // －
}

std::string NumberFieldText(std::string_view field) {
    int v = ReadNumber(field);
    auto width = static_cast<int>(field.size());
    if (v == 0) return std::string(field.size(), ' ');
    char buf[48];
    std::snprintf(buf, sizeof buf, "%*d", width, v);
    return buf;
}

std::string JVResultMessage(std::string_view operation, int code) {
    static const std::map<int, std::string> init = {
        {0, Sj("正常に実行されました。")},
        {-101, Sj("sid が設定されていません。")},
        {-102, Sj("sid が64byte 以上あります。")},
        {-103, Sj("sid が不正（sid の１桁目がスペース）です。")},
    };
    static const std::map<int, std::string> set = {
        {0, Sj("正常に実行されました。")},
        {-100, Sj("パラメータが不正あるいはレジストリへの保存に失敗しました。")},
        {-101, Sj("すでにサービスキーが登録されています。")},
    };
    static const std::map<int, std::string> open = {
        {0, Sj("正常に実行されました。")},
        {-1, Sj(" 最新のデータがありません。")},
        {-2, Sj("セットアップダイアログでキャンセルが押されました。")},
        {-111, Sj("dataspec パラメータが不正です。")},
        {-112, Sj("fromdate パラメータが不正です。")},
        {-113, Sj("todate パラメータが不正です。")},
        {-114, Sj("key パラメータが不正です。")},
        {-115, Sj("option パラメータが不正です。")},
        {-116, Sj("dataspec とoption の組み合わせが不正です。")},
        {-117, Sj("JVデータフォーマットバージョンが不正です。(JVInit時に指定したjvversionが不正)")},
        {-201, Sj("JVInit が行なわれていません。")},
        {-202, Sj("前回のJVOpen/JVRTOpen に対してJVClose が呼ばれていません。（オープン中）")},
        {-211, Sj("レジストリ内容が不正（レジストリ内容が不正に変更された）です。")},
        {-301, Sj("認証エラーが発生しました。")},
        {-302, Sj("サービスキーの有効期限切れです。")},
        {-303, Sj("サービスキーが設定されていません。（サービスキーが空値）")},
        {-401, Sj("JV- Link 内部エラーが発生しました。")},
        {-411, Sj("サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。")},
        {-412, Sj("サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。")},
        {-413, Sj("サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。")},
        {-421, Sj("サーバーエラー（サーバーの応答が不正）が発生しました。")},
        {-431, Sj("サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。")},
        {-501, Sj("セットアップ処理においてＣＤ －ＲＯＭ が無効です。")},
        {-504, Sj("サーバーがメンテナンス中です。")},
    };
    static const std::map<int, std::string> status = {
        {0, Sj("正常に実行されました。")},
        {-201, Sj("JVInitが行なわれていません。")},
        {-203, Sj("JVOpenが行なわれていません。")},
        {-502, Sj("ダウンロードに失敗しました。（通信エラーやディスクエラーなど）")},
    };
    static const std::map<int, std::string> read = {
        {0, Sj("全ファイルの読み込みが終了しました。（ＥＯＦ ）")},
        {-1, Sj("ファイルが切り替わりました。")},
        {-3, Sj("ファイルダウンロード中")},
        {-201, Sj("JVInitが行なわれていません。")},
        {-203, Sj("JVOpenが行なわれていません。")},
        {-402, Sj("ダウンロードしたファイルサイズが異常です。")},
        {-403, Sj("ダウンロードしたファイル内容が異常です。")},
        {-502, Sj("ダウンロードに失敗しました。(通信エラーやディスクエラー)")},
        {-503, Sj("ファイルが見つかりません。")},
    };
    auto from = [code](const std::map<int, std::string>& table) {
        auto it = table.find(code);
        return it == table.end() ? std::string() : it->second;
    };

    std::string text;
    if (operation == "JVInit") text = from(init);
    if (operation.substr(0, 5) == "JVSet") text = from(set);
    if (operation == "JVOpen") text = from(open);
    if (operation == "JVStatus") {
        text = from(status);
        if (code > 0) text = Sj("ダウンロード済みファイル数") + std::to_string(code);
    }
    if (operation == "JVRead") {
        text = from(read);
        if (code > 0) text = Sj("バッファにセットしたデータのサイズ") + std::to_string(code);
    }
    if (operation == "JVClose") text = code == 0 ? Sj("正常に実行されました。") : std::string();
    return text + "(" + std::to_string(code) + ")";
}

bool IsTurfTrack(int track) { return (track >= 10 && track <= 22) || track >= 51; }

std::string GoingName(std::string_view code) {
    if (code == "1") return Sj("良");
    if (code == "2") return Sj("稍重");
    if (code == "3") return Sj("重");
    if (code == "4") return Sj("不良");
    return {};
}

std::string AbnormalResultName(std::string_view code) {
    if (code == "1") return Sj("取消");
    if (code == "2" || code == "3") return Sj("除外");
    if (code == "4") return Sj("中止");
    if (code == "5") return Sj("失格");
    return {};
}

bool HasResult(std::string_view se) {
    const int position = NumberOf(se, se::Position);
    const std::string_view abnormal = FieldOf(se, se::Abnormal);
    return (position >= 1 && position <= 18) || (abnormal.size() == 1 && abnormal[0] >= '1' && abnormal[0] <= '9');
}

}  // namespace turfpad
