#!/bin/bash
# Key-to-screen latency of this tree against a baseline build, in a real
# window on a private X server (Xvfb), the runs of the two taken in turn
# (A B A B ...) so that a busy machine favours neither.
#
# Each run starts the game at 60 frames a second; two seconds after its window
# appears, Space starts a game, and a second later Right is pressed
# LATENCY_PRESSES times (40) at random moments through the XTEST extension
# (benchmarks/KeyPresses.c), each press time read right after the X server
# acknowledged it. A press is matched to the trace's n-th `pad 13 down`, whose
# frame's present time the frame log gives: latency = that present - the press.
# Also printed: the frame intervals from the 120th frame on (the title, the
# game's start and the presses), and the interval that holds the game's
# set-up (title shown two seconds).
#
# Usage: scripts/latency.sh BASELINE_BUILD [BUILD]   (BUILD: build-bench, built here)
# LATENCY_PAIRS=<n> paired runs (3); LATENCY_PRESSES=<n> presses a run (40);
# LATENCY_CONFIG=<settings.ini> runs both builds with that settings file
# (copied into a folder of its own), e.g. one with `low_latency = no`.
# LATENCY_NICE=<n> runs the X server, the game and the presses under
# `nice -n <n>` (n < 0 needs root): on a machine busy with other work it shows
# what an idle one would give.
# Needs Xvfb and libxtst-dev (scripts/install-deps.sh tests).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/paired-builds.sh
paired_builds latency "$@"
PAIRS=${LATENCY_PAIRS:-3}
PRESSES=${LATENCY_PRESSES:-40}
if [ -n "${LATENCY_CONFIG:-}" ]; then
  mkdir "$WORK/config"
  cp "$LATENCY_CONFIG" "$WORK/config/settings.ini"
  PLUMO_CONFIG_DIR=$WORK/config
fi
cc -O2 -o "$WORK/key-presses" "$ROOT/benchmarks/KeyPresses.c" -lXtst -lX11

RUN=()
[ -n "${LATENCY_NICE:-}" ] && RUN=(nice -n "$LATENCY_NICE")
"${RUN[@]}" Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
XVFB=$!
trap 'kill $XVFB 2>/dev/null || true' EXIT
while [ ! -s "$WORK/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$WORK/display")"

# One run: the press times, the trace and the frame log of <build> as <name>.
run() {
  local game=$1/morva out=$WORK/$2
  PLUMO_SEED=1 PLUMO_TRACE=$out.trace PLUMO_FRAME_LOG=$out.log "${RUN[@]}" "$game" &
  local pid=$!
  if ! "${RUN[@]}" "$WORK/key-presses" "MORVA var 0.2" space Right "$PRESSES" "$RANDOM" >"$out.presses"; then
    kill "$pid"
    exit 1
  fi
  sleep 0.3
  # A stop signal ends the game quietly with every output complete.
  kill -TERM "$pid"
  wait "$pid"
}

# Of one run: "latency <ms>" a press, "interval <ms>" a frame from the 120th
# on, and "start <ms>" for the interval that holds the game's set-up.
figures() {
  local out=$WORK/$1
  awk -v presses="$out.presses" -v trace="$out.trace" '
    FNR == 1 { init = $0; sub(/.*Init at /, "", init); sub(/ .*/, "", init); next }
    { shown[++n] = $1 }
    END {
      while ((getline line < trace) > 0) {
        split(line, w, " ")
        if (w[1] == "frame") frame = w[2]
        else if (line == "pad 13 down") downs[++d] = frame
        else if (w[1] == "LoadTex" && w[2] == "\"ground.zqtex\"" && !setup) setup = frame
      }
      while ((getline line < presses) > 0) {
        split(line, w, " ")
        if (w[1] == "press") at[++p] = w[2] - init
      }
      if (p != d) { printf "error %d presses but %d in the trace\n", p, d; exit 1 }
      # Frame f is drawn after the f-th Act returned and shown by entry f + 1.
      for (i = 1; i <= p; i++) printf "latency %.3f\n", (shown[downs[i] + 1] - at[i]) / 1000
      for (i = 121; i <= n; i++) printf "interval %.3f\n", (shown[i] - shown[i - 1]) / 1000
      if (setup) printf "start %.3f\n", (shown[setup + 1] - shown[setup]) / 1000
    }' "$out.log"
}

# Percentiles (nearest rank) of the numbers on standard input.
summary() {
  sort -g | awk -v over="$1" '{ v[NR] = $1; if ($1 > over) late++ }
    function rank(q,  k) { k = int(q * NR); if (k < q * NR) k++; return v[k < 1 ? 1 : k] }
    END { printf "median %6.2f  p95 %6.2f  p99 %6.2f  min %6.2f  max %6.2f ms  (%d, %d over %g ms)",
          rank(0.5), rank(0.95), rank(0.99), v[1], v[NR], NR, late + 0, over }'
}

say() { printf '%s\n' "$*"; }
say "baseline: $BASE"
say "this:     $BUILD"
say "machine:  $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $PAIRS paired runs, $PRESSES presses each${LATENCY_NICE:+; run under nice -n $LATENCY_NICE}"
[ -n "${LATENCY_CONFIG:-}" ] && say "settings: $LATENCY_CONFIG"
for i in $(seq "$PAIRS"); do
  for side in base this; do
    build=$BASE
    [ $side = this ] && build=$BUILD
    run "$build" "$side-$i"
    figures "$side-$i" >"$WORK/$side-$i.figures"
    if grep -q '^error' "$WORK/$side-$i.figures"; then
      say "$side run $i: $(grep '^error' "$WORK/$side-$i.figures")" >&2
      exit 1
    fi
  done
done
say
for what in latency interval start; do
  case $what in
    latency) say "key-to-screen latency, every press of every run"; over=20 ;;
    interval) say "frame intervals from the 120th frame on, every run"; over=25 ;;
    start) say "interval holding the game's set-up (title shown 2 s), one a run"; over=17.5 ;;
  esac
  for side in base this; do
    label=baseline
    [ $side = this ] && label="this    "
    say "  $label $(cat "$WORK"/$side-*.figures | awk -v w=$what '$1 == w {print $2}' | summary $over)"
  done
done
say
say "load after: $(cut -d' ' -f1-3 /proc/loadavg); runs in $WORK"
