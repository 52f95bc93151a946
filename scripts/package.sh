#!/bin/bash
# Makes the release packages in dist/:
#   morva-<version>-windows-x86_64.zip   the runnable Windows tree, LICENSE.txt, the licences, README
#   morva-<version>-linux-x86_64.tar.gz  the runnable Linux tree, install.sh for a menu entry, man page
#   morva_<version>-1_amd64.deb          /usr/lib/morva, /usr/games/morva, menu entry, icons, man page
#   morva-<version>-web.zip              the web page, program and data for any static web server
# from builds of their own, MORVA_PACKAGE_BUILD (default build-package/) with
# Debian's hardening flags, build-package-windows/ (scripts/build-windows.sh)
# and build-package-web/ (scripts/build-web.sh).
# The same commit gives the same bytes in any folder at any time: every date is
# the last commit's (SOURCE_DATE_EPOCH), members are sorted, owners and modes
# fixed, and no build path reaches a binary.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${MORVA_PACKAGE_BUILD:-build-package}
WINBUILD=$BUILD-windows
JOBS=${MORVA_JOBS:-2}
DIST=$ROOT/dist
say() { printf 'package: %s\n' "$*"; }
fail() {
  printf 'package: %s\n' "$*" >&2
  exit 1
}

# The project's name in the packages: maintainer, home page and the AppStream
# id that follows from its domain.
MAINTAINER_NAME="The MORVA authors"
MAINTAINER_EMAIL="maintainers@users.noreply.c-seed-b5ee43ab.example"
HOMEPAGE="https://morva.example.org/"
APP_ID=org.example.morva

# First: the commit's date below needs git.
./scripts/install-deps.sh packages web

VERSION=$(sed -n 's/^project(morva VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$VERSION" ] || fail "no version in CMakeLists.txt"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || fail "not a git checkout: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH
COMMIT=$(git rev-parse --short=12 HEAD 2>/dev/null || echo unknown)
git diff --quiet HEAD -- 2>/dev/null || COMMIT="$COMMIT with uncommitted changes"
DATE=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
# Zip times are local times; names sort the same everywhere.
export TZ=UTC LC_ALL=C.UTF-8
umask 022
STAGE=$(mktemp -d /tmp/morva-package.XXXXXX)
trap 'rm -rf "$STAGE"' EXIT

# dpkg-buildflags maps this folder to . in debug paths; the Windows build gets the same.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -B "$BUILD" -S . -DMORVA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS) -ffile-prefix-map=$ROOT=." \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS) -ffile-prefix-map=$ROOT=." \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target morva plumo morva_assets
MORVA_HOST_BUILD=$BUILD ./scripts/build-windows.sh "$WINBUILD" \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$ROOT=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$ROOT=." \
  -DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--no-insert-timestamp \
  >/dev/null
mkdir -p "$DIST"

ICON_SIZES="16 24 32 48 64 128 256"
fill() { # fill <file> <libdir> <docdir>: the placeholders of a packaging source
  sed -e "s/@VERSION@/$VERSION/g" -e "s/@DATE@/$DATE/g" -e "s/@COMMIT@/$COMMIT/g" -e "s/@APP_ID@/$APP_ID/g" \
    -e "s|@HOMEPAGE@|$HOMEPAGE|g" -e "s/@MAINTAINER_EMAIL@/$MAINTAINER_EMAIL/g" \
    -e "s/@ICON_SIZES@/$ICON_SIZES/g" -e "s|@LIBDIR@|${2:-}|g" -e "s|@DOCDIR@|${3:-}|g" "$1"
}
readme() { fill packaging/README-player.txt; }
# The small sizes are pictures of their own (icon-16.svg); the others scale icon.svg.
icon() {
  src=assets/icon/icon-$1.svg
  [ -f "$src" ] || src=assets/icon/icon.svg
  rsvg-convert -w "$1" -h "$1" -o "$2" "$src"
}
# As Debian's own packages strip: no symbols, no compiler notes.
strip_elf() { strip --remove-section=.comment --remove-section=.note "$@"; }
# Every date the commit's, modes from the umask alone, executables kept.
settle() {
  chmod -R u+rwX,go=rX,go-w "$1"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}
# The copyright file: MORVA's own, plus what only the zip carries.
copyright() {
  sed '/^License: Expat$/,$d' packaging/copyright
  [ "${1:-}" = windows ] && sed '/^License: Zlib$/,$d' packaging/windows/copyright-windows | sed '1d'
  sed -n '/^License: Expat$/,$p' packaging/copyright
  if [ "${1:-}" = windows ]; then
    echo
    sed -n '/^License: Zlib$/,$p' packaging/windows/copyright-windows
  fi
}

# Windows: the install tree, stripped; the texts with Windows line ends.
crlf() { sed 's/\r*$/\r/'; }
WIN=$STAGE/morva-$VERSION-windows-x86_64
cmake --install "$WINBUILD" --prefix "$WIN" --strip >/dev/null
x86_64-w64-mingw32-strip "$WIN/Data/Plumo.zqd" "$WIN"/*.dll
readme | crlf >"$WIN/README.txt"
crlf <LICENSE >"$WIN/LICENSE.txt"
copyright windows | fill /dev/stdin | crlf >"$WIN/licenses/copyright.txt"
crlf <demo/demo.replay >"$WIN/demo.replay"
settle "$WIN"
rm -f "$DIST/morva-$VERSION-windows-x86_64.zip"
(cd "$STAGE" && find "${WIN##*/}" | sort | zip -q -X -9 -@ "$DIST/morva-$VERSION-windows-x86_64.zip")
say "dist/morva-$VERSION-windows-x86_64.zip"

# Linux: the install tree, what install.sh puts on the menu under share/.
LIN=$STAGE/morva-$VERSION-linux-x86_64
cmake --install "$BUILD" --prefix "$LIN" --strip >/dev/null
strip_elf "$LIN/morva" "$LIN/Data/Plumo.zqd"
readme >"$LIN/README.txt"
cp LICENSE "$LIN/LICENSE"
copyright | fill /dev/stdin >"$LIN/copyright"
cp demo/demo.replay "$LIN/"
fill packaging/linux/morva.6 '<game folder>' '<game folder>' >"$LIN/morva.6"
fill packaging/linux/install.sh >"$LIN/install.sh"
chmod +x "$LIN/install.sh"
mkdir -p "$LIN/share/applications" "$LIN/share/metainfo"
cp packaging/linux/morva.desktop "$LIN/share/applications/"
fill packaging/linux/morva.metainfo.xml >"$LIN/share/metainfo/$APP_ID.metainfo.xml"
for size in $ICON_SIZES; do
  mkdir -p "$LIN/share/icons/hicolor/${size}x$size/apps"
  icon "$size" "$LIN/share/icons/hicolor/${size}x$size/apps/morva.png"
done
settle "$LIN"
tar -C "$STAGE" --sort=name --format=gnu --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  -cf - "${LIN##*/}" | gzip -9n >"$DIST/morva-$VERSION-linux-x86_64.tar.gz"
say "dist/morva-$VERSION-linux-x86_64.tar.gz"

# .deb: the same tree under /usr/lib/morva; the command is a link to it (the
# game finds Data/ beside the real file).
DEB=$STAGE/deb
DOC=$DEB/usr/share/doc/morva
mkdir -p "$DEB/usr/lib" "$DEB/usr/games" "$DEB/usr/share/man/man6" "$DOC" "$DEB/DEBIAN"
mkdir -p "$DEB/usr/lib/morva"
cp -a "$LIN/morva" "$LIN/Data" "$DEB/usr/lib/morva/"
ln -s ../lib/morva/morva "$DEB/usr/games/morva"
cp -a "$LIN/share" "$DEB/usr/"
readme >"$DOC/README.txt"
copyright | fill /dev/stdin >"$DOC/copyright"
cp demo/demo.replay "$DOC/"
mkdir -p "$DEB/usr/share/lintian/overrides"
cp packaging/linux/lintian-overrides "$DEB/usr/share/lintian/overrides/morva"
fill packaging/linux/morva.6 /usr/lib/morva /usr/share/doc/morva | gzip -9n >"$DEB/usr/share/man/man6/morva.6.gz"
cat <<CHANGELOG | gzip -9n >"$DOC/changelog.Debian.gz"
morva ($VERSION-1) unstable; urgency=medium

  * MORVA $VERSION, built from commit $COMMIT.

 -- $MAINTAINER_NAME <$MAINTAINER_EMAIL>  $(date -u -R -d "@$SOURCE_DATE_EPOCH")
CHANGELOG
# The libraries the binaries link, as Debian's packages with their versions.
mkdir -p "$STAGE/shlibs/debian"
printf 'Source: morva\n\nPackage: morva\nArchitecture: amd64\n' >"$STAGE/shlibs/debian/control"
# The library loads SDL and SDL_image when it first calls them: a stand-in
# that links every function it calls gives their packages and versions.
sed -n 's/^#define \([A-Za-z0-9_]*\) PLUMO_SDL(.*/\1/p' plumo/src/Sdl.h |
  awk '{d = d "void " $1 "(void);\n"; c = c "  " $1 "();\n"} END {printf "%svoid needs(void) {\n%s}\n", d, c}' \
    >"$STAGE/shlibs/sdl-calls.c"
cc -shared -fPIC -o "$STAGE/shlibs/sdl-calls.so" "$STAGE/shlibs/sdl-calls.c" -Wl,--no-as-needed -lSDL2 -lSDL2_image
DEPENDS=$(cd "$STAGE/shlibs" && dpkg-shlibdeps -O "$DEB/usr/lib/morva/morva" "$DEB/usr/lib/morva/Data/Plumo.zqd" sdl-calls.so 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$DEPENDS" ] || fail "dpkg-shlibdeps found no dependencies"
cat >"$DEB/DEBIAN/control" <<CONTROL
Package: morva
Version: $VERSION-1
Architecture: amd64
Maintainer: $MAINTAINER_NAME <$MAINTAINER_EMAIL>
Installed-Size: $(du -sk --apparent-size --exclude=DEBIAN "$DEB" | cut -f1)
Depends: $DEPENDS
Section: games
Priority: optional
Homepage: $HOMEPAGE
Description: side-view 2-D action game
 Walk, dash and jump along five lines and strike the rock enemies with a
 sword combo of up to three steps.
CONTROL
(cd "$DEB" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
settle "$DEB"
dpkg-deb --root-owner-group -Zxz --build "$DEB" "$DIST/morva_${VERSION}-1_amd64.deb" >/dev/null
say "dist/morva_${VERSION}-1_amd64.deb"

# Web: the page, the program and the packed Data/ for any static web server,
# built with the same path mapping.
WEBBUILD=$BUILD-web
MORVA_HOST_BUILD=$BUILD MORVA_WEB_TARGETS="morva morva_page" ./scripts/build-web.sh "$WEBBUILD" \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$ROOT=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$ROOT=." >/dev/null
WEB=$STAGE/morva-$VERSION-web
mkdir -p "$WEB/licenses"
cp "$WEBBUILD"/{index.html,morva-page.js,morva-page.css,morva.js,morva.wasm,morva.data,morva.data.gz} "$WEB/"
cp "$(./scripts/web-deps.sh | tail -1)"/licenses/* "$WEB/licenses/"
readme >"$WEB/README.txt"
cp LICENSE "$WEB/LICENSE"
copyright | fill /dev/stdin >"$WEB/licenses/copyright"
settle "$WEB"
rm -f "$DIST/morva-$VERSION-web.zip"
(cd "$STAGE" && find "${WEB##*/}" | sort | zip -q -X -9 -@ "$DIST/morva-$VERSION-web.zip")
say "dist/morva-$VERSION-web.zip"
(cd "$DIST" && sha256sum "morva-$VERSION-windows-x86_64.zip" "morva-$VERSION-linux-x86_64.tar.gz" \
  "morva_${VERSION}-1_amd64.deb" "morva-$VERSION-web.zip")
