# Cross-compiling for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686),
# with its POSIX thread model, whose C++ library has std::mutex (GoogleTest needs it).
# Modules are named .mexw32. The tests run under 32-bit Wine (Debian: wine32,
# after dpkg --add-architecture i386): configure with
# -DCMAKE_CROSSCOMPILING_EMULATOR=<repository>/scripts/wine.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
