// A JV-Link that records the identifier it was initialised with and answers JVInit with a
// chosen code.
#pragma once

#include <string>

#include "jvlink/JVLink.h"

namespace turfpad::testing {

class FakeJVLink : public JVLink {
  public:
    explicit FakeJVLink(int initResult = 0, std::string* sid = nullptr) : initResult_(initResult), sid_(sid) {}
    int JVInit(const std::string& sid) override {
        if (sid_) *sid_ = sid;
        return initResult_;
    }
    int JVSetUIProperties() override { return 0; }
    int JVOpen(const std::string&, const std::string&, int, int& rc, int& dc, std::string& ts) override {
        rc = dc = 0;
        ts.clear();
        return jvresult::kNoNewData;
    }
    int JVRTOpen(const std::string&, const std::string&) override { return jvresult::kNoNewData; }
    int JVStatus() override { return 0; }
    int JVRead(std::string&, int&, std::string&) override { return 0; }
    void JVCancel() override {}
    int JVClose() override { return 0; }

  private:
    int initResult_;
    std::string* sid_;
};

}  // namespace turfpad::testing
