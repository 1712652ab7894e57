#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian machine (run as root).
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PKGS=(cmake ninja-build g++ make googletest libgtest-dev
      mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      wine wine64 xvfb xauth socat x11-utils imagemagick
      clang libclang-rt-14-dev python3 zip)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
