#!/usr/bin/env bash
# The driver's demo on a built-in configuration: builds the Windows programs,
# writes a demo site to build/demo, runs VAL_DRN.EXE under Wine beside a
# fixture host window with its debug trace shown, lets it run for a moment,
# asks it to close as the host interface would, and reports its exit code.
#   DEMO_HOLD=SECONDS  how long the driver runs before it is asked to close (2)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
HOLD=${DEMO_HOLD:-2}

bash scripts/setup.sh

echo "demo: building the driver and its companions (log: build/demo.build.log)"
mkdir -p build
{
  cmake --preset windows &&
  cmake --build --preset windows -j "$JOBS" --target val_drn orva_cc bwcc32 tracecap hostfix
} >build/demo.build.log 2>&1 || { tail -30 build/demo.build.log; exit 1; }
BIN=$ROOT/build/windows/bin

# The site: CC_ROOT\CC_SYSTEM\config\system holds the settings and device
# files, CC_ROOT\CC_SYSTEM\windows\lib the control libraries.
SITE=$ROOT/build/demo
rm -rf "$SITE"
CONFIG=$SITE/demo/config/system
SYSTEM=$SITE/demo/windows/lib
mkdir -p "$CONFIG" "$SYSTEM"
cp "$BIN/ORVA_CC.DLL" "$BIN/BWCC32.DLL" "$SYSTEM/"

ini() {  # file, then lines; written with CR LF as on Windows
  local file=$1; shift
  printf '%s\r\n' "$@" >"$file"
}
ini "$CONFIG/VAL_DRN.INI" \
  "[Controller]" "Name=Demo Router" "Simulation=1" "DebugMode=1" "Access=ALL" \
  "[Levels]" "Level_0=101" "Level_1=102" "Level_2=103"
ini "$CONFIG/DEV_101.INI" "[Database]" "DatabaseSize_0=16" "DatabaseSize_1=16"
ini "$CONFIG/DEV_102.INI" "[Database]" "DatabaseSize_0=32" "DatabaseSize_1=8"
ini "$CONFIG/DEV_103.INI" "[Database]" "DatabaseSize_0=8" "DatabaseSize_1=4"

# Wine sees the Linux root as drive Z:.
export CC_ROOT="Z:${SITE//\//\\}" CC_SYSTEM=demo
export WINEPREFIX=$ROOT/build/windows/wineprefix WINEDEBUG=-all
bash scripts/wine-prefix.sh "$WINEPREFIX"

echo "demo: site $CC_ROOT\\$CC_SYSTEM (levels A, B, C = devices 101, 102, 103; simulation)"
echo "demo: starting VAL_DRN.EXE; trace lines are 'time [process] text'"
run=(wine "$BIN/TRACECAP.EXE" "$BIN/HOSTFIX.EXE" --hold "$HOLD" "$BIN/VAL_DRN.EXE")
if [ -z "${DISPLAY:-}" ]; then
  run=(xvfb-run -a -s "-screen 0 1024x768x24" "${run[@]}")
fi
set +e
(cd "$BIN" && "${run[@]}") 2>&1 | tr -d '\r' | grep -v '^X connection to'
code=${PIPESTATUS[0]}
set -e

echo "demo: settings file after the run (defaults written back): $CONFIG/VAL_DRN.INI"
echo "demo: driver exit code $code"
exit "$code"
