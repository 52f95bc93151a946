#!/bin/bash
# Builds the game for 64-bit Windows with MinGW-w64: the runnable tree
# build-windows/ (or $1) holds morva.exe, SDL2.dll, SDL2_image.dll and Data/;
# further arguments go to CMake (scripts/package.sh sets its flags so).
# SDL and the rest come from scripts/windows-deps.sh's cache; the textures are
# rendered and packed by the tools of a native build (MORVA_HOST_BUILD, default build/,
# configured here if need be).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-windows}
shift || true
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}

DEPS=$(./scripts/windows-deps.sh | tail -1)
if [ ! -x "$HOST/assets/morva_art" ] || [ ! -x "$HOST/plumo/plumo_pack" ]; then
  [ -f "$HOST/CMakeCache.txt" ] || cmake -B "$HOST" -S . -DMORVA_TESTS=OFF
  cmake --build "$HOST" -j "$JOBS" --target morva_art plumo_pack
fi
cmake -B "$BUILD" -S . -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DMORVA_TESTS=OFF \
  -DMORVA_WINDOWS_DEPS="$DEPS" -DMORVA_HOST_BUILD="$(realpath "$HOST")" "$@"
cmake --build "$BUILD" -j "$JOBS"
