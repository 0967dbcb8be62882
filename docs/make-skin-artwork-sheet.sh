#!/usr/bin/env bash
# Makes docs/skin-artwork.png, a contact sheet of the skin artwork in
# resources/skin/: every picture at 100, 150 and 200 % (enlarged 6, 4 and 3
# times, so each shows at the same size), the background picture at 1:1, and
# mock-ups of the main window at 100 % and 200 %: the background stretched over
# the window as the skin engine does, with the caption, the title buttons, the
# frames of the controls and red result text drawn over it the way the program
# lays them out. The mock-ups only approximate the engine's own painting.
#   usage: docs/make-skin-artwork-sheet.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
skin=$root/resources/skin
convert=/usr/bin/convert
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/resources/draw-pictures.py" icons "$work"

label() { # text output
  $convert -background white -fill "#333333" -font "$font" -pointsize 15 label:"${1//%/%%}" "$2"
}

# One row per scale: the pictures over a backdrop, enlarged to a common size.
pictures() { # backdrop output names...
  local backdrop=$1 out=$2 rows=()
  shift 2
  for pair in 100:6 150:4 200:3; do
    local scale=${pair%:*} zoom=${pair#*:} cells=()
    for name in "$@"; do
      local cell=$work/cell-$name-$scale.png
      if [ "$name" = ticked ]; then
        $convert "$skin/check-box-$scale.png" "$skin/tick-$scale.png" -composite -background "$backdrop" -flatten \
          -scale $((zoom * 100))% "$cell"
      else
        $convert "$skin/$name-$scale.png" -background "$backdrop" -flatten -scale $((zoom * 100))% "$cell"
      fi
      cells+=("$cell")
    done
    label "$scale %" "$work/label-$scale.png"
    $convert "$work/label-$scale.png" "${cells[@]}" -bordercolor white -border 6 -background white -gravity center \
      +append "$work/row-$scale-$out.png"
    rows+=("$work/row-$scale-$out.png")
  done
  $convert "${rows[@]}" -background white -gravity west -append "$work/$out.png"
}

# The main window at scale k: the picture stretched to 317 x 537 (scaled), then
# the caption, the two title buttons, the group box, the edit boxes with their
# frames, red result text and the three push buttons.
mock() { # k percent icon output
  local k=$1 percent=$2 icon=$3
  p() { awk -v k="$k" -v list="$1" 'BEGIN { n = split(list, v, ","); for (i = 1; i <= n; i++)
          printf "%s%d", (i > 1 ? "," : ""), v[i] * k + 0.5 }'; }
  $convert "$skin/background-$percent.png" -filter Triangle -resize "$(p 317)x$(p 537)!" \
    -fill none -stroke 'rgba(0,0,0,0.7)' -strokewidth "$k" -draw "roundrectangle $(p 0,0) $(p 316,536) $(p 7,7)" \
    -stroke 'rgba(255,255,255,0.7)' -draw "roundrectangle $(p 1,1) $(p 315,535) $(p 6,6)" -stroke none \
    "$icon" -geometry "+$(p 9)+$(p 5)" -composite \
    -font "$font" -pointsize "$(p 12)" -fill 'rgba(60,60,60,0.8)' -annotate "+$(p 30)+$(p 20)" 'Ornivex' \
    -fill white -annotate "+$(p 29)+$(p 19)" 'Ornivex' \
    "$skin/minimize-$percent.png" -geometry "+$(p 252)+$(p 1)" -composite \
    "$skin/close-$percent.png" -geometry "+$(p 279)+$(p 1)" -composite \
    -fill none -stroke 'rgba(0,0,0,0.3)' -draw "roundrectangle $(p 3,36) $(p 311,503) $(p 5,5)" -stroke none \
    -fill black -pointsize "$(p 12)" -annotate "+$(p 10)+$(p 40)" '基础操作区' \
    -fill none -stroke 'rgba(0,0,0,0.31)' -draw "rectangle $(p 9,50) $(p 228,73)" -stroke none \
    -fill black -pointsize "$(p 16)" -annotate "+$(p 11)+$(p 68)" '<------请选择图片------>' \
    -fill 'rgba(255,255,255,0.47)' -stroke 'rgba(0,0,0,0.47)' -draw "roundrectangle $(p 234,50) $(p 305,73) $(p 5,5)" \
    -stroke none -fill black -pointsize "$(p 12)" -annotate "+$(p 246)+$(p 66)" '选择图片' \
    -fill none -stroke 'rgba(0,0,0,0.31)' -draw "rectangle $(p 9,78) $(p 305,496)" -stroke none \
    -fill red -pointsize "$(p 19)" -annotate "+$(p 12)+$(p 100)" '人工智能文字识别。' \
    -annotate "+$(p 12)+$(p 125)" '这是一段从图片里识别出来的文字，' \
    -annotate "+$(p 12)+$(p 150)" 'Text recognised from a picture' \
    -annotate "+$(p 12)+$(p 175)" '红色文字在浅色背景上清晰易读。' \
    -fill 'rgba(255,255,255,0.47)' -stroke 'rgba(0,0,0,0.47)' \
    -draw "roundrectangle $(p 67,504) $(p 146,532) $(p 5,5)" \
    -draw "roundrectangle $(p 150,504) $(p 229,532) $(p 5,5)" \
    -draw "roundrectangle $(p 232,504) $(p 311,532) $(p 5,5)" -stroke none \
    -fill black -pointsize "$(p 16)" -annotate "+$(p 75)+$(p 524)" '保存结果' -annotate "+$(p 158)+$(p 524)" '关于软件' \
    -pointsize "$(p 13)" -annotate "+$(p 239)+$(p 523)" '检查新版本' \
    "$4"
}

pictures '#1565c8' glyphs help main-menu minimize maximize restore close
pictures '#f4f8fd' controls check-box ticked arrow-down arrow-up arrow-left arrow-right
mock 1 100 "$work/icon-17.png" "$work/mock-100.png"
mock 2 200 "$work/icon-34.png" "$work/mock-200.png"

label 'Title-button glyphs over the caption blue: help, main menu, minimize, maximize, restore, close' "$work/t1.png"
label 'Check box, ticked, and the four arrows' "$work/t2.png"
label 'Background picture (100 %, 431 × 353) and mock-ups of the main window at 100 % and 200 %' "$work/t3.png"
$convert "$skin/background-100.png" "$work/mock-100.png" "$work/mock-200.png" -bordercolor white -border 8 \
  -background white -gravity north +append "$work/bottom.png"
$convert "$work/t1.png" "$work/glyphs.png" "$work/t2.png" "$work/controls.png" "$work/t3.png" "$work/bottom.png" \
  -bordercolor white -border 6 -background white -gravity west -append -border 6 \
  -strip -define png:exclude-chunks=date,time "PNG24:$root/docs/skin-artwork.png"
echo "wrote $root/docs/skin-artwork.png"
