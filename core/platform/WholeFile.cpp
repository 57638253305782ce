#include "platform/WholeFile.h"

#include "platform/FolderFiles.h"

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

std::vector<SharedBytes> ReadFilesTogether(const fs::path& folder, const std::vector<std::string>& names,
                                           std::int64_t largest) {
    // One block for all the files, made whole at once, was tried: it took twice as long as
    // reading each file into its own string.
    std::vector<SharedBytes> files(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto bytes = std::make_shared<std::string>();
        files[i].present = ReadSmallFile(folder / names[i], largest, *bytes);
        files[i].bytes = *bytes;
        files[i].owner = std::move(bytes);
    }
    return files;
}

}  // namespace turfpad
