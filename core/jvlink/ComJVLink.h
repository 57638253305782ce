// The JV-Link control itself (Windows): created by its ProgID "JVDTLab.JVLink" and called
// through IDispatch by name, so no generated headers are needed. Records come back as the
// control's wide strings and are handed on as cp932 bytes.
#pragma once

#ifdef _WIN32

#include <map>
#include <memory>
#include <string>

#include "jvlink/JVLink.h"
#include "jvlink/JVLinkCreationError.h"

struct IDispatch;
struct tagVARIANT;

namespace turfpad {

// Where the class of `progId` is registered as an in-process server: in the registry view of
// this program's bitness and in the other one (on 32-bit Windows there is only one view).
JVLinkRegistration ProbeJVLinkRegistration(const wchar_t* progId);

class ComJVLink : public JVLink {
  public:
    // Creates the control; nullptr with `error` (UTF-8, with the system's code) when the
    // control is not installed or cannot be created.
    static std::unique_ptr<ComJVLink> Create(std::string& error);
    ~ComJVLink() override;
    ComJVLink(const ComJVLink&) = delete;
    ComJVLink& operator=(const ComJVLink&) = delete;

    int JVInit(const std::string& sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override;
    int JVRTOpen(const std::string& dataspec, const std::string& key) override;
    int JVStatus() override;
    int JVRead(std::string& buffer, int& size, std::string& fileName) override;
    void JVCancel() override;
    int JVClose() override;

  private:
    ComJVLink(IDispatch* dispatch, bool uninitialize);
    long Id(const wchar_t* name);
    // Calls a method with its arguments in reverse order (the last argument first), as
    // IDispatch takes them. Throws JVLinkCallError when the call itself fails.
    int Call(const wchar_t* name, tagVARIANT* args, unsigned count);

    IDispatch* dispatch_;
    bool uninitialize_;
    std::map<std::wstring, long> ids_;
};

}  // namespace turfpad

#endif
