#include "jvlink/LocalJVLink.h"

#include <algorithm>
#include <charconv>

#include "datafolder/AtomicFile.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/DemoProgramme.h"
#include "settings/IniText.h"
#include "settings/ProgramPlaces.h"
#include "text/PathText.h"

namespace turfpad {
namespace fs = std::filesystem;

namespace {

constexpr int kMaxMsPerFile = 600000;
constexpr std::string_view kSettingsSection = "JVLinkLocal";

}  // namespace

LocalJVLinkSettings LoadLocalJVLinkSettings(const fs::path& file) {
    // The file is read as the stand-in has always read it: a key counts wherever it stands
    // (a hand-written file needs no section line), the last one of a name wins, and names are
    // matched exactly.
    LocalJVLinkSettings settings;
    IniText::FromFile(file, "\n").ForEachEntry([&](std::string_view, std::string_view key, std::string_view value) {
        if (key == "SourceFolder") {
            settings.sourceFolder = value;
        } else if (key == "ServiceKey") {
            settings.serviceKey = value;
        } else if (key == "DownloadMsPerFile") {
            int ms = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec == std::errc() && end == value.data() + value.size())
                settings.downloadMsPerFile = std::clamp(ms, 0, kMaxMsPerFile);
        } else if (key == "DemoClock") {
            settings.demoClock = value;
        }
    });
    return settings;
}

bool SaveLocalJVLinkSettings(const fs::path& file, const LocalJVLinkSettings& settings, std::string& error) {
    for (const std::string* s : {&settings.sourceFolder, &settings.serviceKey, &settings.demoClock}) {
        if (s->find_first_of("\r\n") != std::string::npos) {
            error = "改行を含む値は保存できません";
            return false;
        }
    }
    std::string old;
    if (ReadExistingFile(file, old) == ExistingFile::Unreadable) {
        error = "設定ファイルを読み込めないため、書き換えません";
        return false;
    }
    // The file is written anew, so that what it holds is exactly what was saved.
    IniText text({}, "\n");
    text.Set(kSettingsSection, "SourceFolder", settings.sourceFolder);
    text.Set(kSettingsSection, "ServiceKey", settings.serviceKey);
    text.Set(kSettingsSection, "DownloadMsPerFile", std::to_string(settings.downloadMsPerFile));
    // Only when set, so that a file without a demo clock stays as it always was.
    if (!settings.demoClock.empty()) text.Set(kSettingsSection, "DemoClock", settings.demoClock);
    return text.Save(file, error);
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
    if (config_.settingsFile.empty()) config_.settingsFile = Places().settingsHome / "JVLinkLocal.ini";
    if (config_.cacheDir.empty()) config_.cacheDir = Places().dataHome / "JVLinkLocal";
    if (!config_.clock) config_.clock = [] { return std::chrono::system_clock::now(); };
    if (!config_.dialog) config_.dialog = DefaultSettingsDialog();
}

int LocalJVLink::JVInit(const std::string& sid) {
    if (sid.empty()) return jvresult::kSidMissing;
    if (sid.size() >= 64) return jvresult::kSidTooLong;
    if (sid[0] == ' ') return jvresult::kSidLeadingBlank;
    initialised_ = true;
    return jvresult::kOk;
}

int LocalJVLink::JVSetUIProperties() {
    LocalJVLinkSettings settings = LoadLocalJVLinkSettings(config_.settingsFile);
    if (!config_.dialog(settings)) return jvresult::kOk;  // cancelled: nothing changes
    std::error_code ec;
    if (!settings.sourceFolder.empty() && !fs::is_directory(PathFromText(settings.sourceFolder), ec))
        return jvresult::kSetupFailed;
    if (settings.downloadMsPerFile < 0 || settings.downloadMsPerFile > kMaxMsPerFile) return jvresult::kSetupFailed;
    std::string error;
    return SaveLocalJVLinkSettings(config_.settingsFile, settings, error) ? jvresult::kOk : jvresult::kSetupFailed;
}

int LocalJVLink::Gather(const LocalJVLinkSettings& settings, const std::string& fromtime,
                        std::vector<Entry>& out) const {
    if (!settings.sourceFolder.empty()) {
        fs::path folder = PathFromText(settings.sourceFolder);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) return jvresult::kBadSettings;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            std::string name = PathText(it->path().filename());
            std::optional<JvdName> parsed = ParseJvdName(name);
            if (!parsed || !IsRaceRecordType(parsed->type) || parsed->timestamp <= fromtime) continue;
            out.push_back(Entry{name, parsed->timestamp, it->path(), std::nullopt});
        }
        if (ec) return jvresult::kBadSettings;
    } else {
        // The demo programme of this week, as far as it exists by now, and the results of the
        // weeks since the starting point (at most twelve weeks back).
        const JstTime now = Now(settings);
        const std::chrono::local_days nowDay = std::chrono::floor<std::chrono::days>(now);
        const std::chrono::sys_days today{nowDay.time_since_epoch()};
        const auto sinceMidnight = std::chrono::duration_cast<std::chrono::seconds>(now - nowDay).count();
        const std::string nowStamp =
            TimestampOf(today, static_cast<int>(sinceMidnight / 3600), static_cast<int>(sinceMidnight / 60 % 60),
                        static_cast<int>(sinceMidnight % 60));
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
    return jvresult::kOk;
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
    if (!initialised_) return jvresult::kNotInitialised;
    if (session_) return jvresult::kAlreadyOpen;
    if (dataspec != "RACE") return jvresult::kBadDataspec;
    if (!IsValidTimestamp(fromtime)) return jvresult::kBadFromtime;
    if (option < 1 || option > 4) return jvresult::kBadOption;

    // Copies that a killed process left half done are of no use to anyone.
    RemoveStaleTemporaries(config_.cacheDir);
    LocalJVLinkSettings settings = LoadLocalJVLinkSettings(config_.settingsFile);
    Session s;
    if (int rc = Gather(settings, fromtime, s.files); rc != jvresult::kOk) return rc;
    if (s.files.empty()) return jvresult::kNoNewData;
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
    return jvresult::kOk;
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
            s.failure = jvresult::kDownloadFailed;
            return;
        }
        e.toDownload = false;
        ++s.downloaded;
    }
}

JstTime LocalJVLink::Now(const LocalJVLinkSettings& settings) const {
    if (std::optional<JstTime> demo = ParseDemoClock(settings.demoClock)) return *demo;
    return JstOf(config_.clock());
}

int LocalJVLink::JVRTOpen(const std::string& dataspec, const std::string& key) {
    if (!initialised_) return jvresult::kNotInitialised;
    if (session_) return jvresult::kAlreadyOpen;
    if (int rc = CheckRealtimeRequest(dataspec, key); rc != jvresult::kOk) return rc;
    // A source folder holds stored data only: it announces nothing on the day.
    const LocalJVLinkSettings settings = LoadLocalJVLinkSettings(config_.settingsFile);
    if (!settings.sourceFolder.empty()) return jvresult::kNoNewData;
    const std::chrono::sys_days day{std::chrono::year{std::stoi(key.substr(0, 4))} /
                                    std::chrono::month{static_cast<unsigned>(std::stoi(key.substr(4, 2)))} /
                                    std::chrono::day{static_cast<unsigned>(std::stoi(key.substr(6, 2)))}};
    const JstTime now = Now(settings);
    if (!RaceDayKept(day, now)) return jvresult::kNoNewData;
    if (!raceWeek_ || raceWeek_->Monday() != MondayOf(day)) raceWeek_ = std::make_shared<DemoRaceWeek>(day);
    std::vector<std::string> records = raceWeek_->Realtime(dataspec, key, now);
    if (records.empty()) return jvresult::kNoNewData;
    std::string content;
    for (const std::string& r : records) content += r;
    Session s;
    s.realtime = true;
    s.files.push_back(Entry{dataspec + key, {}, {}, std::move(content)});
    s.started = config_.clock();
    session_ = std::move(s);
    return jvresult::kOk;
}

int LocalJVLink::JVStatus() {
    if (!initialised_) return jvresult::kNotInitialised;
    if (!session_) return jvresult::kNotOpen;
    Advance();
    if (session_->failure != 0) return session_->failure;
    return static_cast<int>(session_->downloaded);
}

int LocalJVLink::JVRead(std::string& buffer, int& size, std::string& fileName) {
    if (!initialised_) return jvresult::kNotInitialised;
    if (!session_) return jvresult::kNotOpen;
    Advance();
    Session& s = *session_;
    if (s.file >= s.files.size()) return jvresult::kAllRead;
    Entry& e = s.files[s.file];
    if (!s.loaded) {
        if (e.toDownload) {
            if (s.failure != 0) return s.failure;
            // A file the cancelled download never fetched will not come any more.
            return s.cancelled ? jvresult::kDownloadFailed : jvresult::kDownloading;
        }
        if (s.realtime)
            s.content = *e.content;
        else if (!ReadWholeFile(config_.cacheDir / e.name, s.content))
            return jvresult::kFileMissing;
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
        return jvresult::kFileEnd;
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
    return jvresult::kOk;
}

}  // namespace turfpad
