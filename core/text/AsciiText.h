// ASCII checks on byte strings of any encoding: cp932 and UTF-8 bytes outside ASCII never
// count as digits or letters here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace turfpad {

// Whether every byte is an ASCII digit (true for an empty text).
inline bool AllDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the texts are the same but for the letter case of ASCII letters.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Whether `name` is longer than `tail` and ends with it, letter case aside.
inline bool EndsWithIgnoringCase(std::string_view name, std::string_view tail) {
    return name.size() > tail.size() && EqualsIgnoringCase(name.substr(name.size() - tail.size()), tail);
}

}  // namespace turfpad
