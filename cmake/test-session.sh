#!/usr/bin/env bash
# Runs every test of both presets under Wine: prepares the private prefix,
# starts a virtual X display and one persistent wineserver for the whole run,
# then runs CTest over build/win32 and build/win64 and ends with its summary.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$top/build/wineprefix"
export WINEDEBUG=-all

"$top/cmake/wine-prefix.sh" || exit 1

# A display of our own: the lowest free number from 90 up.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done

wineserver -p
# Wine starts its desktop and services with the first program that uses the
# window system; start them here so they neither hold on to the output of
# the first test nor make each test wait for them.
"$top/cmake/wine-run" rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null
cleanup() {
    wineserver -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# One CTest run over both presets, so the summary counts every test.
printf 'subdirs("win32" "win64")\n' > "$top/build/CTestTestfile.cmake"
ctest --test-dir "$top/build" --output-on-failure --timeout 300 "$@"
