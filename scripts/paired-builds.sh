# Sourced by the paired measurements (bench.sh, latency.sh) from the project
# root: paired_builds NAME BASELINE_BUILD [BUILD] sets ROOT, BASE, BUILD and
# WORK (a fresh folder under /tmp), keeps both builds away from the player's
# settings and the caller's PLUMO_ variables, and builds BUILD (build-bench)
# unless it is a runnable tree without a build folder (a copy), measured as
# it is.
paired_builds() {
  local name=$1
  shift
  ROOT=$PWD
  [ $# -ge 1 ] || { echo "usage: scripts/$name.sh BASELINE_BUILD [BUILD]" >&2; exit 2; }
  BASE=$(paired_path "$1")
  BUILD=$(paired_path "${2:-build-bench}")
  WORK=$(mktemp -d "/tmp/$name.XXXXXX")
  local variable
  for variable in TRACE RECORD SHOT_FRAMES SHOT_DIR FPS VIDEO FRAMES REPLAY FRAME_LOG SEED; do
    unset "PLUMO_$variable"
  done
  export PLUMO_CONFIG_DIR=none
  if [ -f "$BUILD/CMakeCache.txt" ] || [ ! -x "$BUILD/morva" ]; then
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
      cmake -B "$BUILD" -S "$ROOT" -DMORVA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$WORK/cmake.log"
    fi
    cmake --build "$BUILD" -j "$(nproc)" --target morva plumo morva_assets >"$WORK/build.log"
  fi
  local game
  for game in "$BASE/morva" "$BUILD/morva"; do
    [ -x "$game" ] || { echo "no game at $game" >&2; exit 2; }
  done
}

paired_path() { case $1 in /*) echo "$1" ;; *) echo "$ROOT/$1" ;; esac; }
