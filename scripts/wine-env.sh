# Sourced by the other scripts: a private Wine prefix in virtual-desktop mode,
# and a private Xvfb when there is no display to use.
#
#   zelvane_wine_up [--use-display]   start X (if needed) and prepare the prefix
#   zelvane_wine_down                  stop Wine and the private Xvfb (also on EXIT)
#   zelvane_winpath PATH               Unix path -> Windows path (Z:\...)
#
# Everything stays inside build/: the prefix is build/wineprefix unless
# ZELVANE_WINEPREFIX names another one.
#
# Two other test beds, each in a prefix of its own (the name gets a suffix),
# so the single-monitor runs keep theirs:
#   ZELVANE_MONITORS=2      two monitors of different sizes side by side
#                           (1280x800 primary, 1024x768): a nested X server
#                           with two Xinerama heads on a private Xvfb, and no
#                           virtual desktop (Wine's is always one monitor).
#   ZELVANE_LOGPIXELS=144   a screen scaled to 150 % (96 is 100 %).

ZELVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/windows-arch.sh
source "$ZELVANE_ROOT/scripts/windows-arch.sh"
ZELVANE_MONITORS="${ZELVANE_MONITORS:-1}"
ZELVANE_LOGPIXELS="${ZELVANE_LOGPIXELS:-96}"
ZELVANE_PREFIX_SUFFIX=""
[ "$ZELVANE_MONITORS" = 2 ] && ZELVANE_PREFIX_SUFFIX+="-two-monitors"
[ "$ZELVANE_LOGPIXELS" != 96 ] && ZELVANE_PREFIX_SUFFIX+="-dpi$ZELVANE_LOGPIXELS"
if [ "$ZELVANE_WIN_ARCH" = x86_64 ]; then
  # A 64-bit prefix, and `wine` (also behind wineboot) is the 64-bit loader:
  # Debian's wine wrapper would pick the 32-bit one, which cannot start here.
  export WINEPREFIX="${ZELVANE_WINEPREFIX:-$ZELVANE_ROOT/build/wineprefix64$ZELVANE_PREFIX_SUFFIX}"
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  ZELVANE_WINE_SHIM="$ZELVANE_ROOT/build/wine-shim"
  mkdir -p "$ZELVANE_WINE_SHIM"
  for shim in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$ZELVANE_WINE_SHIM/$shim"
    chmod +x "$ZELVANE_WINE_SHIM/$shim"
  done
  case ":$PATH:" in *":$ZELVANE_WINE_SHIM:"*) ;; *) export PATH="$ZELVANE_WINE_SHIM:$PATH" ;; esac
else
  export WINEPREFIX="${ZELVANE_WINEPREFIX:-$ZELVANE_ROOT/build/wineprefix$ZELVANE_PREFIX_SUFFIX}"
  export WINEARCH=win32
fi
export WINEDEBUG=-all
# No Mono or Gecko install dialogs: the tests need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Size of Wine's virtual desktop, which is the size of one workspace.
ZELVANE_DESKTOP_SIZE="${ZELVANE_DESKTOP_SIZE:-1280x800}"
# Bump when the prefix settings below change, so old prefixes are rebuilt.
ZELVANE_PREFIX_VERSION=3

ZELVANE_XVFB_PID=""
ZELVANE_XEPHYR_PID=""
ZELVANE_CLEANUP_HOOKS=()

zelvane_winpath() {
  local p
  p="$(readlink -m "$1")"
  printf 'Z:%s' "${p//\//\\}"
}

zelvane_start_xvfb() {
  local fdfile
  fdfile="$(mktemp)"
  # -displayfd picks a free display number and writes it once the server is ready.
  # -maxclients: Wine opens one X connection per thread that has windows,
  # and the benchmark runs hundreds of such threads (the default is 256).
  Xvfb -displayfd 3 -screen 0 "${ZELVANE_DESKTOP_SIZE}x24" -nolisten tcp -maxclients 512 \
       3>"$fdfile" >/dev/null 2>&1 &
  ZELVANE_XVFB_PID=$!
  zelvane_take_display "$ZELVANE_XVFB_PID" "$fdfile" "Xvfb did not start"
}

# Waits for an X server started with -displayfd to write its display number
# into fdfile (or to end), exports DISPLAY and removes the file.
#   zelvane_take_display PID FDFILE FAILURE-MESSAGE
zelvane_take_display() {
  local pid="$1" fdfile="$2" failure="$3" i
  for i in $(seq 1 200); do
    [ -s "$fdfile" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.05
  done
  if [ ! -s "$fdfile" ]; then
    echo "wine-env: $failure" >&2
    rm -f "$fdfile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
}

# -- two monitors -------------------------------------------------------------
# Xephyr lays its screens out left to right in the order given, the first
# being the primary; with +xinerama they are one X screen of two heads, which
# Wine reads as two monitors once XRandR is off. It runs as a client of a
# private Xvfb big enough to hold both of its windows.
ZELVANE_TWO_MONITOR_HEADS=(1280x800 1024x768)

zelvane_start_two_monitors() {
  local host_display fdfile head
  ZELVANE_DESKTOP_SIZE=2400x1000 zelvane_start_xvfb || return 1
  host_display="$DISPLAY"
  fdfile="$(mktemp)"
  local screens=()
  for head in "${ZELVANE_TWO_MONITOR_HEADS[@]}"; do screens+=(-screen "$head"); done
  DISPLAY="$host_display" Xephyr -displayfd 3 +xinerama "${screens[@]}" -ac -nolisten tcp -maxclients 512 \
    -noreset 3>"$fdfile" >/dev/null 2>&1 &
  ZELVANE_XEPHYR_PID=$!
  zelvane_take_display "$ZELVANE_XEPHYR_PID" "$fdfile" "Xephyr did not start (scripts/setup.sh installs xserver-xephyr)"
}

zelvane_prepare_prefix() {
  local stamp="$WINEPREFIX/.zelvane-prefix"
  local settings="$ZELVANE_PREFIX_VERSION $ZELVANE_DESKTOP_SIZE$ZELVANE_PREFIX_SUFFIX"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$settings" ]; then
    return 0
  fi
  echo "wine-env: creating Wine prefix $WINEPREFIX (first time takes ~20 s)"
  # On a loaded machine wineboot now and then stops early and leaves a prefix
  # without its system libraries, which no program can start in: check, and
  # build it once more before giving up.
  local try
  for try in 1 2; do
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && break
    echo "wine-env: wineboot left $WINEPREFIX incomplete (try $try)" >&2
  done
  if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    echo "wine-env: could not create the Wine prefix $WINEPREFIX" >&2
    return 1
  fi
  if [ "$ZELVANE_MONITORS" = 2 ]; then
    # The monitors come from the X server's Xinerama heads (XRandR off). No
    # window manager runs: unmanaged windows keep Wine from waiting for its
    # replies on every show and hide; Wine then draws their frames itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  else
    # Virtual-desktop mode: Wine draws frames and the desktop itself, and does
    # not wait for a window manager on every show and hide.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$ZELVANE_DESKTOP_SIZE" /f >/dev/null 2>&1
  fi
  if [ "$ZELVANE_LOGPIXELS" != 96 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ZELVANE_LOGPIXELS" /f >/dev/null 2>&1
  fi
  # A crashing program (the crash tests make Zelvane crash on purpose) ends
  # with a backtrace on the console, not a dialog on the desktop.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # The wallpaper's tiling differs before and after Windows 8: Zelvane runs
  # as one fixed version, whatever Wine's default is.
  wine reg add 'HKCU\Software\Wine\AppDefaults\Zelvane.exe' /v Version /d win10 /f >/dev/null 2>&1
  wineserver -w
  echo "$settings" >"$stamp"
}

zelvane_wine_down() {
  local hook
  for hook in "${ZELVANE_CLEANUP_HOOKS[@]}"; do "$hook" || true; done
  ZELVANE_CLEANUP_HOOKS=()
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$ZELVANE_XEPHYR_PID" ]; then
    kill "$ZELVANE_XEPHYR_PID" 2>/dev/null || true
    wait "$ZELVANE_XEPHYR_PID" 2>/dev/null || true
    ZELVANE_XEPHYR_PID=""
  fi
  if [ -n "$ZELVANE_XVFB_PID" ]; then
    kill "$ZELVANE_XVFB_PID" 2>/dev/null || true
    wait "$ZELVANE_XVFB_PID" 2>/dev/null || true
    ZELVANE_XVFB_PID=""
  fi
  if [ -n "$ZELVANE_LOCK_PID" ]; then
    kill "$ZELVANE_LOCK_PID" 2>/dev/null || true
    wait "$ZELVANE_LOCK_PID" 2>/dev/null || true
    ZELVANE_LOCK_PID=""
  fi
}

# One run at a time per prefix: a second run would kill the first one's
# Wine processes with its `wineserver -k`. The lock is held by a small
# background shell, not by this one: Wine's helper processes would inherit
# a descriptor of this shell and could keep the lock after a crash. The
# holder ends with this shell (or at zelvane_wine_down).
ZELVANE_LOCK_PID=""
zelvane_lock_prefix() {
  local lock="$WINEPREFIX.lock" ready parent="$BASHPID"
  mkdir -p "$(dirname "$WINEPREFIX")"
  ready="$(mktemp -u)"
  (
    exec 9>"$lock"
    if ! flock -n 9; then
      echo "wine-env: another run is using $WINEPREFIX; waiting for it (at most 30 min)" >&2
      flock -w 1800 9 || exit 1
    fi
    : >"$ready"
    while kill -0 "$parent" 2>/dev/null; do sleep 1 9>&-; done
  ) </dev/null >/dev/null &
  ZELVANE_LOCK_PID=$!
  while [ ! -e "$ready" ]; do
    if ! kill -0 "$ZELVANE_LOCK_PID" 2>/dev/null; then
      echo "wine-env: gave up waiting for $WINEPREFIX" >&2
      return 1
    fi
    sleep 0.1
  done
  rm -f "$ready"
}

zelvane_wine_up() {
  local use_display=0
  [ "${1:-}" = "--use-display" ] && use_display=1
  trap zelvane_wine_down EXIT
  trap 'exit 130' INT TERM
  zelvane_lock_prefix || return 1
  # A wineserver left from an earlier run may be bound to another display.
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ "$ZELVANE_MONITORS" = 2 ]; then
    zelvane_start_two_monitors || return 1
  elif [ $use_display -eq 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    :
  else
    zelvane_start_xvfb || return 1
  fi
  zelvane_prepare_prefix || return 1
}
