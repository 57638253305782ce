// Keeping the horse index (HorseIndexFiles.h) up to date when filing: the filer hands over the
// SE files it has just written, under the data folder's exclusive lock, and their month files
// are rewritten from them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace turfpad {

// A day's SE file as a filer has just written it.
struct WrittenDay {
    std::string key;             // 18-byte day key
    std::string_view seContent;  // the whole file
};
// Brings the index up to date for days a filer has just written; called under the data
// folder's exclusive lock. Never throws: an index it cannot write is read again later.
void UpdateHorseIndex(const std::filesystem::path& dataDir, const std::vector<WrittenDay>& days);

}  // namespace turfpad
