// Runs a program with arguments and standard input, and collects its exit status, standard
// output and standard error; or starts it to be killed.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace turfpad::testing {

struct RunResult {
    int status = -1;  // exit status, or -signal
    std::string out, err;
};

RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input = {});

// Starts the program with its output thrown away; returns its process id.
pid_t Start(const std::string& program, const std::vector<std::string>& args);
// Kills it with SIGKILL and waits for it.
void Kill(pid_t pid);
// Waits for it; returns its exit status, or -signal.
int Wait(pid_t pid);

}  // namespace turfpad::testing
