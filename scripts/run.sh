#!/usr/bin/env bash
# The run command: installs what is missing, builds the Windows program and
# runs it under Wine.
#  - With a usable $DISPLAY: Zelvane runs in Wine's 1280x800 virtual desktop
#    on that display, with a few demo windows to switch between; it runs
#    until you end it (tray menu, or Ctrl+C here).
#  - Without a display: a private Xvfb; the demo opens windows on every
#    workspace, switches through them with the hotkeys, saves a screenshot
#    of each workspace into build/demo/, ends Zelvane and checks that every
#    window came back.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"

bash scripts/setup.sh
mkdir -p build
echo "building the Windows program (build/win32)..."
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >build/run-configure.log 2>&1 ||
  { cat build/run-configure.log; exit 1; }
cmake --build build/win32 >build/run-build.log 2>&1 || { tail -n 40 build/run-build.log; exit 1; }
# shellcheck source=scripts/windows-arch.sh
source scripts/windows-arch.sh
if [ "$ZELVANE_WIN_ARCH" != i686 ]; then
  echo "this machine cannot run 32-bit programs: running a 64-bit build ($ZELVANE_WIN_BUILD)"
  cmake -S . -B "$ZELVANE_WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ZELVANE_WIN_TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release >>build/run-configure.log 2>&1 || { cat build/run-configure.log; exit 1; }
  cmake --build "$ZELVANE_WIN_BUILD" >>build/run-build.log 2>&1 || { tail -n 40 build/run-build.log; exit 1; }
fi

ZELVANE_EXE="$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe"
DEMO_EXE="$ROOT/$ZELVANE_WIN_BUILD/tests/e2e/demo.exe"

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  zelvane_wine_up --use-display
  echo "Zelvane runs in Wine's virtual desktop on $DISPLAY (Alt+Shift+arrows switch; Ctrl+C ends)."
  wine "$DEMO_EXE" --windows-only &
  wine "$ZELVANE_EXE" || true
  exit 0
fi

zelvane_wine_up
OUT="$ROOT/build/demo"
rm -rf "$OUT"
mkdir -p "$OUT"
echo "no display: demo run on a private X server ($DISPLAY)"

status=0
# The demo prints "SHOT name" when a workspace is ready and waits for a line
# back; the screenshot is taken in between.
FIFOS="$(mktemp -d)"
mkfifo "$FIFOS/to-demo" "$FIFOS/from-demo"
wine "$DEMO_EXE" --zelvane="$(zelvane_winpath "$ZELVANE_EXE")" \
  <"$FIFOS/to-demo" >"$FIFOS/from-demo" 2>&1 &
DEMO_PID=$!
exec 3>"$FIFOS/to-demo" 4<"$FIFOS/from-demo"
# Wine's helper processes inherit the pipe, so its end is not a reliable
# signal: stop at DONE, or when the demo process is gone.
finished=0
while [ $finished -eq 0 ]; do
  if ! IFS= read -r -t 5 line <&4; then
    [ $? -gt 128 ] && kill -0 "$DEMO_PID" 2>/dev/null && continue
    break
  fi
  line="${line%$'\r'}"
  case "$line" in
    "SHOT "*)
      name="${line#SHOT }"
      import -window root "$OUT/$name.png"
      echo "  screenshot $OUT/$name.png"
      echo ok >&3
      ;;
    "DONE "*)
      [ "${line#DONE }" = 0 ] || status=1
      finished=1
      ;;
    *) echo "  $line" ;;
  esac
done
[ $finished -eq 1 ] || status=1
exec 3>&- 4<&-
wait "$DEMO_PID" || status=1
rm -rf "$FIFOS"

if [ $status -eq 0 ]; then
  echo "demo done: every workspace showed its windows, and all came back at exit."
else
  echo "demo finished with problems (see the lines above)."
fi
echo "screenshots: $OUT/"
exit $status
