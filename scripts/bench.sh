#!/usr/bin/env bash
# Runs the switch benchmark under Wine on a private X server and writes the
# figures, the machine and how to reproduce them into docs/benchmarks.md.
#   bash scripts/bench.sh [--reps=N] [--only=NAME]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"

bash scripts/setup.sh
# shellcheck source=scripts/windows-arch.sh
source scripts/windows-arch.sh
cmake -S . -B "$ZELVANE_WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ZELVANE_WIN_TOOLCHAIN" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ZELVANE_WIN_BUILD" >/dev/null

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
zelvane_wine_up

TABLE="$(mktemp)"
bench_rc=0
LOAD_BEFORE="$(cut -d' ' -f1-3 /proc/loadavg)"
echo "running the switch benchmark (a few minutes)..."
ZELVANE_EXE="$(zelvane_winpath "$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe")" \
  timeout --kill-after=10 3600 wine "$ROOT/$ZELVANE_WIN_BUILD/bench/switch_bench.exe" "$@" | tr -d '\r' | tee "$TABLE" || bench_rc=$?
zelvane_wine_down

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
{
  echo "# Switch benchmark"
  echo
  echo "Time of one workspace switch, from the request until the last responsive"
  echo "window has its new rectangle and visibility, measured by polling the windows"
  echo "from the requesting process. The windows are plain top-level windows, each"
  echo "with its own thread, half of them on workspace (0,0) and half on (0,1); every"
  echo "switch goes between those two, so it hides half of the windows and shows the"
  echo "other half. *hotkey*: Alt+Shift+Right/Left injected with SendInput, timed from"
  echo "the key-down. *posted*: the switch request 0xBFF7 posted to the main window."
  echo "Hung windows stop answering messages for the whole scenario; they are not"
  echo "waited for. Two warm-up switches per scenario are not counted; a switch that"
  echo "did not complete within 30 s counts under *timed out*. With hung windows"
  echo "only the responsive ones are waited for (49, 45 or 30 of the 50), so a switch"
  echo "with 20 hung windows has less to do than one with a single hung window."
  echo
  cat "$TABLE"
  echo
  echo "## Machine"
  echo
  echo "- $(nproc) cores: ${cpu:-unknown CPU}; $(free -g | awk '/^Mem:/ {print $2}') GiB memory"
  echo "- $(wine --version) on Xvfb, virtual desktop ${ZELVANE_DESKTOP_SIZE}; $(. /etc/os-release; echo "$PRETTY_NAME")"
  echo "- Zelvane at commit ${ZELVANE_COMMIT:-$(git rev-parse --short HEAD 2>/dev/null || echo unknown)}, built with $(i686-w64-mingw32-g++-posix --version | head -n1)"
  echo "- measured on $(date -u +%Y-%m-%d); load average before the run: $LOAD_BEFORE (other work on the machine shows up in the maxima)"
  echo
  echo "## Reproduce"
  echo
  echo '    bash scripts/bench.sh            # all scenarios, 15 switches each'
  echo '    bash scripts/bench.sh --reps=30 --only=hung'
  echo
  echo "Figures under Wine include Wine's own cost of moving and hiding windows"
  echo "across processes; they compare scenarios on one machine, not Windows itself."
} >docs/benchmarks.md
rm -f "$TABLE"
echo "wrote docs/benchmarks.md"
[ $bench_rc -eq 0 ] || echo "some scenarios failed or timed out (see the table)" >&2
exit $bench_rc
