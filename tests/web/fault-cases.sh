#!/bin/sh
# The web build's top-level handler meeting each kind of failure
# (FaultCases.cpp under node): the Linux build's line, shutdown and exit code.
set -u
PROGRAM="${MORVA_WEB_BUILD:?names the web build folder}/variants/morva-fault-cases.js"
failed=0
check() { # case, expected "<exit> [<stderr>] <stdout>"
  err=$(mktemp)
  out=$(node "$PROGRAM" "$1" 2>"$err")
  status=$?
  got="$status [$(head -c 300 "$err")] $(printf %s "$out" | head -c 300)"
  rm -f "$err"
  if [ "$got" != "$2" ]; then
    printf '%s: expected %s\n%s:      got %s\n' "$1" "$2" "$1" "$got"
    failed=1
  fi
}
check invalid-operation "1 [morva: invalid floating-point operation (zero divided by zero)] Free, title dropped"
check invalid-conversion "1 [morva: invalid floating-point operation (conversion to a 64-bit integer out of range)] Free, title dropped"
check float-division-by-zero "0 [] Free, title dropped"
check rounding "0 [] Free, title dropped"
exit $failed
