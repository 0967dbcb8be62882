# Sourced by the scripts: starts a private Xvfb display and stops it again.
#   ornivex_start_display  -> exports DISPLAY (keeps the current one instead when
#                             ORNIVEX_KEEP_DISPLAY is set and DISPLAY is given)
#   ornivex_stop_display   -> stops the display started here, if any; Wine
#                             processes are the caller's to end (wineserver -k)
ornivex_start_display() {
  if [ -n "${ORNIVEX_KEEP_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 91 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
    ORNIVEX_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$ORNIVEX_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "xvfb: no free display" >&2
  return 1
}

ornivex_stop_display() {
  if [ -n "${ORNIVEX_XVFB_PID:-}" ]; then
    kill "$ORNIVEX_XVFB_PID" 2>/dev/null
    wait "$ORNIVEX_XVFB_PID" 2>/dev/null
    ORNIVEX_XVFB_PID=
  fi
}
