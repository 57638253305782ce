// Doubles for driving the acquisition: a JV-Link that answers from a script and logs every call,
// and a settings store in memory.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jvlink/JVLink.h"
#include "settings/IniStore.h"

namespace turfpad::testing {

// A JV-Link that answers from a script and logs every call.
class ScriptedJVLink : public JVLink {
  public:
    int openResult = 0, readCount = 2, downloadCount = 0, closeResult = 0, setResult = 0;
    std::string lastTimestamp = "20261210160000";
    std::deque<int> statuses;
    std::deque<std::pair<int, std::string>> reads;  // result and record
    std::vector<std::string> calls;
    std::vector<int> sizesGiven;
    std::function<void()> onRead;  // runs inside JVRead (to press buttons mid-loop)
    int failOnRead = 0;            // the n-th JVRead fails as a call
    int failOnStatus = 0;          // the n-th JVStatus fails as a call

    int JVInit(const std::string&) override { return 0; }
    int JVSetUIProperties() override {
        calls.push_back("JVSetUIProperties");
        return setResult;
    }
    int JVOpen(const std::string& kind, const std::string& from, int option, int& rc, int& dc,
               std::string& ts) override {
        calls.push_back("JVOpen " + kind + " " + from + " " + std::to_string(option));
        rc = readCount;
        dc = downloadCount;
        ts = lastTimestamp;
        return openResult;
    }
    // Race-day opens answer from `realtime` by "dataspec key": the result, then the records
    // JVRead hands out (a file end after them); an open not in it answers -1.
    std::map<std::string, std::pair<int, std::vector<std::string>>> realtime;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override {
        calls.push_back("JVRTOpen " + dataspec + " " + key);
        auto found = realtime.find(dataspec + " " + key);
        if (found == realtime.end()) return jvresult::kNoNewData;
        reads.clear();
        for (const std::string& r : found->second.second) reads.emplace_back(static_cast<int>(r.size()), r);
        if (!reads.empty()) reads.emplace_back(jvresult::kFileEnd, "");
        return found->second.first;
    }
    int JVStatus() override {
        calls.push_back("JVStatus");
        if (failOnStatus > 0 && Count("JVStatus") == failOnStatus)
            throw JVLinkCallError("JVStatus: the control did not answer");
        int r = statuses.front();
        if (statuses.size() > 1) statuses.pop_front();
        return r;
    }
    int JVRead(std::string& buffer, int& size, std::string&) override {
        calls.push_back("JVRead");
        sizesGiven.push_back(size);
        if (onRead) onRead();
        if (failOnRead > 0 && static_cast<int>(sizesGiven.size()) == failOnRead)
            throw JVLinkCallError("JVRead: the control did not answer");
        if (reads.empty()) return 0;
        auto [code, record] = reads.front();
        reads.pop_front();
        buffer = record;
        if (code > 0) size = static_cast<int>(record.size());
        return code;
    }
    void JVCancel() override { calls.push_back("JVCancel"); }
    int JVClose() override {
        calls.push_back("JVClose");
        return closeResult;
    }
    int Count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
};

class MemoryIni : public IniStore {
  public:
    std::map<std::string, std::string> values;
    static std::string K(std::string_view s, std::string_view k) { return std::string(s) + "/" + std::string(k); }
    bool ReadBool(std::string_view s, std::string_view k, bool d) const override { return ReadInteger(s, k, d) != 0; }
    void WriteBool(std::string_view s, std::string_view k, bool v) override { values[K(s, k)] = v ? "1" : "0"; }
    int ReadInteger(std::string_view s, std::string_view k, int d) const override {
        auto it = values.find(K(s, k));
        return it == values.end() ? d : std::stoi(it->second);
    }
    void WriteInteger(std::string_view s, std::string_view k, int v) override { values[K(s, k)] = std::to_string(v); }
    std::string ReadString(std::string_view s, std::string_view k, std::string_view d) const override {
        auto it = values.find(K(s, k));
        return it == values.end() ? std::string(d) : it->second;
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override {
        values[K(s, k)] = std::string(v);
    }
};

}  // namespace turfpad::testing
