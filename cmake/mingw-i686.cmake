# Cross-building the 32-bit Windows program on Debian with MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests and test discovery run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# The Qt-free programs carry their C and C++ runtime, so they run from any folder. Qt and the
# programs built against it share the runtime DLLs instead (set TURFPAD_MINGW_SHARED_RUNTIME
# before this file is read).
if(NOT TURFPAD_MINGW_SHARED_RUNTIME)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
    set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
endif()
