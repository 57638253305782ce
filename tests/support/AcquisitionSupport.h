// Helpers of the end-to-end acquisition tests: local points in time, the race data files of
// a folder, and a JV-Link that passes every call on and logs it.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TempDir.h"
#include "datafolder/RaceFiles.h"
#include "jvlink/JVLink.h"
#include "text/PathText.h"

namespace turfpad::testing {

// A point in time given in local time, as the stand-in reads its clock.
inline std::chrono::system_clock::time_point LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

// A day's race cards, or its odds and payouts file.
inline bool IsRaceDataName(const std::string& name) {
    return name.ends_with(".jvRA") || name.ends_with(".jvSEr") || name.ends_with(".jvO1HR");
}

// The race data files of a folder (UTF-8 names) with their contents.
inline std::map<std::string, std::string> RaceFilesIn(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = PathText(it->path().filename());
        if (IsRaceDataName(name)) files[name] = ReadAll(it->path());
    }
    return files;
}

// Names of the files in a folder that are not race data files (temporaries and the like); the
// lock files, which stay, are not among them.
inline std::vector<std::string> OtherFilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = PathText(it->path().filename());
        if (name == ".turfpad-horses") {
            // The horse index: month files only.
            std::error_code inner;
            for (std::filesystem::directory_iterator m(it->path(), inner); !inner && m != end; m.increment(inner))
                if (!m->path().filename().string().ends_with(".idx"))
                    names.push_back(name + "/" + PathText(m->path().filename()));
            continue;
        }
        if (!IsRaceDataName(name) && name != kDataFolderLockName && name != kDataFolderWaitName) names.push_back(name);
    }
    return names;
}

// Passes every call on to another JV-Link and logs it: "JVOpen RACE <from> 2 = <result>",
// "JVStatus = <result>", "JVRead = <result>" for results of 0 and below, "JVClose = <result>".
// Records handed out are only counted.
class LoggingJVLink : public JVLink {
  public:
    explicit LoggingJVLink(JVLink& inner) : inner_(inner) {}

    std::vector<std::string> calls;
    long records = 0;
    // Called after every JVRead with its result.
    std::function<void(int)> afterRead;
    // Reports the whole download as done at once, so that reading begins while the files are
    // still coming (JVRead then answers -3 until each file is there).
    bool statusDoneAtOnce = false;

    int JVInit(const std::string& sid) override { return inner_.JVInit(sid); }
    int JVSetUIProperties() override { return inner_.JVSetUIProperties(); }
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override {
        int rc = inner_.JVOpen(dataspec, fromtime, option, readCount, downloadCount, lastFileTimestamp);
        downloadCount_ = downloadCount;
        calls.push_back("JVOpen " + dataspec + " " + fromtime + " " + std::to_string(option) + " = " +
                        std::to_string(rc));
        return rc;
    }
    int JVRTOpen(const std::string& dataspec, const std::string& key) override {
        int rc = inner_.JVRTOpen(dataspec, key);
        calls.push_back("JVRTOpen " + dataspec + " " + key + " = " + std::to_string(rc));
        return rc;
    }
    int JVStatus() override {
        int rc = statusDoneAtOnce ? downloadCount_ : inner_.JVStatus();
        calls.push_back("JVStatus = " + std::to_string(rc));
        return rc;
    }
    int JVRead(std::string& buffer, int& size, std::string& fileName) override {
        int rc = inner_.JVRead(buffer, size, fileName);
        if (rc > 0)
            ++records;
        else
            calls.push_back("JVRead = " + std::to_string(rc));
        if (afterRead) afterRead(rc);
        return rc;
    }
    void JVCancel() override {
        calls.push_back("JVCancel");
        inner_.JVCancel();
    }
    int JVClose() override {
        int rc = inner_.JVClose();
        calls.push_back("JVClose = " + std::to_string(rc));
        return rc;
    }

    long Count(const std::string& call) const {
        long n = 0;
        for (const std::string& c : calls) n += c == call;
        return n;
    }

  private:
    JVLink& inner_;
    int downloadCount_ = 0;
};

}  // namespace turfpad::testing
