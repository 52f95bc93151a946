#!/bin/sh
# Runs a command when the web build (MORVA_WEB_BUILD) has been made; else
# reports the test skipped (exit 77).
if [ ! -f "${MORVA_WEB_BUILD:?names the web build folder}/morva-node.js" ]; then
  echo "no web build in $MORVA_WEB_BUILD (scripts/build-web.sh makes it)"
  exit 77
fi
exec "$@"
