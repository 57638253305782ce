// The text the race card is copied as: a title line, then the grid's cells row by row,
// TAB between the cells and CR LF after every line. Pure functions over cell texts (cp932).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

// Cell texts by [row][column]; a row shorter than the others reads its missing cells empty.
using CellMatrix = std::vector<std::vector<std::string>>;

// The title of a copied race card: the heading's date-and-meeting text followed by the race
// number (race key characters 15-16, read as a strict integer) written "%2dR". Nothing when
// the race key holds no race number, as before any day has been read.
std::optional<std::string> RaceCardTitle(std::string_view headingText, std::string_view raceKey);

// The grid range copy of the cells from column `left`, row `top` to column `right`, row
// `bottom` (inclusive), after the title line. A range that lies outside the grid (left >
// right, bottom < top, right < 0, bottom < 0, left >= columns, top >= rows) gives an empty
// text; one that overhangs the grid is clamped to it.
std::string GridRangeText(int columns, int rows, const std::function<std::string(int col, int row)>& cell, int left,
                          int top, int right, int bottom, std::string_view title);
std::string GridRangeText(const CellMatrix& cells, int left, int top, int right, int bottom, std::string_view title);

// Rows of cells, TAB between the cells and CR LF after every row.
std::string TabText(const CellMatrix& cells);

// The whole grid after the title.
std::string WholeGridText(const CellMatrix& cells, std::string_view title);

}  // namespace turfpad
