// cp932 (Windows code page 932, Shift-JIS) text: the encoding of every record, race data
// file and fixed-width text the program handles. Unicode (UTF-8 in std::string) appears only
// at the edges: widgets, clipboard, file names and command-line output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace turfpad {

// cp932 bytes to UTF-8. Bytes that are not valid cp932 become U+FFFD, so record contents
// of any kind can always be shown.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to cp932. Characters cp932 cannot hold become '?'.
std::string Utf8ToCp932(std::string_view utf8);

// Strict conversions: nothing when the input does not convert completely.
std::optional<std::string> TryCp932ToUtf8(std::string_view cp932);
std::optional<std::string> TryUtf8ToCp932(std::string_view utf8);

// Short spelling for cp932 literals written in UTF-8 source.
inline std::string Sj(std::string_view utf8) { return Utf8ToCp932(utf8); }

// The first byte of a two-byte cp932 character.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Width of a UTF-8 text in cp932 bytes: two for a full-width character, one for ASCII and
// half-width katakana.
std::size_t ByteWidth(std::string_view utf8);

// The first `width` bytes of a cp932 text. Where the cut would keep only the first byte of a
// two-byte character, that byte becomes a blank, so the result keeps its width and never
// holds half a character. A shorter text is returned whole.
std::string CutBytes(std::string_view cp932, std::size_t width);

// Whether the bytes hold a carriage return or a line feed.
bool HasLineBreak(std::string_view bytes);

// The text padded on the right with blanks to `width` bytes (a longer text is left as is).
std::string PadBytes(std::string_view cp932, std::size_t width);

}  // namespace turfpad
