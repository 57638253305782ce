#include "LocalJVLink.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "AtomicFile.h"
#include "DemoProgramme.h"
#include "ProgramFile.h"
#include "RaceFiles.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

// Result codes of the control.
constexpr int kNoData = -1;
constexpr int kDownloading = -3;
constexpr int kSetFailed = -100;
constexpr int kSidMissing = -101;
constexpr int kSidTooLong = -102;
constexpr int kSidBlank = -103;
constexpr int kBadDataspec = -111;
constexpr int kBadFromtime = -112;
constexpr int kBadOption = -115;
constexpr int kNotInitialised = -201;
constexpr int kAlreadyOpen = -202;
constexpr int kNotOpen = -203;
constexpr int kBadSettings = -211;
constexpr int kDownloadFailed = -502;
constexpr int kFileMissing = -503;

constexpr int kMaxMsPerFile = 600000;

fs::path PathFromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string Trim(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

}  // namespace

LocalJVLinkSettings LoadLocalJVLinkSettings(const fs::path& file) {
    LocalJVLinkSettings settings;
    std::string content;
    if (!ReadWholeFile(file, content)) return settings;
    std::istringstream in(content);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || line.empty() || line[0] == '[' || line[0] == ';' || line[0] == '#') continue;
        std::string key = Trim(std::string_view(line).substr(0, eq));
        std::string value = line.substr(eq + 1);
        if (key == "SourceFolder") {
            settings.sourceFolder = Trim(value);
        } else if (key == "ServiceKey") {
            settings.serviceKey = Trim(value);
        } else if (key == "DownloadMsPerFile") {
            std::string v = Trim(value);
            int ms = 0;
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), ms);
            if (ec == std::errc() && end == v.data() + v.size())
                settings.downloadMsPerFile = std::clamp(ms, 0, kMaxMsPerFile);
        }
    }
    return settings;
}

bool SaveLocalJVLinkSettings(const fs::path& file, const LocalJVLinkSettings& settings, std::string& error) {
    for (const std::string* s : {&settings.sourceFolder, &settings.serviceKey}) {
        if (s->find_first_of("\r\n") != std::string::npos) {
            error = "改行を含む値は保存できません";
            return false;
        }
    }
    std::string content = "[JVLinkLocal]\n";
    content += "SourceFolder=" + settings.sourceFolder + "\n";
    content += "ServiceKey=" + settings.serviceKey + "\n";
    content += "DownloadMsPerFile=" + std::to_string(settings.downloadMsPerFile) + "\n";
    return WriteWholeFile(file, content, true, error);
}

namespace {
// Without a window system nothing can be asked: the settings stay as they are.
LocalJVLink::SettingsDialog& DefaultDialogSlot() {
    static LocalJVLink::SettingsDialog dialog = [](LocalJVLinkSettings&) { return false; };
    return dialog;
}
}  // namespace

void LocalJVLink::SetDefaultSettingsDialog(SettingsDialog dialog) { DefaultDialogSlot() = std::move(dialog); }
LocalJVLink::SettingsDialog LocalJVLink::DefaultSettingsDialog() { return DefaultDialogSlot(); }

LocalJVLink::LocalJVLink() : LocalJVLink(Config{}) {}

LocalJVLink::LocalJVLink(Config config) : config_(std::move(config)) {
    if (config_.settingsFile.empty()) config_.settingsFile = ProgramFolder() / "JVLinkLocal.ini";
    if (config_.cacheDir.empty()) config_.cacheDir = ProgramFolder() / "JVLinkLocal";
    if (!config_.clock) config_.clock = [] { return std::chrono::system_clock::now(); };
    if (!config_.dialog) config_.dialog = DefaultSettingsDialog();
}

int LocalJVLink::JVInit(const std::string& sid) {
    if (sid.empty()) return kSidMissing;
    if (sid.size() >= 64) return kSidTooLong;
    if (sid[0] == ' ') return kSidBlank;
    initialised_ = true;
    return 0;
}

int LocalJVLink::JVSetUIProperties() {
    LocalJVLinkSettings settings = LoadLocalJVLinkSettings(config_.settingsFile);
    if (!config_.dialog(settings)) return 0;  // cancelled: nothing changes
    std::error_code ec;
    if (!settings.sourceFolder.empty() && !fs::is_directory(PathFromUtf8(settings.sourceFolder), ec)) return kSetFailed;
    if (settings.downloadMsPerFile < 0 || settings.downloadMsPerFile > kMaxMsPerFile) return kSetFailed;
    std::string error;
    return SaveLocalJVLinkSettings(config_.settingsFile, settings, error) ? 0 : kSetFailed;
}

int LocalJVLink::Gather(const LocalJVLinkSettings& settings, const std::string& fromtime,
                        std::vector<Entry>& out) const {
    if (!settings.sourceFolder.empty()) {
        fs::path folder = PathFromUtf8(settings.sourceFolder);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) return kBadSettings;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            std::string name = PathText(it->path().filename());
            std::optional<JvdName> parsed = ParseJvdName(name);
            if (!parsed || !IsRaceRecordType(parsed->type) || parsed->timestamp <= fromtime) continue;
            out.push_back(Entry{name, parsed->timestamp, it->path(), std::nullopt});
        }
        if (ec) return kBadSettings;
    } else {
        // The demo programme of this week, as far as it exists by now, and the results of the
        // weeks since the starting point (at most twelve weeks back).
        auto now = config_.clock();
        std::string nowStamp = LocalTimestamp(now);
        std::chrono::sys_days today{LocalDate(now)};
        std::chrono::sys_days from{std::chrono::year{std::stoi(fromtime.substr(0, 4))} /
                                   std::chrono::month{static_cast<unsigned>(std::stoi(fromtime.substr(4, 2)))} /
                                   std::chrono::day{static_cast<unsigned>(std::stoi(fromtime.substr(6, 2)))}};
        // Results of a week are stamped the Monday after: the week before the starting point's
        // may still be new.
        auto weeksBack = (MondayOf(today) - MondayOf(from)).count() / 7 + 1;
        int weeks = static_cast<int>(std::clamp<long long>(weeksBack, 0, 12)) + 1;
        for (JvdFile& f : DemoWeeks(today, weeks)) {
            std::optional<JvdName> parsed = ParseJvdName(f.name);
            if (!parsed || parsed->timestamp <= fromtime || parsed->timestamp > nowStamp) continue;
            out.push_back(Entry{f.name, parsed->timestamp, {}, std::move(f.content)});
        }
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return a.timestamp != b.timestamp ? a.timestamp < b.timestamp : a.name < b.name;
    });
    return 0;
}

bool LocalJVLink::InCache(const Entry& e) const {
    std::error_code ec;
    fs::path cached = config_.cacheDir / e.name;
    if (!fs::is_regular_file(cached, ec)) return false;
    std::uintmax_t size = fs::file_size(cached, ec);
    if (ec) return false;
    if (e.content) return size == e.content->size();
    std::uintmax_t sourceSize = fs::file_size(e.source, ec);
    return !ec && size == sourceSize;
}

int LocalJVLink::JVOpen(const std::string& dataspec, const std::string& fromtimeIn, int option, int& readCount,
                        int& downloadCount, std::string& lastFileTimestamp) {
    const std::string fromtime = fromtimeIn;  // may be the same string as lastFileTimestamp
    readCount = 0;
    downloadCount = 0;
    lastFileTimestamp.clear();
    if (!initialised_) return kNotInitialised;
    if (session_) return kAlreadyOpen;
    if (dataspec != "RACE") return kBadDataspec;
    if (!IsValidTimestamp(fromtime)) return kBadFromtime;
    if (option < 1 || option > 4) return kBadOption;

    // Copies that a killed process left half done are of no use to anyone.
    RemoveStaleTemporaries(config_.cacheDir);
    LocalJVLinkSettings settings = LoadLocalJVLinkSettings(config_.settingsFile);
    Session s;
    if (int rc = Gather(settings, fromtime, s.files); rc != 0) return rc;
    if (s.files.empty()) return kNoData;
    for (std::size_t i = 0; i < s.files.size(); ++i) {
        s.files[i].toDownload = !InCache(s.files[i]);
        if (s.files[i].toDownload) s.downloads.push_back(i);
    }
    s.started = config_.clock();
    s.msPerFile = settings.downloadMsPerFile;
    readCount = static_cast<int>(s.files.size());
    downloadCount = static_cast<int>(s.downloads.size());
    lastFileTimestamp = s.files.back().timestamp;
    session_ = std::move(s);
    return 0;
}

void LocalJVLink::Advance() {
    Session& s = *session_;
    if (s.cancelled || s.failure != 0 || s.downloaded == s.downloads.size()) return;
    std::size_t due = s.downloads.size();
    if (s.msPerFile > 0) {
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(config_.clock() - s.started).count();
        due = std::min(due, static_cast<std::size_t>(std::max<long long>(0, elapsed) / s.msPerFile));
    }
    std::error_code ec;
    fs::create_directories(config_.cacheDir, ec);
    while (s.downloaded < due) {
        Entry& e = s.files[s.downloads[s.downloaded]];
        std::string content, error;
        bool ok = e.content ? true : ReadWholeFile(e.source, content);
        ok = ok && WriteWholeFile(config_.cacheDir / e.name, e.content ? *e.content : content, false, error);
        if (!ok) {
            s.failure = kDownloadFailed;
            return;
        }
        e.toDownload = false;
        ++s.downloaded;
    }
}

int LocalJVLink::JVStatus() {
    if (!initialised_) return kNotInitialised;
    if (!session_) return kNotOpen;
    Advance();
    if (session_->failure != 0) return session_->failure;
    return static_cast<int>(session_->downloaded);
}

int LocalJVLink::JVRead(std::string& buffer, int& size, std::string& fileName) {
    if (!initialised_) return kNotInitialised;
    if (!session_) return kNotOpen;
    Advance();
    Session& s = *session_;
    if (s.file >= s.files.size()) return 0;
    Entry& e = s.files[s.file];
    if (!s.loaded) {
        if (e.toDownload) {
            if (s.failure != 0) return s.failure;
            // A file the cancelled download never fetched will not come any more.
            return s.cancelled ? kDownloadFailed : kDownloading;
        }
        if (!ReadWholeFile(config_.cacheDir / e.name, s.content)) return kFileMissing;
        s.at = 0;
        s.loaded = true;
    }
    // The records are handed out straight from the file's contents, one line at a time;
    // empty lines are left out and a last record without a line end is kept as it stands.
    std::string_view content = s.content;
    std::string_view record;
    while (record.empty() && s.at < content.size()) {
        std::size_t end = content.find('\n', s.at);
        end = end == std::string_view::npos ? content.size() : end + 1;
        record = content.substr(s.at, end - s.at);
        s.at = end;
        if (record == "\n" || record == "\r\n") record = {};
    }
    if (record.empty()) {
        ++s.file;
        s.loaded = false;
        s.content.clear();
        return -1;
    }
    std::size_t placed = size > 0 ? std::min(record.size(), static_cast<std::size_t>(size)) : record.size();
    buffer.assign(record.data(), placed);
    size = static_cast<int>(record.size());
    fileName = e.name;
    return static_cast<int>(placed);
}

void LocalJVLink::JVCancel() {
    if (session_) session_->cancelled = true;
}

int LocalJVLink::JVClose() {
    session_.reset();
    return 0;
}

}  // namespace turfpad
