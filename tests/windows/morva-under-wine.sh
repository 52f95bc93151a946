#!/bin/sh
# The Windows build's morva.exe under Wine, for suites that run "the program"
# (MORVA_PROGRAM): MORVA_WINDOWS_BUILD names the build folder.
exec "$(dirname "$0")/wine-run.sh" "${MORVA_WINDOWS_BUILD:?names the Windows build folder}/morva.exe" "$@"
