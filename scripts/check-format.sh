#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it
# with the repository's .clang-format; prints the places.
set -eu
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
