// Reading a file whole, the same way on every system.
#pragma once

#include <filesystem>
#include <string>

namespace turfpad {

// Reads a regular file whole into `out`. Returns false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

}  // namespace turfpad
