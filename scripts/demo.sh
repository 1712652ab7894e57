#!/usr/bin/env bash
# The driver end to end under Wine, on a simulated Leitch router:
# installs what is missing, builds the router simulator (native) and the
# Windows programs, then runs scripts/demo.py on a private X display: a
# client routes, locks, unlocks and queries through HXIHOST's TCP port, a
# crosspoint changes at the router, the router falls silent and comes back,
# screenshots of the panel are taken, and the driver is closed by the host,
# leaving its tally file behind. Everything lands in build/demo/.
#
#   bash scripts/demo.sh            run the steps and stop (about a minute once built)
#   bash scripts/demo.sh --hold     keep running afterwards for a client of your own
#
# Uses the build's Wine prefix (build/windows/wineprefix, where COM12 is the
# pty build/windows/ptys/com12): do not run it beside scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}

bash scripts/setup.sh

mkdir -p build
log=$ROOT/build/demo.build.log
echo "demo: building the router simulator and the Windows programs (log: $log)"
{
  cmake --preset native &&
  cmake --build --preset native -j "$JOBS" --target leitch_sim &&
  cmake --preset windows &&
  cmake --build --preset windows -j "$JOBS" --target val_drn hxihost orvaif32 orva_cc bwcc32 tracecap
} >"$log" 2>&1 || { tail -30 "$log"; echo "demo: build failed"; exit 1; }

export WINEPREFIX=$ROOT/build/windows/wineprefix WINEDEBUG=-all
echo "demo: preparing the Wine prefix $WINEPREFIX"
bash scripts/wine-prefix.sh "$WINEPREFIX"

. scripts/wine-session.sh
trap wine_session_end EXIT
# Ctrl+C is the demo's to handle (it closes the driver properly); this
# script waits for it.
trap '' INT
wine_session_start || { echo "demo: no display"; exit 1; }

set +e
python3 scripts/demo.py "$@"
code=$?
set -e
echo
if [ "$code" -eq 0 ]; then
  echo "demo: done; screenshots, trace and outputs in build/demo/"
else
  echo "demo: failed (exit $code); outputs in build/demo/"
fi
exit "$code"
