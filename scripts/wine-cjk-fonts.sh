#!/usr/bin/env bash
# Makes Japanese text readable in the Wine prefix of $WINEPREFIX: links the
# faces Wine draws its menus, message boxes and dialogs with to the Noto CJK
# font (Debian's fonts-noto-cjk), so characters those faces lack are taken
# from it instead of showing as boxes. (Wine then draws the Latin text of
# those faces with the linked font's look as well: slightly taller menus.)
# Idempotent; run it after the prefix exists, before starting the programs
# that should pick it up.
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX" ]; then
  echo "wine-cjk-fonts.sh: WINEPREFIX does not name a prepared prefix" >&2
  exit 1
fi
if ! fc-list 2>/dev/null | grep -q 'Noto Sans CJK JP'; then
  echo "wine-cjk-fonts.sh: Noto Sans CJK JP is not installed (fonts-noto-cjk); Japanese shows as boxes" >&2
  exit 0
fi

KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
LINK='NotoSansCJK-Regular.ttc,Noto Sans CJK JP'
for face in 'Tahoma' 'Tahoma Bold' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'Segoe UI'; do
  wine reg add "$KEY" /v "$face" /t REG_MULTI_SZ /d "$LINK" /f >/dev/null 2>&1
done
wineserver -w
