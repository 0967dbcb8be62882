#!/usr/bin/env bash
# Takes the screenshots of the main window and the about window shown in the
# README, on a private Xvfb display: the main window after it has recognised the
# bundled sample picture (against the loopback stand-ins, on the ports the build
# was configured with), under zh_CN.UTF-8 (docs/screenshot-main.png) and
# en_US.UTF-8 (docs/screenshot-main-en.png), and the about window under zh_CN.
#   usage: docs/make-screenshots.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
case "$build" in /*) ;; *) build=$here/$build ;; esac
port() { # cache-variable
  sed -n "s|^$1:STRING=http://127\.0\.0\.1:\([0-9]*\)\$|\1|p" "$build/CMakeCache.txt"
}
ocr_port=$(port ORNIVEX_OCR_URL) image_port=$(port ORNIVEX_IMAGE_HOST_URL)
if [ -z "$ocr_port" ] || [ -z "$image_port" ]; then
  echo "make-screenshots: $build is not a build against the loopback stand-ins" >&2
  exit 1
fi
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
work=$(mktemp -d /tmp/ornivex-shots.XXXXXX)
# A short, plain path for the path box to show.
pictures=/tmp/Pictures
made_pictures=
[ -d "$pictures" ] || { mkdir "$pictures" && made_pictures=1; }
cp resources/sample/sample.png "$pictures/sample.png"
standins= program=
stop_program() {
  if [ -n "$program" ]; then
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    program=
  fi
}
cleanup() {
  stop_program
  if [ -n "$standins" ]; then
    kill "$standins" 2>/dev/null
    wait "$standins" 2>/dev/null
  fi
  rm -rf "$work"
  if [ -n "$made_pictures" ]; then rm -rf "$pictures"; else rm -f "$pictures/sample.png"; fi
  ornivex_stop_display
}
trap cleanup EXIT

python3 standins/standins.py --ocr-port "$ocr_port" --image-port "$image_port" >"$work/standins.log" 2>&1 &
standins=$!
for _ in $(seq 1 50); do
  grep -q '^standins: ready' "$work/standins.log" 2>/dev/null && break
  sleep 0.1
done

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

for locale in zh_CN.UTF-8 en_US.UTF-8; do
  export LANG=$locale LC_ALL=$locale
  out=docs/screenshot-main.png
  [ "$locale" = en_US.UTF-8 ] && out=docs/screenshot-main-en.png
  scripts/wine-run.sh "$build/wineprefix" "$build/app/Ornivex.exe" >/dev/null 2>&1 &
  program=$!
  # Choose the sample, wait for its text, and move the mouse off the window.
  WINEPREFIX=$build/wineprefix python3 tools/e2e/drive.py "$pictures/sample.png" --no-save --screenshot "$work/drive.png" \
    >/dev/null || exit 1
  xdotool mousemove 1200 1000
  sleep 1
  main=$(find_window Ornivex) || { echo "no main window" >&2; exit 1; }
  shoot "$main" "$out"
  if [ "$locale" = zh_CN.UTF-8 ]; then
    # The about button, 按钮3, at 150,504 (80 x 29) in the main window.
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 190)) $((Y + 518)) click 1
    about=$(find_window '关于软件') || { echo "no about window" >&2; exit 1; }
    sleep 1
    shoot "$about" docs/screenshot-about.png
  fi
  stop_program
done
