// turfpad-cli sample: writes the demo programme of a week, and with --weeks the results of the
// weeks before it, as JV-Data files (.jvd), the form in which the local JV-Link stand-in
// reads a source folder.
#include <chrono>
#include <iostream>
#include <optional>

#include "Commands.h"
#include "datafolder/AtomicFile.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "jvlink/JvdFiles.h"
#include "text/PathText.h"

namespace fs = std::filesystem;

namespace turfpad::cli {
namespace {

// A date written YYYY-MM-DD.
std::optional<std::chrono::sys_days> ParseDate(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    std::string digits = s.substr(0, 4) + s.substr(5, 2) + s.substr(8, 2);
    if (!IsValidTimestamp(digits + "000000")) return std::nullopt;
    using namespace std::chrono;
    return sys_days{year{std::stoi(digits.substr(0, 4))} /
                    month{static_cast<unsigned>(std::stoi(digits.substr(4, 2)))} /
                    day{static_cast<unsigned>(std::stoi(digits.substr(6, 2)))}};
}

}  // namespace

int Sample(const Options& o) {
    std::string outDir;
    std::optional<std::chrono::sys_days> week;
    int weeks = 1;
    for (std::size_t i = 0; i < o.args.size(); ++i) {
        const std::string& a = o.args[i];
        if (a == "--week" || a.rfind("--week=", 0) == 0) {
            std::string value;
            if (a.size() > 6) {
                value = a.substr(7);
            } else if (i + 1 < o.args.size()) {
                value = o.args[++i];
            }
            week = ParseDate(value);
            if (!week) return Usage("--week には YYYY-MM-DD 形式の日付を指定してください: " + value);
        } else if (a == "--weeks" || a.rfind("--weeks=", 0) == 0) {
            std::string value = a.size() > 7 ? a.substr(8) : (i + 1 < o.args.size() ? o.args[++i] : "");
            weeks = 0;
            if (value.size() >= 1 && value.size() <= 2 && value.find_first_not_of("0123456789") == std::string::npos)
                weeks = std::stoi(value);
            if (weeks < 1 || weeks > 52) return Usage("--weeks には 1～52 の週数を指定してください: " + value);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("不明なオプションです: " + a);
        } else if (outDir.empty()) {
            outDir = a;
        } else {
            return Usage("出力フォルダは一つだけ指定してください: " + a);
        }
    }
    if (outDir.empty()) return Usage("出力フォルダを指定してください");

    fs::path dir = PathFromText(outDir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        std::cerr << "turfpad-cli: フォルダ " << outDir << " を作成できません\n";
        return kRejected;
    }
    std::chrono::sys_days day = week ? *week : std::chrono::sys_days{LocalDate(std::chrono::system_clock::now())};
    for (const JvdFile& f : DemoWeeks(day, weeks)) {
        std::string error;
        if (!WriteWholeFile(dir / f.name, f.content, false, error)) {
            std::cerr << "turfpad-cli: " << PathText(dir / f.name) << " に書き込めません (" << error << ")\n";
            return kRejected;
        }
        std::cout << f.name << '\t' << SplitRecords(f.content).size() << '\n';
    }
    return kOk;
}

}  // namespace turfpad::cli
