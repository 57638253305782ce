// Why the JV-Link control could not be created, in words a user can act on: it is not
// installed, it is installed but this program cannot load it (a 64-bit program cannot load
// the 32-bit control in-process), or only the 64-bit control (JV-Link 5.0 and later) is
// installed, which this 32-bit program cannot load. The start-up message stays the same in
// the first two cases; this text goes to the start-up log with the COM error, so they can be
// told apart. The last case has a start-up message of its own, saying what to install.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace turfpad {

enum class JVLinkCreationFailure { NotInstalled, CannotLoad, Only64BitInstalled };

// Whether the control's class is registered in the registry view of this program's bitness and
// in the other one (the 64-bit view, for a 32-bit program on 64-bit Windows).
struct JVLinkRegistration {
    bool ownView = false;
    bool otherView = false;
};

// A COM result as 0x followed by eight capital hex digits.
std::string HResultText(std::uint32_t hresult);

// What the failure of creating the control with this result means. Its ProgID unknown
// (CO_E_CLASSSTRING) is a missing control; its class unknown (REGDB_E_CLASSNOTREG) too, except
// in a 64-bit program, which does not see the 32-bit control's registration. Anything else is
// a control that is there but does not load. Either of the two in a 32-bit program whose own
// registry view lacks the class while the 64-bit view has it is the 64-bit control alone.
JVLinkCreationFailure ClassifyJVLinkCreation(std::uint32_t hresult, bool program64Bit,
                                             JVLinkRegistration registration = {});

// One line of UTF-8: the meaning, then the ProgID, the code and the system's words for it
// (`systemText`, left out when empty).
std::string JVLinkCreationErrorText(std::uint32_t hresult, std::string_view systemText, bool program64Bit,
                                    JVLinkRegistration registration = {});

// What the start-up message box says for a creation error made by JVLinkCreationErrorText:
// what to install when only the 64-bit control is there, else `general`.
std::string JVLinkStartupMessage(std::string_view error, std::string_view general);

// The start-up log: the program file's name with ".log", beside the settings file.
std::filesystem::path StartupLogPath();

// Adds a dated line (UTF-8) to the log, creating it when missing; false with `error` when the
// file cannot be written.
bool AppendStartupLog(const std::filesystem::path& log, std::string_view line, std::string& error);

}  // namespace turfpad
