#!/usr/bin/env bash
# Renders the engine test's three pictures (Chinese, English, mixed) with
# WenQuanYi Zen Hei, taken out of Debian's fonts-wqy-zenhei package into a cache
# outside the tree (never installed). The pictures are committed; run this only
# to make them again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${ORNIVEX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ornivex}/fonts
font=$(find "$cache" -name wqy-zenhei.ttc 2>/dev/null | head -n 1)
if [ -z "$font" ]; then
  mkdir -p "$cache/zenhei"
  (cd "$cache" && apt-get download fonts-wqy-zenhei >/dev/null)
  dpkg-deb -x "$(ls "$cache"/fonts-wqy-zenhei_*.deb | head -n 1)" "$cache/zenhei"
  font=$(find "$cache/zenhei" -name wqy-zenhei.ttc | head -n 1)
fi
render() { # name size text
  convert -background white -fill black -font "$font" -pointsize "$2" -interline-spacing 14 \
    label:"$3" -bordercolor white -border 24 -colorspace Gray -depth 8 -strip "PNG8:$here/$1.png"
}
render chinese 28 $'春眠不觉晓，处处闻啼鸟。\n夜来风雨声，花落知多少。'
render english 24 $'The quick brown fox jumps\nover the lazy dog 42 times.'
render mixed 24 $'版本 2.5 已发布\nOpen the file 设置.ini first'
