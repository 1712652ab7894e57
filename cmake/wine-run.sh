#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
# The prefix is the folder "wineprefix" beside CMakeCache.txt of the build
# that owns the program (found by walking up from the program), unless
# WINEPREFIX is already set. Created on first use.
set -u
prog="$1"
if [ -z "${WINEPREFIX:-}" ]; then
  d=$(cd "$(dirname "$prog")" && pwd)
  while [ "$d" != "/" ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  [ -f "$d/CMakeCache.txt" ] || d=$(pwd)
  export WINEPREFIX="$d/wineprefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true

fi
exec wine "$@"
