#!/usr/bin/env bash
# Runs a command while socat links a pseudo-terminal pair to two COM ports
# of the Wine prefix (mapped once by scripts/wine-prefix.sh):
#   with_ptys.sh PREFIX 5:6 -- command args...
# WINEPREFIX, when set, wins over PREFIX. Exits with the command's status.
set -u
prefix=${WINEPREFIX:-$1}
a=${2%:*} b=${2#*:}
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
rm -f "$ptys/com$a" "$ptys/com$b"
socat pty,raw,echo=0,link="$ptys/com$a" pty,raw,echo=0,link="$ptys/com$b" &
socat_pid=$!
trap 'kill $socat_pid 2>/dev/null; wait $socat_pid 2>/dev/null' EXIT
deadline=$((SECONDS + 20))
until [ -e "$ptys/com$a" ] && [ -e "$ptys/com$b" ]; do
  [ $SECONDS -ge $deadline ] && { echo "with_ptys: the pair $2 did not appear" >&2; exit 1; }
  sleep 0.05
done
"$@"
