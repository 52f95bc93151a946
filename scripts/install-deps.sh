#!/bin/sh
# Installs every Debian 12 package the build, the tests and the window tools
# need, the Windows cross build and Wine included (SDL for Windows is built
# from Debian's source packages by scripts/windows-deps.sh).
set -eu
PACKAGES="build-essential cmake pkg-config git
  libsdl2-dev libsdl2-image-dev
  librsvg2-dev libcairo2-dev libfreetype-dev libpng-dev fonts-dejavu-core fonts-play zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format
  xvfb xauth xdotool x11-utils imagemagick
  g++-mingw-w64-x86-64-posix wine64 dpkg-dev ninja-build librsvg2-bin"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
