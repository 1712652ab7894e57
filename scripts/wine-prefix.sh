#!/usr/bin/env bash
# Creates the private Wine prefix given as $1 (once) and leaves it ready:
# the C: drive holds no machine configuration file until a test makes one.
set -u
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
