#include "browse/ClipboardText.h"

#include <algorithm>
#include <cstdio>

namespace turfpad {

std::optional<std::string> RaceCardTitle(std::string_view headingText, std::string_view raceKey) {
    if (raceKey.size() < 16) return std::nullopt;
    std::string_view digits = raceKey.substr(14, 2);
    // Strict: the two characters are the number, with at most a leading blank or sign.
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == ' ') ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) negative = digits[i++] == '-';
    if (i == digits.size()) return std::nullopt;
    int n = 0;
    for (; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9') return std::nullopt;
        n = n * 10 + (digits[i] - '0');
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2dR", negative ? -n : n);
    return std::string(headingText) + buf;
}

std::string GridRangeText(int columns, int rows, const std::function<std::string(int, int)>& cell, int left, int top,
                          int right, int bottom, std::string_view title) {
    if (left > right || bottom < top || right < 0 || bottom < 0 || left >= columns || top >= rows) return {};
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, columns - 1);
    bottom = std::min(bottom, rows - 1);
    std::string text(title);
    text += "\r\n";
    // A grid without columns has no cell to end a line with.
    if (right < left) return text;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x < right; ++x) {
            text += cell(x, y);
            text += '\t';
        }
        text += cell(right, y);
        text += "\r\n";
    }
    return text;
}

namespace {
int ColumnsOf(const CellMatrix& cells) {
    std::size_t n = 0;
    for (const auto& row : cells) n = std::max(n, row.size());
    return static_cast<int>(n);
}
}  // namespace

std::string GridRangeText(const CellMatrix& cells, int left, int top, int right, int bottom, std::string_view title) {
    auto cell = [&cells](int x, int y) -> std::string {
        const auto& row = cells[static_cast<std::size_t>(y)];
        return static_cast<std::size_t>(x) < row.size() ? row[static_cast<std::size_t>(x)] : std::string();
    };
    return GridRangeText(ColumnsOf(cells), static_cast<int>(cells.size()), cell, left, top, right, bottom, title);
}

std::string TabText(const CellMatrix& cells) {
    std::string text;
    for (const auto& row : cells) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += '\t';
            text += row[i];
        }
        text += "\r\n";
    }
    return text;
}

std::string WholeGridText(const CellMatrix& cells, std::string_view title) {
    return GridRangeText(cells, 0, 0, ColumnsOf(cells) - 1, static_cast<int>(cells.size()) - 1, title);
}

}  // namespace turfpad
