#!/usr/bin/env bash
# Takes the screenshots of the main window and the about window shown in the
# README, on a private Xvfb display.
#   usage: docs/make-screenshots.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
scripts/wine-run.sh "$build/wineprefix" "$build/app/Ornivex.exe" 2>/dev/null &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null; ornivex_stop_display' EXIT

find_window() { # title
  local w
  for _ in $(seq 1 240); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.5
  done
  return 1
}
shoot() { # window output
  local X Y WIDTH HEIGHT WINDOW SCREEN raw
  eval "$(xdotool getwindowgeometry --shell "$1")"
  raw=$(mktemp --suffix=.png)
  import -window root "$raw" && convert "$raw" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$2"
  rm -f "$raw"
  echo "$2: ${WIDTH}x${HEIGHT}"
}

main=$(find_window Ornivex) || { echo "no main window" >&2; exit 1; }
sleep 1
shoot "$main" docs/screenshot-main.png
# The about button, 按钮3, at 150,504 (80 x 29) in the main window.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 190)) $((Y + 518)) click 1
about=$(find_window '关于软件') || { echo "no about window" >&2; exit 1; }
sleep 1
shoot "$about" docs/screenshot-about.png
