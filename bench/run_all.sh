#!/usr/bin/env bash
# Runs every benchmark in one go and writes one Markdown table, with the
# machine, the Wine version and the date, to bench/RESULTS.md and stdout:
#   - the serial library (bench/comms_bench.sh),
#   - the host link (bench/host_bench.py),
#   - the gateway (bench/gateway_bench.py): dumps and route latency,
#   - the router link (bench/link_bench.py): poll rate, answers, link
#     failures, latencies, CPU, receive throughput,
#   - the core's parsers natively (bench/native, built optimised).
#
#   bash bench/run_all.sh [--seconds N] [--quick]
#     N: polling window of each run (60); --quick: 10 s windows, the 10 ms
#     polling only, fewer calls (a few minutes)
#
# Each figure is also printed as a line BENCH_<NAME>=<number>, and the
# table opens with the figures set side by side with their goals.
# About 9 + 5 N/60 minutes (15 at the default). Uses the build's Wine prefix: not beside
# scripts/test.sh or scripts/demo.sh.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
POLL_SECONDS=60
QUICK=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) POLL_SECONDS=$2; shift 2 ;;
    --quick) QUICK=(--quick); POLL_SECONDS=10; shift ;;
    *) echo "usage: bash bench/run_all.sh [--seconds N] [--quick]" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh || exit 1
mkdir -p build
log=$ROOT/build/bench.build.log
echo "bench: building (log: $log)" >&2
{
  cmake --preset native &&
  cmake --build --preset native -j "$JOBS" --target leitch_sim &&
  cmake --preset windows &&
  cmake --build --preset windows -j "$JOBS" --target \
    val_drn hxihost orvaif32 orva_cc bwcc32 tracecap bench_comms hostlink_testdriver &&
  cmake -S bench/native -B build/bench-native -G Ninja &&
  cmake --build build/bench-native -j "$JOBS"
} >"$log" 2>&1 || { tail -30 "$log"; echo "bench: build failed" >&2; exit 1; }

export WINEPREFIX=$ROOT/build/windows/wineprefix WINEDEBUG=-all
bash scripts/wine-prefix.sh "$WINEPREFIX" || exit 1
. scripts/wine-session.sh
rows=$(mktemp)
figures=$(mktemp)
trap 'wine_session_end; rm -f "$rows" "$figures"' EXIT
wine_session_start || exit 1
load=$(cut -d' ' -f1-3 /proc/loadavg)

failed() { echo "| $1 | failed, see above | |" >>"$rows"; }

echo "bench: serial library (about 2 minutes)" >&2
# Its own table: keep the rows, add the third column.
bash bench/comms_bench.sh >"$rows.comms" || failed "Serial library benchmark"
grep '^| ' "$rows.comms" | tail -n +2 | sed 's/^| /| Serial library: /; s/ |$/ | |/' >>"$rows"
rm -f "$rows.comms"

echo "bench: host link" >&2
# "label: value" lines become rows.
python3 bench/host_bench.py "${QUICK[@]}" >"$rows.host" || failed "Host link benchmark"
sed -n 's/^\([^:]*\): \(.*\)$/| Host link: \1 | \2 | |/p' "$rows.host" >>"$rows"
grep '^BENCH_' "$rows.host" | tee -a "$figures"
rm -f "$rows.host"

echo "bench: gateway" >&2
python3 bench/gateway_bench.py >"$rows.gateway" || failed "Gateway benchmark"
sed -n 's/^\([^:]*\): \(.*\)$/| Gateway: \1 | \2 | |/p' "$rows.gateway" >>"$rows"
grep '^BENCH_' "$rows.gateway" | tee -a "$figures"
rm -f "$rows.gateway"

echo "bench: router link" >&2
python3 bench/link_bench.py --seconds "$POLL_SECONDS" "${QUICK[@]}" >>"$rows" \
  2> >(tee -a "$figures" | grep -v '^BENCH_' >&2) || failed "Router link benchmark"
sleep 1   # the tee behind stderr has written its last lines

echo "bench: core parsers (native)" >&2
build/bench-native/bench_core >>"$rows" || failed "Native core benchmark"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
{
  echo "# Benchmark results"
  echo
  echo "Machine: ${cpu:-unknown CPU}, $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo);"
  echo "load average at the start $load. $(wine --version). $(date -u '+%Y-%m-%d %H:%M UTC')."
  echo "Polling windows of $POLL_SECONDS s. Made by \`bash bench/run_all.sh${QUICK[*]:+ ${QUICK[*]}}\`."
  echo
  python3 bench/goals.py "$figures"
  echo
  echo "| Measurement | Result | Limit or request |"
  echo "|---|---|---|"
  cat "$rows"
  echo
  cat bench/limits.md
} >bench/RESULTS.md
cat bench/RESULTS.md
