#!/usr/bin/env bash
# Prepares the project's private Wine prefix (build/wineprefix, or
# $WINEPREFIX) and brings its settings up to date. Quick when it is ready.
#
# The prefix is made by the 64-bit loader's wineboot. Where this machine runs
# 32-bit programs it serves both presets; where it cannot, it is made by the
# 64-bit loader alone. Its kind is stamped in it; a prefix of the other kind,
# or the project's own prefix without a stamp (a creation that stopped half
# way), is removed and made again rather than half-used.
#
# Settings: without a window manager Wine waits 2 s whenever a visible window
# goes away; unmanaged windows avoid that. A program that crashes gets Wine's
# debugger, which prints a backtrace and ends it; its crash dialog would stay
# open on the virtual display and hold the test run. Wine has no Arial of its
# own: the metric-compatible Liberation Sans stands in, so text measures as
# on Windows.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
k47_probe_32bit
if [ "$k47_runs_32bit" = yes ]; then
    kind="32-bit and 64-bit programs"
else
    kind="64-bit programs only"
fi
stamp="$WINEPREFIX/.k47-prefix"
# Name of the settings' stamp: a new number makes existing prefixes take the
# settings again.
settled="$WINEPREFIX/.k47-settings-3"

made=""
[ -f "$stamp" ] && made=$(cat "$stamp")
if [ -n "$made" ] && [ "$made" != "$kind" ]; then
    echo "The Wine prefix in $WINEPREFIX was made for $made; making it again for $kind"
    rm -rf "$WINEPREFIX"
    made=""
elif [ -z "$made" ] && [ "$WINEPREFIX" = "$k47_top/build/wineprefix" ] && [ -e "$WINEPREFIX" ]; then
    echo "The Wine prefix in $WINEPREFIX is incomplete; making it again"
    rm -rf "$WINEPREFIX"
fi
[ -n "$made" ] && [ -e "$settled" ] && exit 0

if [ -z "$made" ]; then
    mkdir -p "$WINEPREFIX"
    echo "Creating the Wine prefix in $WINEPREFIX for $kind"
    if ! "$WINE64" wineboot -i >"$WINEPREFIX/.k47-wineboot.log" 2>&1; then
        echo "wineboot failed; its output:" >&2
        cat "$WINEPREFIX/.k47-wineboot.log" >&2
        exit 1
    fi
fi
echo "Applying the project's settings to the Wine prefix in $WINEPREFIX"
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
"$WINESERVER64" -w
echo "$kind" >"$stamp"
touch "$settled"
