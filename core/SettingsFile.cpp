#include "SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "AtomicFile.h"
#include "Cp932.h"
#include "ProgramFile.h"

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

// One line of the file with its own line end, kept byte for byte.
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < content.size()) {
        std::size_t nl = content.find('\n', at);
        std::size_t stop = nl == std::string_view::npos ? content.size() : nl;
        // A line ends in LF or CR LF; a CR without LF after it is part of the text.
        std::size_t textEnd = nl != std::string_view::npos && stop > at && content[stop - 1] == '\r' ? stop - 1 : stop;
        std::size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
        lines.push_back({content.substr(at, textEnd - at), content.substr(textEnd, next - textEnd)});
        at = next;
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    // Names compare without regard to the case of ASCII letters, as INI files do.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return low(x) == low(y);
           });
}

// The section a line opens, if it is a section line.
bool SectionOf(std::string_view line, std::string_view& name) {
    std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// The key and value of a key line.
bool EntryOf(std::string_view line, std::string_view& key, std::string_view& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return !key.empty();
}

// The file's contents; a missing file, or one that cannot be read, reads as empty.
std::string ReadFileOrEmpty(const fs::path& path) {
    std::string content;
    if (!path.empty()) ReadExistingFile(path, content);
    return content;
}

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
    fs::path name(std::u8string(fileName_.begin(), fileName_.end()));
    if (name.has_parent_path()) {
        path_ = name;
        return;
    }
    switch (defaultDir_) {
        case TIniGTDefaultDir::ddApplication:
            path_ = ProgramFolder() / name;
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
    const std::string content = ReadFileOrEmpty(path_);
    const std::string sec = Utf8ToCp932(section);
    const std::string k = Utf8ToCp932(key);
    bool inSection = false;
    for (const Line& line : SplitLines(content)) {
        std::string_view name;
        if (SectionOf(line.text, name)) {
            inSection = SameName(name, sec);
            continue;
        }
        std::string_view lineKey, value;
        if (inSection && EntryOf(line.text, lineKey, value) && SameName(lineKey, k)) return CutBytes(value, kMaxValue);
    }
    return std::string(def);
}

void TIniGT::Store(std::string_view section, std::string_view key, std::string_view value) {
    // A file that exists but cannot be read is never replaced by one made from nothing: every
    // line of it would be lost.
    std::string content;
    if (path_.empty() || ReadExistingFile(path_, content) == ExistingFile::Unreadable)
        throw IniWriteError(PathText(path_) + " に書き込めません");
    const std::string sec = Utf8ToCp932(section);
    const std::string k = Utf8ToCp932(key);
    const std::string entry = k + "=" + Utf8ToCp932(value);
    std::vector<Line> lines = SplitLines(content);

    std::string out;
    out.reserve(content.size() + entry.size() + sec.size() + 8);
    bool inSection = false, found = false, done = false;
    std::size_t insertAt = std::string::npos;  // after the section's last non-blank line
    for (const Line& line : lines) {
        std::string_view name, lineKey, lineValue;
        if (!done && SectionOf(line.text, name)) {
            if (inSection) done = true;  // the section ended without the key
            inSection = !done && SameName(name, sec);
            found = found || inSection;
        } else if (!done && inSection && EntryOf(line.text, lineKey, lineValue) && SameName(lineKey, k)) {
            out += entry;
            out += line.end.empty() ? "\r\n" : line.end;
            done = true;
            insertAt = std::string::npos;
            continue;
        }
        out += line.text;
        out += line.end;
        if (inSection && !done && !Trim(line.text).empty()) {
            if (line.end.empty()) out += "\r\n";  // the file's last line gets a line end
            insertAt = out.size();
        }
    }
    if (!found) {
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        out += "[" + sec + "]\r\n" + entry + "\r\n";
    } else if (insertAt != std::string::npos) {
        out.insert(insertAt, entry + "\r\n");
    }

    std::string error;
    if (path_.empty() || !WriteWholeFile(path_, out, true, error))
        throw IniWriteError(PathText(path_) + " に書き込めません");
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
