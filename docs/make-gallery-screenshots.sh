#!/usr/bin/env bash
# Takes the skin galleries' screenshots on a private Xvfb display:
#  - docs/skin-gallery.png, and docs/skin-gallery-hot.png with the mouse resting on
#    the close button (the window and button skins);
#  - docs/skin-gallery-controls.png, and docs/skin-gallery-controls-hover.png, a
#    sheet of controls under the mouse and a drop-down list opened by a click
#    (the control families).
# With a DPI other than 96 the galleries are shown at that display scale (in a
# Wine prefix of its own) and the files are named ...-<dpi>.png.
#   usage: docs/make-gallery-screenshots.sh [build-folder [dpi]]   (default: build/local 96)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
dpi=${2:-96}
prefix=$build/wineprefix suffix=
[ "$dpi" != 96 ] && prefix=$build/wineprefix-$dpi suffix=-$dpi
export ORNIVEX_LOGPIXELS=$dpi
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
work=$(mktemp -d)
program=
trap '[ -n "$program" ] && { kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; }; ornivex_stop_display; rm -rf "$work"' EXIT

open_gallery() { # title [argument]
  if [ -n "$program" ]; then kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; fi
  scripts/wine-run.sh "$prefix" "$build/tests/skin/skin_gallery.exe" ${2:-} 2>/dev/null &
  program=$!
  window=
  for _ in $(seq 1 240); do
    window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.5
  done
  [ -n "$window" ] || { echo "no window '$1'" >&2; exit 1; }
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # The window is shown before the skin takes its children over: wait until its
  # picture stays the same for a second.
  local i
  shoot "$work/settle-a.png"
  for i in $(seq 1 30); do
    sleep 1
    shoot "$work/settle-b.png"
    cmp -s "$work/settle-a.png" "$work/settle-b.png" && break
    mv "$work/settle-b.png" "$work/settle-a.png"
  done
}
shoot() { # output [width height x y] (default: the whole window)
  import -window root "$work/full.png"
  convert "$work/full.png" -crop "${2:-$WIDTH}x${3:-$HEIGHT}+$((X + ${4:-0}))+$((Y + ${5:-0}))" +repage -strip "$1"
}

open_gallery 'Ornivex skin gallery'
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT + 40))
sleep 0.5
shoot "docs/skin-gallery$suffix.png" && echo "docs/skin-gallery$suffix.png: ${WIDTH}x${HEIGHT}"
xdotool mousemove $((X + WIDTH - 15 * dpi / 96)) $((Y + 10 * dpi / 96))
sleep 0.8
shoot "docs/skin-gallery-hot$suffix.png" && echo "docs/skin-gallery-hot$suffix.png"

open_gallery 'Ornivex controls gallery' controls
xdotool mousemove 0 0
sleep 0.5
shoot "docs/skin-gallery-controls$suffix.png" && echo "docs/skin-gallery-controls$suffix.png: ${WIDTH}x${HEIGHT}"
# The mouse over one control after another (gallery coordinates at 96 DPI), each
# shown at 1:1 with some of its surroundings.
hover() { # name  mouse-x mouse-y  crop-w crop-h crop-x crop-y (at 96 DPI)
  local s=$dpi
  xdotool mousemove 0 0
  sleep 0.4
  xdotool mousemove $((X + $2 * s / 96)) $((Y + $3 * s / 96))
  sleep 0.3
  xdotool mousemove_relative 1 0
  sleep 0.5
  shoot "$work/$1.png" $(($4 * s / 96)) $(($5 * s / 96)) $(($6 * s / 96)) $(($7 * s / 96))
}
hover 1-edit 86 52 170 40 6 30
hover 2-combo 446 50 170 40 306 30
hover 3-list 76 210 170 110 6 156
hover 4-trackbar 73 400 170 50 6 370
hover 5-updown 433 148 150 44 306 125
hover 6-header 151 462 310 44 6 440
# The drop-down combo's button clicked: its list open below it.
xdotool mousemove 0 0
sleep 0.4
xdotool mousemove $((X + 296 * dpi / 96)) $((Y + 52 * dpi / 96)) click 1
sleep 0.8
shoot "$work/7-dropdown.png" $((170 * dpi / 96)) $((150 * dpi / 96)) $((156 * dpi / 96)) $((30 * dpi / 96))
xdotool key Escape
montage "$work"/[1-7]-*.png -tile 4x2 -geometry +8+8 -background '#d0d8e0' -strip \
  "docs/skin-gallery-controls-hover$suffix.png"
echo "docs/skin-gallery-controls-hover$suffix.png"
