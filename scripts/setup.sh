#!/usr/bin/env bash
# Installs what the build, the tests, the demo and the package use, on Debian
# stable or oldstable (run as root or with sudo). Returns at once when every
# package is present. Where a name differs between releases, the name this
# machine offers is taken.
set -euo pipefail

# The end-to-end suite's SW-P-08 client: Node.js and npm from the
# distribution, then the npm client pinned by its lock file. Without them
# that one test is skipped, so a failure here only warns.
setup_node() {
  local sudo="" dir
  dir="$(cd "$(dirname "$0")/.." && pwd)/tests/wine/e2e/swp08_client"
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    $sudo apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
  fi
  [ -d "$dir/node_modules/probel-swp-08" ] ||
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}
setup_node || echo "setup: the npm SW-P-08 client is not installed; its end-to-end test will be skipped"

# Native build and tests (Ninja, GoogleTest), the Windows cross builds
# (x86_64, i686), Wine under a virtual X server (xvfb-run needs xauth), the
# serial pairs of the link tests and the demo (socat), the demo's
# screenshots (imagemagick), the fuzzers (clang and its runtime), the
# harnesses and the package (python3).
PKGS=(cmake ninja-build g++ googletest libgtest-dev
      g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      wine xvfb xauth socat imagemagick clang python3)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
offered() { apt-cache show "$1" >/dev/null 2>&1; }

# The fuzzer runtime carries the version of the default clang in its name.
clang_runtime() {
  local v
  v=$(dpkg-query -W -f='${Depends}' clang 2>/dev/null | grep -o 'clang-[0-9]*' | head -1 || true)
  [ -n "$v" ] || v=$(apt-cache depends clang 2>/dev/null | grep -o 'clang-[0-9]*' | head -1 || true)
  [ -n "$v" ] && echo "libclang-rt-${v#clang-}-dev"
}

# 64-bit Wine: its own package on some releases, part of "wine" on others.
wine64_name() { installed wine64 || offered wine64 && echo wine64; }

missing=()
for p in "${PKGS[@]}"; do installed "$p" || missing+=("$p"); done
rt=$(clang_runtime || true)
[ -n "$rt" ] && ! installed "$rt" && missing+=("$rt")
installed wine64 || [ ${#missing[@]} -gt 0 ] || ! offered wine64 || missing+=(wine64)

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# Names that depend on the release are settled once the lists are fresh.
[ -n "$rt" ] || rt=$(clang_runtime || true)
extra=()
[ -n "$rt" ] && ! installed "$rt" && extra+=("$rt")
w=$(wine64_name || true)
[ -n "$w" ] && ! installed "$w" && extra+=("$w")
todo=($(printf '%s\n' "${missing[@]}" "${extra[@]}" | sort -u))
echo "setup: installing ${todo[*]}"
$SUDO apt-get install -y -qq --no-install-recommends "${todo[@]}" >/dev/null
echo "setup: done"
