#!/usr/bin/env bash
# Creates the project's private Wine prefix once (64-bit, running 32-bit
# programs too). Without a window manager Wine waits 2 s whenever a visible
# window goes away; unmanaged windows avoid that.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}"
export WINEDEBUG=-all
stamp="$WINEPREFIX/.k47-ready"
[ -e "$stamp" ] && exit 0
mkdir -p "$WINEPREFIX"
echo "Creating the Wine prefix in $WINEPREFIX"
WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$stamp"
