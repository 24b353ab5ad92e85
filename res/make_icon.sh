#!/bin/sh
# Draws the program icon: a blue rounded tile with a white downward arrow over a
# wave (a tide coming in: the upgrade arriving). Needs ImageMagick; the output is
# committed so a build never does.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The wave: a thick sine line built from overlapping discs (stroked Bezier paths
# render badly in ImageMagick 6).
wave=$(awk 'BEGIN { for (x = 100; x <= 412; x += 2) {
  y = 410 - 34 * sin((x - 100) / 312 * 2 * 3.14159265);
  printf "circle %d,%d %d,%d ", x, y, x + 18, y } }')
convert -size 512x512 xc:none \
  \( -size 512x512 gradient:'#2f8fe8-#0b4fa8' \) \
  \( -size 512x512 xc:none -fill white -draw 'roundrectangle 16,16 495,495 96,96' \) \
  -delete 0 -compose DstIn -composite -compose Over \
  -fill white -draw "$wave" \
  -fill white -stroke none -draw "polygon 256,330 146,214 212,214 212,70 300,70 300,214 366,214" \
  "$tmp/icon512.png"
for s in 128 64 48 32 24 16; do
  convert "$tmp/icon512.png" -filter Lanczos -resize ${s}x${s} -define png:color-type=6 "$tmp/icon$s.png"
done
# BMP-encoded 32-bpp entries for the small sizes, PNG for 128 (Vista and later).
convert "$tmp/icon128.png" "$tmp/icon64.png" "$tmp/icon48.png" "$tmp/icon32.png" \
  "$tmp/icon24.png" "$tmp/icon16.png" -define icon:format=bmp tidewell.ico
cp "$tmp/icon128.png" icon-preview.png
