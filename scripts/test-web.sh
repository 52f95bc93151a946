#!/bin/bash
# The web build in node and in headless Chromium: builds it
# (scripts/build-web.sh, SDL from the cache) and runs the suites labelled "web"
# of the Linux test build (default build/): the golden replays played under
# node, the page in Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}

./scripts/install-deps.sh web tests
[ -f "$HOST/CMakeCache.txt" ] || cmake -B "$HOST"
cmake --build "$HOST" -j "$JOBS" --target morva plumo morva_assets morva_golden_tests
MORVA_HOST_BUILD=$HOST ./scripts/build-web.sh build-web

ctest --test-dir "$HOST" --output-on-failure -L web
