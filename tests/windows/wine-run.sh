#!/bin/sh
# Runs a Windows program under Wine the way the tests and scripts want it: a
# prefix of the project's own, no Wine chatter, no dialog that could wait for
# a click (menu entries, the .NET and HTML installers).
#   tests/windows/wine-run.sh program.exe [arguments]
set -eu
: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/morva/wine-prefix}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=winemenubuilder.exe=d;mscoree=d;mshtml=d}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
for wine in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$wine" >/dev/null 2>&1; then
    exec "$wine" "$@"
  fi
done
echo "wine-run: no wine64 found (scripts/install-deps.sh installs it)" >&2
exit 127
