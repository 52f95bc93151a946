#!/bin/bash
# Measures this tree against a baseline build, each figure side by side, the
# runs of the two builds taken in turn (A B A B ...) so that a busy machine
# does not favour either:
#   1. headless frames a second (whole process, demo replay, 3400 frames);
#   2. drawing frames a second off screen and in a window with SDL's software
#      renderer (unpaced, frame log);
#   3. frame intervals of a paced window under Xvfb (600 intervals);
#   4. heap allocations between frames 1000 and 3000 (whole process);
#   5. start-up to the first frame, and the interval between the title's last
#      frame and the game's first.
#
# Usage: scripts/bench.sh BASELINE_BUILD [BUILD]   (BUILD: build-bench, built here)
# BENCH_PAIRS=<n> sets the number of paired runs (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/paired-builds.sh
paired_builds bench "$@"
PAIRS=${BENCH_PAIRS:-5}
REPLAY=$ROOT/demo/demo.replay
cc -shared -fPIC -O2 -o "$WORK/malloc_count.so" "$ROOT/benchmarks/MallocCount.c"

# One X server for every window run, so its start-up is never measured.
Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
XVFB=$!
trap 'kill $XVFB 2>/dev/null || true' EXIT
while [ ! -s "$WORK/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$WORK/display")"

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b / a}'; }
now_us() { echo "${EPOCHREALTIME/[.,]/}"; }
# Frames a second between frame-log entries `from` and `to`.
rate_of() {
  grep -v '^#' "$1" | awk -v f="$2" -v t="$3" 'NR==f {a=$1} NR==t {b=$1} END {printf "%.0f", (t-f)*1e6/(b-a)}'
}
# Runs `measure <build> <out>` for each build in turn, PAIRS times; prints the medians.
paired() {
  local measure=$1 label=$2 unit=$3 a="" b=""
  for _ in $(seq "$PAIRS"); do
    a="$a $($measure "$BASE")"
    b="$b $($measure "$BUILD")"
  done
  local ma mb
  ma=$(printf '%s\n' $a | median)
  mb=$(printf '%s\n' $b | median)
  printf '%-44s baseline %10s  this %10s %s  (x%s)\n' "$label" "$ma" "$mb" "$unit" "$(ratio "$ma" "$mb")"
  printf '    runs: baseline%s | this%s\n' "$a" "$b"
}

say() { printf '%s\n' "$*"; }
say "baseline: $BASE"
say "this:     $BUILD"
say "machine:  $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $PAIRS paired runs each"
say

# 1. Whole process, from exec to exit.
headless() {
  local t0 t1
  t0=$(now_us)
  PLUMO_VIDEO=none PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=3400 "$1/morva"
  t1=$(now_us)
  awk -v t="$((t1 - t0))" 'BEGIN {printf "%.0f", 3400 * 1e6 / t}'
}
paired headless "1. headless, whole process, 3400 frames" "frames/s"

# 2. Drawing: frames 100 to 600 of the demo, off screen and in a window.
offscreen() {
  PLUMO_VIDEO=offscreen PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=601 \
    PLUMO_FRAME_LOG=$WORK/off.log "$1/morva"
  rate_of "$WORK/off.log" 100 600
}
paired offscreen "2. off screen, frames 100-600" "frames/s"
window() {
  PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=601 \
    PLUMO_FRAME_LOG=$WORK/win.log "$1/morva"
  rate_of "$WORK/win.log" 100 600
}
paired window "   window under Xvfb (software renderer)" "frames/s"
say

# 3. A paced window: intervals between frames 120 and 720.
intervals() {
  PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=722 PLUMO_FRAME_LOG=$WORK/paced.log "$1/morva"
  grep -v '^#' "$WORK/paced.log" | awk 'NR > 121 && NR <= 722 {print ($1 - p) / 1000} {p = $1}' |
    sort -g | awk '{v[NR] = $1} END {
      k = int(0.99 * NR); if (k < 0.99 * NR) k++
      late = 0; for (i = 1; i <= NR; i++) if (v[i] > 25) late++
      printf "p99 %.2f ms, max %.2f ms, %d over 25 ms, %d intervals\n", v[k], v[NR], late, NR }'
}
say "3. paced window at 60 frames a second under Xvfb, frames 120-720"
say "   baseline: $(intervals "$BASE")"
say "   this:     $(intervals "$BUILD")"
say

# 4. Allocations made between frame 1000 and frame 3000: runs of 1000 and of
# 3000 frames, subtracted.
allocations() {
  local counts=""
  for frames in 1000 3000; do
    LD_PRELOAD=$WORK/malloc_count.so MORVA_MALLOC_COUNT=$WORK/count PLUMO_VIDEO=$2 PLUMO_FPS=0 \
      PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=$frames "$1/morva"
    counts="$counts $(cat "$WORK/count")"
  done
  echo "$counts" | awk '{print $2 - $1}'
}
say "4. heap allocations between frames 1000 and 3000 (whole process)"
for video in none offscreen; do
  say "   $video: baseline $(allocations "$BASE" "$video"), this $(allocations "$BUILD" "$video")"
done
say

# 5. Start-up: from exec to the first frame (Init's wall time in the log
# header plus the first entry). Game start: the frame that loads the game's
# textures against the one before it.
start_frame=$(PLUMO_VIDEO=none PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=60 \
  PLUMO_TRACE=$WORK/trace "$BUILD/morva" && awk '/^frame /{f=$2} /^LoadTex "ground/{print f; exit}' "$WORK/trace")
startup() {
  local t0 log=$WORK/start.log
  t0=$(now_us)
  "${@:2}" env PLUMO_REPLAY="$REPLAY" PLUMO_FRAMES=$((start_frame + 3)) PLUMO_FRAME_LOG=$log "$1/morva"
  local init first
  init=$(head -1 "$log" | sed -n 's/.*Init at \([0-9]*\) microseconds.*/\1/p')
  first=$(grep -v '^#' "$log" | head -1)
  awk -v s="$t0" -v i="$init" -v f="$first" 'BEGIN {printf "%.1f", (i + f - s) / 1000}'
}
gamestart() {
  "${@:2}" env PLUMO_REPLAY="$REPLAY" PLUMO_FRAMES=$((start_frame + 3)) \
    PLUMO_FRAME_LOG="$WORK/game.log" "$1/morva"
  grep -v '^#' "$WORK/game.log" | awk -v f="$start_frame" 'NR == f {a = $1} NR == f + 1 {printf "%.1f", ($1 - a) / 1000}'
}
startup_off() { startup "$1" env PLUMO_VIDEO=offscreen PLUMO_FPS=0; }
startup_win() { startup "$1" env; }
game_off() { gamestart "$1" env PLUMO_VIDEO=offscreen PLUMO_FPS=0; }
game_win() { gamestart "$1" env; }
say "5. start-up and game start (the game's textures load in frame $start_frame of the demo)"
paired startup_off "   start-up to the first frame, off screen" "ms"
paired startup_win "   start-up to the first frame, window" "ms"
paired game_off "   title's last frame to the game's first, off screen" "ms"
paired game_win "   title's last frame to the game's first, window" "ms"
say
say "load after: $(cut -d' ' -f1-3 /proc/loadavg); logs in $WORK"
