#!/bin/bash
# Cross-builds what the Windows game links against (SDL2 and SDL2_image as
# DLLs) from Debian's own source packages
# of the versions the Linux build uses, into a cache folder outside git.
# A build is kept under a key made of those versions, the compiler, the
# toolchain file and RECIPE, so it runs again only when one of them changes.
#
# Prints the prefix (include/, lib/, bin/*.dll, lib/pkgconfig/) as its last line.
# MORVA_WINDOWS_DEPS_CACHE overrides the cache folder; MORVA_JOBS the build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
CACHE=${MORVA_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morva/windows-deps}
JOBS=${MORVA_JOBS:-2}
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
# Raise when a change here changes what is built.
RECIPE=1
CC=x86_64-w64-mingw32-gcc-posix
AR=x86_64-w64-mingw32-ar

say() { printf 'windows-deps: %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }
. scripts/sdl-sources.sh

SDL2_VERSION=$(version_of libsdl2-dev)
IMAGE_VERSION=$(version_of libsdl2-image-dev)
KEY=$({
  echo "libsdl2=$SDL2_VERSION libsdl2-image=$IMAGE_VERSION"
  echo "recipe $RECIPE"
  $CC --version | head -1
  cat "$TOOLCHAIN"
} | sha256sum | cut -c1-16)
PREFIX=$CACHE/$KEY/prefix

take_turn
say "building SDL2 $SDL2_VERSION and SDL2_image $IMAGE_VERSION into $CACHE/$KEY"
mkdir -p "$PREFIX/include" "$PREFIX/lib/pkgconfig" "$PREFIX/bin"
fetch_sources

# SDL2 as a DLL only (a static one beside it would double the build time).
if ! done_before sdl2; then
  say "SDL2 (a few minutes)"
  cmake -S "$(src_of libsdl2)" -B "$CACHE/$KEY/build/sdl2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF >"$CACHE/$KEY/sdl2.log" 2>&1 ||
    fail "SDL2 configure failed, see $CACHE/$KEY/sdl2.log"
  cmake --build "$CACHE/$KEY/build/sdl2" -j "$JOBS" >>"$CACHE/$KEY/sdl2.log" 2>&1 &&
    cmake --install "$CACHE/$KEY/build/sdl2" >>"$CACHE/$KEY/sdl2.log" 2>&1 ||
    fail "SDL2 build failed, see $CACHE/$KEY/sdl2.log"
  mark_done sdl2
fi

# SDL2_image with its built-in stb_image: PNG loading and saving, nothing else.
if ! done_before sdl2-image; then
  say "SDL2_image"
  cmake -S "$(src_of libsdl2-image)" -B "$CACHE/$KEY/build/sdl2-image" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DSDL2_LIBRARY="$PREFIX/lib/libSDL2.dll.a" -DSDL2_INCLUDE_DIR="$PREFIX/include/SDL2" -DBUILD_SHARED_LIBS=ON -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF \
    -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_JPG=OFF >"$CACHE/$KEY/sdl2-image.log" 2>&1 ||
    fail "SDL2_image configure failed, see $CACHE/$KEY/sdl2-image.log"
  cmake --build "$CACHE/$KEY/build/sdl2-image" -j "$JOBS" >>"$CACHE/$KEY/sdl2-image.log" 2>&1 &&
    cmake --install "$CACHE/$KEY/build/sdl2-image" >>"$CACHE/$KEY/sdl2-image.log" 2>&1 ||
    fail "SDL2_image build failed, see $CACHE/$KEY/sdl2-image.log"
  mark_done sdl2-image
fi

# The licences travel with the DLLs.
mkdir -p "$PREFIX/licenses"
cp "$(src_of libsdl2)/LICENSE.txt" "$PREFIX/licenses/SDL2.txt"
cp "$(src_of libsdl2-image)/LICENSE.txt" "$PREFIX/licenses/SDL2_image.txt"

# Only the sources and objects of this build go; older keys stay until removed by hand.
rm -rf "$CACHE/$KEY/src" "$CACHE/$KEY/build"
touch "$CACHE/$KEY/done"
say "done"
printf '%s\n' "$PREFIX"
