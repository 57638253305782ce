#include "PdfOutput.h"

#include <QFileInfo>
#include <stdexcept>

#include "FormGuidePrint.h"
#include "GridPrinter.h"
#include "PagePreview.h"
#include "QtPrinter.h"
#include "RaceCardPrint.h"

namespace turfpad {

namespace {

bool Fail(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

bool Written(const QString& path, QString* error) {
    QFileInfo info(path);
    if (info.exists() && info.size() > 0) return true;
    return Fail(error, QStringLiteral("%1 に書き込めません").arg(path));
}

}  // namespace

bool WriteRaceCardsPdf(const QString& path, std::span<const PrintedRace> races, QString* error) {
    if (races.empty()) return Fail(error, QStringLiteral("印刷するレースがありません"));
    std::unique_ptr<QtPrinter> printer = QtPrinter::PdfFile(path);
    TPrevX prev(printer.get());
    prev.SetScreenDpi(96);  // pen widths as on a standard screen, whatever this machine has
    try {
        DrawRaceCards(prev, races);
        prev.SetFromPage(1);
        prev.SetToPage(prev.PageCount());
        if (!prev.Print()) return Fail(error, QStringLiteral("%1 に書き込めません").arg(path));
    } catch (const std::exception& e) {
        return Fail(error, QString::fromUtf8(e.what()));
    }
    return Written(path, error);
}

bool WriteFormGuidesPdf(const QString& path, std::span<const RaceFormPage> pages, QString* error) {
    if (pages.empty()) return Fail(error, QStringLiteral("印刷するレースがありません"));
    std::unique_ptr<QtPrinter> printer = QtPrinter::PdfFile(path);
    LandscapeSheet landscape(*printer);
    TPrevX prev(printer.get());
    prev.SetScreenDpi(96);
    try {
        DrawFormGuides(prev, pages);
        prev.SetFromPage(1);
        prev.SetToPage(prev.PageCount());
        if (!prev.Print()) return Fail(error, QStringLiteral("%1 に書き込めません").arg(path));
    } catch (const std::exception& e) {
        return Fail(error, QString::fromUtf8(e.what()));
    }
    return Written(path, error);
}

bool WriteGridPdf(const QString& path, PrintGridSource& grid, std::string_view raceKey, QString* error) {
    if (!ScheduleReady(raceKey)) return Fail(error, QString::fromUtf8(kChooseDayMessage));
    try {
        ScheduleDateText(raceKey);  // refuse a key the header cannot be made of, before any file is made
    } catch (const std::exception& e) {
        return Fail(error, QString::fromUtf8(e.what()));
    }
    std::unique_ptr<QtPrinter> printer = QtPrinter::PdfFile(path);
    TStrGridPrinter gridPrinter(printer.get());
    std::string key(raceKey);
    InstallScheduleHeader(gridPrinter, [key] { return key; });
    gridPrinter.TargetGrid = &grid;
    if (!printer->BeginJob(QString())) return Fail(error, QStringLiteral("%1 に書き込めません").arg(path));
    gridPrinter.Print();
    if (!printer->EndJob()) return Fail(error, QStringLiteral("%1 に書き込めません").arg(path));
    return Written(path, error);
}

}  // namespace turfpad
