# Cross-compiles the Windows build with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64). The executables are linked statically, so they run
# without any DLL beyond the system's, and CTest runs the unit tests under
# Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The compiler's POSIX thread model: GoogleTest needs std::mutex, which the
# Win32 model of this GCC lacks. (-static takes its thread library in too.)
set(KAVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the test executables: one prefix, quiet, without a display, in
# a Japanese locale so that the ANSI code page is 932, and with a Recycle
# Bin of the tests' own (Wine keeps it in the Linux trash of XDG_DATA_HOME).
if(DEFINED ENV{WINEPREFIX})
  set(KAVO_WINEPREFIX "$ENV{WINEPREFIX}")
else()
  set(KAVO_WINEPREFIX "$ENV{HOME}/.kavo-wine")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    env -u DISPLAY WINEPREFIX=${KAVO_WINEPREFIX} WINEDEBUG=-all
    LANG=ja_JP.UTF-8 XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data wine)
