#include "settings/SettingsFile.h"

#include <charconv>
#include <optional>

#include "datafolder/AtomicFile.h"
#include "settings/IniText.h"
#include "settings/ProgramPlaces.h"
#include "text/Cp932.h"
#include "text/PathText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxValue = 2047;
constexpr std::string_view kOpenCorner = "\xA2";   // ｢
constexpr std::string_view kCloseCorner = "\xA3";  // ｣

fs::path SystemFolder() {
#ifdef _WIN32
    wchar_t buf[150];
    UINT n = GetWindowsDirectoryW(buf, 150);
    return fs::path(std::wstring(buf, n < 150 ? n : 0));
#else
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? fs::path(pw->pw_dir) : fs::current_path();
#endif
}

}  // namespace

void TIniGT::SetDefaultDir(TIniGTDefaultDir dir) {
    defaultDir_ = dir;
    Resolve();
}

void TIniGT::SetFileName(std::string fileName) {
    fileName_ = std::move(fileName);
    Resolve();
}

void TIniGT::Loaded() {
    if (!fileName_.empty()) return;
    fs::path name = ProgramFile().filename();
    name.replace_extension(".ini");
    SetFileName(PathText(name));
}

void TIniGT::Resolve() {
    if (fileName_.empty()) {
        path_.clear();
        return;
    }
    fs::path name = PathFromText(fileName_);
    if (name.has_parent_path()) {
        path_ = name;
        return;
    }
    switch (defaultDir_) {
        case TIniGTDefaultDir::ddApplication:
            // The program folder, or the user's own settings folder for an installed program.
            path_ = Places().settingsHome / name;
            break;
        case TIniGTDefaultDir::ddWindows:
            path_ = SystemFolder() / name;
            break;
        case TIniGTDefaultDir::ddNone:
            path_ = name;
            break;
    }
}

std::string TIniGT::Lookup(std::string_view section, std::string_view key, std::string_view def) const {
    const IniText text = IniText::FromFile(path_);
    std::optional<std::string_view> value = text.Value(Utf8ToCp932(section), Utf8ToCp932(key));
    return value ? CutBytes(*value, kMaxValue) : std::string(def);
}

void TIniGT::Store(std::string_view section, std::string_view key, std::string_view value) {
    // A file that exists but cannot be read is never replaced by one made from nothing: every
    // line of it would be lost.
    std::string content;
    if (path_.empty() || ReadExistingFile(path_, content) == ExistingFile::Unreadable)
        throw IniWriteError(PathText(path_) + " に書き込めません");
    IniText text = IniText::FromFile(path_);
    text.Set(Utf8ToCp932(section), Utf8ToCp932(key), Utf8ToCp932(value));
    std::string error;
    if (path_.empty() || !text.Save(path_, error)) throw IniWriteError(PathText(path_) + " に書き込めません");
}

bool TIniGT::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniGT::WriteBool(std::string_view section, std::string_view key, bool value) {
    Store(section, key, value ? "1" : "0");
}

int TIniGT::ReadInteger(std::string_view section, std::string_view key, int def) const {
    std::string text = Lookup(section, key, {});
    std::string_view s = text;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return def;
    return value;
}

void TIniGT::WriteInteger(std::string_view section, std::string_view key, int value) {
    Store(section, key, std::to_string(value));
}

std::string TIniGT::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    std::string wrapped = std::string(kOpenCorner) + Utf8ToCp932(def) + std::string(kCloseCorner);
    std::string v = Lookup(section, key, wrapped);
    auto starts = [&](std::string_view p) { return v.compare(0, p.size(), p) == 0; };
    auto ends = [&](std::string_view p) {
        return v.size() >= p.size() && v.compare(v.size() - p.size(), p.size(), p) == 0;
    };
    if (v.size() == 2 && (v == "\"\"" || v == std::string(kOpenCorner) + std::string(kCloseCorner)))
        v.clear();
    else if (v.size() > 2 && starts("\"") && ends("\""))
        v = v.substr(1, v.size() - 2);
    else if (v.size() > 2 && starts(kOpenCorner) && ends(kCloseCorner))
        v = v.substr(1, v.size() - 2);
    return Cp932ToUtf8(v);
}

void TIniGT::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Store(section, key, value);
}

}  // namespace turfpad
