// Blanks off the ends of a text.
#pragma once

#include <string_view>

namespace turfpad {

// The text without the bytes of `blanks` (by default blanks and tabs) at either end.
constexpr std::string_view Trim(std::string_view text, std::string_view blanks = " \t") {
    std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

}  // namespace turfpad
