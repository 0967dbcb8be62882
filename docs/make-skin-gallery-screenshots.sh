#!/usr/bin/env bash
# Takes the screenshots of the controls gallery (skin_gallery controls) on a
# private Xvfb display: the whole window, and a sheet of controls under the mouse.
#   usage: docs/make-skin-gallery-screenshots.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
scripts/wine-run.sh "$build/wineprefix" "$build/tests/skin/skin_gallery.exe" controls 2>/dev/null &
program=$!
work=$(mktemp -d)
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null; ornivex_stop_display; rm -rf "$work"' EXIT

window=
for _ in $(seq 1 240); do
  window=$(xdotool search --onlyvisible --name '^Ornivex controls gallery$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "no gallery window" >&2; exit 1; }
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove 0 0
sleep 0.5
import -window root "$work/plain.png"
convert "$work/plain.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip docs/skin-gallery-controls.png
echo "docs/skin-gallery-controls.png: ${WIDTH}x${HEIGHT}"

# The mouse over one control after another (gallery coordinates at 96 DPI), each
# shown at 1:1 with some of its surroundings.
hover() { # name  mouse-x mouse-y  crop-w crop-h crop-x crop-y
  xdotool mousemove 0 0
  sleep 0.4
  xdotool mousemove $((X + $2)) $((Y + $3))
  sleep 0.3
  xdotool mousemove_relative 1 0
  sleep 0.5
  import -window root "$work/full.png"
  convert "$work/full.png" -crop "${4}x${5}+$((X + $6))+$((Y + $7))" +repage "$work/$1.png"
}
hover 1-edit 86 52 170 40 6 30
hover 2-combo 446 50 170 40 306 30
hover 3-list 76 210 170 110 6 156
hover 4-trackbar 73 400 170 50 6 370
hover 5-updown 433 148 150 44 306 125
hover 6-header 151 462 310 44 6 440
montage "$work"/[1-6]-*.png -tile 3x2 -geometry +8+8 -background '#d0d8e0' -strip docs/skin-gallery-controls-hover.png
echo "docs/skin-gallery-controls-hover.png"
