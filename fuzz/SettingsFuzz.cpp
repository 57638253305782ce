// Reads arbitrary settings files: every read gives a value or its default, and a write keeps
// the rest of the file as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "AtomicFile.h"
#include "IniGT.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path path = fs::temp_directory_path() / ("turfpad-fuzz-" + std::to_string(getpid()) + ".ini");
    std::string content(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    turfpad::TIniGT ini;
    ini.SetFileName(path.string());
    (void)ini.ReadInteger("locate", "left", 10);
    (void)ini.ReadBool("datalist", "close", false);
    std::string s = ini.ReadString("JvDataGet", "LastTime", "x");
    if (s.size() > 2047 * 3) std::abort();
    ini.WriteInteger("locate", "top", 42);
    if (ini.ReadInteger("locate", "top", 0) != 42) std::abort();
    std::string after;
    turfpad::ReadWholeFile(path, after);
    if (after.size() < content.size() / 2) std::abort();  // nothing of the old file was lost wholesale
    return 0;
}
