// Printed race cards and grids written to a PDF file (A4 portrait, 600 dpi) through the same
// code that prints them, for the command line. A QApplication must exist.
#pragma once

#include <QString>
#include <span>
#include <string_view>

#include "browse/PrintedRace.h"
#include "formguide/FormGuide.h"

namespace turfpad {

class PrintGridSource;

// One race card page per race, as the preview window prints them (pen widths as on a 96 dpi
// screen, so the file is the same on every machine). False with a message in
// `error` when there is no race or the file cannot be written.
bool WriteRaceCardsPdf(const QString& path, std::span<const PrintedRace> races, QString* error = nullptr);

// One form guide page per race, on A4 landscape sheets, as the preview window prints them.
// False with a message when there is no race or the file cannot be written.
bool WriteFormGuidesPdf(const QString& path, std::span<const RaceFormPage> pages, QString* error = nullptr);

// The grid as the grid printer prints it, with the schedule's date header of `raceKey` on
// every page. False with a message when the race key is blank or unreadable or the file
// cannot be written.
bool WriteGridPdf(const QString& path, PrintGridSource& grid, std::string_view raceKey, QString* error = nullptr);

}  // namespace turfpad
