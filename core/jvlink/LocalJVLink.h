// The local stand-in for the JV-Link control, used where the control does not exist. It
// serves JV-Data files (see JvdFiles.h) from a source folder, or the demo programme of the
// current week when no source folder is set, and behaves as the control does: files not yet
// in its own cache folder are "downloaded" (copied) at a steady rate while JVStatus reports
// the progress, so the first acquisition of a range downloads and a repeat reads at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jvlink/DemoRaceDay.h"
#include "jvlink/JVLink.h"
#include "jvlink/JvdFiles.h"

namespace turfpad {

// The stand-in's own settings, kept in a small key=value file (UTF-8).
struct LocalJVLinkSettings {
    std::string sourceFolder;     // UTF-8 path; empty: serve the demo programme
    std::string serviceKey;       // kept, not checked
    int downloadMsPerFile = 300;  // the download rate; 0 fetches everything at once
    // The time in Japan the demo programme is served at, "yyyy-mm-dd hh:mm"; empty (or not a
    // valid time): the real time. It decides the week served and what the race days announce.
    std::string demoClock;
    bool operator==(const LocalJVLinkSettings&) const = default;
};

// Reads the settings file; a missing file or key gives the defaults.
LocalJVLinkSettings LoadLocalJVLinkSettings(const std::filesystem::path& file);
// Writes the settings file whole (by way of a temporary file). False and `error` on failure.
bool SaveLocalJVLinkSettings(const std::filesystem::path& file, const LocalJVLinkSettings& settings,
                             std::string& error);

class LocalJVLink : public JVLink {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    // Shows the settings to the user to change; true when the user confirmed, false on cancel.
    using SettingsDialog = std::function<bool(LocalJVLinkSettings&)>;

    struct Config {
        std::filesystem::path settingsFile;  // default: "JVLinkLocal.ini" in Places().settingsHome
        std::filesystem::path cacheDir;      // default: "JVLinkLocal" in Places().dataHome
        Clock clock;                         // default: the system clock
        SettingsDialog dialog;               // default: DefaultSettingsDialog()
    };

    // The dialog every stand-in made without one of its own shows. The windowed program installs
    // its settings window at start; until then (and in the command line) the dialog changes
    // nothing and answers "cancelled".
    static void SetDefaultSettingsDialog(SettingsDialog dialog);
    static SettingsDialog DefaultSettingsDialog();

    // Settings file and cache beside the program, the system clock, the default dialog.
    LocalJVLink();
    explicit LocalJVLink(Config config);

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& buffer, int& size, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;

    const Config& config() const { return config_; }

    // The stand-in's time in Japan: the demo clock of the settings when set, else the clock's.
    JstTime Now(const LocalJVLinkSettings& settings) const;

  private:
    struct Entry {
        std::string name;
        std::string timestamp;
        std::filesystem::path source;        // a file of the source folder, or
        std::optional<std::string> content;  // a file of the demo programme
        bool toDownload = false;
    };
    struct Session {
        std::vector<Entry> files;
        std::vector<std::size_t> downloads;  // indexes of files, in download order
        std::size_t downloaded = 0;
        std::chrono::system_clock::time_point started;
        int msPerFile = 0;
        bool cancelled = false;
        int failure = 0;  // a download error code once a copy failed
        std::size_t file = 0;
        bool loaded = false;
        std::string content;    // of the file being read
        std::size_t at = 0;     // where its next record begins
        bool realtime = false;  // race-day data: the files are read from memory, not the cache
    };

    int Gather(const LocalJVLinkSettings& settings, const std::string& fromtime, std::vector<Entry>& out) const;
    bool InCache(const Entry& e) const;
    void Advance();
    bool Downloaded(std::size_t file) const;

    Config config_;
    bool initialised_ = false;
    std::optional<Session> session_;
    // The demo week of the last race-day request: made once, as a race day's fetch asks it
    // many times.
    std::shared_ptr<const DemoRaceWeek> raceWeek_;
};

}  // namespace turfpad
