// turfpad-cli pdf: the day's race cards, its schedule or its form guide, written to a PDF file by the same
// code that prints them from the program. Only this command starts Qt; the others run
// without a display.
#include <QApplication>
#include <QString>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "Commands.h"
#include "DayCommand.h"
#include "GridPrinter.h"
#include "JapaneseUi.h"
#include "PdfOutput.h"
#include "PrintSources.h"
#include "browse/RaceBrowser.h"
#include "formguide/FormGuide.h"
#include "text/Cp932.h"

namespace turfpad::cli {
namespace {

// Without a display the offscreen platform takes the place of the window system, unless a
// platform was chosen. Done before the application starts, which reads the choice.
struct OffscreenWithoutDisplay {
    OffscreenWithoutDisplay() {
#if !defined(_WIN32) && !defined(__APPLE__)
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    }
};

// Qt's notes about its environment (no runtime folder and the like) are no concern of a
// script; only its errors reach standard error.
void QtErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << message.toStdString() << std::endl;
}

// The application that drawing needs (fonts; the page preview is a widget), with the
// program's Japanese font substitutes.
class PdfApplication : OffscreenWithoutDisplay {
  public:
    PdfApplication() : previous_(qInstallMessageHandler(QtErrorsOnly)), app_(argc_, argv_) { InstallFontSubstitutes(); }
    ~PdfApplication() { qInstallMessageHandler(previous_); }

  private:
    static inline char name_[] = "turfpad-cli";
    static inline char* argv_[] = {name_, nullptr};
    static inline int argc_ = 1;
    QtMessageHandler previous_;
    QApplication app_;
};

int Fail(const std::string& utf8, int status) {
    PrintMessages({utf8});
    return status;
}

}  // namespace

int Pdf(const Options& given) {
    Options o = given;
    const bool wait = !TakeNoWait(o);
    Options rest = o;
    rest.args.clear();
    bool schedule = false, form = false;
    for (const std::string& a : o.args) {
        if (a == "--schedule")
            schedule = true;
        else if (a == "--form")
            form = true;
        else
            rest.args.push_back(a);
    }
    if (!CheckArguments(rest, 2, "pdf には開催日 (例 2026年12月12日中山) と書き出す PDF ファイルを指定してください"))
        return kUsage;
    const std::string day = DayArgument(rest.args[0]);
    const QString out = QString::fromStdString(rest.args[1]);

    ChosenDay chosen(o, wait);
    if (!chosen.Choose(day)) return chosen.NotChosenStatus();
    RaceBrowser& browser = chosen.browser;
    if (browser.RaceListSlots().empty()) return Fail(Cp932ToUtf8(day) + "にはレースのデータがありません。", kNotFound);

    if (schedule && form) return Usage("--schedule と --form は同時に指定できません");

    // Everything that can be refused is refused before Qt starts and before any file is made.
    std::vector<PrintedRace> races;
    CellMatrix cells;
    std::string raceKey;
    try {
        if (form) {
            // nothing to check: the pages are made of the day's runs as they are
        } else if (schedule) {
            cells = browser.ScheduleGrid();
            raceKey = browser.Table().CurrentEntry().raceKey;
            ScheduleDateText(raceKey);
        } else {
            races = PrintedRacesOf(browser.Table(), browser.RaceListSlots());
            for (const PrintedRace& race : races) PrintedDateLine(race);
        }
    } catch (const std::invalid_argument& e) {
        return Fail(Cp932ToUtf8(day) + "の日付が読めません: " + e.what(), kNotFound);
    }

    std::optional<std::vector<RaceFormPage>> pages;
    if (form) {
        pages = browser.FormGuidePages();
        if (!pages) {
            PrintMessages({chosen.view.messages.back()});
            return kBusy;
        }
    }

    PdfApplication app;
    QString error;
    bool written = false;
    if (form) {
        written = WriteFormGuidesPdf(out, *pages, &error);
    } else if (schedule) {
        CellGridSource grid = ScheduleGridSource(std::move(cells));
        written = WriteGridPdf(out, grid, raceKey, &error);
    } else {
        written = WriteRaceCardsPdf(out, races, &error);
    }
    if (!written) return Fail(error.toStdString(), kRejected);
    return kOk;
}

}  // namespace turfpad::cli
