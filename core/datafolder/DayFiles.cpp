#include "datafolder/DayFiles.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "platform/FolderFiles.h"
#include "records/CodeTables.h"
#include "records/RecordLayout.h"
#include "text/AsciiText.h"
#include "text/Cp932.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// Day keys from file names: the names hold ASCII digits and a few kanji, so each character is
// converted once and remembered, instead of the whole name every time.
class KeyConverter {
  public:
    // The cp932 bytes of a UTF-8 name part, or nothing where it has no cp932 spelling.
    std::optional<std::string> operator()(std::string_view utf8) {
        std::string out;
        out.reserve(kDayKeySize);
        for (std::size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            if (lead >= '0' && lead <= '9') {
                out += static_cast<char>(lead);
                ++i;
                continue;
            }
            const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
            if (length == 0 || i + length > utf8.size()) return TryUtf8ToCp932(utf8);  // not UTF-8: as a whole
            const std::string_view ch = utf8.substr(i, length);
            std::uint32_t packed = 0;  // the character's bytes as one number
            for (char c : ch) packed = (packed << 8) | static_cast<unsigned char>(c);
            auto known = known_.find(packed);
            if (known == known_.end()) known = known_.emplace(packed, TryUtf8ToCp932(ch)).first;
            if (!known->second) return std::nullopt;
            out += *known->second;
            i += length;
        }
        return out;
    }

  private:
    std::unordered_map<std::uint32_t, std::optional<std::string>> known_;
};

}  // namespace

std::string DayKeyOf(std::string_view record) {
    // Converted once: this runs for every record filed.
    static const std::string year = Sj("年"), month = Sj("月"), day = Sj("日");
    std::string key;
    key.reserve(kDayKeySize);
    key.append(FieldOf(record, ra::Year)).append(year).append(FieldOf(record, ra::Month)).append(month);
    key.append(FieldOf(record, ra::Day)).append(day).append(RacecourseName(FieldOf(record, ra::Racecourse)));
    return key;
}

fs::path RaceFilePath(const fs::path& dataDir, std::string_view cp932Name) {
    return dataDir / PathFromText(Cp932ToUtf8(cp932Name));
}

bool IsWholeUnit(std::string_view unit) {
    const std::size_t n = unit.size();
    return n >= 2 && unit[n - 2] == '\r' && unit[n - 1] == '\n' && !HasLineBreak(unit.substr(0, n - 2));
}

bool IsWholeRaceFile(std::string_view content, std::size_t unitSize) {
    // A slot per runner in the SE file, a slot per race in the others (RA, O1, HR).
    std::size_t units = unitSize == kSeRecordSize ? kRacesPerDay * kRunnersPerRace : kRacesPerDay;
    if (content.size() != units * unitSize) return false;
    for (std::size_t u = 0; u < units; ++u)
        if (!IsWholeUnit(content.substr(u * unitSize, unitSize))) return false;
    return true;
}

std::vector<ListedDay> ListDays(const OpenFolder& folder) {
    std::vector<ListedDay> days;
    KeyConverter convert;
    folder.ForEachFile([](std::string_view name) { return EndsWithIgnoringCase(name, kRaExtension); },
                       [&](std::string_view name) {
                           const std::string_view stem = name.substr(0, name.size() - kRaExtension.size());
                           std::optional<std::string> key = convert(stem);
                           if (!key || key->size() != kDayKeySize) return;
                           std::string raName = *key + std::string(name.substr(stem.size()));
                           days.push_back({std::move(*key), std::move(raName), std::string(stem)});
                       });
    return days;
}

std::vector<std::string> ListRaFiles(const fs::path& dataDir) {
    std::vector<std::string> names;
    for (ListedDay& day : ListDays(OpenFolder(dataDir))) names.push_back(std::move(day.raName));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> DayEntries(const fs::path& dataDir) {
    std::vector<std::string> names = ListRaFiles(dataDir);
    std::vector<std::string> days;
    days.reserve(names.size());
    for (auto it = names.rbegin(); it != names.rend(); ++it) days.push_back(it->substr(0, kDayKeySize));
    return days;
}

UnitFile::UnitFile(const fs::path& path, std::size_t unitSize) : path_(path), unitSize_(unitSize) {
    in_.open(path, std::ios::binary);
    if (!in_) throw FilingError("ファイル「" + PathText(path) + "」を開けません。");
    in_.seekg(0, std::ios::end);
    std::streamoff size = in_.tellg();
    units_ = size > 0 ? static_cast<std::size_t>(size) / unitSize_ : 0;
}

void UnitFile::Read(std::size_t index, std::string& out) {
    out.resize(unitSize_);
    if (index < units_) {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(index * unitSize_));
        in_.read(out.data(), static_cast<std::streamsize>(unitSize_));
        if (in_.gcount() == static_cast<std::streamsize>(unitSize_)) return;
    }
    throw FilingError("ファイル「" + PathText(path_.filename()) + "」が短すぎます（" + std::to_string(index + 1) +
                      " 番目の " + std::to_string(unitSize_) + " バイトの単位がありません）。");
}

}  // namespace turfpad
