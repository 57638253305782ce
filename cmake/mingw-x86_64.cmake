# Cross-building the Qt-free core, turfpad-cli and their tests as 64-bit Windows programs, for
# the checks under wine64 on a machine where the 32-bit Wine cannot be installed. The program
# users get stays 32-bit (mingw-i686.cmake): the JV-Link control most users have is 32-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# GCC 12 warns of an overlapping memcpy inside std::string's operator+ at -O2 in 64-bit code,
# a known false alarm (GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
