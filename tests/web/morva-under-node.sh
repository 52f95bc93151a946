#!/bin/sh
# The web build's program under node, for suites that run "the program"
# (MORVA_PROGRAM): MORVA_WEB_BUILD names the build folder.
exec node "${MORVA_WEB_BUILD:?names the web build folder}/morva-node.js" "$@"
