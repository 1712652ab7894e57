#!/usr/bin/env bash
# Benchmarks of the serial library under Wine over a socat pseudo-terminal
# pair (COM9 <-> COM10 of the test prefix). Prints a Markdown table.
#   bash bench/comms_bench.sh            (builds bench_comms first)
# A pty ignores the baud rate: throughput is what the library and Wine can
# take, to be set against the line's own rate (baud / 10 bytes per second).
set -u
cd "$(dirname "$0")/.."
ROOT=$(pwd)
cmake --build --preset windows -j 2 --target bench_comms >/dev/null || { echo "build failed"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/windows/wineprefix} WINEDEBUG=-all
BIN=$ROOT/build/windows/bin/bench_comms.exe
PORT=9 FARPORT=10
bash scripts/wine-prefix.sh "$WINEPREFIX" || exit 1
PTYS="$(cd "$(dirname "$WINEPREFIX")" && pwd)/ptys"
mkdir -p "$PTYS"

started_server=0
wineserver -p 2>/dev/null && started_server=1
# System processes detached from this script's output (see with_ptys.sh).
wine cmd /c exit </dev/null >/dev/null 2>&1

SOCAT=""
start_pair() {
  rm -f "$PTYS/com$PORT" "$PTYS/com$FARPORT"
  socat pty,raw,echo=0,link="$PTYS/com$PORT" pty,raw,echo=0,link="$PTYS/com$FARPORT" &
  SOCAT=$!
  local deadline=$((SECONDS + 20))
  until [ -e "$PTYS/com$PORT" ] && [ -e "$PTYS/com$FARPORT" ]; do
    [ $SECONDS -ge $deadline ] && { echo "pty pair did not appear" >&2; exit 1; }
    sleep 0.05
  done
}
stop_pair() {
  [ -n "$SOCAT" ] && kill "$SOCAT" 2>/dev/null && wait "$SOCAT" 2>/dev/null
  SOCAT=""
}
cleanup() {
  stop_pair
  [ "$started_server" = 1 ] && wineserver -k 2>/dev/null
}
trap cleanup EXIT

value() { echo "$1" | tr ' \r' '\n\n' | sed -n "s/^$2=//p"; }

# CPU ticks (user + system) of one process.
# A process that has ended reads as "gone", never as 0 ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo gone; }

# The wineserver of this prefix: its working directory is named after the
# prefix's device and inode.
server_pid() {
  local dir p
  dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
    case "$(readlink "/proc/$p/cwd")" in */"$dir") echo "$p"; return;; esac
  done
}

# Other Wine processes of this prefix (services, device host), not the bench.
helper_pids() {
  local p
  for p in $(pgrep -f '\.exe' ); do
    [ "$p" = "$1" ] && continue
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}

# Runs the idle mode and reports the CPU share (% of one core) over 10 s of
# the program, the wineserver and the other Wine processes. With "dead" the
# far end of the line goes away first.
idle_cpu() {
  local mode=$1 out bench pid srv helpers t0 t1 s0 s1 h0 h1 hz secs=10
  out=$(mktemp)
  start_pair
  # Runs well past the window and is ended after the last reading.
  wine "$BIN" idle "$PORT" 115200 $((secs + 60)) 64 >"$out" 2>&1 &
  bench=$!
  until grep -q ready "$out"; do sleep 0.05; kill -0 "$bench" 2>/dev/null || break; done
  [ "$mode" = dead ] && stop_pair
  sleep 1
  pid=$bench
  srv=$(server_pid)
  helpers=$(helper_pids "$pid")
  hz=$(getconf CLK_TCK)
  t0=$(ticks "$pid"); s0=$(ticks "$srv"); h0=0
  for p in $helpers; do h0="$h0 $(ticks "$p")"; done
  sleep "$secs"
  t1=$(ticks "$pid"); s1=$(ticks "$srv"); h1=0
  for p in $helpers; do h1="$h1 $(ticks "$p")"; done
  kill "$bench" 2>/dev/null
  wait "$bench" 2>/dev/null
  stop_pair
  rm -f "$out"
  echo "$t0 $s0 $h0 | $t1 $s1 $h1" | awk -v hz="$hz" -v s="$secs" '
    { for (i = 1; i <= NF; i++) if ($i == "gone") { print "gone gone gone gone"; exit } }
    { n = (NF - 1) / 2; c = 0
      for (i = 3; i <= n; i++) c += $(n + 1 + i) - $i
      d = hz * s / 100
      printf "%.1f %.1f %.1f %.1f", ($(n+2) - $1) / d, ($(n+3) - $2) / d, c / d,
             ($(n+2) - $1 + $(n+3) - $2 + c) / d }'
}

run_bench() {
  start_pair
  wine "$BIN" "$@" 2>&1 | tail -1
  stop_pair
}

echo "Measuring (about two minutes)..." >&2
declare -A rate drops
for speed in 38400 115200; do
  for chunk in 1 64; do
    r=$(run_bench throughput "$PORT" "$FARPORT" "$speed" 20000 "$chunk")
    rate[$speed.$chunk]=$(value "$r" bytes_per_s)
    drops[$speed.$chunk]=$(value "$r" dropped)
  done
done
lat=$(run_bench latency "$PORT" "$FARPORT" 115200 300 1 1)
# The driver's way: chunk 64, an 8-byte answer to a poll, at 38400 baud.
lat64=$(run_bench latency "$PORT" "$FARPORT" 38400 3000 64 8)
read -r ip is ih it <<<"$(idle_cpu live)"
read -r dp ds dh dt <<<"$(idle_cpu dead)"

echo "| Measurement (Wine $(wine --version | sed 's/wine-//'), $(nproc) cores) | Result |"
echo "|---|---|"
for speed in 38400 115200; do
  echo "| Received at $speed baud, chunk 1, unpaced far end (line rate $((speed / 10)) B/s) | ${rate[$speed.1]} B/s, ${drops[$speed.1]} dropped |"
  echo "| Received at $speed baud, the driver's chunk 64, unpaced far end | ${rate[$speed.64]} B/s, ${drops[$speed.64]} dropped |"
done
echo "| Far end write to WM_COMMNOTIFY handled, chunk 1 (mean / p50 / p99 / max) | $(value "$lat" mean_ms) / $(value "$lat" p50_ms) / $(value "$lat" p99_ms) / $(value "$lat" max_ms) ms |"
echo "| Far end write of an 8-byte answer to its last byte handled, the driver's chunk 64 at 38400, 3000 answers (mean / p50 / p99 / max) | $(value "$lat64" mean_ms) / $(value "$lat64" p50_ms) / $(value "$lat64" p99_ms) / $(value "$lat64" max_ms) ms |"
echo "| CPU, idle port, the driver's chunk 64, 10 s: program / wineserver / other Wine processes / total | $ip / $is / $ih / $it % of one core |"
echo "| CPU, far end gone, chunk 64, 10 s: program / wineserver / other / total | $dp / $ds / $dh / $dt % of one core |"
