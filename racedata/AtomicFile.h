// Replacing a file's contents so that the file is always either the old or the new one:
// the contents go to a temporary file in the same folder, which is then renamed over it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace turfpad {

// Writes `content` to `path` by way of a temporary file. With `durable`, the data reach the
// disk before the rename. Returns false and sets `error` (the system's wording) on failure;
// the old file is then untouched and no temporary file is left.
bool ReplaceFile(const std::filesystem::path& path, std::string_view content, bool durable, std::string& error);

// Removes temporary files that a killed process left in `folder`.
void RemoveStaleTemporaries(const std::filesystem::path& folder);

// Reads a whole file. Returns false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

}  // namespace turfpad
