#!/usr/bin/env bash
# The gallery driven with the real mouse (xdotool on the test's X display): a drag
# on the body moves the window, a drag on the right edge sizes it, and the close
# button ends the program.
#   usage: drag_test.sh <wine-prefix> <skin_gallery.exe>
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$1 gallery=$2
[ -n "${DISPLAY:-}" ] || { echo "drag_test: no DISPLAY" >&2; exit 1; }
"$here/scripts/wine-run.sh" "$prefix" "$gallery" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null' EXIT

window=
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name '^Ornivex skin gallery$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "FAIL: the gallery window did not appear" >&2; exit 1; }
sleep 1

geometry() { eval "$(xdotool getwindowgeometry --shell "$window")"; }
near() { [ $(( $1 - $2 )) -le 2 ] && [ $(( $2 - $1 )) -le 2 ]; }
drag() { # from-x from-y dx dy (screen)
  xdotool mousemove "$1" "$2" sleep 0.2 mousedown 1 sleep 0.2
  local i
  for i in 1 2 3 4 5; do xdotool mousemove "$(( $1 + $3 * i / 5 ))" "$(( $2 + $4 * i / 5 ))" sleep 0.05; done
  xdotool sleep 0.2 mouseup 1 sleep 0.5
}
failed=0

geometry
x0=$X y0=$Y w0=$WIDTH
drag $((X + 300)) $((Y + 160)) 60 40
geometry
if near "$X" $((x0 + 60)) && near "$Y" $((y0 + 40)); then echo "ok: a drag on the body moved the window to $X,$Y"
else echo "FAIL: the window is at $X,$Y after a drag of 60,40 from $x0,$y0"; failed=1; fi

drag $((X + WIDTH - 1)) $((Y + 150)) 50 0
geometry
if near "$WIDTH" $((w0 + 50)); then echo "ok: a drag on the right edge made the window $WIDTH wide"
else echo "FAIL: the window is $WIDTH wide after dragging its right edge 50 from $w0"; failed=1; fi

# The close button is the last of the strip, at the right end of the caption.
xdotool mousemove $((X + WIDTH - 15)) $((Y + 10)) sleep 0.3 click 1
for _ in $(seq 1 20); do kill -0 $program 2>/dev/null || break; sleep 0.25; done
if kill -0 $program 2>/dev/null; then echo "FAIL: the close button did not end the program"; failed=1
else echo "ok: the close button ended the program"; fi
exit $failed
