#!/usr/bin/env bash
# Takes the pictures of the tray menu for the docs: docs/menu-english.png and
# docs/menu-japanese.png. Runs the end-to-end test that poses the menu (with
# its settings submenu open) under Wine on a private X server, photographs
# the screen when the test says the menu is up, and crops to the menu.
# Expects the Windows build that runs here (scripts/windows-arch.sh) to be done.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT="$PWD"
# shellcheck source=scripts/windows-arch.sh
source "$ROOT/scripts/windows-arch.sh"
ZELVANE_EXE_UNIX="${ZELVANE_EXE_UNIX:-$ROOT/$ZELVANE_WIN_BUILD/app/Zelvane.exe}"
E2E_EXE="$ROOT/$ZELVANE_WIN_BUILD/tests/e2e/zelvane_e2e.exe"
SHOTS="$ROOT/build/menu-shots"
MARGIN=6

for f in "$ZELVANE_EXE_UNIX" "$E2E_EXE"; do
  [ -f "$f" ] || { echo "menu-screenshots.sh: $f is missing; build the Windows tree first" >&2; exit 1; }
done
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
zelvane_wine_up || exit 1
[ -f "$ROOT/scripts/wine-cjk-fonts.sh" ] && bash "$ROOT/scripts/wine-cjk-fonts.sh"

rm -rf "$SHOTS"
mkdir -p "$SHOTS" "$ROOT/docs"
ZELVANE_EXE="$(zelvane_winpath "$ZELVANE_EXE_UNIX")" ZELVANE_MENU_SHOTS="$(zelvane_winpath "$SHOTS")" \
  timeout --kill-after=10 300 wine "$E2E_EXE" --gtest_filter='TrayTest.PoseForScreenshots' \
  --gtest_also_run_disabled_tests >"$SHOTS/test.log" 2>&1 &
test_pid=$!

status=0
for lang in english japanese; do
  ready="$SHOTS/$lang.ready"
  for _ in $(seq 1 1200); do
    [ -s "$ready" ] && break
    kill -0 "$test_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$ready" ]; then
    echo "menu-screenshots.sh: the $lang menu was never posed" >&2
    status=1
    break
  fi
  read -r left top right bottom <"$ready"
  left=$((left > MARGIN ? left - MARGIN : 0))
  top=$((top > MARGIN ? top - MARGIN : 0))
  width=$((right - left + MARGIN))
  height=$((bottom - top + MARGIN))
  # Let the menus finish painting.
  sleep 1
  import -window root "$SHOTS/$lang-full.png"
  convert "$SHOTS/$lang-full.png" -crop "${width}x${height}+${left}+${top}" +repage "$ROOT/docs/menu-$lang.png"
  echo "menu-screenshots.sh: docs/menu-$lang.png (${width}x${height})"
  touch "$SHOTS/$lang.done"
done

wait "$test_pid" || status=1
if [ $status -ne 0 ]; then
  echo "---- test output ----" >&2
  cat "$SHOTS/test.log" >&2
fi
exit $status
