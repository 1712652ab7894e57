#!/usr/bin/env bash
# Runs a command while socat links pseudo-terminal pairs to COM ports of the
# Wine prefix (mapped once by scripts/wine-prefix.sh):
#   with_ptys.sh PREFIX "5:6 7:8" -- command args...
# WINEPREFIX, when set, wins over PREFIX. Exits with the command's status.
set -u
prefix=${WINEPREFIX:-$1}
pairs=$2
shift 2
[ "${1:-}" = "--" ] && shift
root=$(cd "$(dirname "$0")/../../.." && pwd)
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
bash "$root/scripts/wine-prefix.sh" "$prefix" || exit 1
ptys="$(cd "$(dirname "$prefix")" && pwd)/ptys"
# The first Wine process of a server starts its system processes, which keep
# that process's output open; under a persistent server they never end, and
# ctest would wait for the test's output forever. Start them detached first.
wine cmd /c exit </dev/null >/dev/null 2>&1
mkdir -p "$ptys"

pids=()
stop_socat() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
}
trap stop_socat EXIT

links=()
for pair in $pairs; do
  a=${pair%:*} b=${pair#*:}
  rm -f "$ptys/com$a" "$ptys/com$b"
  socat pty,raw,echo=0,link="$ptys/com$a" pty,raw,echo=0,link="$ptys/com$b" &
  pids+=($!)
  links+=("$ptys/com$a" "$ptys/com$b")
done

deadline=$((SECONDS + 20))
for link in "${links[@]}"; do
  until [ -e "$link" ]; do
    [ $SECONDS -ge $deadline ] && { echo "with_ptys: $link did not appear" >&2; exit 1; }
    sleep 0.05
  done
done

"$@"
