#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix and returns its exit code.
#   usage: scripts/wine-run.sh <prefix-dir> <program.exe> [args...]
# The prefix is created on first use (under a lock, so parallel tests can share it).
# Without $DISPLAY the program gets a private Xvfb display through xvfb-run.
# ORNIVEX_LOGPIXELS=<dpi> gives a new prefix that display scale (96, 144, 192, ...),
# as the Display control panel would; give each scale a prefix of its own.
set -uo pipefail
prefix=$1; shift
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

if [ ! -f "$WINEPREFIX/.ornivex-ready" ]; then
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.ornivex-ready" ]; then
    wineboot -i >/dev/null 2>&1
    if [ -n "${ORNIVEX_LOGPIXELS:-}" ]; then
      dword=$(printf '0x%x' "$ORNIVEX_LOGPIXELS")
      wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dword" /f >/dev/null 2>&1
      wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
        /t REG_DWORD /d "$dword" /f >/dev/null 2>&1
    fi
    wineserver -w
    touch "$WINEPREFIX/.ornivex-ready"
  fi
  flock -u 9
  exec 9>&-
fi
# The user's shell folders (Desktop, Documents, ...) are links to $HOME in a new
# prefix; make them real folders inside the prefix so that what the program saves
# on its desktop stays in the build folder.
if [ ! -f "$WINEPREFIX/.ornivex-private-folders" ]; then
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
  touch "$WINEPREFIX/.ornivex-private-folders"
fi

# Windows are not handed to an X window manager (Xvfb has none): Wine draws their
# frames itself and does not wait for a manager when one is hidden or destroyed.
if [ ! -f "$WINEPREFIX/.ornivex-unmanaged" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.ornivex-unmanaged"
fi

# The prefix's server, and the system processes (services, devices) that its first
# program brings up, live as long as any program of the prefix runs, and keep the
# standard error that first program was given. When that was a test's, the test
# runner, which waits for the end of a test's output, went on waiting after the test
# had passed and ended: until the whole prefix had been idle for a while, which in a
# parallel run of tests sharing it may not happen before the test's time-out. So they
# are started here, with nothing of the caller's, and stay 10 s after the last program.
start_prefix_quietly() {
  exec 8>"$WINEPREFIX.lock"
  flock 8
  if wineserver -p10 </dev/null >/dev/null 2>&1; then
    wine cmd /c exit </dev/null >/dev/null 2>&1
  fi
  flock -u 8
  exec 8>&-
}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1200x24" bash -c "$(declare -f start_prefix_quietly); start_prefix_quietly; exec wine \"\$@\"" wine-run "$@"
fi
start_prefix_quietly
exec wine "$@"
