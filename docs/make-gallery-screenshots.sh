#!/usr/bin/env bash
# Takes the skin gallery's screenshots on a private Xvfb display: the window as it
# opens (docs/skin-gallery.png) and with the mouse resting on the close button
# (docs/skin-gallery-hot.png).
#   usage: docs/make-gallery-screenshots.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
scripts/wine-run.sh "$build/wineprefix" "$build/tests/skin/skin_gallery.exe" 2>/dev/null &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null; ornivex_stop_display' EXIT

window=
for _ in $(seq 1 240); do
  window=$(xdotool search --onlyvisible --name '^Ornivex skin gallery$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "no gallery window" >&2; exit 1; }
sleep 1
shoot() { # output
  local X Y WIDTH HEIGHT WINDOW SCREEN raw
  eval "$(xdotool getwindowgeometry --shell "$window")"
  raw=$(mktemp --suffix=.png)
  import -window root "$raw" && convert "$raw" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$1"
  rm -f "$raw"
  echo "$1: ${WIDTH}x${HEIGHT}"
}
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT + 40))
sleep 0.5
shoot docs/skin-gallery.png
xdotool mousemove $((X + WIDTH - 15)) $((Y + 10))
sleep 0.8
shoot docs/skin-gallery-hot.png
