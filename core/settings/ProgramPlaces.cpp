#include "settings/ProgramPlaces.h"

#include <cstdlib>
#include <optional>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace turfpad {
namespace fs = std::filesystem;

namespace {

std::optional<fs::path>& ProgramFileOverride() {
    static std::optional<fs::path> path;
    return path;
}

fs::path PathFromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

// A folder named by a variable: only an absolute path counts (a relative one is ignored, as
// the XDG base directory rules say).
std::optional<fs::path> FolderVariable(const EnvironmentLookup& env, const char* name) {
    std::optional<std::string> value = env(name);
    if (!value || value->empty()) return std::nullopt;
    fs::path p = PathFromUtf8(*value);
    if (!p.is_absolute()) return std::nullopt;
    return p;
}

#ifndef _WIN32
// /usr holds what the system installed and is not written by programs, even run by root.
bool UnderUsr(const fs::path& folder) {
    auto it = folder.begin();
    return it != folder.end() && *it == "/" && ++it != folder.end() && *it == "usr";
}
#endif

std::optional<std::string> ProcessEnvironment(const char* name) {
#ifdef _WIN32
    std::wstring wide(name, name + std::char_traits<char>::length(name));
    DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(wide.c_str(), value.data(), n);
    value.resize(n);
    std::u8string u8 = fs::path(value).u8string();
    return std::string(u8.begin(), u8.end());
#else
    if (const char* v = std::getenv(name)) return std::string(v);
    if (std::string_view(name) == "HOME") {  // the account's home when HOME is not set
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return std::string(pw->pw_dir);
    }
    return std::nullopt;
#endif
}

std::optional<ProgramPlaces>& Decided() {
    static std::optional<ProgramPlaces> places;
    return places;
}

}  // namespace

fs::path ProgramFile() {
    if (ProgramFileOverride()) return *ProgramFileOverride();
#ifdef _WIN32
    wchar_t buf[32768];
    DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    return fs::path(std::wstring(buf, n));
#else
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() / "turfpad" : p;
#endif
}

fs::path ProgramFolder() { return ProgramFile().parent_path(); }

void SetProgramFile(const fs::path& path) {
    ProgramFileOverride() = fs::absolute(path);
    ForgetPlaces();
}

ProgramPlaces PlacesFor(const fs::path& programFolder, bool programFolderWritable, const EnvironmentLookup& env) {
    ProgramPlaces beside{programFolder, programFolder, false};
#ifdef _WIN32
    if (programFolderWritable) return beside;
    std::optional<fs::path> roaming = FolderVariable(env, "APPDATA");
    std::optional<fs::path> local = FolderVariable(env, "LOCALAPPDATA");
    if (!roaming || !local) return beside;  // nowhere else to go
    return {*roaming / kUserFolderName, *local / kUserFolderName, true};
#else
    if (programFolderWritable && !UnderUsr(programFolder)) return beside;
    std::optional<fs::path> home = FolderVariable(env, "HOME");
    std::optional<fs::path> data = FolderVariable(env, "XDG_DATA_HOME");
    std::optional<fs::path> config = FolderVariable(env, "XDG_CONFIG_HOME");
    if (!data && home) data = *home / ".local" / "share";
    if (!config && home) config = *home / ".config";
    if (!data || !config) return beside;  // no home folder: nowhere else to go
    return {*data / kUserFolderName, *config / kUserFolderName, true};
#endif
}

bool FolderIsWritable(const fs::path& folder) {
#ifdef _WIN32
    // Folder permissions on Windows are access lists that only a real attempt answers.
    fs::path probe = folder / (L"turfpad-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
#else
    std::error_code ec;
    return fs::is_directory(folder, ec) && access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

const ProgramPlaces& Places() {
    std::optional<ProgramPlaces>& places = Decided();
    if (!places) {
        fs::path folder = ProgramFolder();
        places = PlacesFor(folder, FolderIsWritable(folder), ProcessEnvironment);
        if (places->perUser) {
            std::error_code ec;  // a folder that cannot be made is reported when it is written
            fs::create_directories(places->dataHome, ec);
            fs::create_directories(places->settingsHome, ec);
        }
    }
    return *places;
}

void ForgetPlaces() { Decided().reset(); }

fs::path ShippedFile(const fs::path& programFolder, const fs::path& name) {
    fs::path beside = programFolder / name;
    fs::path installed = programFolder.parent_path() / "share" / kUserFolderName / name;
    std::error_code ec;
    if (!fs::exists(beside, ec) && fs::exists(installed, ec)) return installed;
    return beside;
}

}  // namespace turfpad
