#!/usr/bin/env bash
# Takes docs/screenshot-notice.png: the main window with the balloon that says
# why no text came back, here for a file that is not a picture, read by the
# built-in engine, on a private Xvfb display under zh_CN.UTF-8.
#   usage: docs/make-notice-screenshot.sh [build-folder]     (default: build/local)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${1:-build/local}
case "$build" in /*) ;; *) build=$here/$build ;; esac
[ -f "$build/app/Ornivex.exe" ] || { echo "make-notice-screenshot: $build/app/Ornivex.exe not built" >&2; exit 1; }
unset DISPLAY
. scripts/xvfb.sh
ornivex_start_display || exit 1
stage=$(mktemp -d /tmp/ornivex-notice.XXXXXX)
cleanup() { WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null; rm -rf "$stage"; ornivex_stop_display; }
trap cleanup EXIT
cp "$build/app/Ornivex.exe" "$stage/"
ln -s "$build/app/ocr" "$stage/ocr"
printf '[ocr]\r\nengine=local\r\n' >"$stage/Ornivex.ini"
echo "not a picture" >"$stage/notes.png"
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 scripts/wine-run.sh "$build/wineprefix" "$stage/Ornivex.exe" \
  "Z:${stage//\//\\}\\notes.png" >/dev/null 2>&1 &
for _ in $(seq 1 100); do
  xdotool search --onlyvisible --name '^Ornivex$' >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 4  # the engine's answer, and the balloon
window=$(xdotool search --onlyvisible --name '^Ornivex$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" docs/screenshot-notice.png
echo "docs/screenshot-notice.png"
