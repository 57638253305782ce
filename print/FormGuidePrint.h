// The printed form guide (馬柱印刷): one race per A4 landscape page, each runner a row with its
// post, number and name and its last five runs as blocks, drawn through the page preview's
// operations (positions in tenths of a millimetre). The sheet is turned for these pages only:
// the race card pages keep theirs.
#pragma once

#include <QString>
#include <span>

#include "RaceCardPrint.h"
#include "formguide/FormGuide.h"

class QWidget;

namespace turfpad {

class IniStore;
class Printer;
class TPrevX;

// The caption of the preview window of the form guide (UTF-8).
inline constexpr const char* kFormPrintWindowCaption = "ターフパッド　馬柱印刷";

// Draws the form guide of one race on the open page of the preview.
void DrawFormGuidePage(TPrevX& prev, const RaceFormPage& page);

// A new set of pages, one per race in the order given, each drawn when first shown or
// printed. The printer must lie on its side already (see LandscapeSheet). EPrevError
// without a printer.
void DrawFormGuides(TPrevX& prev, std::span<const RaceFormPage> pages);

// Turns the printer's sheet on its side for as long as it lives, and back as it was after.
class LandscapeSheet {
  public:
    explicit LandscapeSheet(Printer& printer);
    ~LandscapeSheet();
    LandscapeSheet(const LandscapeSheet&) = delete;
    LandscapeSheet& operator=(const LandscapeSheet&) = delete;

  private:
    Printer& printer_;
    bool was_;
};

// The 馬柱印刷 command: with no day chosen it only warns; otherwise it fills a new preview
// window with the pages, the sheet on its side while the window is open, and shows it
// modally. A missing printer is reported in a message box.
void PrintFormGuides(QWidget* parent, Printer& printer, IniStore& ini, const QString& dateText,
                     std::span<const RaceFormPage> pages, const ShowModalFn& showModal = {});

}  // namespace turfpad
