#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (ASan+UBSan),
# the Win32-side tests under Wine (with Xvfb), the 32-bit build (compile
# only) and the fuzzers for a bounded time. Ends with one summary line
# "N passed, N failed, N skipped".
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

bash scripts/setup.sh || { echo "setup failed"; exit 1; }

JOBS=${JOBS:-2}
passed=0
failed=0
skipped=0
status=0

# Adds the counts of one ctest run (from its "X tests failed out of Y" line).
# ctest counts a skipped test as passed; each "***Skipped" result line moves
# one from passed to skipped.
count_ctest() {
  local log=$1 line total fails skips
  grep -q 'No tests were found' "$log" && return
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    failed=$((failed + 1)); return
  fi
  fails=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  skips=$(grep -cE 'Test +#[0-9]+: .*\*\*\*Skipped' "$log" || true)
  passed=$((passed + total - fails - skips)); failed=$((failed + fails))
  skipped=$((skipped + skips))
}

stage() { echo; echo "=== $*"; }

build() {  # preset
  cmake --preset "$1" >"build/$1.configure.log" 2>&1 || { cat "build/$1.configure.log"; return 1; }
  cmake --build --preset "$1" -j "$JOBS" >"build/$1.build.log" 2>&1 || { tail -50 "build/$1.build.log"; return 1; }
}

mkdir -p build

stage "native build and unit tests"
if build native; then
  ctest --preset native -j "$JOBS" 2>&1 | tee build/native.test.log | tail -15
  count_ctest build/native.test.log
else
  echo "native build failed"; failed=$((failed + 1)); status=1
fi

stage "windows build (x86_64) and tests under Wine"
if build windows; then
  export WINEPREFIX="$ROOT/build/windows/wineprefix" WINEDEBUG=-all
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  # Keep one wineserver warm for the whole run: a cold start per test
  # process costs seconds.
  wineserver -p >/dev/null 2>&1 || true
  # The first Wine program of a server session starts the system services
  # and the desktop process. Start them inside the X session, with their
  # output discarded: started without a display, the desktop cannot create
  # top-level windows; started by a test, they would hold its output open.
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    'wine cmd.exe /c exit >/dev/null 2>&1 </dev/null; ctest --preset windows -j 1' \
    2>&1 | tee build/windows.test.log | tail -15
  count_ctest build/windows.test.log
  wineserver -k >/dev/null 2>&1 || true
else
  echo "windows build failed"; failed=$((failed + 1)); status=1
fi

stage "windows build (i686, compile only)"
if build windows-i686; then
  echo "i686 build ok"; passed=$((passed + 1))
else
  echo "i686 build failed"; failed=$((failed + 1))
fi

stage "fuzzers (bounded run)"
if build fuzz; then
  ctest --test-dir build/fuzz -j 1 2>&1 | tee build/fuzz.test.log | tail -8
  count_ctest build/fuzz.test.log
else
  echo "fuzz build failed"; failed=$((failed + 1))
fi

echo
echo "${passed} passed, ${failed} failed, ${skipped} skipped"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
