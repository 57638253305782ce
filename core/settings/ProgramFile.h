// Where the running program file lies, wherever the program was started from. What the program
// writes goes beside it or to the user's own folders (ProgramPlaces.h); what it ships with it
// (the manual) is found beside it or in its installed layout.
#pragma once

#include <filesystem>

namespace turfpad {

// The program file's absolute path.
std::filesystem::path ProgramFile();
// Its folder, the program folder.
std::filesystem::path ProgramFolder();
// Makes ProgramFile() answer `path` from now on, and decides the places of ProgramPlaces.h
// again (tests run the program's parts as if they were installed elsewhere).
void SetProgramFile(const std::filesystem::path& path);

}  // namespace turfpad
