#!/bin/sh
# Installs what the build needs, builds the game into build/ and starts it.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh game
cmake -B build
cmake --build build -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${PLUMO_VIDEO:-}" ]; then
  cat >&2 <<'MSG'
There is no display here ($DISPLAY and $WAYLAND_DISPLAY are unset), so no window
can open. To see the game anyway, either:

  run it on a virtual display:
    xvfb-run -s "-screen 0 1600x900x24" build/morva

  or render off screen and save screenshots of chosen frames:
    mkdir -p shots
    PLUMO_VIDEO=offscreen PLUMO_FRAMES=300 PLUMO_SHOT_FRAMES=1,60,299 \
      PLUMO_SHOT_DIR=shots build/morva
    # then look at shots/frame-000060.png

  (PLUMO_REPLAY=<file> feeds scripted input; see README.md.)
MSG
  exit 1
fi

exec build/morva
