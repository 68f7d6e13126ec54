#!/usr/bin/env bash
# The preview benchmark: 50 windows on both rendering paths (the thumbnail
# path through the tests' stand-in DWM library), under Wine on a private X
# server. Prints the figures as a Markdown table and saves a screenshot of
# the open preview as docs/preview.png. Expects the Windows tree that runs
# here built (scripts/windows-arch.sh tells which one).
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"
# shellcheck source=scripts/windows-arch.sh
source "$ROOT/scripts/windows-arch.sh"
BUILD="$ROOT/$ZELVANE_WIN_BUILD"
BENCH="$BUILD/tests/e2e/preview_bench/preview_bench.exe"
[ -f "$BENCH" ] || { echo "preview-bench.sh: $BENCH is missing; build the Windows tree first" >&2; exit 1; }
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
zelvane_wine_up || exit 1
cp "$BUILD/tests/e2e/dwm_standin/dwmapi.dll" "$WINEPREFIX/drive_c/windows/system32/dwmapi.dll"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;dwmapi=n"
out="$(mktemp)"
ZELVANE_EXE="$(zelvane_winpath "$BUILD/app/Zelvane.exe")" \
  timeout --kill-after=10 1800 wine "$BENCH" --shot='C:\preview.bmp' "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
shot="$WINEPREFIX/drive_c/preview.bmp"
if [ -f "$shot" ]; then
  convert "$shot" "$ROOT/docs/preview.png" && echo "preview-bench.sh: screenshot in docs/preview.png"
fi
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $rc
