// turfpad-cli: the command-line companion. It files JV-Data streams and reads the data
// folder through the same code as the program.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "datafolder/RaceFiles.h"
#include "settings/ProgramPlaces.h"
#include "text/Cp932.h"
#include "text/PathText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs
#endif

namespace fs = std::filesystem;
using namespace turfpad;
using namespace turfpad::cli;

namespace {

const char* const kUsageText =
    "使い方:\n"
    "  turfpad-cli import [--data DIR] [--no-wait] FILE...\n"
    "                                            JV-Data のレコード列 (CR LF 区切り、cp932) を登録する (- は標準入力)\n"
    "                                            --no-wait: 他のプログラムが取込み中なら待たずに終了する (終了コード "
    "5)\n"
    "  turfpad-cli days [--data DIR]             開催日の一覧を新しい順に表示する\n"
    "  turfpad-cli sample OUTDIR [--week YYYY-MM-DD] [--weeks N]\n"
    "                                            その週 (既定: 今週) のデモ用出馬表を JV-Data ファイル (.jvd) として\n"
    "                                            OUTDIR に書き出す。--weeks では前の N-1 週の成績も書き出す\n"
    "  turfpad-cli card [--data DIR] [--no-wait] [--encoding utf-8|cp932] DAY RACE\n"
    "                                            出馬表をクリップボードと同じテキストで表示する\n"
    "  turfpad-cli schedule [--data DIR] [--no-wait] [--encoding utf-8|cp932] DAY\n"
    "                                            全レーススケジュールを TAB 区切りで表示する\n"
    "  turfpad-cli form [--data DIR] [--no-wait] [--runs N] [--encoding utf-8|cp932] DAY RACE\n"
    "                                            出走馬の近走成績 (馬柱、1 頭 N 走まで、既定 5) を TAB "
    "区切りで表示する\n"
    "  turfpad-cli odds [--data DIR] [--no-wait] [--encoding utf-8|cp932] DAY RACE\n"
    "                                            単勝・複勝オッズと人気を TAB 区切りで表示する\n"
    "  turfpad-cli payouts [--data DIR] [--no-wait] [--encoding utf-8|cp932] DAY RACE\n"
    "                                            払戻金を券種ごとに TAB 区切りで表示する (払戻がまだなければ終了コード "
    "4)\n"
    "  turfpad-cli update [--data DIR] [--no-wait] DAY\n"
    "                                            その日の当日情報 (出馬表・成績の更新、馬体重、出走取消・騎手変更\n"
    "                                            などの変更、天候・馬場状態、各レースのオッズ) を JV-Link から\n"
    "                                            取得して登録する (DAY は 20261212 のようにも書ける)\n"
    "  turfpad-cli pdf [--schedule|--form] [--data DIR] [--no-wait] DAY OUT.pdf\n"
    "                                            その日の出馬表 (1 レース 1 ページ)、--schedule では全レース\n"
    "                                            スケジュールを、--form では全レースの馬柱 (A4 横) を、\n"
    "                                            印刷と同じ内容で PDF ファイル (A4) に書き出す\n"
    "\n"
    "  --data DIR   データフォルダ (既定: プログラムと同じフォルダの Data。プログラムのフォルダに\n"
    "               書き込めないときはユーザーごとのデータフォルダ ~/.local/share/turfpad/Data など)\n"
    "  --encoding   出力の文字コード utf-8 か cp932 (すべてのコマンドの出力とメッセージ。既定: utf-8、\n"
    "               Windows のコンソールにはコンソールの表示できる文字で書く)\n"
    "  --no-wait    他のプログラムが取込み中なら待たずに終了する (終了コード 5。待つときはそう表示する)\n"
    "  DAY          開催日 (days の表示のとおり。例 2026年12月12日中山)、RACE はレース番号 1～12\n";

}  // namespace

namespace turfpad::cli {

int Usage(const std::string& message) {
    if (!message.empty()) std::cerr << "turfpad-cli: " << message << "\n";
    std::cerr << kUsageText;
    return kUsage;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--data") {
            if (i + 1 >= argc) {
                error = "--data にはフォルダを指定してください";
                return false;
            }
            o.dataDir = PathFromText(argv[++i]);
        } else if (a.rfind("--data=", 0) == 0) {
            o.dataDir = PathFromText(a.substr(7));
        } else if (a == "--encoding" || a.rfind("--encoding=", 0) == 0) {
            std::string e = a.size() > 10 ? a.substr(11) : (i + 1 < argc ? argv[++i] : "");
            if (e == "utf-8" || e == "UTF-8" || e == "utf8") {
                o.encoding = Encoding::Utf8;
            } else if (e == "cp932" || e == "CP932") {
                o.encoding = Encoding::Cp932;
            } else {
                error = "--encoding には utf-8 か cp932 を指定してください";
                return false;
            }
        } else {
            o.args.push_back(a);
        }
    }
    return true;
}

}  // namespace turfpad::cli

namespace {
struct Command {
    const char* name;
    int (*run)(const Options&);
};
const Command kCommands[] = {
    {"import", Import}, {"days", Days}, {"sample", Sample},   {"card", Card}, {"schedule", Schedule},
    {"form", Form},     {"odds", Odds}, {"payouts", Payouts}, {"pdf", Pdf},   {"update", Update},
};
}  // namespace

#ifdef _WIN32
namespace {
// The command line as UTF-8 text (the arguments the C runtime gives are in the ANSI code
// page), and standard streams without text-mode line-end translation: records and the
// printed texts carry their own CR LF.
std::vector<std::string> Utf8Arguments() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
}
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    std::vector<std::string> utf8 = Utf8Arguments();
    std::vector<char*> utf8Argv;
    for (std::string& a : utf8) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    argc = static_cast<int>(utf8.size());
    argv = utf8Argv.data();
#endif
    // The streams' own buffers, not the C library's: the output encoding sits on top of them.
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        ChooseOutputEncoding(std::nullopt);
        return Usage();
    }
    std::string command = argv[1];
    const bool help = command == "--help" || command == "-h" || command == "help";
    Options o;
    if (!help) o.dataDir = Places().DataFolder();  // the program's own data folder
    std::string error;
    const bool parsed = ParseOptions(argc, argv, o, error);
    ChooseOutputEncoding(o.encoding);  // the usage and every message too
    if (help) {
        std::cout << kUsageText;
        return kOk;
    }
    if (!parsed) return Usage(error);
    for (const Command& c : kCommands)
        if (command == c.name) return c.run(o);
    return Usage("不明なコマンドです: " + command);
}
