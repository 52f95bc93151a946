#!/bin/bash
# Builds what the web game links against (SDL2 and SDL2_image as static
# WebAssembly libraries) with Emscripten from Debian's own source packages of
# the versions the Linux build uses, into a cache folder outside git.
# A build is kept under a key made of those versions, Emscripten's version and
# RECIPE, so it runs again only when one of them changes.
#
# Prints the prefix (include/, lib/, lib/cmake/) as its last line.
# MORVA_WEB_DEPS_CACHE overrides the cache folder; MORVA_JOBS the build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
CACHE=${MORVA_WEB_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morva/web-deps}
JOBS=${MORVA_JOBS:-2}
# Raise when a change here changes what is built.
RECIPE=1
# Debian's emcc finds its JavaScript helpers only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

say() { printf 'web-deps: %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }
. scripts/sdl-sources.sh

command -v emcmake >/dev/null || fail "emcmake not found (run scripts/install-deps.sh web)"
SDL2_VERSION=$(version_of libsdl2-dev)
IMAGE_VERSION=$(version_of libsdl2-image-dev)
KEY=$({
  echo "libsdl2=$SDL2_VERSION libsdl2-image=$IMAGE_VERSION"
  echo "recipe $RECIPE"
  emcc --version | sed -n 1p
} | sha256sum | cut -c1-16)
PREFIX=$CACHE/$KEY/prefix

take_turn

say "building SDL2 $SDL2_VERSION and SDL2_image $IMAGE_VERSION into $CACHE/$KEY"
mkdir -p "$PREFIX"
fetch_sources

# SDL2 static, without threads (the page has none); every configure check runs
# emcc, so this takes several minutes.
if ! done_before sdl2; then
  say "SDL2 (about ten minutes)"
  emcmake cmake -S "$(src_of libsdl2)" -B "$CACHE/$KEY/build/sdl2" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_THREADS=OFF >"$CACHE/$KEY/sdl2.log" 2>&1 ||
    fail "SDL2 configure failed, see $CACHE/$KEY/sdl2.log"
  cmake --build "$CACHE/$KEY/build/sdl2" -j "$JOBS" >>"$CACHE/$KEY/sdl2.log" 2>&1 &&
    cmake --install "$CACHE/$KEY/build/sdl2" >>"$CACHE/$KEY/sdl2.log" 2>&1 ||
    fail "SDL2 build failed, see $CACHE/$KEY/sdl2.log"
  mark_done sdl2
fi

# SDL2_image with its built-in stb_image: PNG loading and saving, nothing else.
if ! done_before sdl2-image; then
  say "SDL2_image"
  emcmake cmake -S "$(src_of libsdl2-image)" -B "$CACHE/$KEY/build/sdl2-image" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" \
    -DSDL2_DIR="$PREFIX/lib/cmake/SDL2" -DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_BACKEND_STB=ON \
    -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_AVIF=OFF \
    -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_JPG=OFF \
    >"$CACHE/$KEY/sdl2-image.log" 2>&1 ||
    fail "SDL2_image configure failed, see $CACHE/$KEY/sdl2-image.log"
  cmake --build "$CACHE/$KEY/build/sdl2-image" -j "$JOBS" >>"$CACHE/$KEY/sdl2-image.log" 2>&1 &&
    cmake --install "$CACHE/$KEY/build/sdl2-image" >>"$CACHE/$KEY/sdl2-image.log" 2>&1 ||
    fail "SDL2_image build failed, see $CACHE/$KEY/sdl2-image.log"
  # Its build installs no pkg-config file for Emscripten; the game's build reads one.
  cat >"$PREFIX/lib/pkgconfig/SDL2_image.pc" <<PC
prefix=$PREFIX
Name: SDL2_image
Description: image loading library for Simple DirectMedia Layer
Version: ${IMAGE_VERSION%%+*}
Requires: sdl2
Libs: -L\${prefix}/lib -lSDL2_image
Cflags: -I\${prefix}/include/SDL2
PC
  mark_done sdl2-image
fi

# The licences travel with the page.
mkdir -p "$PREFIX/licenses"
cp "$(src_of libsdl2)/LICENSE.txt" "$PREFIX/licenses/SDL2.txt"
cp "$(src_of libsdl2-image)/LICENSE.txt" "$PREFIX/licenses/SDL2_image.txt"

# Only the sources and objects of this build go; older keys stay until removed by hand.
rm -rf "$CACHE/$KEY/src" "$CACHE/$KEY/build"
touch "$CACHE/$KEY/done"
say "done"
printf '%s\n' "$PREFIX"
