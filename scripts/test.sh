#!/usr/bin/env bash
# The test command: installs what is missing, builds natively (plain, with
# address/undefined-behaviour sanitizers, and with the thread sanitizer when
# time allows) and runs the unit tests, runs the configuration fuzzer,
# cross-builds the Windows program and runs the end-to-end tests under Wine
# on a private X server (and those that concern them again on two monitors
# and at 150 %), then packs the release zip and checks it. Prints a
# summary; the last line is "N passed, N failed". Exits non-zero when
# anything failed.
#
# Environment: ZELVANE_SKIP_TSAN=1 skips the thread-sanitizer build;
# ZELVANE_E2E_FILTER=PATTERN passes a --gtest_filter to the end-to-end tests.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"
LOGS="$ROOT/build/test-logs"
mkdir -p "$LOGS"
START=$(date +%s)
# The thread-sanitizer stage only starts while the run is younger than this.
TSAN_START_LIMIT=${ZELVANE_TSAN_START_LIMIT:-600}

TOTAL_PASSED=0
TOTAL_FAILED=0
SUMMARY=()

elapsed() { echo $(( $(date +%s) - START )); }

# Adds the counts of a ctest or GoogleTest log to the totals; prints "P F",
# or nothing when the log has no counts.
count_tests() {
  local log="$1" p f
  if line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1); then
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    p=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - f ))
    echo "$p $f"
    return
  fi
  # A checker's own closing line.
  if line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n1); then
    echo "${line%% passed*} $(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")"
    return
  fi
  if grep -q '^\[==========\] .* ran\.' "$log"; then
    p=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n1)
    f=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:.*/\1/p' "$log" | tail -n1)
    echo "${p:-0} ${f:-0}"
  fi
}

# stage NAME LOGFILE COMMAND...: runs the command with its output in the log;
# counts its tests when the log has any.
stage() {
  local name="$1" log="$LOGS/$2"
  shift 2
  local t0 rc counts p=0 f=0
  t0=$(date +%s)
  printf '==> %-34s' "$name"
  "$@" >"$log" 2>&1
  rc=$?
  counts=$(count_tests "$log")
  if [ -n "$counts" ]; then
    read -r p f <<<"$counts"
  fi
  if [ $rc -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi  # a failed build counts as one failure
  TOTAL_PASSED=$((TOTAL_PASSED + p))
  TOTAL_FAILED=$((TOTAL_FAILED + f))
  local verdict="ok"
  [ $rc -ne 0 ] && verdict="FAILED"
  printf '%-7s %4ss' "$verdict" $(( $(date +%s) - t0 ))
  [ -n "$counts" ] && printf '   %s passed, %s failed' "$p" "$f"
  printf '\n'
  SUMMARY+=("$(printf '%-34s %-7s %s' "$name" "$verdict" "${counts:+$p passed, $f failed}")")
  if [ $rc -ne 0 ]; then
    echo "---- last lines of $log ----"
    tail -n 40 "$log"
    echo "----"
  fi
  return $rc
}

skip() {
  printf '==> %-34s skipped (%s)\n' "$1" "$2"
  SUMMARY+=("$(printf '%-34s %-7s %s' "$1" "skipped" "$2")")
}

native_build() {  # DIR EXTRA-CMAKE-ARGS...
  local dir="$1"
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@" && cmake --build "$dir"
}

# -- tools -------------------------------------------------------------------
stage "setup" setup.log bash scripts/setup.sh || {
  echo "setup failed; nothing else can run"
  echo "0 passed, 1 failed"
  exit 1
}

# -- native ------------------------------------------------------------------
if stage "native build" native-build.log native_build build/native; then
  stage "native unit tests" native-ctest.log \
    ctest --test-dir build/native --output-on-failure -j2 --timeout 300
fi

if stage "sanitizer build (ASan+UBSan)" asan-build.log \
     native_build build/asan -DZELVANE_SANITIZE=ON; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    stage "sanitizer unit tests" asan-ctest.log \
    ctest --test-dir build/asan --output-on-failure -j2 --timeout 600
fi

if [ -f scripts/fuzz-config.sh ]; then
  stage "configuration fuzzer" fuzz.log bash scripts/fuzz-config.sh
else
  skip "configuration fuzzer" "scripts/fuzz-config.sh not present"
fi

# -- Windows -----------------------------------------------------------------
win32_build() {
  cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release &&
  # -k 0: a broken program still leaves the test programs built.
  cmake --build build/win32 -- -k 0
}
stage "Windows cross-build" win32-build.log win32_build

# shellcheck source=scripts/windows-arch.sh
source "$ROOT/scripts/windows-arch.sh"
if [ "$ZELVANE_WIN_ARCH" != i686 ]; then
  # This machine cannot run 32-bit programs: the tests run a 64-bit build of
  # the same sources (see scripts/windows-arch.sh).
  win64_build() {
    cmake -S . -B "$ZELVANE_WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ZELVANE_WIN_TOOLCHAIN" \
          -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$ZELVANE_WIN_BUILD" -- -k 0
  }
  stage "Windows cross-build, $ZELVANE_WIN_ARCH" win64-build.log win64_build
fi

ZELVANE_EXE_UNIX="$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe"
E2E_EXE="$ROOT/$ZELVANE_WIN_BUILD/tests/e2e/zelvane_e2e.exe"

if [ -f "$E2E_EXE" ]; then
  filter=()
  [ -n "${ZELVANE_E2E_FILTER:-}" ] && filter=(--gtest_filter="$ZELVANE_E2E_FILTER")
  if ! stage "end-to-end tests (Wine)" e2e.log bash scripts/e2e.sh "${filter[@]}"; then
    echo "---- failures ----"
    grep -E -A14 ': Failure$' "$LOGS/e2e.log" | head -n 120
    grep -E '^\[  FAILED  \] [A-Za-z]' "$LOGS/e2e.log" | sort -u
    echo "----"
  fi
  # Tests that failed once and passed when run again on their own.
  grep -E '^e2e.sh: FLAKY' "$LOGS/e2e.log" || true

  # The same program on two monitors of different sizes, and on a screen at
  # 150 %: each a test bed with a Wine prefix of its own (scripts/wine-env.sh).
  e2e_bed() {  # NAME LOG VARIABLE=VALUE FILTER
    if ! stage "$1" "$2" env "$3" bash scripts/e2e.sh --gtest_filter="$4"; then
      grep -E -A14 ': Failure$' "$LOGS/$2" | head -n 60
      grep -E '^\[  FAILED  \] [A-Za-z]' "$LOGS/$2" | sort -u
    fi
    grep -E '^e2e.sh: FLAKY' "$LOGS/$2" || true
  }
  e2e_bed "end-to-end tests, two monitors" e2e-two-monitors.log ZELVANE_MONITORS=2 'TwoMonitorTest.*'
  e2e_bed "end-to-end tests, 150 % scale" e2e-150.log ZELVANE_LOGPIXELS=144 \
    'SwitchTest.*:*PreviewTest.*:CtrlWndTest.*:TrayTest.RightClickOpensTheMenuWithItsLabelsAndMarks'
else
  skip "end-to-end tests (Wine)" "the test program was not built"
fi

# -- release package: the zip a Windows user downloads, checked -------------
if [ -f "$ZELVANE_EXE_UNIX" ]; then
  stage "release package" package.log bash scripts/package.sh &&
    stage "release package check" package-check.log bash scripts/check-package.sh
else
  skip "release package" "Zelvane.exe was not built"
fi

# -- thread sanitizer, last: the most expensive and the least likely to fail --
if [ "${ZELVANE_SKIP_TSAN:-0}" = 1 ]; then
  skip "thread-sanitizer tests" "ZELVANE_SKIP_TSAN=1"
elif [ "$(elapsed)" -gt "$TSAN_START_LIMIT" ]; then
  skip "thread-sanitizer tests" "no time left: $(elapsed) s elapsed"
elif stage "thread-sanitizer build" tsan-build.log native_build build/tsan -DZELVANE_TSAN=ON; then
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    stage "thread-sanitizer tests" tsan-ctest.log \
    ctest --test-dir build/tsan --output-on-failure -j2 --timeout 600 -R '^(Activator|Switch|Registry|TrayOrderKeeper|ExecutorTest|PreviewSession|PlanePicture|WallpaperKeeperTest|CaptureWorker)'
fi

# -- summary -----------------------------------------------------------------
echo
echo "Summary ($(elapsed) s; logs in build/test-logs):"
for line in "${SUMMARY[@]}"; do echo "  $line"; done
echo "$TOTAL_PASSED passed, $TOTAL_FAILED failed"
[ "$TOTAL_FAILED" -eq 0 ]
