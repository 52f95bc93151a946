#!/bin/bash
# Makes the release packages (scripts/package.sh) and checks each as a player
# gets it: the Windows zip unpacked and started under Wine, needing no DLL
# that Windows lacks and the zip does not carry; the Linux tar.gz unpacked and
# started from another folder; the .deb installed with apt-get, `morva`
# started from any folder, and removed without a trace (root and apt only,
# else skipped). The game runs headless for a few frames each time.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
./scripts/package.sh >/dev/null || { echo "test-packages: scripts/package.sh failed" >&2; exit 1; }
VERSION=$(sed -n 's/^project(morva VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
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

# Windows zip.
ZIP=dist/morva-$VERSION-windows-x86_64.zip
TOP=morva-$VERSION-windows-x86_64
mkdir -p "$WORK/zip" && (cd "$WORK/zip" && cmake -E tar xf "$ROOT/$ZIP")
(cd "$WORK/zip" && find "$TOP" -type f | sort) >"$WORK/zip.list"
check "zip holds the game, its DLLs and the README" has_files "$WORK/zip.list" "$TOP/morva.exe" \
  "$TOP/SDL2.dll" "$TOP/SDL2_image.dll" "$TOP/Data/Plumo.zqd" "$TOP/Data/title.zqtex" "$TOP/README.txt"
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

# Linux tar.gz.
TGZ=dist/morva-$VERSION-linux-x86_64.tar.gz
TOP=morva-$VERSION-linux-x86_64
mkdir -p "$WORK/tgz" && tar -C "$WORK/tgz" -xzf "$TGZ"
(cd "$WORK/tgz" && find "$TOP" -type f | sort) >"$WORK/tgz.list"
check "tar.gz holds the game, menu entry, icons and README" has_files "$WORK/tgz.list" "$TOP/morva" \
  "$TOP/Data/Plumo.zqd" "$TOP/Data/title.zqtex" "$TOP/morva.desktop" "$TOP/icons/16x16/morva.png" \
  "$TOP/icons/256x256/morva.png" "$TOP/README.txt"
check "unpacked game runs from another folder" headless "$WORK/tgz/$TOP/morva"

# .deb, installed for real.
DEB=$ROOT/dist/morva_$VERSION-1_amd64.deb
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  skip ".deb install (needs root and apt-get)"
elif dpkg-query -W morva >/dev/null 2>&1; then
  skip ".deb install (a morva package is installed already)"
else
  dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}' >"$WORK/deb.files"
  check ".deb installs with apt-get" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$DEB"
  check "installed morva starts from any folder" headless morva
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

echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
