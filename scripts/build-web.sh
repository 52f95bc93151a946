#!/bin/bash
# Builds the game for the web with Emscripten: build-web/ (or $1) holds the
# page (index.html, morva-page.js, morva-page.css), the program (morva.js,
# morva.wasm), Data/ packed into morva.data, and morva-node.js, the same
# program for node that the golden replays play. SDL comes from
# scripts/web-deps.sh's cache; the textures are rendered and packed by the
# tools of a native build (MORVA_HOST_BUILD, default build/, configured here
# if need be). Any static web server can serve the folder. Further arguments
# go to CMake (scripts/package.sh sets its flags so).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-web}
shift || true
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}
# Debian's emcc finds its JavaScript helpers only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

DEPS=$(./scripts/web-deps.sh | tail -1)
if [ ! -x "$HOST/assets/morva_art" ] || [ ! -x "$HOST/plumo/plumo_pack" ]; then
  [ -f "$HOST/CMakeCache.txt" ] || cmake -B "$HOST" -S . -DMORVA_TESTS=OFF
  cmake --build "$HOST" -j "$JOBS" --target morva_art plumo_pack
fi
# -O2 as the desktop build.
emcmake cmake -B "$BUILD" -S . -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DMORVA_TESTS=OFF -DMORVA_WEB_DEPS="$DEPS" \
  -DMORVA_HOST_BUILD="$(realpath "$HOST")" "$@" >/dev/null
# MORVA_WEB_TARGETS: only these (the page's alone for a package).
# shellcheck disable=SC2086
cmake --build "$BUILD" -j "$JOBS" --target ${MORVA_WEB_TARGETS:-morva morva_page morva_node morva_fault_cases}
