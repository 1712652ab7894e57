#!/usr/bin/env bash
# Runs the tally file kill test under Wine with its output in a file, then
# shows it. Wine's service processes, started by the first program of a
# server session, inherit that program's output and outlive it: a ctest pipe
# they hold would keep the test waiting until its timeout.
set -u
emulator=$1
program=$2
log=$(mktemp)
"$emulator" "$program" >"$log" 2>&1 </dev/null
rc=$?
tr -d '\r' <"$log"
rm -f "$log"
exit $rc
