#include "RaceCardPrint.h"

#include <stdexcept>

#include "JapaneseUi.h"
#include "MessageBox.h"
#include "PagePreview.h"
#include "PreviewWindow.h"
#include "PrintControls.h"
#include "QtText.h"
#include "records/RecordLayout.h"
#include "text/Cp932.h"

namespace turfpad {

namespace {

const QString& Gothic() {
    static const QString face = QString::fromUtf8(kGothic);
    return face;
}
const QString& PGothic() {
    static const QString face = QString::fromUtf8(kPGothic);
    return face;
}

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

// Table geometry, tenths of a millimetre.
constexpr int kLeft = 100;
constexpr int kRight = 1990;
constexpr int kHeadingTop = 280;
constexpr int kHeadingBottom = 406;
constexpr int kBandHeight = 126;
constexpr int kColumnRules[] = {150, 200, 580, 700};

void Line(TPrevX& prev, int x1, int y1, int x2, int y2) {
    prev.MoveTo(x1, y1);
    prev.LineTo(x2, y2);
}

// The steps of a page, in the order they draw. Each starts from the canvas the step before
// left behind (font, pen and brush), so that the page comes out call for call the same.

// The race above the table: racecourse, boxed race number, date and post time, name and
// conditions. Leaves a plain black Gothic font, a white solid brush.
void DrawRaceHeading(TPrevX& prev, const PrintedRace& race) {
    TPrevCanvas& c = prev.Canvas();
    c.font.name = Gothic();
    c.font.size = 10;
    c.font.bold = true;
    prev.TextOut(210, 220, QStringLiteral("ﾚｰｽ"));
    c.font.size = 20;
    prev.TextOut(100, 100, Cp932ToQString(PrintedRacecourse(race)));

    c.pen.width = prev.PenWidth(10);
    c.pen.style = Qt::SolidLine;
    c.brush.style = Qt::SolidPattern;
    c.brush.color = kBlack;
    prev.Rectangle(100, 170, 180, 250);
    c.font.color = kWhite;
    int number = PrintedRaceNumber(race);
    prev.TextOut(number < 10 ? 120 : 105, 175, QString::number(number));

    c.font.color = kBlack;
    c.brush.color = kWhite;
    c.font.size = 11;
    prev.TextOut(300, 110, Cp932ToQString(PrintedDateLine(race)));
    prev.TextOut(900, 110, Cp932ToQString(PrintedPostTime(race)));

    c.font.bold = false;
    c.font.size = 10;
    prev.TextOut(300, 155, Cp932ToQString(race.raceName));
    prev.TextOut(300, 200, Cp932ToQString(PrintedHeadCount(race)));
    prev.TextOut(500, 200, Cp932ToQString(PrintedWeightType(race.weightType)));
    prev.TextOut(800, 200,
                 Cp932ToQString(PrintedRaceCondition(race.raceCondition, std::string_view(race.raceKey).substr(0, 8))));
    prev.TextOut(1100, 200, Cp932ToQString(PrintedTrack(race.track)));
    prev.TextOut(1300, 200, Cp932ToQString(PrintedDistance(race)));
}

// The table down to `tableBottom`: shaded heading band, frame and column rules. Leaves no
// brush.
void DrawTableFrame(TPrevX& prev, int tableBottom) {
    TPrevCanvas& c = prev.Canvas();
    c.pen.width = prev.PenWidth(20);
    c.brush.style = Qt::SolidPattern;
    c.brush.color = kSilver;
    prev.Rectangle(kLeft, kHeadingTop, kRight, kHeadingBottom);
    c.brush.style = Qt::NoBrush;
    c.pen.width = prev.PenWidth(20);
    prev.Rectangle(kLeft, kHeadingTop, kRight, tableBottom);
    c.pen.width = prev.PenWidth(5);
    for (int x : kColumnRules) Line(prev, x, kHeadingTop, x, tableBottom);
}

// The band of one runner with its top at `y`. A runner of a new post group (its post
// differs from `group`, which then counts on) gets a heavy rule across the table and its
// boxed post number; the others a thin rule right of the post column.
void DrawRunnerBand(TPrevX& prev, const PrintedRunner& r, int y, int& group) {
    TPrevCanvas& c = prev.Canvas();
    c.font.size = 11;
    int post = ReadNumber(r.postPosition);
    if (post != group) {
        prev.TextOut(115, y + 40, Cp932ToQString(PrintedPostPosition(r)));
        c.pen.width = prev.PenWidth(12);
        Line(prev, kLeft, y, kRight, y);
        prev.Rectangle(110, y + 30, 140, y + 80);
        ++group;
    } else {
        c.pen.width = prev.PenWidth(1);
        Line(prev, 150, y, kRight, y);
    }
    prev.TextOut(157, y + 40, Cp932ToQString(PrintedHorseNumber(r)));
    c.font.name = PGothic();
    c.font.size = 10;
    prev.TextOut(205, y + 13, Cp932ToQString(PrintedHorseName(r)));
    c.font.name = Gothic();
    c.font.size = 9;
    prev.TextOut(515, y + 5, Cp932ToQString(PrintedSexAge(r)));
    c.font.size = 8;
    prev.TextOut(215, y + 60, Cp932ToQString(r.jockey));
    prev.TextOut(215, y + 90, Cp932ToQString(r.trainer));
    prev.TextOut(450, y + 60, Cp932ToQString(PrintedWeight(r)));
    prev.TextOut(585, y + 10, Cp932ToQString(PrintedBlinker(r)));
    prev.TextOut(585, y + 60, Cp932ToQString(PrintedApprentice(r)));
}

// One band per runner under the heading band; bands beyond the race's runners stay blank.
void DrawRunnerBands(TPrevX& prev, const PrintedRace& race, int bands) {
    static const PrintedRunner kBlankRunner;
    int group = 0;
    for (int k = 1; k <= bands; ++k) {
        const PrintedRunner& r = static_cast<std::size_t>(k) <= race.runners.size()
                                     ? race.runners[static_cast<std::size_t>(k - 1)]
                                     : kBlankRunner;
        DrawRunnerBand(prev, r, kHeadingTop + kBandHeight * k, group);
    }
}

// The column labels in the heading band. Leaves the proportional Gothic font.
void DrawColumnLabels(TPrevX& prev) {
    TPrevCanvas& c = prev.Canvas();
    c.font.name = Gothic();
    c.font.bold = false;
    c.font.color = kBlack;
    c.font.size = 12;
    prev.TextOut(105, 320, QStringLiteral("枠"));
    prev.TextOut(155, 320, QStringLiteral("馬"));
    c.font.size = 10;
    prev.TextOut(205, 293, QStringLiteral("馬名"));
    c.font.size = 8;
    prev.TextOut(450, 285, QStringLiteral("性別･馬齢"));
    prev.TextOut(215, 340, QStringLiteral("騎手名"));
    prev.TextOut(215, 370, QStringLiteral("調教師名"));
    prev.TextOut(450, 340, QStringLiteral("負担重量"));
    prev.TextOut(585, 300, QStringLiteral("ブリンカ"));
    prev.TextOut(585, 350, QStringLiteral("見習区分"));
    c.font.name = PGothic();
}

}  // namespace

void DrawRaceCardPage(TPrevX& prev, const PrintedRace& race) {
    const int bands = PrintedBandCount(race);
    DrawRaceHeading(prev, race);
    DrawTableFrame(prev, kHeadingBottom + kBandHeight * bands);
    DrawRunnerBands(prev, race, bands);
    DrawColumnLabels(prev);
}

void DrawRaceCards(TPrevX& prev, std::span<const PrintedRace> races) {
    prev.BeginDoc();
    for (std::size_t i = 0; i < races.size(); ++i) {
        if (i > 0) prev.NewPage();
        DrawRaceCardPage(prev, races[i]);
    }
    prev.EndDoc();
}

void PrintRaceCards(QWidget* parent, Printer& printer, IniStore& ini, const QString& dateText,
                    std::span<const PrintedRace> races, const ShowModalFn& showModal) {
    if (dateText.trimmed().isEmpty()) {
        TMsgDlg::Warning(parent, QString::fromUtf8(kChooseDayMessage));
        return;
    }
    TAllPrintForm form(printer, ini, parent);
    form.setWindowTitle(QString::fromUtf8(kPrintWindowCaption));
    try {
        DrawRaceCards(*form.PrevX1, races);
    } catch (const std::exception& e) {  // no printer, or a race key that does not read
        TMsgDlg::Warning(parent, QString::fromUtf8(e.what()));
        return;
    }
    ShowPages(form, static_cast<int>(races.size()), showModal);
}

void ShowPages(TAllPrintForm& form, int count, const ShowModalFn& showModal) {
    form.UpDown1->SetMin(1);
    form.UpDown1->SetMax(count);
    form.UpDown1->SetPosition(1);
    form.UpDown1->setVisible(true);
    if (showModal)
        showModal(form);
    else
        form.exec();
}

}  // namespace turfpad
