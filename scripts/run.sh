#!/usr/bin/env bash
# The main job: builds Ornivex against the loopback stand-ins and opens its main
# window under Wine, then writes a screenshot of the window.
#   usage: scripts/run.sh [screenshot.png]        (default: build/screenshot.png)
# On $DISPLAY when it is set (the window stays open there); otherwise on a private
# Xvfb display, which is stopped again together with the program.
# ORNIVEX_BUILD_DIR chooses another build folder (default build/local).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
shot=${1:-build/screenshot.png}
build=${ORNIVEX_BUILD_DIR:-build/local}

bash scripts/setup.sh || exit 1
. scripts/xvfb.sh

echo "== building ($build)"
if [ "$build" = build/local ]; then
  cmake --preset local >/dev/null && cmake --build --preset local --target Ornivex || exit 1
else
  cmake --preset local -B "$build" >/dev/null && cmake --build "$build" --target Ornivex || exit 1
fi

own_display=
if [ -z "${DISPLAY:-}" ]; then
  ornivex_start_display || exit 1
  own_display=1
fi
export LANG=${LANG:-zh_CN.UTF-8}
case "$LANG" in C|C.UTF-8|POSIX) export LANG=zh_CN.UTF-8 ;; esac

program=
cleanup() {
  if [ -n "$own_display" ]; then
    [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    ornivex_stop_display
  fi
}
trap cleanup EXIT

echo "== starting Ornivex on $DISPLAY"
# Wine's own messages go to a log beside the build.
scripts/wine-run.sh "$build/wineprefix" "$build/app/Ornivex.exe" 2>"$build/run-wine.log" &
program=$!

# The first start of a fresh Wine prefix takes a while.
window=
for _ in $(seq 1 240); do
  window=$(xdotool search --onlyvisible --name '^Ornivex$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  if ! kill -0 "$program" 2>/dev/null; then echo "Ornivex ended before showing its window" >&2; exit 1; fi
  sleep 0.5
done
if [ -z "$window" ]; then echo "no Ornivex window appeared" >&2; exit 1; fi
sleep 1  # let the controls finish painting

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$shot")"
raw=$(mktemp --suffix=.png)
import -window root "$raw" && convert "$raw" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
rm -f "$raw"
echo "main window ${WIDTH}x${HEIGHT} at ${X},${Y}; screenshot: $shot"
if [ -z "$own_display" ]; then
  echo "Ornivex stays open on $DISPLAY"
  trap - EXIT
fi
