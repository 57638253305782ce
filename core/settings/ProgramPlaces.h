// Where the program keeps what it writes: the data folder "Data", the settings files and the
// local JV-Link's cache. A program whose folder the user can write (a portable copy, the build
// folder, a copy on Windows) keeps them beside its own file. An installed program, whose folder
// the user cannot write (/usr/bin), keeps them in the user's own folders, the ones Qt's
// QStandardPaths names for an application called "turfpad":
//   Linux:   data     $XDG_DATA_HOME/turfpad    (default ~/.local/share/turfpad)
//            settings $XDG_CONFIG_HOME/turfpad  (default ~/.config/turfpad)
//   Windows: data     %APPDATA%\turfpad,  settings %LOCALAPPDATA%\turfpad
// The program and turfpad-cli both ask here, so they always see the same data.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace turfpad {

// Where the running program file lies, wherever the program was started from. What the program
// writes goes beside it or to the user's own folders (below); what it ships with it (the
// manual) is found beside it or in its installed layout (ShippedFile).
//
// The program file's absolute path.
std::filesystem::path ProgramFile();
// Its folder, the program folder.
std::filesystem::path ProgramFolder();
// Makes ProgramFile() answer `path` from now on, and decides the places below again (tests
// run the program's parts as if they were installed elsewhere).
void SetProgramFile(const std::filesystem::path& path);

inline constexpr const char* kUserFolderName = "turfpad";

struct ProgramPlaces {
    std::filesystem::path dataHome;      // holds "Data" and the local JV-Link's cache "JVLinkLocal"
    std::filesystem::path settingsHome;  // holds the settings files
    bool perUser = false;                // in the user's own folders rather than beside the program

    std::filesystem::path DataFolder() const { return dataHome / "Data"; }
};

// An environment variable's value, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The rule itself, given the program folder, whether the user can write it and the
// environment. Values of the environment are UTF-8.
ProgramPlaces PlacesFor(const std::filesystem::path& programFolder, bool programFolderWritable,
                        const EnvironmentLookup& env);

// Whether the user may create files in `folder` (false for a folder that does not exist).
bool FolderIsWritable(const std::filesystem::path& folder);

// The places of the running program, decided once from ProgramFolder() and the process's
// environment (SetProgramFile decides them again). Per-user folders that are missing are
// created.
const ProgramPlaces& Places();
void ForgetPlaces();

// A file the program ships with it (the manual, translations): beside the program file, or,
// in an installed layout, in <prefix>/share/turfpad beside the program's <prefix>/bin. The
// first that exists; the one beside the program when neither does.
std::filesystem::path ShippedFile(const std::filesystem::path& programFolder, const std::filesystem::path& name);

}  // namespace turfpad
