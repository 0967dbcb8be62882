#!/usr/bin/env bash
# Draws the skin engine's pictures into resources/skin/, each at 100, 150 and
# 200 % (NAME-100.png, NAME-150.png, NAME-200.png):
#   help, main-menu, minimize, maximize, restore, close  title-button glyphs
#                                                         (26 x 18; close 38 x 18)
#   check-box, tick                                       13 x 13
#   arrow-down, arrow-up (7 x 4), arrow-left, arrow-right (4 x 7)
#   background                                            the 431 x 353 window picture
# The glyphs are 8-bit RGBA PNG, the background a PNG with an 8-bit palette. The
# results are committed; run this again after a change to draw-pictures.py.
#   usage: resources/make-skin-artwork.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert=/usr/bin/convert
out=$here/skin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/draw-pictures.py" skin "$work"
mkdir -p "$out"
rm -f "$out"/*.png
for f in "$work"/*.png; do
  case $(basename "$f") in
    background-rgb-*) ;;
    *) cp "$f" "$out/" ;;
  esac
done
# The background holds a few hundred colours, all of them gentle gradients: a
# 256-colour palette without dithering stays within three levels of every pixel.
for s in 100 150 200; do
  $convert "$work/background-rgb-$s.png" +dither -colors 256 -strip -define png:exclude-chunks=date,time \
    "PNG8:$out/background-$s.png"
done
echo "wrote $(ls "$out" | wc -l) pictures to $out"
