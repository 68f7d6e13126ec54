#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12.
# Idempotent and quiet: when every package is present it only runs dpkg-query.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ googletest
  clang libclang-rt-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick fonts-noto-cjk
  zip unzip
)
# Two monitors for the end-to-end tests: a nested X server with two Xinerama
# heads of different sizes, which Wine (32-bit too) reads its monitors from.
PACKAGES+=(xserver-xephyr libxinerama1:i386)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "setup.sh: not root and no sudo; install these by hand: ${PACKAGES[*]}" >&2
    exit 1
  fi
fi

installed() {
  dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup.sh: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
# An empty or stale package list is the other reason to refresh.
if ! ls /var/lib/apt/lists/*_Packages* >/dev/null 2>&1; then need_update=1; fi

install() {
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/zelvane-setup.log 2>&1
}
if [ $need_update -eq 1 ]; then
  $SUDO apt-get update -qq >/dev/null
fi
if ! install; then
  # The lists may be too old for the versions they name: refresh once and retry.
  $SUDO apt-get update -qq >/dev/null
  if ! install; then
    cat /tmp/zelvane-setup.log >&2
    exit 1
  fi
fi
echo "setup.sh: done"
