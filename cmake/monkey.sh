#!/usr/bin/env bash
# The long random-input run: monkey.exe on the widget gallery, its hostile
# mode and the control panel, 10,000 events for each of several seeds, on a
# virtual display and wineserver of its own (as the test session starts
# them). Builds what it needs first.
#
#   bash cmake/monkey.sh [PRESET [SEEDS [EVENTS [TARGETS]]]]
#   defaults: win64 1,2,3 10000 "gallery hostile panel"
#
# Exits non-zero when any run failed; each failure names its seed, its event
# and the command that replays it.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
top=$k47_top
preset=${1:-win64}
seeds=${2:-1,2,3}
events=${3:-10000}
targets=${4:-gallery hostile panel}
export WINEPREFIX="$top/build/wineprefix"

cmake --preset "$preset" >/dev/null || exit 1
cmake --build "$top/build/$preset" --target monkey -j 2 -- --no-print-directory >/dev/null || exit 1
"$top/cmake/wine-prefix.sh" || exit 1

k47_start_wine_session

status=0
for target in $targets; do
    "$top/cmake/wine-run" "$top/build/$preset/bin/monkey.exe" "$target" "$seeds" "$events" || status=1
done
exit $status
