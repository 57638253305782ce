#include "platform/WholeFile.h"

#include <fstream>
#include <system_error>

namespace turfpad {
namespace fs = std::filesystem;

bool ReadWholeFile(const fs::path& path, std::string& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.clear();
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return false;
    out.reserve(static_cast<std::size_t>(size));
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) out.append(buf, static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

}  // namespace turfpad
