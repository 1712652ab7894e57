#!/usr/bin/env bash
# Builds the Windows packages, one ZIP per architecture, into build/packages:
#   VAL_DRN-<version>-win64.zip (preset windows, x86_64)
#   VAL_DRN-<version>-win32.zip (preset windows-i686)
# Each holds the driver, its libraries, the host interface, the gateway, sample settings
# and INSTALL.txt (the packaging is cmake/package.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
OUT=$ROOT/build/packages

bash scripts/setup.sh
mkdir -p "$OUT"
for preset in windows windows-i686; do
  log=$ROOT/build/package-$preset.log
  echo "package: building $preset (log: $log)"
  {
    cmake --preset "$preset" &&
    cmake --build --preset "$preset" -j "$JOBS" --target val_drn hxihost orvaif32 orva_cc bwcc32 gateway
  } >"$log" 2>&1 || { tail -30 "$log"; echo "package: build failed"; exit 1; }
  if [ ! -f "build/$preset/CPackConfig.cmake" ]; then
    echo "package: build/$preset has no packaging: cmake/windows.cmake must include cmake/package.cmake"
    exit 1
  fi
  (cd "build/$preset" && cpack -G ZIP -B "$OUT") >>"$log" 2>&1 ||
    { tail -30 "$log"; echo "package: cpack failed"; exit 1; }
done
rm -rf "$OUT/_CPack_Packages"
for zip in "$OUT"/VAL_DRN-*.zip; do
  echo
  echo "$zip"
  python3 -m zipfile -l "$zip"
done
