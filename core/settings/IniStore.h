// Section/key/value access to the settings file, as the windows that keep settings see it.
// The settings file component of the program implements it; tests can give a fake.
#pragma once

#include <string>
#include <string_view>

namespace turfpad {

// Section/key/value access to a settings file (UTF-8 names and values).
class IniStore {
  public:
    virtual ~IniStore() = default;
    virtual bool ReadBool(std::string_view section, std::string_view key, bool def) const = 0;
    virtual void WriteBool(std::string_view section, std::string_view key, bool value) = 0;
    virtual int ReadInteger(std::string_view section, std::string_view key, int def) const = 0;
    virtual void WriteInteger(std::string_view section, std::string_view key, int value) = 0;
    virtual std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const = 0;
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

}  // namespace turfpad
