# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, POSIX thread model. Everything is
# linked statically (libgcc, libstdc++, winpthread), so the programs run under Wine or on Windows
# without any DLL of the toolchain beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZAMP_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZAMP_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAMP_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZAMP_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZAMP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the test programs through Wine.
find_program(ZAMP_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ZAMP_WINE64 NAMES wine64 wine)
if(ZAMP_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAMP_WINE64})
endif()
