// Feeds arbitrary records to filing. Whatever the records hold, filing must not crash, must
// write nothing outside the data folder, and every file in the data folder must be a whole
// race data file: 15264 bytes in 12 lines or 119880 bytes in 216 lines, each ending CR LF.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "datafolder/AtomicFile.h"
#include "datafolder/RaceFiles.h"
#include "formguide/HorseRunIndex.h"
#include "records/RecordBuilder.h"

namespace fs = std::filesystem;
using namespace turfpad;

namespace {

struct Folders {
    fs::path top, data;
    Folders() {
        top = fs::temp_directory_path() / ("turfpad-fuzz-" + std::to_string(getpid()));
        data = top / "a" / "Data";
        fs::remove_all(top);
        fs::create_directories(data);
    }
};

Folders& Dirs() {
    static Folders f;
    return f;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

void Check() {
    const Folders& d = Dirs();
    std::size_t files = 0;
    const fs::path index = d.data / kHorseIndexFolderName;
    for (const auto& e : fs::recursive_directory_iterator(d.top)) {
        if (e.is_directory()) {
            if (e.path() != d.top / "a" && e.path() != d.data && e.path() != index) Fail("folder " + e.path().string());
            continue;
        }
        if (e.path().parent_path() == index) {  // the horse index: whole month files only
            std::string content;
            HorseIndexMonth month;
            if (!ReadWholeFile(e.path(), content) || !month.Parse(content)) Fail("broken index " + e.path().string());
            continue;
        }
        if (e.path().parent_path() != d.data) Fail("file outside the data folder: " + e.path().string());
        if (e.path().filename().string() == kDataFolderLockName || e.path().filename().string() == kDataFolderWaitName)
            continue;  // the lock files
        std::string content;
        if (!ReadWholeFile(e.path(), content)) Fail("unreadable " + e.path().string());
        bool ra = content.size() == kRaFileSize && IsWholeRaceFile(content, kRaRecordSize);
        bool se = content.size() == kSeFileSize && IsWholeRaceFile(content, kSeRecordSize);
        if (!ra && !se) Fail("broken file " + e.path().string());
        ++files;
    }
    if (files > 6) {  // keep the folder small, so each run stays quick
        fs::remove_all(d.data);
        fs::create_directories(d.data);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    RaceFiler filer(Dirs().data, 4);
    filer.SetDurable(false);  // a sync per run would only slow the search
    try {
        if (data[0] & 1) {
            // Overlay the input on a well-formed record so filing goes deep.
            std::string rec = (data[0] & 2) ? RecordBuilder::Se().str() : RecordBuilder::Ra().str();
            rec.replace(2, std::min(input.size(), rec.size() - 2), input.substr(0, rec.size() - 2));
            filer.File(rec);
        } else {
            std::size_t at = 0;
            while (at < input.size()) {
                std::size_t nl = input.find('\n', at);
                std::size_t end = nl == std::string::npos ? input.size() : nl + 1;
                filer.File(std::string_view(input).substr(at, end - at));
                at = end;
            }
        }
        filer.Flush();
    } catch (const FilingError&) {
        // A damaged file or a refused write is reported, never a crash.
    }
    Check();
    return 0;
}
