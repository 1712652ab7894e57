#!/usr/bin/env bash
# Creates the private Wine prefix given as $1 (once) and leaves it ready:
# the C: drive holds no machine configuration file until a test makes one.
#
# The prefix maps COM5 to COM12 to fixed paths <prefix>/../ptys/comN, so a
# test only starts socat with link= those paths and never touches the
# registry (a registry change needs a wineserver restart). Idempotent: a
# prefix whose mapping is missing or points elsewhere (a moved build tree,
# a prefix made by another tool) is made again from scratch.
set -u
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
ptys="$(cd "$(dirname "$prefix")" 2>/dev/null && pwd || dirname "$prefix")/ptys"
ports="5 6 7 8 9 10 11 12"

mapped() {
  [ -f "$prefix/system.reg" ] || return 1
  local n
  for n in $ports; do
    grep -qF "\"COM$n\"=\"$ptys/com$n\"" "$prefix/system.reg" || return 1
  done
}

create() {
  if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null
    rm -rf "$prefix"
  fi
  mkdir -p "$prefix" "$ptys"
  wineboot -i >/dev/null 2>&1
  local reg="$prefix/ports.reg" n
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $ports; do printf '"COM%s"="%s/com%s"\r\n' "$n" "$ptys" "$n"; done
    # No window manager runs under Xvfb: unmanaged windows close at once
    # instead of after a two-second wait for one.
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
  } >"$reg"
  wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
  # The server saves the registry when it ends; the mount manager reads the
  # mapping at the next start.
  wineserver -w
  rm -f "$reg"
}

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
mapped && exit 0
create
mapped || { echo "wine-prefix: COM port mapping missing in $prefix" >&2; exit 1; }
