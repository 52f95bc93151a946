#!/bin/bash
# The web build's budgets: download size (what a browser fetches, gzipped),
# and in headless Chromium the time from page load to the title, frame pacing
# over 600 frames and memory (benchmarks/WebPage.js). Needs the web
# build (scripts/build-web.sh). MORVA_MEASURE_RUNS: page loads to measure (3).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-web}

total=0
for file in index.html morva-page.js morva-page.css morva.js morva.wasm morva.data.gz; do
  size=$(gzip -9c "$BUILD/$file" | wc -c)
  printf '%-16s %9d bytes, %9d gzipped\n' "$file" "$(stat -c %s "$BUILD/$file")" "$size"
  total=$((total + size))
done
awk -v total="$total" 'BEGIN { printf "download, gzipped: %d bytes (%.2f MB)\n", total, total / 1e6 }'
MORVA_WEB_BUILD=$(realpath "$BUILD") node benchmarks/WebPage.js
