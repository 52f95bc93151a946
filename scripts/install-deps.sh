#!/bin/sh
# Installs the Debian 12 packages one purpose needs, through sudo when not
# root, and nothing that is already there:
#
#   scripts/install-deps.sh game       build and play the game (play.sh)
#   scripts/install-deps.sh tests      the test suites and their X server (test.sh)
#   scripts/install-deps.sh windows    the MinGW-w64 cross build and Wine
#   scripts/install-deps.sh packages   the release packages and their checks
#   scripts/install-deps.sh web        the browser build and its tests in Chromium
#   scripts/install-deps.sh all        all of them (.ci/run)
#
# Several purposes may be named at once. SDL for Windows is built from
# Debian's source packages by scripts/windows-deps.sh.
set -eu

# The compiler, SDL, and what renders the art at build time.
GAME="build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev
  librsvg2-dev libcairo2-dev libfreetype-dev libpng-dev fonts-dejavu-core fonts-play"
# GoogleTest and Google Benchmark, the golden traces' zlib, formatting, and a
# private X server with the tools that drive and read it (XTEST's headers for
# scripts/latency.sh).
TESTS="googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev clang-format
  xvfb xauth xdotool x11-utils imagemagick libxtst-dev"
# The cross compiler, SDL's own build (Ninja), the program's icon (rendered
# from its SVG and packed by ImageMagick) and Wine.
WINDOWS="g++-mingw-w64-x86-64-posix ninja-build librsvg2-bin imagemagick wine64 xvfb xauth"
# dpkg-deb, dpkg-shlibdeps and dpkg-buildflags, the icons at every size, the
# zip, and the checks of the packages: lintian, the AppStream and menu-entry
# validators, man for the manual page; git for the commit's date the packages
# carry and the second clone that must give the same bytes.
PACKAGES="dpkg-dev librsvg2-bin zip lintian appstream desktop-file-utils man-db git"
# Emscripten, the browser that tests the page, and dpkg-source for SDL's
# source packages.
WEB="emscripten chromium dpkg-dev"

[ $# -gt 0 ] || { echo "usage: $0 game|tests|windows|packages|web|all ..." >&2; exit 2; }
wanted=""
for purpose in "$@"; do
  case $purpose in
    game) wanted="$wanted $GAME" ;;
    tests) wanted="$wanted $GAME $TESTS" ;;
    windows) wanted="$wanted $GAME $WINDOWS" ;;
    packages) wanted="$wanted $GAME $WINDOWS $PACKAGES" ;;
    web) wanted="$wanted $GAME $WEB" ;;
    all) wanted="$wanted $GAME $TESTS $WINDOWS $PACKAGES $WEB" ;;
    *) echo "install-deps: unknown purpose '$purpose' (game, tests, windows, packages, web, all)" >&2; exit 2 ;;
  esac
done

missing=""
for p in $wanted; do
  case " $missing " in *" $p "*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
