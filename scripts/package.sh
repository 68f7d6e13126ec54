#!/usr/bin/env bash
# The release: builds the Windows program in release mode and writes
# build/dist/Zelvane-<version>.zip, which holds exactly what a Windows user
# needs: Zelvane.exe, Quillet.dll and ZelvaneGuard.exe (32-bit), the 64-bit
# companion Quillet64.dll and Quillet64Host.exe, mag.bmp, README.txt and
# LICENSE.txt (both with Windows line ends). The version is the one in
# app/version.h. Prints the zip's path last. scripts/check-package.sh checks
# the result.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"

bash scripts/setup.sh

VERSION="$(sed -nE 's/^#define ZELVANE_VERSION_TEXT "([^"]+)".*/\1/p' app/version.h)"
if [ -z "$VERSION" ]; then
  echo "package.sh: no version in app/version.h" >&2
  exit 1
fi

# The same tree as the tests use, so a package made after a test run is
# exactly what was tested.
mkdir -p build
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >build/package-configure.log 2>&1 ||
  { cat build/package-configure.log >&2; exit 1; }
# companion64: the 64-bit companion, built by the 32-bit tree with the
# 64-bit toolchain (hooklib/CMakeLists.txt).
cmake --build build/win32 --target Zelvane Quillet ZelvaneGuard companion64 >build/package-build.log 2>&1 ||
  { tail -n 40 build/package-build.log >&2; exit 1; }

DIST="$ROOT/build/dist"
STAGE="$DIST/Zelvane-$VERSION"
ZIP="$DIST/Zelvane-$VERSION.zip"
rm -rf "$STAGE" "$ZIP"
mkdir -p "$STAGE"
cp build/win32/app/Zelvane.exe build/win32/app/Quillet.dll build/win32/app/Quillet64.dll \
   build/win32/app/Quillet64Host.exe build/win32/app/ZelvaneGuard.exe app/mag.bmp "$STAGE/"
# Notepad before Windows 10 shows a file with bare line feeds as one line.
crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
sed "s/@VERSION@/$VERSION/g" packaging/README.txt | crlf >"$STAGE/README.txt"
crlf <LICENSE >"$STAGE/LICENSE.txt"

# -X: no Unix owners or extra times; -D: no folder entries. The files sit at
# the top of the zip, in this order.
(cd "$STAGE" && zip -q -X -D "$ZIP" Zelvane.exe Quillet.dll Quillet64.dll Quillet64Host.exe ZelvaneGuard.exe \
   mag.bmp README.txt LICENSE.txt)
echo "$ZIP"
