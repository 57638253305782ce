// The text of an INI file, read and changed line by line so that everything the program does
// not change (comments, blank lines, other sections and keys, each line's own line end) stays
// byte for byte. Works on the file's bytes as they are: names and values in the file's own
// encoding (cp932 for the settings file, UTF-8 for the local JV-Link's settings).
//
// The rules: a line ends in LF or CR LF (a CR without LF after it is part of the line); a
// line whose text, blanks and tabs trimmed, starts with '[' and holds a ']' opens the section
// named between them; any other line with a '=' and a key before it is a key line. Names and
// values lose the blanks and tabs at their ends; section and key names compare without regard
// to the case of ASCII letters.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace turfpad {

class IniText {
  public:
    // `newLineEnd` ends the lines this text adds ("\r\n" or "\n").
    explicit IniText(std::string content = {}, std::string newLineEnd = "\r\n");
    // The text of a file; a missing or unreadable file gives an empty text.
    static IniText FromFile(const std::filesystem::path& path, std::string newLineEnd = "\r\n");

    // The value of the first key line named `key` in a section named `section` (a section
    // that appears twice is searched in both places); nothing when there is none.
    std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;

    // Every key line in the order of the file, with the name of the section it stands in
    // (empty before the first section line).
    void ForEachEntry(
        const std::function<void(std::string_view section, std::string_view key, std::string_view value)>& visit) const;

    // Sets `key` of `section` to `value` (written as it is). The first key line of that name
    // in the first place the section appears is replaced, keeping its line end; a new key
    // goes after the section's last line that is not blank there; a new section with the key
    // goes at the end, after a line end for a last line that had none.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Content() const { return content_; }

    // Writes the text to `path` whole, by way of a temporary file. False and `error` on failure.
    bool Save(const std::filesystem::path& path, std::string& error) const;

  private:
    std::string content_;
    std::string newLineEnd_;
};

}  // namespace turfpad
