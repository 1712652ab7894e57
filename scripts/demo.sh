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

xvfb_pid=""
own_server=0
work=$(mktemp -d)
cleanup() {
  [ "$own_server" = 1 ] && wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Ctrl+C is the demo's to handle (it stops the driver properly); the
# script waits for it.
trap '' INT

# A display of our own, in a session of its own so that a Ctrl+C at the
# terminal cannot take it away from the driver.
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$((SECONDS + 30))
until [ -s "$work/display" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log"; echo "demo: Xvfb failed"; exit 1; }
  [ $SECONDS -ge $deadline ] && { echo "demo: Xvfb did not start"; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(head -1 "$work/display")"
unset XAUTHORITY

# One warm wineserver for the whole demo; the system services it starts are
# kept away from our output.
if wineserver -p >/dev/null 2>&1; then own_server=1; fi
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

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
