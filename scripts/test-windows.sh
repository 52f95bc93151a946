#!/bin/bash
# The Windows build under Wine: builds it (scripts/build-windows.sh, SDL from
# the cache), makes the Wine prefix, and runs the suites labelled "wine" of
# the Linux test build (default build/) under Xvfb: start-up failures, faults,
# a real window, and the golden replays played by morva.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}

./scripts/install-deps.sh windows tests
if [ ! -f "$HOST/CMakeCache.txt" ]; then
  cmake -B "$HOST"
fi
cmake --build "$HOST" -j "$JOBS" --target morva_art plumo_pack morva_wine_tests morva_golden_tests
MORVA_HOST_BUILD=$HOST ./scripts/build-windows.sh build-windows

export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/morva/wine-prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export MORVA_WINDOWS_BUILD=$ROOT/build-windows
mkdir -p "$(dirname "$WINEPREFIX")"
# The first start makes the prefix (some seconds), not the first test; on the
# same display, so that Wine takes in the desktop's real size.
# -noreset: a server that resets when its last client leaves refuses the next
# one for a moment.
xvfb-run -a -s "-screen 0 1600x900x24 -noreset" sh -c "tests/windows/wine-run.sh wineboot --init &&
  ctest --test-dir '$HOST' --output-on-failure -j '$JOBS' -L wine"
