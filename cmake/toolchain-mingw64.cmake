# Cross toolchain: 64-bit Windows with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SENTRIX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SENTRIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SENTRIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SENTRIX_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SENTRIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs of this build run on the Linux host under Wine, in the environment that the tests'
# Wine fixture prepares (tests/wine/).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
