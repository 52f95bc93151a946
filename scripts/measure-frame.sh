#!/bin/bash
# Measures the game's frame timing and prints each figure with how it was got:
#   a. start-up to the first presented frame (window under Xvfb, median of 5);
#   b. unpaced frames a second on a fixed replay, with nothing drawn and off screen;
#   c. frame-interval median and 99th percentile over 600 frames in a window
#      under Xvfb at 60 frames a second, and the CPU share meanwhile.
# Every figure comes from the library's frame log (PLUMO_FRAME_LOG): one line
# per presented frame, microseconds since Init.
#
# Usage: scripts/measure-frame.sh [build-dir]   (default build-measure)
# MEASURE_WINDOWS=1 measures the Windows build under Wine instead: build-dir is
# then a folder scripts/build-windows.sh made (default build-windows).
# MEASURE_NICE=<n> runs the game under `nice -n <n>` (n < 0 needs root): on a
# machine busy with other builds it shows what an idle machine would give.
# Needs xvfb-run (package xvfb, see scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WINDOWS=${MEASURE_WINDOWS:-}
BUILD=${1:-$([ -n "$WINDOWS" ] && echo build-windows || echo build-measure)}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
GAME=$BUILD/morva
if [ -n "$WINDOWS" ]; then
  GAME=$ROOT/tests/windows/morva-under-wine.sh
  export MORVA_WINDOWS_BUILD=$BUILD
fi
WORK=${MEASURE_DIR:-$(mktemp -d /tmp/measure-frame.XXXXXX)}
mkdir -p "$WORK"
export PLUMO_SEED=1 PLUMO_CONFIG_DIR=none
unset PLUMO_TRACE PLUMO_RECORD PLUMO_SHOT_FRAMES PLUMO_SHOT_DIR PLUMO_FPS PLUMO_VIDEO \
  PLUMO_FRAMES PLUMO_REPLAY PLUMO_FRAME_LOG

say() { printf '%s\n' "$*"; }
RUN=()
[ -n "${MEASURE_NICE:-}" ] && RUN=(nice -n "$MEASURE_NICE")
load() { cut -d' ' -f1-3 /proc/loadavg; }

# Frame log -> present times, one a line, without the header.
times_of() { grep -v '^#' "$1"; }
# The wall-clock time of Init, in microseconds since the epoch, from the header.
init_wall_of() { head -1 "$1" | sed -n 's/.*Init at \([0-9]*\) microseconds.*/\1/p'; }
# Median of the numbers on standard input.
median() { sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }

# A fixed replay of a real game: the bot's demo game, or a made-up one that
# starts a game and walks, changes lines, dashes and attacks for 3000 frames.
REPLAY=$ROOT/demo/demo.replay
if [ ! -f "$REPLAY" ]; then
  REPLAY=$WORK/walk.replay
  {
    say "seed 1"
    say "1 jump down"
    say "2 jump up"
    f=200
    while [ $f -lt 2950 ]; do
      say "$f right down"
      say "$((f + 20)) dash down"
      say "$((f + 24)) dash up"
      say "$((f + 40)) right up"
      say "$((f + 42)) attack down"
      say "$((f + 43)) attack up"
      say "$((f + 52)) attack down"
      say "$((f + 53)) attack up"
      say "$((f + 60)) up down"
      say "$((f + 62)) up up"
      say "$((f + 70)) left down"
      say "$((f + 100)) left up"
      say "$((f + 102)) down down"
      say "$((f + 104)) down up"
      f=$((f + 110))
    done
  } >"$REPLAY"
fi

if [ "${MEASURE_IN_XVFB:-}" != 1 ]; then
  say "== build ($BUILD)"
  if [ -n "$WINDOWS" ]; then
    "$ROOT/scripts/build-windows.sh" "$BUILD" >"$WORK/build.log"
  else
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
      cmake -B "$BUILD" -S "$ROOT" -DMORVA_TESTS=OFF >"$WORK/cmake.log"
    fi
    cmake --build "$BUILD" -j "$(nproc)" --target morva plumo >"$WORK/build.log"
  fi
  say "machine: $(nproc) cores, load before: $(load)${MEASURE_NICE:+, game run under nice -n $MEASURE_NICE}"
  say "replay: $REPLAY"
  say

  # b. Unpaced frames a second: frames presented per second between the first
  # and the last frame-log entry (start-up excluded), median of 3 runs. Off
  # screen every frame is really drawn, so fewer frames (title and play) do.
  for video in none offscreen; do
    FRAMES=3000
    [ $video = offscreen ] && FRAMES=1200
    say "== unpaced frames a second, PLUMO_VIDEO=$video"
    rates=""
    for run in 1 2 3; do
      log=$WORK/unpaced-$video-$run.log
      PLUMO_VIDEO=$video PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=$FRAMES \
        PLUMO_FRAME_LOG=$log "${RUN[@]}" "$GAME"
      rate=$(times_of "$log" | awk 'NR==1{a=$1} {b=$1; n=NR} END {printf "%.0f", (n-1)*1e6/(b-a)}')
      rates="$rates $rate"
    done
    say "  runs:$rates frames/s; median $(printf '%s\n' $rates | median) frames/s (load $(load))"
    say "  how: PLUMO_VIDEO=$video PLUMO_FPS=0 PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=$FRAMES" \
      "PLUMO_FRAME_LOG=<log> $GAME; (entries-1) / (last-first) of the log"
    say
  done

  # a. and c. need a display: run this script again inside xvfb-run.
  MEASURE_IN_XVFB=1 MEASURE_DIR=$WORK xvfb-run -a -s "-screen 0 1600x900x24 -noreset" \
    "$ROOT/scripts/measure-frame.sh" "$BUILD"
  say "load after: $(load)"
  say "logs in $WORK"
  exit 0
fi

# ---- inside xvfb-run from here on ----

# The game waits for the X server at every present, so a niced game needs a niced server.
if [ -n "${MEASURE_NICE:-}" ]; then
  renice -n "$MEASURE_NICE" -p "$(pgrep -n -f "^Xvfb $DISPLAY ")" >/dev/null
fi

# a. Start-up: from the exec of the game (bash's clock just before exec) to the
# first frame-log entry (Init's wall-clock time + its offset), median of 5.
say "== start-up to the first presented frame (window, Xvfb 1600x900x24)"
startups=""
for run in 1 2 3 4 5; do
  log=$WORK/startup-$run.log
  PLUMO_FRAMES=1 PLUMO_FRAME_LOG=$log "${RUN[@]}" bash -c 'echo "${EPOCHREALTIME/[.,]/}" >"$0"; exec "$1"' \
    "$WORK/startup-$run.t0" "$GAME"
  t0=$(cat "$WORK/startup-$run.t0")
  first=$(times_of "$log" | head -1)
  startups="$startups $(awk -v s="$t0" -v i="$(init_wall_of "$log")" -v f="$first" \
    'BEGIN {printf "%.1f", (i + f - s) / 1000}')"
done
say "  runs:$startups ms; median $(printf '%s\n' $startups | median) ms (load $(load))"
say "  how: PLUMO_FRAMES=1 PLUMO_FRAME_LOG=<log> $GAME started by exec from bash;" \
  "(Init wall time from the log header + first entry) - bash's \$EPOCHREALTIME before exec"
say

# c. Paced window: 60 frames a second (the default), the replay drawn in a real
# window. Intervals between frames 120 and 720; CPU from /proc/<pid>/stat
# (utime+stime, all threads) over 8 s of wall time inside that stretch.
say "== frame intervals in a window at 60 frames a second (Xvfb 1600x900x24)"
log=$WORK/paced.log
TICK=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }
PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=780 PLUMO_FRAME_LOG=$log "${RUN[@]}" "$GAME" &
pid=$!
xvfb_pid=$(pgrep -n -f "^Xvfb $DISPLAY " || true)
sleep 3
c0=$(cpu_of $pid)
x0=$([ -n "$xvfb_pid" ] && cpu_of "$xvfb_pid" || echo 0)
w0=${EPOCHREALTIME/[.,]/}
sleep 8
c1=$(cpu_of $pid)
x1=$([ -n "$xvfb_pid" ] && cpu_of "$xvfb_pid" || echo 0)
w1=${EPOCHREALTIME/[.,]/}
load_c=$(load)
rc=0
wait $pid || rc=$?
times_of "$log" | awk 'NR > 120 && NR <= 721 {if (NR > 121) print ($1 - p) / 1000; p = $1}' \
  >"$WORK/paced-intervals.txt"
n=$(wc -l <"$WORK/paced-intervals.txt")
sort -g "$WORK/paced-intervals.txt" | awk -v n="$n" '
  {v[NR] = $1}
  END {
    med = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    k = int(0.99 * n); if (k < 0.99 * n) k++
    printf "  %d intervals: median %.3f ms, 99th percentile %.3f ms, min %.3f ms, max %.3f ms\n", n, med, v[k], v[1], v[n]
  }'
awk '$1 > 20 {late++} END {printf "  intervals over 20 ms: %d\n", late}' "$WORK/paced-intervals.txt"
awk -v c="$((c1 - c0))" -v x="$((x1 - x0))" -v t="$TICK" -v w="$((w1 - w0))" 'BEGIN {
  printf "  CPU share of the game: %.1f%% of one core (Xvfb: %.1f%%) over %.1f s\n", 100 * c / t / (w / 1e6), 100 * x / t / (w / 1e6), w / 1e6 }'
say "  exit code $rc (load $load_c)"
say "  how: PLUMO_REPLAY=$REPLAY PLUMO_FRAMES=780 PLUMO_FRAME_LOG=<log> $GAME; intervals between" \
  "log entries of frames 120..720; CPU = delta(utime+stime) of /proc/<pid>/stat / CLK_TCK / wall," \
  "sampled 3 s and 11 s after start"
