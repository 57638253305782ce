// Where the running program file lies. The data folder, the settings file and the manual are
// all found beside it, wherever the program was started from.
#pragma once

#include <filesystem>

namespace turfpad {

// The program file's absolute path.
std::filesystem::path ProgramFile();
// Its folder, the program folder.
std::filesystem::path ProgramFolder();
// Makes ProgramFile() answer `path` from now on (tests run the program's parts as if they
// were installed elsewhere).
void SetProgramFile(const std::filesystem::path& path);

}  // namespace turfpad
