#!/bin/bash
# Makes the release packages (scripts/package.sh) and checks each as a player
# and a distribution get it: the Windows zip unpacked and started under Wine,
# needing no DLL that Windows lacks and the zip does not carry; the Linux
# tar.gz unpacked and started from another folder, its install.sh putting the
# menu entry under a temporary HOME and taking it away; the .deb clean under
# lintian, installed with apt-get, `morva` started from any folder, and removed
# without a trace (root and apt only, else skipped); the menu entries, the
# AppStream entries and the man page validated; the web zip holding the page
# and all the game's data. Last, a second run of
# package.sh in a fresh clone of the commit, in another folder and later,
# must give the same bytes (MORVA_SKIP_REBUILD=1 leaves it out). The game runs
# headless for a few frames each time.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
./scripts/install-deps.sh packages web || exit 1
# The commit packaged, and whether the tree was exactly that commit.
HEAD=$(git rev-parse HEAD)
CLEAN=1
git diff --quiet HEAD -- || CLEAN=0
./scripts/package.sh >/dev/null || { echo "test-packages: scripts/package.sh failed" >&2; exit 1; }
VERSION=$(sed -n 's/^project(morva VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
APP_ID=$(sed -n 's/^APP_ID=//p' scripts/package.sh)
WORK=$(mktemp -d /tmp/morva-packages.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
passed=0 failed=0 skipped=0
pass() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAILED: $1" >&2; failed=$((failed + 1)); }
skip() { echo "skipped: $1"; skipped=$((skipped + 1)); }
check() { # check <what> <command...>
  local what=$1
  shift
  if "$@" >"$WORK/out" 2>&1; then pass "$what"; else fail "$what: $(head -c 2000 "$WORK/out")"; fi
}
# A few frames headless from a folder that is not the game's.
headless() { (mkdir -p "$WORK/elsewhere" && cd "$WORK/elsewhere" && PLUMO_VIDEO=none PLUMO_FPS=0 PLUMO_FRAMES=5 PLUMO_CONFIG_DIR=none "$@"); }
has_files() { # has_files <listing> <path...>
  local listing=$1
  shift
  for f in "$@"; do grep -qx "$f" "$listing" || { echo "missing $f"; return 1; }; done
}
# Quiet: only what man has to say about the page's own faults.
man_clean() {
  local said
  said=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
  [ -z "$said" ] || { echo "$said"; return 1; }
}
appstream_ok() { appstreamcli validate --pedantic --no-net --no-color "$1"; }

# Windows zip.
ZIP=dist/morva-$VERSION-windows-x86_64.zip
TOP=morva-$VERSION-windows-x86_64
mkdir -p "$WORK/zip" && (cd "$WORK/zip" && cmake -E tar xf "$ROOT/$ZIP")
(cd "$WORK/zip" && find "$TOP" -type f | sort) >"$WORK/zip.list"
check "zip holds the game, its DLLs, the README, the demo and the licences" has_files "$WORK/zip.list" \
  "$TOP/morva.exe" "$TOP/SDL2.dll" "$TOP/SDL2_image.dll" "$TOP/Data/Plumo.zqd" "$TOP/Data/title.zqtex" \
  "$TOP/README.txt" "$TOP/demo.replay" "$TOP/LICENSE.txt" "$TOP/licenses/copyright.txt" \
  "$TOP/licenses/mingw-w64.txt"
crlf_text() { for f in "$@"; do [ -z "$(grep -v $'\r$' "$f")" ] || { echo "$f has LF line ends"; return 1; }; done; }
check "zip's texts have Windows line ends" crlf_text "$WORK/zip/$TOP/README.txt" "$WORK/zip/$TOP/LICENSE.txt" \
  "$WORK/zip/$TOP/licenses/copyright.txt"
check "morva.exe's manifest carries the project version" \
  grep -aq "version=\"${VERSION//./\\.}\\.0\\.0\"" "$WORK/zip/$TOP/morva.exe"
# Every DLL a module of the zip imports is Windows' own or in the zip.
imports_ok() {
  local bad=""
  for module in "$WORK/zip/$TOP/morva.exe" "$WORK/zip/$TOP"/*.dll "$WORK/zip/$TOP/Data/Plumo.zqd"; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$module" | sed -n 's/^\s*DLL Name: //p'); do
      case ${dll,,} in
        sdl2.dll | sdl2_image.dll | kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | advapi32.dll | \
          shell32.dll | ole32.dll | oleaut32.dll | imm32.dll | winmm.dll | version.dll | setupapi.dll | \
          psapi.dll | api-ms-win-*) ;;
        *) bad="$bad $(basename "$module"):$dll" ;;
      esac
    done
  done
  [ -z "$bad" ] || { echo "imports not shipped:$bad"; return 1; }
}
check "zip needs no DLL it does not carry" imports_ok
check "unzipped game runs under Wine" headless "$ROOT/tests/windows/wine-run.sh" "$WORK/zip/$TOP/morva.exe"
# As the README says: from the game's folder, the replay by its bare name.
demo_under_wine() {
  (cd "$WORK/zip/$TOP" && PLUMO_VIDEO=none PLUMO_FPS=0 PLUMO_FRAMES=2700 PLUMO_REPLAY=demo.replay PLUMO_CONFIG_DIR=none \
    "$ROOT/tests/windows/wine-run.sh" morva.exe)
}
check "the zip's demo replays under Wine" demo_under_wine

# Linux tar.gz, unpacked where a path needs quoting in a menu entry.
TGZ=dist/morva-$VERSION-linux-x86_64.tar.gz
TOP=morva-$VERSION-linux-x86_64
GAMES="$WORK/tgz/My \"Games\" \$HOME 100%"
mkdir -p "$GAMES" && tar -C "$GAMES" -xzf "$TGZ"
(cd "$GAMES" && find "$TOP" -type f | sort) >"$WORK/tgz.list"
check "tar.gz holds the game, install.sh, menu entry, icons, man page, README, demo and licences" \
  has_files "$WORK/tgz.list" "$TOP/morva" "$TOP/Data/Plumo.zqd" "$TOP/Data/title.zqtex" "$TOP/install.sh" \
  "$TOP/share/applications/morva.desktop" "$TOP/share/icons/hicolor/16x16/apps/morva.png" \
  "$TOP/share/icons/hicolor/256x256/apps/morva.png" "$TOP/share/metainfo/$APP_ID.metainfo.xml" \
  "$TOP/morva.6" "$TOP/README.txt" "$TOP/demo.replay" "$TOP/LICENSE" "$TOP/copyright"
check "unpacked game runs from another folder" headless "$GAMES/$TOP/morva"
check "the demo replays from the unpacked game" headless env PLUMO_REPLAY="$GAMES/$TOP/demo.replay" \
  PLUMO_FRAMES=2700 "$GAMES/$TOP/morva"
check "tar.gz's man page reads without warnings" man_clean "$GAMES/$TOP/morva.6"
check "tar.gz's AppStream entry validates" appstream_ok "$GAMES/$TOP/share/metainfo/$APP_ID.metainfo.xml"
# install.sh for a player whose HOME is a temporary folder.
PLAYER=$WORK/home
mkdir -p "$PLAYER"
as_player() { env -u XDG_DATA_HOME HOME="$PLAYER" "$@"; }
ENTRY=$PLAYER/.local/share/applications/morva.desktop
check "install.sh puts the menu entry in the player's HOME" as_player "$GAMES/$TOP/install.sh"
check "the installed menu entry validates" desktop-file-validate "$ENTRY"
# The Exec line as a menu reads it: quoted, with \ " ` $ escaped.
entry_runs() {
  local exec
  exec=$(sed -n 's/^Exec=//p' "$ENTRY" | sed -e 's/\\\\/\\/g' -e 's/%%/%/g')
  eval "set -- $exec" && [ "$1" = "$GAMES/$TOP/morva" ] || { echo "Exec runs '$1'"; return 1; }
  headless "$1"
}
check "the menu entry starts the unpacked game" entry_runs
check "install.sh puts the icons and the AppStream entry there" test -f \
  "$PLAYER/.local/share/icons/hicolor/48x48/apps/morva.png" -a -f "$PLAYER/.local/share/metainfo/$APP_ID.metainfo.xml"
check "install.sh --uninstall takes them away" as_player "$GAMES/$TOP/install.sh" --uninstall
check "nothing of the game is left in the player's HOME" test -z "$(find "$PLAYER" -type f)"

# Web zip: the page as a static server serves it.
WEBZIP=dist/morva-$VERSION-web.zip
TOP=morva-$VERSION-web
mkdir -p "$WORK/web" && (cd "$WORK/web" && cmake -E tar xf "$ROOT/$WEBZIP")
(cd "$WORK/web" && find "$TOP" -type f | sort) >"$WORK/web.list"
check "web zip holds the page, the program, its data, the README and the licences" has_files "$WORK/web.list" \
  "$TOP/index.html" "$TOP/morva-page.js" "$TOP/morva-page.css" "$TOP/morva.js" "$TOP/morva.wasm" \
  "$TOP/morva.data" "$TOP/morva.data.gz" "$TOP/README.txt" "$TOP/LICENSE" "$TOP/licenses/copyright" "$TOP/licenses/SDL2.txt" \
  "$TOP/licenses/SDL2_image.txt"
# The packed data holds every texture of the desktop game.
web_data_whole() {
  local name missing=""
  for name in "$GAMES/$TOP_LINUX"/Data/*.zqtex; do
    grep -q "\"/Data/${name##*/}\"" "$WORK/web/$TOP/morva.js" || missing="$missing ${name##*/}"
  done
  [ -z "$missing" ] || { echo "not in morva.data:$missing"; return 1; }
}
TOP_LINUX=morva-$VERSION-linux-x86_64
check "the web zip's data holds every texture" web_data_whole

# .deb: what a distribution checks.
DEB=$ROOT/dist/morva_$VERSION-1_amd64.deb
mkdir -p "$WORK/deb" && dpkg-deb -x "$DEB" "$WORK/deb"
# Failures that were once there by name, then every error or warning.
lintian_clean() {
  lintian -i -I --pedantic "$DEB" >"$WORK/lintian" 2>&1
  local tag
  for tag in bogus-mail-host no-changelog package-section-games-but-contains-no-game \
    copyright-without-copyright-notice no-manual-page hardening-no-bindnow hardening-no-fortify-functions \
    binary-has-unneeded-section desktop-entry-lacks-keywords-entry no-md5sums-control-file; do
    grep -q " $tag" "$WORK/lintian" && { grep " $tag" "$WORK/lintian"; return 1; }
  done
  grep -E '^[EW]: ' "$WORK/lintian" && return 1
  return 0
}
check ".deb is clean under lintian --pedantic" lintian_clean
check ".deb's menu entry validates" desktop-file-validate "$WORK/deb/usr/share/applications/morva.desktop"
check ".deb's AppStream entry validates" appstream_ok "$WORK/deb/usr/share/metainfo/$APP_ID.metainfo.xml"
check ".deb's man page reads without warnings" man_clean "$WORK/deb/usr/share/man/man6/morva.6.gz"
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  skip ".deb install (needs root and apt-get)"
elif dpkg-query -W morva >/dev/null 2>&1; then
  skip ".deb install (a morva package is installed already)"
else
  dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}' >"$WORK/deb.files"
  check ".deb installs with apt-get" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$DEB"
  check "installed morva starts from any folder" headless /usr/games/morva
  check "the installed demo replays" headless env PLUMO_REPLAY=/usr/share/doc/morva/demo.replay \
    PLUMO_FRAMES=2700 /usr/games/morva
  check ".deb has its menu entry and icons" test -f /usr/share/applications/morva.desktop \
    -a -f /usr/share/icons/hicolor/48x48/apps/morva.png
  check ".deb removes" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q morva
  left() {
    local n=0
    while read -r f; do [ -e "$f" ] || [ -L "$f" ] && { echo "left behind: $f"; n=1; }; done <"$WORK/deb.files"
    [ -e /usr/lib/morva ] && { echo "left behind: /usr/lib/morva"; n=1; }
    return $n
  }
  check "removing it leaves nothing behind" left
fi

# The same commit packaged again elsewhere, later, in another zone and locale.
if [ "${MORVA_SKIP_REBUILD:-0}" = 1 ]; then
  skip "reproducible packages (MORVA_SKIP_REBUILD=1)"
elif [ "$CLEAN" = 0 ]; then
  skip "reproducible packages (uncommitted changes)"
else
  again() {
    git clone -q --no-local "$ROOT" "$WORK/again/morva" && git -C "$WORK/again/morva" checkout -q "$HEAD" &&
      (cd "$WORK/again/morva" && TZ=Pacific/Auckland LC_ALL=C ./scripts/package.sh >/dev/null) || return 1
    local differ=0
    for f in "${ZIP#dist/}" "${TGZ#dist/}" "${DEB##*/}" "${WEBZIP#dist/}"; do
      cmp "dist/$f" "$WORK/again/morva/dist/$f" || differ=1
    done
    return $differ
  }
  check "a second run elsewhere gives the same bytes" again
  for run in "$ROOT" "$WORK/again/morva"; do
    (cd "$run/dist" && sha256sum "${ZIP#dist/}" "${TGZ#dist/}" "${DEB##*/}" "${WEBZIP#dist/}" | sed "s|^|  $run: |")
  done
fi

echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
