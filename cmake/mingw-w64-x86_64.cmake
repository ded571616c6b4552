# Cross-builds nurvo.exe for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64), and runs
# the Windows test executables under wine64 (Debian: wine64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NURVO_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: its libstdc++ has std::thread and std::mutex, and with -static the
# winpthread runtime goes into the .exe as well.
find_program(CMAKE_C_COMPILER NAMES ${NURVO_MINGW_PREFIX}-gcc-posix ${NURVO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${NURVO_MINGW_PREFIX}-g++-posix ${NURVO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${NURVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NURVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows test executables through wine64.
# Debian installs wine64 in /usr/lib/wine, outside the PATH.
find_program(NURVO_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(NURVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NURVO_WINE})
endif()
