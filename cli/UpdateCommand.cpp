// turfpad-cli update: the race day's announcements (race cards and results as announced, body
// weights, changes, weather and going, odds) fetched through JV-Link and filed, as the
// window's 当日情報更新 does.
#include <iostream>

#include "Commands.h"
#include "DayCommand.h"
#include "browse/DayReading.h"
#include "datafolder/DayFiles.h"
#include "jvlink/PlatformJVLink.h"
#include "jvlink/RaceDayUpdate.h"
#include "records/CodeTables.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"

namespace turfpad::cli {
namespace fs = std::filesystem;

namespace {

// The date (yyyymmdd) of a day entry (2026年12月12日中山, cp932) or of eight digits as typed.
std::string DateOf(const std::string& arg) {
    if (arg.size() == 8 && AllDigits(arg)) return arg;
    const std::string day = DayArgument(arg);
    static const std::string year = Sj("年"), month = Sj("月"), date = Sj("日");
    if (day.size() < 14 || day.compare(4, 2, year) != 0 || day.compare(8, 2, month) != 0 ||
        day.compare(12, 2, date) != 0)
        return {};
    std::string out = day.substr(0, 4) + day.substr(6, 2) + day.substr(10, 2);
    return AllDigits(out) ? out : std::string();
}

}  // namespace

int Update(const Options& given) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    if (!CheckArguments(o, 1, "update には開催日 (例 2026年12月12日中山 か 20261212) を指定してください"))
        return kUsage;
    const std::string date = DateOf(o.args[0]);
    if (date.empty()) return Usage("開催日が読めません: " + o.args[0]);
    std::error_code ec;
    fs::create_directories(o.dataDir, ec);

    std::string error;
    std::unique_ptr<JVLink> jv = CreateJVLink(error);
    if (!jv) {
        PrintMessages({error});
        return kRejected;
    }
    if (int code = jv->JVInit(SoftwareIdentifier()); code != jvresult::kOk) {
        PrintMessages({"JVInitエラー：" + Cp932ToUtf8(JVResultMessage("JVInit", code))});
        return kRejected;
    }
    RaceDayUpdateHooks hooks;
    bool told = false;
    hooks.waiting = [&] {
        if (!told) PrintMessages({kFolderBusyMessage});
        told = true;
        return wait;
    };
    hooks.filed = [](const std::string& line) { std::cout << line << '\n'; };
    const RaceDayUpdateReport report = UpdateRaceDay(*jv, o.dataDir, date, hooks);
    std::cout << std::flush;
    PrintMessages(report.problems);
    PrintMessages({"登録 " + std::to_string(report.filed) + " 件、対象外 " + std::to_string(report.passedOver) +
                   " 件、不正 " + std::to_string(report.rejected) + " 件"});
    if (report.busy) return kBusy;
    return report.failed || report.rejected > 0 ? kRejected : kOk;
}

}  // namespace turfpad::cli
