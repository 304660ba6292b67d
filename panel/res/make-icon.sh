#!/usr/bin/env bash
# Draws the control panel's icon, K47MXVcontrol.ico: a dark rounded square
# with a green arrow pointing down (the converter brings a signal down in
# frequency) under a yellow wave (the microwave input; left out at 16 px,
# where it would not read). Each size is drawn on its own pixel grid, four
# times larger, and reduced with a box filter so edges stay sharp.
# Run by hand after changing the design; the build uses the .ico as it is.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# draw SIZE: writes $work/SIZE.png.
draw() {
    local size=$1 k=4
    local s=$((size * k))
    # Pixel p of the final image is p*k here; f() turns a fraction of the size
    # into such a coordinate, rounded to the final image's pixel grid.
    f() { awk -v x="$1" -v n="$size" -v k="$k" 'BEGIN { printf "%d", int(x * n + 0.5) * k }'; }
    local radius shaftL shaftR shaftT headT headL headR tip
    radius=$(f 0.19)
    shaftL=$(f 0.40); shaftR=$(f 0.60)
    headL=$(f 0.16);  headR=$(f 0.84); tip=$(f 0.88)
    if [ "$size" -le 16 ]; then
        shaftT=$(f 0.13); headT=$(f 0.50)
    else
        shaftT=$(f 0.44); headT=$(f 0.60)
    fi
    # A light rim one pixel wide keeps the square visible on dark backgrounds.
    local args=(-size "${s}x${s}" xc:none
        -fill '#90A4AE' -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $radius,$radius"
        -fill '#263238' -draw "roundrectangle $k,$k $((s - k - 1)),$((s - k - 1)) $((radius - k)),$((radius - k))"
        -fill '#43D15A'
        -draw "rectangle $shaftL,$shaftT $((shaftR - 1)),$headT"
        -draw "polygon $headL,$headT $((headR - 1)),$headT $((s / 2)),$tip")
    if [ "$size" -gt 16 ]; then
        # Two periods of a sine across the upper third, drawn as a filled
        # band (a thick stroke leaves specks on its tight bends).
        local band
        band=$(awk -v s="$s" -v w="$((size / 16))" -v k="$k" 'BEGIN {
            n = 48; pi = 3.14159265
            for (i = 0; i <= n; i++)
                printf " %d,%d", s * (0.20 + 0.60 * i / n), s * (0.19 - 0.08 * sin(4 * pi * i / n))
            for (i = n; i >= 0; i--)
                printf " %d,%d", s * (0.20 + 0.60 * i / n), s * (0.19 - 0.08 * sin(4 * pi * i / n)) + (w + 1) * k
        }')
        args+=(-fill '#FFD54F' -draw "polygon$band")
    fi
    convert "${args[@]}" -filter box -resize "${size}x${size}" "$work/$size.png"
}

for size in 16 32 48; do
    draw "$size"
done
convert "$work/16.png" "$work/32.png" "$work/48.png" K47MXVcontrol.ico
echo "wrote $(pwd)/K47MXVcontrol.ico"
