# Sourced by the other scripts: which Windows build the tests, the demo and
# the benchmark run under Wine.
#
# Zelvane ships as a 32-bit program. Wine runs 32-bit Windows programs with
# a 32-bit Linux loader, which a kernel built without 32-bit support (seen
# on some virtual machines) cannot start. There the same sources are built
# for 64-bit Windows as well and the 64-bit build is what runs; the 32-bit
# build is still made and checked. ZELVANE_WIN_ARCH=i686|x86_64 overrides
# the choice.
#
# Sets: ZELVANE_WIN_ARCH, ZELVANE_WIN_BUILD (the build folder that runs,
# relative to the project root), ZELVANE_WIN_TOOLCHAIN.

zelvane_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ -z "${ZELVANE_WIN_ARCH:-}" ]; then
  if zelvane_can_run_32bit || [ ! -e /usr/lib/wine/wine ]; then
    ZELVANE_WIN_ARCH=i686
  else
    ZELVANE_WIN_ARCH=x86_64
  fi
fi
export ZELVANE_WIN_ARCH
if [ "$ZELVANE_WIN_ARCH" = x86_64 ]; then
  ZELVANE_WIN_BUILD=build/win64
  ZELVANE_WIN_TOOLCHAIN=cmake/mingw-x86_64.cmake
else
  ZELVANE_WIN_BUILD=build/win32
  ZELVANE_WIN_TOOLCHAIN=cmake/mingw-i686.cmake
fi
