// The settings file: an INI file in cp932 beside the program file (or in the user's settings
// folder for an installed program, ProgramPlaces.h), read and written by our
// own small code so that every other section, key and line stays as it was. Every write goes
// to the file at once, and every read comes from the file, so several components on one
// file always see each other's values.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/IniStore.h"

namespace turfpad {

// A write the system refused. The message is "<path> に書き込めません".
class IniWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class TIniGTDefaultDir {
    ddApplication,  // the folder of the program file (the user's settings folder when installed)
    ddWindows,      // the system's folder (the Windows folder; the home folder elsewhere)
    ddNone,         // the file name as given
};

class TIniGT : public IniStore {
  public:
    TIniGT() = default;

    TIniGTDefaultDir DefaultDir() const { return defaultDir_; }
    void SetDefaultDir(TIniGTDefaultDir dir);
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName);
    // Called once the owner has set its properties: an empty file name becomes the program
    // file's name with the extension ".ini".
    void Loaded();
    // The resolved path (empty until a file name is set).
    const std::filesystem::path& Path() const { return path_; }

    bool ReadBool(std::string_view section, std::string_view key, bool def) const override;
    void WriteBool(std::string_view section, std::string_view key, bool value) override;
    // A missing value, or one that is not a whole decimal number, gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int def) const override;
    void WriteInteger(std::string_view section, std::string_view key, int value) override;
    // Reads at most 2047 bytes. A value in double quotes or in ｢ ｣ loses them; a missing key
    // gives the default unchanged.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const override;
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;

  private:
    void Resolve();
    std::string Lookup(std::string_view section, std::string_view key, std::string_view def) const;
    void Store(std::string_view section, std::string_view key, std::string_view value);

    TIniGTDefaultDir defaultDir_ = TIniGTDefaultDir::ddApplication;
    std::string fileName_;
    std::filesystem::path path_;
};

}  // namespace turfpad
