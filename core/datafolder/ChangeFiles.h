// The changes announced on a race day (AV scratches, JC jockey changes, TC post time changes,
// CC course changes, WE weather and going), filed per day and racecourse into
// 2026年12月12日中山.jvCH: the records of the last fetch in the order announced, a record
// per line. JV-Link can withdraw a change, so each fetch of a day's changes replaces that
// day's files whole; a racecourse of the day whose earlier changes are all withdrawn is left
// with an empty file.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datafolder/RaceFiles.h"

namespace turfpad {

// Files what a fetch of `date`'s changes (yyyymmdd) gave: every change record of that day in
// its racecourse's file, the files of the day written together under the data folder's lock.
// Records of other types are passed over; a change record that is damaged or of another day
// is rejected with the reason. Throws FilingError when a file cannot be written (the files
// on disk are then the old ones) and FolderBusyError when `waiting` gave up on another filer.
std::vector<FilingResult> FileDayChanges(const std::filesystem::path& dataDir, std::string_view date,
                                         const std::vector<std::string>& records,
                                         const std::function<bool()>& waiting = {});

// The change records of a file's contents, in order; lines that are not whole change
// records are left out.
std::vector<std::string_view> ChangeRecordsOf(std::string_view content);

}  // namespace turfpad
