#!/usr/bin/env bash
# Checks a release zip made by scripts/package.sh:
#   scripts/check-package.sh [build/dist/Zelvane-<version>.zip]
# - it holds exactly Zelvane.exe, Quillet.dll, Quillet64.dll,
#   Quillet64Host.exe, ZelvaneGuard.exe, mag.bmp, README.txt and
#   LICENSE.txt, the two texts with Windows line ends, the read-me naming
#   every binary;
# - the version resource of Zelvane.exe names the version of the zip's name;
# - Zelvane.exe, Quillet.dll and ZelvaneGuard.exe are 32-bit PE files, the
#   companion's two are 64-bit, and none imports a DLL outside the system's
#   own (the allow-list below);
# - unpacked into a folder whose path has spaces and Japanese characters,
#   the program starts, switches and exits cleanly under Wine (the
#   end-to-end test PackageTest, which needs the Windows tree built; where
#   the machine cannot start 32-bit programs, with the 64-bit build of the
#   same sources standing in for the two binaries, and the line says so).
# Prints one line per check and ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"

ZIP="${1:-}"
if [ -z "$ZIP" ]; then
  ZIP="$(ls -t build/dist/Zelvane-*.zip 2>/dev/null | head -n1)"
fi
if [ -z "$ZIP" ] || [ ! -f "$ZIP" ]; then
  echo "check-package.sh: no zip given and none in build/dist" >&2
  echo "0 passed, 1 failed"
  exit 1
fi

PASSED=0
FAILED=0
check() {  # NAME CONDITION-COMMAND...
  local name="$1"
  shift
  if "$@"; then
    echo "ok      $name"
    PASSED=$((PASSED + 1))
  else
    echo "FAILED  $name"
    FAILED=$((FAILED + 1))
  fi
}

# DLLs every Windows has: the program may import these and nothing else.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll oleaut32.dll
  comctl32.dll comdlg32.dll winmm.dll msvcrt.dll shlwapi.dll uxtheme.dll dwmapi.dll version.dll "
EXPECTED_FILES="LICENSE.txt
Quillet.dll
Quillet64.dll
Quillet64Host.exe
README.txt
Zelvane.exe
ZelvaneGuard.exe
mag.bmp"

version="$(basename "$ZIP" .zip)"
version="${version#Zelvane-}"
echo "checking $ZIP (version $version)"

same_files() {
  local listed
  listed="$(unzip -Z1 "$ZIP" | LC_ALL=C sort)"
  [ "$listed" = "$EXPECTED_FILES" ] && return 0
  echo "  the zip holds:"; sed 's/^/    /' <<<"$listed"
  return 1
}
check "the zip holds exactly the files of the release" same_files

UNPACKED="$ROOT/build/dist/check"
rm -rf "$UNPACKED"
mkdir -p "$UNPACKED"
unzip -q "$ZIP" -d "$UNPACKED"

windows_lines() {  # FILE: every line ends with CR LF
  local f="$UNPACKED/$1" lines crlf
  [ -s "$f" ] || return 1
  lines=$(grep -c '' "$f")
  crlf=$(grep -c $'\r$' "$f")
  [ "$lines" -eq "$crlf" ] && [ "$(tail -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "0d0a" ]
}
check "README.txt has Windows line ends" windows_lines README.txt
check "LICENSE.txt has Windows line ends" windows_lines LICENSE.txt
check "README.txt names the version" grep -q "^Zelvane $version" "$UNPACKED/README.txt"
check "LICENSE.txt is the MIT licence" grep -q "^MIT License" "$UNPACKED/LICENSE.txt"
for f in Zelvane.exe Quillet.dll Quillet64.dll Quillet64Host.exe ZelvaneGuard.exe; do
  check "README.txt names $f" grep -qF "$f" "$UNPACKED/README.txt"
done
check "README.txt says the taskbar order does nothing on Windows 7 and later" \
  grep -q "Windows 7 and later" "$UNPACKED/README.txt"

# The string after KEY in the UTF-16 strings of the version resource.
resource_string() {  # FILE KEY
  strings -el -n 3 "$1" | awk -v key="$2" 'found { print; exit } $0 == key { found = 1 }'
}
resource_version() {
  local file_version product_version
  file_version="$(resource_string "$UNPACKED/Zelvane.exe" FileVersion)"
  product_version="$(resource_string "$UNPACKED/Zelvane.exe" ProductVersion)"
  [ "$file_version" = "$version" ] && [ "$product_version" = "$version" ] && return 0
  echo "  FileVersion '$file_version', ProductVersion '$product_version', zip '$version'"
  return 1
}
check "Zelvane.exe's version resource is $version" resource_version

pe32() {  # FILE
  i686-w64-mingw32-objdump -f "$UNPACKED/$1" | grep -q 'file format pei-i386'
}
pe64() {  # FILE
  x86_64-w64-mingw32-objdump -f "$UNPACKED/$1" | grep -q 'file format pei-x86-64'
}
system_imports_only() {  # FILE (objdump reads the import table of either bitness)
  local dlls dll bad=0
  dlls="$(x86_64-w64-mingw32-objdump -p "$UNPACKED/$1" | sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' |
          tr '[:upper:]' '[:lower:]' | tr -d '\r')"
  [ -n "$dlls" ] || { echo "  no import table found"; return 1; }
  for dll in $dlls; do
    case "$SYSTEM_DLLS" in
      *" $dll "*) ;;
      *) echo "  $1 imports $dll, which is not part of Windows"; bad=1 ;;
    esac
  done
  return $bad
}
for f in Zelvane.exe Quillet.dll ZelvaneGuard.exe; do
  check "$f is a 32-bit PE file" pe32 "$f"
  check "$f imports only system DLLs" system_imports_only "$f"
done
for f in Quillet64.dll Quillet64Host.exe; do
  check "$f is a 64-bit PE file" pe64 "$f"
  check "$f imports only system DLLs" system_imports_only "$f"
done

# Under Wine: copied by the test itself into a folder named with spaces and
# Japanese characters, started, switched, closed, and started once more with
# the companion from the package. Where this machine cannot start 32-bit
# programs (scripts/windows-arch.sh), the 64-bit build of the same sources
# stands in for the three 32-bit binaries, beside the zip's other files.
# shellcheck source=scripts/windows-arch.sh
source "$ROOT/scripts/windows-arch.sh"
RUNNABLE="$UNPACKED"
RUN_NOTE=""
if [ "$ZELVANE_WIN_ARCH" != i686 ]; then
  RUNNABLE="$ROOT/build/dist/check-$ZELVANE_WIN_ARCH"
  RUN_NOTE=" ($ZELVANE_WIN_ARCH stand-in: this machine cannot start 32-bit programs)"
fi
run_unpacked() {
  local log="$ROOT/build/dist/check-wine.log"
  if [ "$RUNNABLE" != "$UNPACKED" ]; then
    { cmake -S "$ROOT" -B "$ROOT/$ZELVANE_WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ZELVANE_WIN_TOOLCHAIN" \
            -DCMAKE_BUILD_TYPE=Release && cmake --build "$ROOT/$ZELVANE_WIN_BUILD" --target Zelvane Quillet ZelvaneGuard; } \
      >"$log.build" 2>&1 || { tail -n 20 "$log.build" | sed 's/^/  /'; return 1; }
    rm -rf "$RUNNABLE"
    mkdir -p "$RUNNABLE"
    cp "$UNPACKED"/* "$RUNNABLE/" &&
      cp "$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe" "$ROOT/$ZELVANE_WIN_BUILD/app/Quillet.dll" \
         "$ROOT/$ZELVANE_WIN_BUILD/app/ZelvaneGuard.exe" "$RUNNABLE/" || return 1
  fi
  ZELVANE_PACKAGE_DIR="$(source "$ROOT/scripts/wine-env.sh" && zelvane_winpath "$RUNNABLE")" \
    bash "$ROOT/scripts/e2e.sh" --gtest_filter='PackageTest.*' >"$log" 2>&1
  local rc=$?
  if [ $rc -ne 0 ] || grep -q '^\[  SKIPPED \]' "$log" || ! grep -q '^\[  PASSED  \] 1 test' "$log"; then
    tail -n 30 "$log" | sed 's/^/  /'
    return 1
  fi
}
check "the unpacked program starts, switches and exits under Wine$RUN_NOTE" run_unpacked

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
