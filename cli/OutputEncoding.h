// The encoding of everything turfpad-cli prints. Commands write UTF-8 text to std::cout and
// std::cerr; once the encoding is chosen, both streams convert it on the way out.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

namespace turfpad::cli {

enum class Encoding { Utf8, Cp932 };

// Chooses the encoding of standard output and standard error: the one given with
// --encoding, otherwise UTF-8 — except on Windows for a stream that is a console, which
// gets the text through WriteConsoleW so that it shows whatever the console's code page.
// A stream redirected to a file or a pipe gets UTF-8 there too, as on every system.
// Call once, before anything is printed.
void ChooseOutputEncoding(std::optional<Encoding> given);

// Writes cp932 text (a race card or a schedule as composed from the stored records) to the
// stream: byte for byte where the output is cp932, converted otherwise.
void WriteCp932(std::ostream& out, std::string_view cp932);

}  // namespace turfpad::cli
