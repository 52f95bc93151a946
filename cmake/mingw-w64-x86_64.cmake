# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread needs). Used for the game and for its SDL2 and
# SDL2_image (scripts/windows-deps.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MORVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MORVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVA_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MORVA_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${MORVA_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers only from the MinGW sysroot and the prefixes given in
# CMAKE_PREFIX_PATH / CMAKE_FIND_ROOT_PATH, never from the Linux system.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MORVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Runs the cross-built test programs CMake may try (and our own checks) under Wine.
find_program(MORVA_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MORVA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MORVA_WINE})
endif()
