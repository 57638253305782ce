// Printed race cards: the page of one race, laid out through the page preview's drawing
// operations (positions in tenths of a millimetre, pen widths in its pen unit), and the
// command that lays out every race of the chosen day and opens the preview window.
#pragma once

#include <QString>
#include <functional>
#include <span>

#include "browse/PrintedRace.h"

class QWidget;

namespace turfpad {

class IniStore;
class Printer;
class TAllPrintForm;
class TPrevX;

// The warning shown when there is nothing to print yet (UTF-8).
inline constexpr const char* kChooseDayMessage = "分析用ﾃﾞｰﾀを選択してください。";
// The caption of the preview window the command opens (UTF-8).
inline constexpr const char* kPrintWindowCaption = "ターフパッド　印刷";

// Draws the race card of one race on the open page of the preview. Throws
// std::invalid_argument when the month or day of the race key is not a number.
void DrawRaceCardPage(TPrevX& prev, const PrintedRace& race);

// A new set of pages, one per race in the order given (BeginDoc, NewPage, EndDoc).
// EPrevError without a printer; std::invalid_argument as DrawRaceCardPage.
void DrawRaceCards(TPrevX& prev, std::span<const PrintedRace> races);

// Shows the filled preview window modally; the program runs its event loop (exec), tests
// look at the window instead.
using ShowModalFn = std::function<void(TAllPrintForm&)>;

// Shows a preview window holding `count` drawn pages from its first, with its page stepper;
// through showModal when given (tests), else modally.
void ShowPages(TAllPrintForm& form, int count, const ShowModalFn& showModal);

// The race card print command. `dateText` is the text of the day list, `races` the races
// of the race list in its order. With no day chosen it only warns. Otherwise it fills a new
// preview window, shows it modally and discards it when it closes. A missing printer or a
// race key that cannot be read is reported in a message box, and no window is shown.
void PrintRaceCards(QWidget* parent, Printer& printer, IniStore& ini, const QString& dateText,
                    std::span<const PrintedRace> races, const ShowModalFn& showModal = {});

}  // namespace turfpad
