#!/usr/bin/env bash
# Runs the README's two commands (scripts/demo.sh, then scripts/test.sh) as
# a newcomer would: as root, in a fresh minimal Debian SUITE made with
# debootstrap, on a clean clone of this repository's committed HEAD, with
# CI=true and no standard input. Prints each command's summary line and run
# time; exits non-zero when either fails. Run as root on a Debian machine:
#
#   bash scripts/fresh-check.sh trixie     # or bookworm, or any later suite
#   bash scripts/fresh-check.sh bookworm --keep
#
# The root lives in $FRESH_DIR/SUITE (default /var/tmp/fresh-check, outside
# the repository so that nothing deletes a tree with /dev mounted in it); it
# is unmounted and removed at the end, also after a failure or Ctrl-C,
# unless --keep is given (then `--clean` removes it later). Downloaded
# packages are kept in $FRESH_DIR/cache-SUITE and reused, so a second run
# fetches nothing but still installs everything afresh. Uncommitted changes
# are not part of the check. Needs debootstrap (apt-get install debootstrap).
set -euo pipefail

usage() { echo "usage: $0 SUITE [--keep|--clean]" >&2; exit 2; }
[ $# -ge 1 ] || usage
SUITE=$1; MODE=${2:-}
case "$MODE" in ""|--keep|--clean) ;; *) usage ;; esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: run as root" >&2; exit 2; }

REPO=$(cd "$(dirname "$0")/.." && pwd)
BASE=${FRESH_DIR:-/var/tmp/fresh-check}
ROOTFS=$BASE/$SUITE
CACHE=$BASE/cache-$SUITE
LOGS=$REPO/build/fresh-check/$SUITE
SRC=/root/VAL_DRN
MOUNTS=(proc sys dev dev/pts dev/shm var/cache/apt/archives)

# The Debian mirror this machine's apt uses, else Debian's own.
mirror() {
  local m
  m=$(grep -hsE '^(URIs:|deb) ' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
        /etc/apt/sources.list.d/*.list 2>/dev/null \
      | grep -oE 'https?://[^ ]*/debian/?( |$)' | head -1 | tr -d ' ')
  echo "${MIRROR:-${m:-http://deb.debian.org/debian}}"
}

mounted() { grep -q " $1 " /proc/mounts; }

# Ends every process whose root is the fresh tree (a wineserver or an Xvfb
# left behind by a failed run), each by its own id.
stop_inside() {
  local p r
  for p in /proc/[0-9]*; do
    r=$(readlink "$p/root" 2>/dev/null) || continue
    [ "$r" = "$ROOTFS" ] && kill -9 "${p#/proc/}" 2>/dev/null || true
  done
}

unmount_all() {
  local i m
  stop_inside
  for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
    m=$ROOTFS/${MOUNTS[$i]}
    mounted "$m" || continue
    umount "$m" 2>/dev/null || umount -l "$m"
  done
}

remove_tree() {
  [ -d "$ROOTFS" ] || return 0
  unmount_all
  if grep -q " $ROOTFS/" /proc/mounts; then
    echo "fresh-check: $ROOTFS still has mounts; not removed" >&2; return 1
  fi
  rm -rf --one-file-system "$ROOTFS"
}

if [ "$MODE" = --clean ]; then remove_tree; exit; fi

cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ "$MODE" = --keep ]; then
    unmount_all
    echo "fresh-check: kept $ROOTFS (remove it with: $0 $SUITE --clean)"
  else
    remove_tree || true
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

command -v debootstrap >/dev/null || { echo "fresh-check: needs debootstrap" >&2; exit 2; }
git -C "$REPO" diff --quiet HEAD 2>/dev/null \
  || echo "fresh-check: uncommitted changes are not part of this check"

remove_tree
mkdir -p "$ROOTFS" "$CACHE" "$LOGS"
MIRROR_URL=$(mirror)
echo "fresh-check: debootstrap $SUITE from $MIRROR_URL into $ROOTFS"
t0=$SECONDS
debootstrap --variant=minbase --cache-dir="$CACHE" "$SUITE" "$ROOTFS" "$MIRROR_URL" \
  >"$LOGS/debootstrap.log" 2>&1 || { tail -20 "$LOGS/debootstrap.log"; exit 1; }
echo "fresh-check: base system in $((SECONDS - t0)) s"

# What a newly installed machine has: updates and security lists, names
# that resolve, the network's resolver.
{
  echo "deb $MIRROR_URL $SUITE main"
  echo "deb $MIRROR_URL $SUITE-updates main"
  echo "deb ${MIRROR_URL%/debian*}/debian-security $SUITE-security main"
} >"$ROOTFS/etc/apt/sources.list"
cp /etc/resolv.conf "$ROOTFS/etc/resolv.conf"
cp /etc/hosts "$ROOTFS/etc/hosts"
# A network that inspects TLS has its own authority, added on this machine
# by hand: the fresh system gets it the same way, and Node.js (npm) is told
# of it as it is here.
NODE_CA=()
if ls /usr/local/share/ca-certificates/*.crt >/dev/null 2>&1; then
  mkdir -p "$ROOTFS/usr/local/share/ca-certificates"
  cp /usr/local/share/ca-certificates/*.crt "$ROOTFS/usr/local/share/ca-certificates/"
  cat /usr/local/share/ca-certificates/*.crt >"$ROOTFS/usr/local/share/ca-certificates/network.pem"
  NODE_CA=(NODE_EXTRA_CA_CERTS=/usr/local/share/ca-certificates/network.pem)
fi

mount -t proc proc "$ROOTFS/proc"
mount --bind /sys "$ROOTFS/sys"
mount --bind /dev "$ROOTFS/dev"
mount --bind /dev/pts "$ROOTFS/dev/pts"
mount -t tmpfs -o mode=1777,size=1g shm "$ROOTFS/dev/shm"
mount --bind "$CACHE" "$ROOTFS/var/cache/apt/archives"

# X displays share the machine's abstract socket names across the chroot:
# mark 0-149 as taken (by init, which is always alive) so that xvfb-run -a
# and Xvfb -displayfd inside pick numbers no one outside uses.
for n in $(seq 0 149); do printf '%10d\n' 1 >"$ROOTFS/tmp/.X$n-lock"; done

git clone -q --no-hardlinks "$REPO" "$ROOTFS$SRC"
echo "fresh-check: clean clone of $(git -C "$ROOTFS$SRC" log -1 --format='%h %s' | cut -c1-72)"

# One README command inside the fresh root, as CI runs it.
run() {  # name command...
  local name=$1 start rc; shift
  start=$SECONDS
  set +e
  chroot "$ROOTFS" /usr/bin/env -i HOME=/root CI=true TERM=dumb "${NODE_CA[@]}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd $SRC && $*" </dev/null >"$LOGS/$name.log" 2>&1
  rc=$?
  set -e
  times+=("$name: $* -> exit $rc in $((SECONDS - start)) s")
  return $rc
}

times=()
status=0
run demo bash scripts/demo.sh || status=1
demo_line=$(grep -E '^demo: (done|failed|FAILED|build failed)' "$LOGS/demo.log" | tail -1 || true)
run test bash scripts/test.sh || status=1
test_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed, [0-9]+ skipped$' "$LOGS/test.log" | tail -1 || true)

# The stages' own logs and a failed end-to-end test's kept folders outlive
# the tree.
cp "$ROOTFS$SRC"/build/*.log "$LOGS/" 2>/dev/null || true
for d in "$ROOTFS"/tmp/rig-*; do [ -d "$d" ] && cp -r "$d" "$LOGS/"; done

echo
echo "== fresh-check $SUITE ($(chroot "$ROOTFS" dpkg-query -W -f='wine ${Version}' wine 2>/dev/null || echo 'no wine'))"
printf '%s\n' "${times[@]}"
echo "all, from debootstrap on: $((SECONDS - t0)) s"
echo "${demo_line:-demo: (no summary)}"
echo "test: ${test_line:-(no summary)}"
[ "$status" -eq 0 ] || {
  echo "logs: $LOGS; failures:"
  grep -hE '^\s+[0-9]+ - |failed$' "$LOGS/test.log" | head -20 || true
}
exit "$status"
