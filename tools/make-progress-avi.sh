#!/usr/bin/env bash
# Makes the progress window's animation (src/app/progress.avi): twelve 32 x 32 frames of a dot
# going round, 10 frames a second, uncompressed, drawn with ImageMagick and muxed with ffmpeg.
# Usage: tools/make-progress-avi.sh [output]
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=${1:-src/app/progress.avi}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 0 11); do
    read -r x y < <(awk -v i="$i" 'BEGIN { a = (i * 30 - 90) * 3.14159265 / 180;
        printf "%.1f %.1f\n", 16 + 10 * cos(a), 16 + 10 * sin(a) }')
    convert -size 32x32 xc:'#F0F0F0' \
        -fill none -stroke '#B8C8E0' -strokewidth 2 -draw 'circle 16,16 16,6' \
        -fill '#2050A0' -stroke none -draw "circle $x,$y $x,$(awk -v y="$y" 'BEGIN { print y + 4 }')" \
        "$work/frame$(printf %02d "$i").png"
done
ffmpeg -loglevel error -y -framerate 10 -i "$work/frame%02d.png" -c:v rawvideo -pix_fmt bgr24 \
    -f avi "$OUT"
