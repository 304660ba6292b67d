#!/usr/bin/env bash
# Starts the control panel of a preset (win64 unless named) from
# build/<preset>/bin under Wine, against the simulated converter's embedded
# default (K47MXV_SIM unset). A preset this machine cannot run is refused
# with the reason; --check PRESET only says whether it can run.
# With DISPLAY set the panel opens there and the script returns when it ends.
# Without one the script starts a virtual display, waits until the panel's
# main window is up, saves a screenshot of it to build/screenshot.png and
# keeps the panel running until Ctrl-C; it then closes the panel and stops
# the wineserver and the display it started.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
top=$k47_top
check_only=""
if [ "${1:-}" = --check ]; then
    check_only=1
    shift
fi
preset=${1:-win64}
bin="$top/build/$preset/bin"
panel="$bin/K47MXVcontrol.exe"
screenshot="$top/build/screenshot.png"
unset K47MXV_SIM

# Bounds, in seconds: the virtual display's start, the panel's main window
# (its start-up includes opening the converter), the window's first paint
# before the screenshot, and the panel's end after it was asked to close;
# the polls between looks.
display_timeout=10
window_timeout=60
paint_settle=1
close_timeout=10
poll=0.2

say() { echo "run: $*"; }
fail() { echo "run: $*" >&2; exit 1; }

check_preset() {
    case $preset in
        win64) ;;
        win32)
            k47_probe_32bit
            [ "$k47_runs_32bit" = yes ] ||
                fail "the win32 control panel cannot run here: $k47_32bit_reason; 'make run' starts the win64 one"
            ;;
        *) fail "unknown preset '$preset': win64 (the default) or win32" ;;
    esac
}

check_build() {
    [ -f "$panel" ] || fail "$panel is not built (make $preset)"
    local file
    for file in OVK47MXV_API.dll OVK47MXVusb.dll; do
        [ -f "$bin/$file" ] || fail "$file is missing beside K47MXVcontrol.exe in $bin; the panel cannot open the simulated converter"
    done
}

# With a display: the panel runs in the foreground; its exit status is ours.
run_on_display() {
    xwininfo -root >/dev/null 2>&1 || fail "cannot open display $DISPLAY"
    say "starting the $preset control panel on display $DISPLAY (simulated converter K4700001)"
    "$top/cmake/wine-run" "$panel"
    local status=$?
    say "the control panel ended (exit status $status)"
    exit "$status"
}

# Everything started in the headless run; stop_all ends what is set, once.
xvfb_pid=""
panel_pid=""
own_wineserver=""
work=""

stop_panel() {
    if [ -z "$panel_pid" ] || ! kill -0 "$panel_pid" 2>/dev/null; then
        return 0
    fi
    say "closing the control panel"
    # taskkill without /F asks the panel's windows to close, so it closes the converter.
    "$top/cmake/wine-run" taskkill /IM K47MXVcontrol.exe >/dev/null 2>&1
    local deadline=$((SECONDS + close_timeout))
    while kill -0 "$panel_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        sleep "$poll"
    done
    if kill -0 "$panel_pid" 2>/dev/null; then
        say "the panel did not end within ${close_timeout} s; stopping it"
        kill "$panel_pid" 2>/dev/null
    fi
    wait "$panel_pid" 2>/dev/null
}

stop_all() {
    trap - INT TERM EXIT
    stop_panel
    if [ -n "$own_wineserver" ]; then
        "$WINESERVER64" -k 2>/dev/null
        "$WINESERVER64" -w 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    [ -n "$work" ] && rm -rf "$work"
    say "stopped"
}

# Xvfb picks a free display number itself and reports it once it accepts
# clients. The display and the panel run in sessions of their own, so Ctrl-C
# reaches only this script, which ends them in order.
start_display() {
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    local deadline=$((SECONDS + display_timeout))
    until [ -s "$work/display" ]; do
        kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
        [ "$SECONDS" -lt "$deadline" ] || fail "Xvfb reported no display within ${display_timeout} s"
        sleep "$poll"
    done
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
    say "virtual display $DISPLAY started"
}

# One wineserver for the whole run. Status 2 means one already serves this
# prefix: it is left running at the end.
start_wineserver() {
    "$WINESERVER64" -p 2>/dev/null
    case $? in
        0) own_wineserver=1 ;;
        2) say "a wineserver already serves $WINEPREFIX; it is left running" ;;
        *) fail "wineserver did not start" ;;
    esac
}

# Waits for the main window; prints its id. Fails on an error box (after
# saving its screenshot), on the panel's end, or at the bound.
await_main_window() {
    local deadline=$((SECONDS + window_timeout)) id
    while [ "$SECONDS" -lt "$deadline" ]; do
        id=$(k47_find_panel_window "OV-K47MXV")
        [ -n "$id" ] && { echo "$id"; return; }
        id=$(k47_find_panel_window "Error")
        if [ -n "$id" ]; then
            sleep "$paint_settle"
            import -silent -window "$id" "$screenshot" 2>/dev/null
            fail "the control panel shows a start-up error box; its screenshot is $screenshot"
        fi
        kill -0 "$panel_pid" 2>/dev/null || fail "the control panel ended before its main window appeared"
        sleep "$poll"
    done
    fail "the control panel's main window did not appear within ${window_timeout} s"
}

# Without a display: virtual display, panel, screenshot, then run until Ctrl-C.
run_headless() {
    command -v Xvfb >/dev/null || fail "Xvfb is not installed (make deps)"
    work=$(mktemp -d)
    trap stop_all EXIT
    # Ctrl-C is how a headless run ends: an orderly stop, not a failure.
    trap 'exit 0' INT TERM
    start_display
    start_wineserver
    say "starting the $preset control panel (simulated converter K4700001)"
    setsid "$top/cmake/wine-run" "$panel" </dev/null &
    panel_pid=$!
    local window
    window=$(await_main_window) || exit 1
    sleep "$paint_settle"
    import -silent -window "$window" "$screenshot" || fail "the screenshot could not be taken"
    say "the control panel is up; screenshot: $screenshot"
    say "running on virtual display $DISPLAY; press Ctrl-C to stop"
    wait "$panel_pid"
    local status=$?
    panel_pid=""
    say "the control panel ended (exit status $status)"
    exit "$status"
}

check_preset
[ -n "$check_only" ] && exit 0
check_build
"$top/cmake/wine-prefix.sh" || fail "the Wine prefix $WINEPREFIX could not be prepared"
if [ -n "${DISPLAY:-}" ]; then
    run_on_display
else
    run_headless
fi
