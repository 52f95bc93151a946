#!/bin/sh
# Installs what the game needs, builds the game alone into build/ and starts
# it. The tests and their tools are scripts/test.sh's business.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh game
# A build folder the tests already use keeps its tests; a new one gets none.
if [ -f build/CMakeCache.txt ]; then
  cmake -B build >/dev/null
else
  cmake -B build -DMORVA_TESTS=OFF >/dev/null
fi
cmake --build build -j "$(nproc)" --target morva plumo morva_assets

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${PLUMO_VIDEO:-}" ]; then
  cat >&2 <<'MSG'
There is no display here ($DISPLAY and $WAYLAND_DISPLAY are unset), so no window
can open. To see the game anyway, either:

  run it on a virtual display (Debian: sudo apt install xvfb xauth):
    xvfb-run -s "-screen 0 1600x900x24" build/morva

  or render off screen and save screenshots of chosen frames:
    mkdir -p shots
    PLUMO_VIDEO=offscreen PLUMO_FRAMES=300 PLUMO_SHOT_FRAMES=1,60,299 \
      PLUMO_SHOT_DIR=shots build/morva
    # then look at shots/frame-000060.png

  (PLUMO_REPLAY=<file> feeds scripted input; see README.md.)
MSG
  exit 0
fi

exec build/morva
