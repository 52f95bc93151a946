#!/bin/sh
# Builds the game and every test twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs all tests in both builds, then the
# Windows build under Wine (scripts/test-windows.sh) and the release packages
# (scripts/test-packages.sh); MORVA_SKIP_WINDOWS=1 skips those two. Then the
# web build under node and in headless Chromium (scripts/test-web.sh;
# MORVA_SKIP_WEB=1 skips it). Last it checks that none of it touched the
# player's own settings or screenshots.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh tests
PLAYER_FILES=$(mktemp /tmp/morva-player-files.XXXXXX)
trap 'rm -f "$PLAYER_FILES"' EXIT
./scripts/player-files.sh >"$PLAYER_FILES"

JOBS="${MORVA_JOBS:-2}"
cmake -B build -DMORVA_TESTS=ON
cmake --build build -j "$JOBS"
ctest --test-dir build --output-on-failure -j "$JOBS" -LE "wine|web"

cmake -B build-asan -DMORVA_SANITIZE=ON -DMORVA_TESTS=ON
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" -LE "wine|web"

if [ "${MORVA_SKIP_WINDOWS:-0}" != 1 ]; then
  ./scripts/test-windows.sh
  ./scripts/test-packages.sh
fi

if [ "${MORVA_SKIP_WEB:-0}" != 1 ]; then
  ./scripts/test-web.sh
fi

if ! ./scripts/player-files.sh | diff "$PLAYER_FILES" - >&2; then
  echo "test: the runs above changed the player's own files (< before, > after)" >&2
  exit 1
fi
echo "test: the player's own files are as they were"
