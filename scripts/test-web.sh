#!/bin/bash
# The web build in node and in headless Chromium: builds it
# (scripts/build-web.sh, SDL from the cache), installs the browser driver
# (puppeteer-core, pinned by tests/web/browser/package-lock.json) into a cache
# folder, and runs the suites labelled "web" of the Linux test build (default
# build/): the golden replays played under node, the page in Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
HOST=${MORVA_HOST_BUILD:-build}
JOBS=${MORVA_JOBS:-2}
MODULES=${XDG_CACHE_HOME:-$HOME/.cache}/morva/web-test

./scripts/install-deps.sh web tests
[ -f "$HOST/CMakeCache.txt" ] || cmake -B "$HOST"
cmake -B "$HOST" -DMORVA_WEB_TEST_MODULES="$MODULES/node_modules" >/dev/null
cmake --build "$HOST" -j "$JOBS" --target morva plumo morva_assets morva_golden_tests
MORVA_HOST_BUILD=$HOST ./scripts/build-web.sh build-web

LOCK=tests/web/browser/package-lock.json
if ! cmp -s "$LOCK" "$MODULES/package-lock.json" || [ ! -d "$MODULES/node_modules" ]; then
  mkdir -p "$MODULES"
  cp tests/web/browser/package.json "$LOCK" "$MODULES/"
  (cd "$MODULES" && npm ci --no-audit --no-fund --ignore-scripts >/dev/null)
fi
ctest --test-dir "$HOST" --output-on-failure -L web
