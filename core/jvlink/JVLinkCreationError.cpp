#include "jvlink/JVLinkCreationError.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "settings/ProgramPlaces.h"
#include "text/SystemErrors.h"

namespace turfpad {
namespace {
constexpr std::uint32_t kClassStringUnknown = 0x800401F3;  // CO_E_CLASSSTRING
constexpr std::uint32_t kClassNotRegistered = 0x80040154;  // REGDB_E_CLASSNOTREG

constexpr std::string_view kOnly64BitInstalled =
    "64 ビット版の JV-Link だけがインストールされています。ターフパッドは 32 ビットのプログラムなので、"
    "32 ビット版の JV-Link が必要です。JRA-VAN のホームページから 32 ビット版の JV-Link を入手し、"
    "64 ビット版と並べてインストールしてください";
}  // namespace

std::string HResultText(std::uint32_t hresult) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hresult));
    return buf;
}

JVLinkCreationFailure ClassifyJVLinkCreation(std::uint32_t hresult, bool program64Bit,
                                             JVLinkRegistration registration) {
    const bool unknown = hresult == kClassStringUnknown || hresult == kClassNotRegistered;
    if (unknown && !program64Bit && registration.otherView && !registration.ownView)
        return JVLinkCreationFailure::Only64BitInstalled;
    if (hresult == kClassStringUnknown) return JVLinkCreationFailure::NotInstalled;
    if (hresult == kClassNotRegistered && !program64Bit) return JVLinkCreationFailure::NotInstalled;
    return JVLinkCreationFailure::CannotLoad;
}

std::string JVLinkCreationErrorText(std::uint32_t hresult, std::string_view systemText, bool program64Bit,
                                    JVLinkRegistration registration) {
    std::string meaning;
    const JVLinkCreationFailure failure = ClassifyJVLinkCreation(hresult, program64Bit, registration);
    if (failure == JVLinkCreationFailure::Only64BitInstalled)
        meaning = kOnly64BitInstalled;
    else if (failure == JVLinkCreationFailure::NotInstalled)
        meaning = "JV-Link がインストールされていません";
    else if (program64Bit)
        meaning =
            "JV-Link を読み込めません。64 ビットのプログラムは 32 ビットの JV-Link を使えません。32 ビット版の"
            "ターフパッドを使ってください";
    else
        meaning = "JV-Link はインストールされていますが、読み込めません";
    std::string cause = "JVDTLab.JVLink を作成できません: " + HResultText(hresult);
    if (!systemText.empty()) cause += " " + std::string(systemText);
    return meaning + "（" + cause + "）";
}

std::string JVLinkStartupMessage(std::string_view error, std::string_view general) {
    return std::string(error.starts_with(kOnly64BitInstalled) ? kOnly64BitInstalled : general);
}

std::filesystem::path StartupLogPath() {
    std::filesystem::path name = ProgramFile().filename();
    name.replace_extension(".log");
    return Places().settingsHome / name;
}

bool AppendStartupLog(const std::filesystem::path& log, std::string_view line, std::string& error) {
    const std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    std::ofstream out(log, std::ios::binary | std::ios::app);
    if (out) out << stamp << ' ' << line << '\n' << std::flush;
    if (out) return true;
    error = SystemErrorText(errno);
    return false;
}

}  // namespace turfpad
