// Process ids for tests of what a process leaves behind: this process's own, and one of a
// process that has ended (its files count as left by a killed writer).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace turfpad::testing {

inline unsigned long OwnProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

// Starts a process that ends at once, waits for it and gives its id; 0 when none could start.
inline unsigned long EndedProcessId() {
#ifdef _WIN32
    wchar_t command[] = L"cmd.exe /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info))
        return 0;
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);  // with the last handle gone, the id belongs to no process
    return info.dwProcessId;
#else
    pid_t child = fork();
    if (child == 0) _exit(0);
    if (child < 0) return 0;
    waitpid(child, nullptr, 0);
    return static_cast<unsigned long>(child);
#endif
}

}  // namespace turfpad::testing
