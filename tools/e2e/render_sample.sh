#!/usr/bin/env bash
# Renders a picture of known text lines, black on white, with ImageMagick and the
# WenQuanYi Micro Hei font, and writes the lines beside it as UTF-8 text.
#   usage: tools/e2e/render_sample.sh OUT.png [LINE ...]
# Without lines it renders the bundled sample's three lines (Chinese with full
# stops, English, mixed). The same lines always give the same bytes: no time
# stamps or other varying chunks go into the PNG. OUT.txt gets the lines, one a
# line, for comparing recognised text against.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 OUT.png [LINE ...]" >&2
  exit 2
fi
out=$1; shift
if [ $# -eq 0 ]; then
  set -- "图片里的文字变成可以编辑的文本。" \
         "Ornivex turns pictures into text." \
         "识别结果保存在桌面上，Save 2026."
fi
font=${ORNIVEX_SAMPLE_FONT:-/usr/share/fonts/truetype/wqy/wqy-microhei.ttc}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
[ -f "$font" ] || { echo "render_sample: font $font not found (fonts-wqy-microhei)" >&2; exit 1; }

text=$(printf '%s\n' "$@")
text=${text%$'\n'}
# ImageMagick reads label text with escapes: double every backslash and percent sign.
label=${text//\\/\\\\}
label=${label//%/%%}
"$convert" -background white -fill black -font "$font" -pointsize 30 -interline-spacing 14 \
  "label:$label" -bordercolor white -border 20 -colorspace Gray -posterize 16 -strip \
  -define png:compression-level=9 -define png:exclude-chunks=date,time,tIME "png:$out"
printf '%s\n' "$@" > "${out%.png}.txt"
