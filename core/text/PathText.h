// File paths as UTF-8 text and back: the form paths take in messages, settings files and
// command-line arguments.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace turfpad {

// A path as UTF-8 text, for messages and settings.
std::string PathText(const std::filesystem::path& path);

// The path a UTF-8 text names (on Windows as well, where a plain std::string would be taken
// for the ANSI code page).
std::filesystem::path PathFromText(std::string_view utf8);

}  // namespace turfpad
