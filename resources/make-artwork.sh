#!/usr/bin/env bash
# Draws the program's artwork: the application icon (512 px with a circular
# transparency mask, plus 256, 48, 34, 32, 26, 24, 17 and 16 px; 17, 26 and 34
# px are the caption icon at 100, 150 and 200 %, laid out on their own pixel
# grid by draw-pictures.py) and the about window's 550 x 166 RGBA logo, also at
# 150 % (825 x 249) and 200 % (1100 x 332). The results are committed; run this
# again after a change.
#   usage: resources/make-artwork.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No time stamps or other varying chunks in the PNG files.
strip=(-strip -define png:exclude-chunks=date,time)

# Icon master: a blue disc with a lighter rim, a page with text lines, and a
# magnifier lens; everything outside the circle is fully transparent.
$convert -size 512x512 xc:none \
  \( -size 512x512 radial-gradient:'#3aa0ff'-'#0b4fb3' \) \
  \( -size 512x512 xc:black -fill white -draw 'circle 256,256 256,8' \) \
  -delete 0 -alpha off -compose CopyOpacity -composite \
  -fill none -stroke '#bfe0ff' -strokewidth 10 -draw 'circle 256,256 256,18' \
  -stroke none -fill '#ffffff' -draw 'roundrectangle 150,110 340,380 18,18' \
  -fill '#0b4fb3' -draw 'rectangle 180,160 310,176' -draw 'rectangle 180,204 310,220' \
  -draw 'rectangle 180,248 280,264' -draw 'rectangle 180,292 250,308' \
  -fill none -stroke '#ffcc33' -strokewidth 22 -draw 'circle 318,318 318,256' \
  -stroke '#ffcc33' -strokewidth 30 -draw 'line 362,362 410,410' \
  "${strip[@]}" "PNG32:$work/icon-512.png"
for s in 256 48 32 24 16; do
  $convert "$work/icon-512.png" -filter Lanczos -resize ${s}x${s} "${strip[@]}" "PNG32:$work/icon-$s.png"
done
python3 "$here/draw-pictures.py" icons "$work"
python3 "$here/pack-icon.py" "$here/ornivex.ico" "$work"/icon-512.png "$work"/icon-256.png \
  "$work"/icon-48.png "$work"/icon-34.png "$work"/icon-32.png "$work"/icon-26.png "$work"/icon-24.png \
  "$work"/icon-17.png "$work"/icon-16.png

# About logo: a rounded banner with the icon, the name and what the program does,
# laid out at 550 x 166 and drawn at each scale from the same measures.
logo() { # scale output
  local k=$1
  px() { awk -v v="$1" -v k="$k" 'BEGIN { printf "%d", v * k + 0.5 }'; }
  local w h
  w=$(px 550); h=$(px 166)
  $convert -size "${w}x${h}" xc:none \
    \( -size "${w}x${h}" gradient:'#1c6fd6'-'#0a3a82' \) \
    \( -size "${w}x${h}" xc:black -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $(px 22),$(px 22)" \) \
    -delete 0 -alpha off -compose CopyOpacity -composite -compose Over \
    \( "$work/icon-512.png" -resize "$(px 128)x$(px 128)" \) -geometry "+$(px 22)+$(px 19)" -composite \
    -font "$font" -fill white -pointsize "$(awk -v k="$k" 'BEGIN { print 54 * k }')" \
    -annotate "+$(px 172)+$(px 78)" 'Ornivex' \
    -fill '#cfe6ff' -pointsize "$(awk -v k="$k" 'BEGIN { print 24 * k }')" \
    -annotate "+$(px 176)+$(px 118)" '图片转文字 · 永久免费' \
    -fill '#9cc8ff' -pointsize "$(awk -v k="$k" 'BEGIN { print 15 * k }')" \
    -annotate "+$(px 178)+$(px 146)" 'Picture to editable text — JPG / PNG / BMP' \
    "${strip[@]}" "PNG32:$2"
}
logo 1 "$here/about-logo.png"
logo 1.5 "$here/about-logo-150.png"
logo 2 "$here/about-logo-200.png"
echo "wrote $here/ornivex.ico and $here/about-logo.png, about-logo-150.png, about-logo-200.png"
