#!/usr/bin/env bash
# The wallpaper and taskbar parts of a switch (program bench/memories_bench),
# under Wine on a private X server: putting a workspace's wallpaper up, the
# pieces of "distant view" after a grid change, a tiny tiled pattern, and a
# read of the (stand-in) taskbar. Prints the figures as Markdown tables for
# docs/benchmarks.md. Expects the Windows tree that runs here built
# (scripts/windows-arch.sh tells which one). Arguments go to the program:
#   bash scripts/memories-bench.sh [--only=wallpaper|taskbar] [--reps=N]
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"
# shellcheck source=scripts/windows-arch.sh
source "$ROOT/scripts/windows-arch.sh"
BENCH="$ROOT/$ZELVANE_WIN_BUILD/tests/e2e/memories_bench.exe"
[ -f "$BENCH" ] || { echo "memories-bench.sh: $BENCH is missing; build the Windows tree first" >&2; exit 1; }
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
zelvane_wine_up || exit 1
out="$(mktemp)"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
timeout --kill-after=10 1800 wine "$BENCH" "$@" >"$out" 2>&1
rc=$?
tr -d '\r' <"$out" | grep -v '^ALSA lib'
rm -f "$out"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $rc
