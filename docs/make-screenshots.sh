#!/usr/bin/env bash
# Takes the screenshots of the main window and the about window shown in the
# README, on a private Xvfb display: the main window after it has recognised the
# bundled sample picture (against the loopback stand-ins, on the ports the build
# was configured with), under zh_CN.UTF-8 (docs/screenshot-main.png) and
# en_US.UTF-8 (docs/screenshot-main-en.png), and the about window under zh_CN
# (docs/screenshot-about.png); then both under zh_CN at 150 % and 200 %
# (docs/screenshot-main-144.png, docs/screenshot-about-192.png, ...), each scale
# in a Wine prefix of its own.
#   usage: docs/make-screenshots.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
case "$build" in /*) ;; *) build=$here/$build ;; esac
# The stand-ins' ports the build was configured with.
ocr_port= image_port=
[ -f "$build/standins.env" ] && . "$build/standins.env" && ocr_port=${OCR_PORT:-} image_port=${IMAGE_PORT:-}
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
standins= program= prefix=$build/wineprefix
stop_program() {
  if [ -n "$program" ]; then
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    program=
    # Everything of the run ends before the next starts, its window included: the
    # next run must not find (and drive) the old one.
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    for _ in $(seq 1 50); do
      [ -z "$(xdotool search --onlyvisible --name '^Ornivex$' 2>/dev/null)" ] && break
      sleep 0.1
    done
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

for run in zh_CN.UTF-8:96 en_US.UTF-8:96 zh_CN.UTF-8:144 zh_CN.UTF-8:192; do
  locale=${run%:*} dpi=${run#*:}
  export LANG=$locale LC_ALL=$locale
  prefix=$build/wineprefix suffix=
  [ "$dpi" != 96 ] && prefix=$build/wineprefix-$dpi suffix=-$dpi
  [ "$locale" = en_US.UTF-8 ] && suffix=-en
  ORNIVEX_LOGPIXELS=$dpi scripts/wine-run.sh "$prefix" "$build/app/Ornivex.exe" >/dev/null 2>&1 &
  program=$!
  # Choose the sample, wait for its text, and move the mouse off the window.
  WINEPREFIX=$prefix python3 tools/e2e/drive.py "$pictures/sample.png" --prefix "$prefix" --no-save \
    --screenshot "$work/drive.png" >/dev/null || exit 1
  xdotool mousemove 1900 1180
  sleep 1
  main=$(find_window Ornivex) || { echo "no main window" >&2; exit 1; }
  shoot "$main" "docs/screenshot-main$suffix.png"
  if [ "$locale" = zh_CN.UTF-8 ]; then
    # The about button, 按钮3, at 150,504 (80 x 29) in the main window at 96 DPI.
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 190 * dpi / 96)) $((Y + 518 * dpi / 96)) click 1
    about=$(find_window '关于软件') || { echo "no about window" >&2; exit 1; }
    sleep 1
    shoot "$about" "docs/screenshot-about$suffix.png"
  fi
  stop_program
done
