#!/usr/bin/env bash
# Draws the program icon (32, 48, 128, 256) and the two 32 x 32 arrow pictures with ImageMagick.
# Run from the resources folder: tools/make_images.sh
set -euo pipefail
mkdir -p images
# Icon: three pages on a blue tile, joined by a band.
convert -size 256x256 xc:none \
    -fill '#1f5fbf' -draw 'roundrectangle 8,8 247,247 40,40' \
    -fill '#ffffff' -stroke '#0d3a80' -strokewidth 4 \
    -draw 'roundrectangle 40,44 120,150 8,8' \
    -draw 'roundrectangle 136,44 216,150 8,8' \
    -draw 'roundrectangle 60,120 196,224 10,10' \
    -stroke none -fill '#9fd0ff' \
    -draw 'rectangle 76,146 180,158' -draw 'rectangle 76,170 180,182' -draw 'rectangle 76,194 150,206' \
    -fill '#ffd34d' -draw 'polygon 128,84 150,106 138,106 138,120 118,120 118,106 106,106' \
    images/icon-256.png
for s in 128 48; do convert images/icon-256.png -resize ${s}x${s} images/icon-$s.png; done
# The 32-pixel image is 24-bit: flattened onto white.
convert images/icon-256.png -resize 32x32 -background white -flatten -type TrueColor images/icon-32.png
convert images/icon-256.png -define icon:auto-resize=256,128,48,32 vantrel.ico
# Light-blue arrows, 24-bit on white.
convert -size 32x32 xc:white -fill '#7cc4f8' -stroke '#2b7fc4' -strokewidth 1 \
    -draw 'polygon 16,2 30,16 21,16 21,29 11,29 11,16 2,16' -type TrueColor images/arrow-up.png
convert images/arrow-up.png -flip -type TrueColor images/arrow-down.png
