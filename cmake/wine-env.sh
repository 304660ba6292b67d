# Wine as the project's scripts use it; sourced by each of them.
#
# 64-bit Windows programs always run through the 64-bit loader directly
# (WINE64, with WINELOADER pointing at it): Debian's /usr/bin/wine and its
# wrappers (wineboot, msiexec, ...) start the 32-bit loader first, which fails
# on machines that execute only 64-bit programs. The 64-bit loader hands a
# 32-bit program to the 32-bit loader itself where the machine can run it.
#
# Whether this machine runs 32-bit programs is decided once, by
# k47_probe_32bit: K47_RUN_32BIT=yes or =no forces the answer (to show either
# path on any machine); otherwise the 32-bit loader is started and asked its
# version. Run as a command with --probe, this file prints the answer for
# the build: "yes", or "no" and the reason on the next line.

k47_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINELOADER="$WINE64"
export WINEPREFIX="${WINEPREFIX:-$k47_top/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"

# Bound of the probe, in seconds: a loader that starts answers at once.
k47_probe_timeout=20

# Sets k47_runs_32bit (yes or no) and k47_32bit_reason (why not, or how it
# was decided).
k47_probe_32bit() {
    case "${K47_RUN_32BIT:-}" in
        yes) k47_runs_32bit=yes; k47_32bit_reason="forced by K47_RUN_32BIT=yes"; return ;;
        no) k47_runs_32bit=no; k47_32bit_reason="forced by K47_RUN_32BIT=no"; return ;;
        "") ;;
        *) echo "K47_RUN_32BIT must be yes, no or unset, not '$K47_RUN_32BIT'" >&2; exit 2 ;;
    esac
    if [ ! -x "$WINE32" ]; then
        k47_runs_32bit=no
        k47_32bit_reason="32-bit Wine (wine32:i386) is not installed"
    elif timeout "$k47_probe_timeout" "$WINE32" --version >/dev/null 2>&1; then
        k47_runs_32bit=yes
        k47_32bit_reason="this machine executes 32-bit programs"
    else
        k47_runs_32bit=no
        k47_32bit_reason="this machine cannot execute 32-bit programs"
    fi
}

# Prints 32 or 64 for a Windows program or library, nothing for other files:
# the machine field of the PE header (0x14C i386, 0x8664 x64).
k47_pe_bits() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
    [ -n "$header" ] || return 0
    case $(od -An -tx1 -j"$header" -N6 "$1" 2>/dev/null | tr -d ' \n') in
        504500004c01) echo 32 ;;
        504500006486) echo 64 ;;
    esac
}

# Starts a virtual X display of the caller's own (the lowest free number from
# 90 up, exported as DISPLAY) and one persistent wineserver for WINEPREFIX,
# and stops both when the calling script exits. Wine starts its desktop and
# services with the first program that uses the window system; they are
# started here so they neither hold on to the output of the first program
# run nor make each one wait for them.
k47_start_wine_session() {
    local display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    k47_xvfb_pid=$!
    export DISPLAY=":$display"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    "$WINESERVER64" -p
    "$k47_top/cmake/wine-run" rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null
    trap k47_stop_wine_session EXIT
}

k47_stop_wine_session() {
    "$WINESERVER64" -k 2>/dev/null
    kill "$k47_xvfb_pid" 2>/dev/null
    wait "$k47_xvfb_pid" 2>/dev/null
}

# The X window id of a visible top-level window of the control panel whose
# caption starts with $1 (a caption ending in a double quote must match whole),
# or nothing.
k47_find_panel_window() {
    local id
    for id in $(xwininfo -root -tree 2>/dev/null |
                awk -v caption="\"$1" 'index($0, caption) && /\("k47mxvcontrol\.exe"/ { print $1 }'); do
        xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable" && { echo "$id"; return; }
    done
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = --probe ]; then
    k47_probe_32bit
    echo "$k47_runs_32bit"
    [ "$k47_runs_32bit" = yes ] || echo "$k47_32bit_reason"
fi
