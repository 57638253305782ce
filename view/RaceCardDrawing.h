// How the race card grid draws its runner rows: post positions as coloured boxes, horse
// numbers on the info background, bold horse names, the sex mark with an age worked out from
// the pedigree number and today's date, weights with the decimal point, the blinker and
// apprentice words, and a black line along the bottom of every cell.
#pragma once

#include <QDate>
#include <functional>
#include <string>
#include <string_view>

#include "StringGrid.h"
#include "browse/RaceTexts.h"
#include "records/RaceCardTable.h"

namespace turfpad {

// The box of a post position: its fill and the colour of its digit. Posts other than 1..8
// keep the cell's own background (known is false) and get a white digit.
struct PostLook {
    bool known;
    Rgb fill;
    Rgb text;
};
PostLook PostLookOf(int post);

// The number at the start of a cell text: the digits after any leading blanks, 0 if none.
int LeadingNumber(std::string_view text);
// "牡", "牝", "ｾﾝ" for sex codes "1".."3", two blanks for any other (cp932).
std::string SexMark(std::string_view code);
// The age in `year` of a horse whose pedigree number begins with its year of birth; empty
// when the first four characters are not a year.
std::string AgeText(std::string_view pedigree, int year);
// The drawn texts of columns 4, 7 and 8 (cp932): the weight ("55.0kg", empty for blanks),
// "ﾌﾞﾘﾝｶ" or a blank, "1kg減".."3kg減" or a blank.
std::string DrawnWeight(std::string_view weight);
std::string DrawnBlinker(std::string_view code);
std::string DrawnApprentice(std::string_view code);

// Font sizes of the drawing in pixels (10 and 9 points at 96 dpi).
inline constexpr int kBoldPixels = 13;
inline constexpr int kPlainPixels = 12;

// A selected runner row keeps its post and number boxes as they are and tints the other
// cells with the highlight colour, so the post colours stay readable. A row whose horse
// number has no runner entry (above 18, or no race table) is drawn as plain text.
class RaceCardDelegate : public TStringGridDelegate {
  public:
    explicit RaceCardDelegate(TStringGrid* grid);

    // The table whose current race the rows show (not owned; may be null).
    void SetTable(const RaceCardTable* table) { table_ = table; }
    // Today's date, for the age (the computer's clock unless a test sets another).
    void SetToday(std::function<QDate()> today) { today_ = std::move(today); }

  protected:
    void DrawCell(QPainter& painter, const Cell& cell) const override;

  private:
    const RaceCardTable* table_ = nullptr;
    std::function<QDate()> today_;
};

}  // namespace turfpad
