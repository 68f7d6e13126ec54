#!/usr/bin/env bash
# Runs the end-to-end tests under Wine on a private X server, against
# build/win32/app/Zelvane.exe. Expects the Windows build to be done (test.sh
# does it). Extra arguments go to the test program, e.g.
#   bash scripts/e2e.sh --gtest_filter='SwitchTest.*'
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"
ZELVANE_EXE_UNIX="${ZELVANE_EXE_UNIX:-$ROOT/build/win32/app/Zelvane.exe}"
E2E_EXE="$ROOT/build/win32/tests/e2e/zelvane_e2e.exe"

if [ ! -f "$E2E_EXE" ]; then
  echo "e2e.sh: $E2E_EXE is missing; build the Windows tree first" >&2
  exit 1
fi
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
zelvane_wine_up || exit 1

args=(--gtest_color=no)
if [ ! -f "$ZELVANE_EXE_UNIX" ]; then
  echo "e2e.sh: Zelvane.exe was not built: running only the harness checks"
  args+=(--gtest_filter='HarnessTest.*')
fi
args+=("$@")
# A hard upper bound, so a wedged run cannot eat the whole CI budget.
ZELVANE_EXE="$(zelvane_winpath "$ZELVANE_EXE_UNIX")" \
  timeout --kill-after=10 "${ZELVANE_E2E_TIMEOUT:-1200}" wine "$E2E_EXE" "${args[@]}"
