#!/usr/bin/env bash
# Runs the switch benchmark under Wine on a private X server and writes the
# figures, the machine and how to reproduce them into docs/benchmarks.md.
#   bash scripts/bench.sh [--reps=N] [--rounds=N] [--only=NAME]
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
NOTES="$(mktemp)"
# The hand-written section "## Reading the figures" of the current page is
# kept: it says what the figures show and why.
awk '/^## Reading the figures/ {keep=1} keep && /^## / && !/^## Reading the figures/ {keep=0} keep' \
  docs/benchmarks.md >"$NOTES" 2>/dev/null || true
# So are the other benchmarks' sections (each a top-level heading after this
# benchmark's own), which their own scripts fill.
OTHERS="$(mktemp)"
awk 'NR > 1 && /^# / {keep=1} keep' docs/benchmarks.md >"$OTHERS" 2>/dev/null || true
bench_rc=0
LOAD_BEFORE="$(cut -d' ' -f1-3 /proc/loadavg)"
STARTED="$(date -u +%H:%M)"
echo "running the switch benchmark (15 to 30 minutes on a busy 2-core machine)..."
ZELVANE_EXE="$(zelvane_winpath "$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe")" \
  timeout --kill-after=10 5400 wine "$ROOT/$ZELVANE_WIN_BUILD/bench/switch_bench.exe" "$@" | tr -d '\r' | tee "$TABLE" || bench_rc=$?
LOAD_AFTER="$(cut -d' ' -f1-3 /proc/loadavg)"
FINISHED="$(date -u +%H:%M)"
zelvane_wine_down

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
compiler="$("$ZELVANE_WIN_ARCH-w64-mingw32-g++-posix" --version | head -n1)"
{
  echo "# Switch benchmark"
  echo
  echo "Time of one workspace switch, from the request until the windows are in"
  echo "their places, measured by polling the windows (about every millisecond)"
  echo "from the process that owns them:"
  echo
  echo "- *first*: until the first window has changed (hidden or placed): what"
  echo "  the switcher does before its first placement lands;"
  echo "- *hide*: until every window leaving the screen is hidden;"
  echo "- *show*: until every window arriving is visible at its place;"
  echo "- *placed*: until every responsive window has its new rectangle and"
  echo "  visibility (median, maximum and minimum)."
  echo
  echo "The windows are plain top-level windows of the benchmark process, half of"
  echo "them on workspace (0,0) and half on (0,1); every switch goes between those"
  echo "two, so it hides half of the windows and shows the other half. *own threads*:"
  echo "each window has a thread of its own. *one thread*: one thread creates all the"
  echo "windows and pumps their messages, as a browser, an editor or the file manager"
  echo "owns its windows; every request to any of them queues on that thread."
  echo "*hotkey*: Alt+Shift+Right/Left injected with SendInput, timed from the"
  echo "arrow's key-down (the key-ups follow once the switch is timed, and the next"
  echo "chord waits until Zelvane has moved the focus). *posted*: the switch request"
  echo "0xBFF7 posted to the main window."
  echo "Hung windows stop answering messages for the whole scenario; they are not"
  echo "waited for, so with 20 hung windows a switch has less to do (30 of the 50"
  echo "windows) than with one."
  echo
  echo "*Floor*: what the same placements cost with no switcher at all. A second"
  echo "process (the benchmark itself, started with --floor) waits for a named event"
  echo "and then calls SetWindowPos once per window, synchronously, with"
  echo "SWP_NOSIZE|SWP_NOZORDER|SWP_NOACTIVATE: first SWP_HIDEWINDOW for every window"
  echo "leaving, to the position Zelvane gives it (a window of (0,1) sits one screen"
  echo "width to the right while (0,0) is current), then SWP_SHOWWINDOW for every"
  echo "window arriving. It is timed exactly like a switch, from the signal, with the"
  echo "same polling. Within a scenario the floor and Zelvane take turns in rounds"
  echo "(three by default, each with two warm-up switches that are not counted and"
  echo "an equal share of the counted ones); Zelvane is not running during the"
  echo "floor's turns. So both move the same windows under the same load, and"
  echo "*hide / floor* and *show / floor* (ratios of the medians) say how close a"
  echo "switch comes to its limit. Because the floor hides every window before it"
  echo "shows any, its hide figure is the quickest hide there is; its show figure is"
  echo "the whole sequence of calls."
  echo
  echo "A switch that did not complete within 30 s counts under *timed out*."
  echo
  cat "$TABLE"
  echo
  if [ -s "$NOTES" ]; then
    cat "$NOTES"
    # The kept section ends where the next one began: one blank line between.
    [ -z "$(tail -n1 "$NOTES")" ] || echo
  fi
  echo "## Machine"
  echo
  echo "- $(nproc) cores: ${cpu:-unknown CPU}; $(free -g | awk '/^Mem:/ {print $2}') GiB memory"
  echo "- $(wine --version) on Xvfb, virtual desktop ${ZELVANE_DESKTOP_SIZE}; $(. /etc/os-release; echo "$PRETTY_NAME")"
  if [ "$ZELVANE_WIN_ARCH" = x86_64 ]; then
    echo "- the 64-bit Windows build of the same sources: this machine's kernel cannot"
    echo "  start 32-bit programs (scripts/windows-arch.sh picks the build that runs)"
  fi
  echo "- Zelvane at commit ${ZELVANE_COMMIT:-$(git rev-parse --short HEAD 2>/dev/null || echo unknown)}, built with $compiler"
  echo "- measured on $(date -u +%Y-%m-%d) from $STARTED to $FINISHED UTC; load average before the run:"
  echo "  $LOAD_BEFORE, after it: $LOAD_AFTER (other work on the machine shows up in the"
  echo "  maxima, and in any figure when it changes during a scenario)"
  echo
  echo "## Reproduce"
  echo
  echo '    bash scripts/bench.sh                          # all scenarios, 15 switches each'
  echo '    bash scripts/bench.sh --reps=30 --only=hung'
  echo '    bash scripts/bench.sh --only="one thread" --rounds=5'
  echo
  echo "--only picks the scenarios whose name contains the text; --rounds sets how"
  echo "many turns the floor and Zelvane take. Figures under Wine include Wine's own"
  echo "cost of moving and hiding windows across processes; they compare scenarios"
  echo "on one machine, not Windows itself."
  if [ -s "$OTHERS" ]; then
    echo
    cat "$OTHERS"
  fi
} >docs/benchmarks.md
rm -f "$TABLE" "$NOTES" "$OTHERS"
echo "wrote docs/benchmarks.md"
[ $bench_rc -eq 0 ] || echo "some scenarios failed or timed out (see the table)" >&2
exit $bench_rc
