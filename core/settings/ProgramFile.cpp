#include "settings/ProgramFile.h"

#include <optional>

#include "settings/ProgramPlaces.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace turfpad {
namespace {
std::optional<std::filesystem::path>& Override() {
    static std::optional<std::filesystem::path> path;
    return path;
}
}  // namespace

std::filesystem::path ProgramFile() {
    if (Override()) return *Override();
#ifdef _WIN32
    wchar_t buf[32768];
    DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    return std::filesystem::path(std::wstring(buf, n));
#else
    std::error_code ec;
    std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() / "turfpad" : p;
#endif
}

std::filesystem::path ProgramFolder() { return ProgramFile().parent_path(); }

void SetProgramFile(const std::filesystem::path& path) {
    Override() = std::filesystem::absolute(path);
    ForgetPlaces();
}

}  // namespace turfpad
