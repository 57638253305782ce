#include "settings/IniText.h"

#include <algorithm>
#include <vector>

#include "datafolder/AtomicFile.h"
#include "text/Trim.h"

namespace turfpad {

namespace {

// One line of the text with its own line end, kept byte for byte.
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

bool SameName(std::string_view a, std::string_view b) {
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

}  // namespace

IniText::IniText(std::string content, std::string newLineEnd)
    : content_(std::move(content)), newLineEnd_(std::move(newLineEnd)) {}

IniText IniText::FromFile(const std::filesystem::path& path, std::string newLineEnd) {
    std::string content;
    if (path.empty() || !ReadWholeFile(path, content)) content.clear();
    return IniText(std::move(content), std::move(newLineEnd));
}

std::optional<std::string_view> IniText::Value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const Line& line : SplitLines(content_)) {
        std::string_view name;
        if (SectionOf(line.text, name)) {
            inSection = SameName(name, section);
            continue;
        }
        std::string_view lineKey, value;
        if (inSection && EntryOf(line.text, lineKey, value) && SameName(lineKey, key)) return value;
    }
    return std::nullopt;
}

void IniText::ForEachEntry(
    const std::function<void(std::string_view section, std::string_view key, std::string_view value)>& visit) const {
    std::string_view section;
    for (const Line& line : SplitLines(content_)) {
        std::string_view name, key, value;
        if (SectionOf(line.text, name))
            section = name;
        else if (EntryOf(line.text, key, value))
            visit(section, key, value);
    }
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::string out;
    out.reserve(content_.size() + entry.size() + section.size() + 8);
    bool inSection = false, found = false, done = false;
    std::size_t insertAt = std::string::npos;  // after the section's last non-blank line
    for (const Line& line : SplitLines(content_)) {
        std::string_view name, lineKey, lineValue;
        if (!done && SectionOf(line.text, name)) {
            if (inSection) done = true;  // the section ended without the key
            inSection = !done && SameName(name, section);
            found = found || inSection;
        } else if (!done && inSection && EntryOf(line.text, lineKey, lineValue) && SameName(lineKey, key)) {
            out += entry;
            out += line.end.empty() ? std::string_view(newLineEnd_) : line.end;
            done = true;
            insertAt = std::string::npos;
            continue;
        }
        out += line.text;
        out += line.end;
        if (inSection && !done && !Trim(line.text).empty()) {
            if (line.end.empty()) out += newLineEnd_;  // the file's last line gets a line end
            insertAt = out.size();
        }
    }
    if (!found) {
        if (!out.empty() && out.back() != '\n') out += newLineEnd_;
        out += "[" + std::string(section) + "]" + newLineEnd_ + entry + newLineEnd_;
    } else if (insertAt != std::string::npos) {
        out.insert(insertAt, entry + newLineEnd_);
    }
    content_ = std::move(out);
}

bool IniText::Save(const std::filesystem::path& path, std::string& error) const {
    return WriteWholeFile(path, content_, true, error);
}

}  // namespace turfpad
