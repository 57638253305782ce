// Reads arbitrary settings files: every read gives a value or its default, and a write of one
// value reads back and leaves every other value as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/SettingsFile.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path path = fs::temp_directory_path() / ("turfpad-fuzz-" + std::to_string(getpid()) + ".ini");
    std::string content(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    turfpad::TIniGT ini;
    ini.SetFileName(path.string());
    int left = ini.ReadInteger("locate", "left", 10);
    bool close = ini.ReadBool("datalist", "close", false);
    std::string last = ini.ReadString("JvDataGet", "LastTime", "x");
    if (last.size() > 2047 * 3) std::abort();
    ini.WriteInteger("locate", "top", 42);
    // The written value reads back, and every other value is as it was.
    if (ini.ReadInteger("locate", "top", 0) != 42) std::abort();
    if (ini.ReadInteger("locate", "left", 10) != left) std::abort();
    if (ini.ReadBool("datalist", "close", false) != close) std::abort();
    if (ini.ReadString("JvDataGet", "LastTime", "x") != last) std::abort();
    return 0;
}
