#!/usr/bin/env bash
# Creates the project's private Wine prefix once (64-bit, running 32-bit
# programs too) and brings its settings up to date. Without a window manager
# Wine waits 2 s whenever a visible window goes away; unmanaged windows avoid
# that. A program that crashes gets Wine's debugger, which prints a backtrace
# and ends it; its crash dialog would stay open on the virtual display and
# hold the test run. Wine has no Arial of its own: the metric-compatible
# Liberation Sans stands in, so text measures as on Windows.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}"
export WINEDEBUG=-all
created="$WINEPREFIX/.k47-ready"
# Name of the settings' stamp: a new number makes existing prefixes take the
# settings again.
settled="$WINEPREFIX/.k47-settings-2"
[ -e "$created" ] && [ -e "$settled" ] && exit 0
if [ ! -e "$created" ]; then
    mkdir -p "$WINEPREFIX"
    echo "Creating the Wine prefix in $WINEPREFIX"
    WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1
fi
echo "Applying the project's settings to the Wine prefix in $WINEPREFIX"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
wineserver -w
touch "$created" "$settled"
