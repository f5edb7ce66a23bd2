#!/usr/bin/env bash
# Draws PrnWipe's icon (a printer with a red "remove" badge) with ImageMagick and writes
# prnwipe.ico with 48, 32 and 16 pixel images. The .ico is checked in; run this after a change.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One 256-pixel master, drawn once and scaled down.
convert -size 256x256 xc:none \
  -fill '#f8f8f4' -stroke '#6b7280' -strokewidth 6 -draw 'rectangle 70,20 186,110' \
  -stroke '#9ca3af' -strokewidth 5 -draw 'line 90,50 166,50' -draw 'line 90,72 166,72' \
  -stroke '#374151' -strokewidth 6 -fill '#64748b' -draw 'roundrectangle 24,92 232,196 18,18' \
  -stroke none -fill '#94a3b8' -draw 'roundrectangle 34,100 222,132 10,10' \
  -fill '#1f2937' -draw 'rectangle 60,160 196,176' \
  -fill '#22c55e' -draw 'circle 206,116 206,124' \
  -fill '#f8f8f4' -stroke '#6b7280' -strokewidth 6 -draw 'rectangle 72,170 184,236' \
  -stroke none -fill '#b91c1c' -draw 'circle 190,190 190,250' \
  -fill '#dc2626' -draw 'circle 190,190 190,244' \
  -fill white -draw 'roundrectangle 158,182 222,198 6,6' \
  "$work/master.png"

for size in 48 32 16; do
  convert "$work/master.png" -filter Lanczos -resize ${size}x${size} \
    -channel A -threshold 40% +channel "$work/icon-$size.png"
done
convert "$work/icon-48.png" "$work/icon-32.png" "$work/icon-16.png" prnwipe.ico
echo "wrote $(pwd)/prnwipe.ico"
