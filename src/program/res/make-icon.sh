#!/bin/sh
# Draws hivetidy.ico: a 32x32 and a 16x16 image of 16 colours each (a robot arm on light orange).
# Needs ImageMagick; the .ico is committed, so the build itself does not.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "x,y x,y ..." on the 32x32 grid, scaled to an image of $1 pixels.
scaled() {
    echo "$2" | awk -v s="$1" '{ for (i = 1; i <= NF; i++) { split($i, p, ","); printf "%s%d,%d", (i > 1 ? " " : ""), p[1] * s / 32, p[2] * s / 32 } }'
}

# Each size is drawn from the shapes, not scaled down from the other: small images stay crisp.
draw() {
    convert -size "$1x$1" xc:'#FFC080' \
        -stroke '#404040' -strokewidth 1 \
        -fill '#606068' -draw "polygon $(scaled "$1" "4,30 20,30 17,25 7,25")" \
        -fill '#FF8000' -draw "polygon $(scaled "$1" "10,26 15,27 21,9 16,7")" \
        -fill '#FF8000' -draw "polygon $(scaled "$1" "17,5 19,11 29,15 29,10")" \
        -fill '#606068' -draw "circle $(scaled "$1" "12,26 12,23")" \
        -fill '#606068' -draw "circle $(scaled "$1" "18,8 18,5")" \
        -fill '#0060A8' -draw "rectangle $(scaled "$1" "25,17 30,23")" \
        -type Palette -colors 16 "BMP3:$work/icon$1.bmp"
}

draw 32
draw 16
convert "$work/icon32.bmp" "$work/icon16.bmp" -colors 16 hivetidy.ico
