// Runs turfpad-cli through the shell with a line of arguments (quoted as the shell wants
// them), and collects its exit status, standard output and standard error.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace turfpad::testing {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// `prefix` goes before the program (for example "env -u DISPLAY"); the output is kept in
// files of `dir`.
inline Outcome RunCli(const std::string& args, const std::filesystem::path& dir, const std::string& prefix = {}) {
    const std::filesystem::path out = dir / "out.txt";
    const std::filesystem::path err = dir / "err.txt";
    const std::string line =
        prefix + " " + std::string(TURFPAD_CLI) + " " + args + " >" + out.string() + " 2>" + err.string();
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

}  // namespace turfpad::testing
