#!/bin/bash
# Makes the release packages in dist/:
#   morva-<version>-windows-x86_64.zip   the runnable Windows tree and the player's README
#   morva-<version>-linux-x86_64.tar.gz  the runnable Linux tree, a .desktop file, icons, README
#   morva_<version>-1_amd64.deb          /usr/lib/morva, /usr/bin/morva, menu entry, icons
#   morva-<version>-web.zip              with MORVA_WEB=1: the web page for any static server
# from the Linux build MORVA_HOST_BUILD (default build/) and the Windows build
# build-windows/, building both first (scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}
DIST=$ROOT/dist
VERSION=$(sed -n 's/^project(morva VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$VERSION" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
STAGE=$(mktemp -d /tmp/morva-package.XXXXXX)
trap 'rm -rf "$STAGE"' EXIT
say() { printf 'package: %s\n' "$*"; }

./scripts/install-deps.sh packages
[ -f "$HOST/CMakeCache.txt" ] || cmake -B "$HOST"
cmake --build "$HOST" -j "$JOBS" --target morva plumo morva_assets
MORVA_HOST_BUILD=$HOST ./scripts/build-windows.sh build-windows >/dev/null
mkdir -p "$DIST"

readme() { sed "s/@VERSION@/$VERSION/g" packaging/README-player.txt; }
icon() { rsvg-convert -w "$1" -h "$1" -o "$2" assets/icon/icon.svg; }
ICON_SIZES="16 32 48 64 128 256"

# Windows: the install tree, stripped, README with Windows line ends.
WIN=$STAGE/morva-$VERSION-windows-x86_64
cmake --install build-windows --prefix "$WIN" --strip >/dev/null
x86_64-w64-mingw32-strip "$WIN/Data/Plumo.zqd" "$WIN"/*.dll
readme | sed 's/$/\r/' >"$WIN/README.txt"
rm -f "$DIST/morva-$VERSION-windows-x86_64.zip"
(cd "$STAGE" && cmake -E tar cf "$DIST/morva-$VERSION-windows-x86_64.zip" --format=zip \
  "morva-$VERSION-windows-x86_64")
say "dist/morva-$VERSION-windows-x86_64.zip"

# Linux: the install tree with the menu entry and the icons beside it.
LIN=$STAGE/morva-$VERSION-linux-x86_64
cmake --install "$HOST" --prefix "$LIN" --strip >/dev/null
strip "$LIN/Data/Plumo.zqd"
readme >"$LIN/README.txt"
cp packaging/linux/morva.desktop "$LIN/"
for size in $ICON_SIZES; do
  mkdir -p "$LIN/icons/${size}x$size"
  icon "$size" "$LIN/icons/${size}x$size/morva.png"
done
tar -C "$STAGE" --owner=0 --group=0 -czf "$DIST/morva-$VERSION-linux-x86_64.tar.gz" \
  "morva-$VERSION-linux-x86_64"
say "dist/morva-$VERSION-linux-x86_64.tar.gz"

# .deb: the same tree under /usr/lib/morva; the command is a link to it (the
# game finds Data/ beside the real file).
DEB=$STAGE/deb
mkdir -p "$DEB/usr/lib" "$DEB/usr/bin" "$DEB/usr/share/applications" "$DEB/usr/share/doc/morva" "$DEB/DEBIAN"
cp -a "$LIN" "$DEB/usr/lib/morva"
rm -r "$DEB/usr/lib/morva/icons" "$DEB/usr/lib/morva/morva.desktop" "$DEB/usr/lib/morva/README.txt"
ln -s ../lib/morva/morva "$DEB/usr/bin/morva"
cp packaging/linux/morva.desktop "$DEB/usr/share/applications/"
for size in $ICON_SIZES; do
  mkdir -p "$DEB/usr/share/icons/hicolor/${size}x$size/apps"
  cp "$LIN/icons/${size}x$size/morva.png" "$DEB/usr/share/icons/hicolor/${size}x$size/apps/"
done
readme >"$DEB/usr/share/doc/morva/README.txt"
cat >"$DEB/usr/share/doc/morva/copyright" <<COPYRIGHT
MORVA $VERSION, by the MORVA developers. The game uses Debian's SDL2,
and SDL2_image packages, under their own licences.
COPYRIGHT
chmod -R u=rwX,go=rX "$DEB"
# The libraries the binaries link, as Debian's packages with their versions.
mkdir -p "$STAGE/shlibs/debian"
printf 'Source: morva\n\nPackage: morva\nArchitecture: amd64\n' >"$STAGE/shlibs/debian/control"
DEPENDS=$(cd "$STAGE/shlibs" && dpkg-shlibdeps -O "$DEB/usr/lib/morva/morva" "$DEB/usr/lib/morva/Data/Plumo.zqd" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$DEPENDS" ] || { echo "package: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
cat >"$DEB/DEBIAN/control" <<CONTROL
Package: morva
Version: $VERSION-1
Architecture: amd64
Maintainer: MORVA developers <morva@localhost>
Installed-Size: $(du -sk --exclude=DEBIAN "$DEB" | cut -f1)
Depends: $DEPENDS
Section: games
Priority: optional
Description: side-view 2-D action game
 Walk, dash and jump along five lines and strike the rock enemies with a
 sword combo of up to three steps.
CONTROL
dpkg-deb --root-owner-group -Zxz --build "$DEB" "$DIST/morva_${VERSION}-1_amd64.deb" >/dev/null
say "dist/morva_${VERSION}-1_amd64.deb"
ls -l "$DIST"

# The web page, when asked for (MORVA_WEB=1; it builds scripts/build-web.sh):
# a folder any static web server can serve.
if [ "${MORVA_WEB:-0}" = 1 ]; then
  ./scripts/install-deps.sh web
  MORVA_HOST_BUILD=$HOST ./scripts/build-web.sh build-web >/dev/null
  WEB=$STAGE/morva-$VERSION-web
  mkdir -p "$WEB/licenses"
  cp build-web/{index.html,morva-page.js,morva-page.css,morva.js,morva.wasm,morva.data} "$WEB/"
  cp "$(./scripts/web-deps.sh | tail -1)"/licenses/* "$WEB/licenses/"
  readme >"$WEB/README.txt"
  rm -f "$DIST/morva-$VERSION-web.zip"
  (cd "$STAGE" && cmake -E tar cf "$DIST/morva-$VERSION-web.zip" --format=zip "morva-$VERSION-web")
  say "dist/morva-$VERSION-web.zip"
fi
