#!/usr/bin/env bash
# The program's whole job, end to end: opens the local build of Ornivex.exe
# under Wine, has tools/e2e/drive.py drag the window by its caption, edges and
# corner (it moves, and keeps its size), choose the picture, wait for the result
# and save it, prints the recognised text and the screenshot's path, and stops
# everything it started. The built-in engine reads the picture, with nothing on
# the network; with ORNIVEX_ENGINE=cloud the loopback stand-ins of the OCR
# service and the image host are started and the program uses them.
#   usage: tools/e2e/run_job.sh [PICTURE]
# Without a picture it uses the bundled sample (resources/sample/sample.png) and
# reports the character accuracy against its known lines; a picture made by
# render_sample.sh is checked against the .txt written beside it.
# Settings (environment): ORNIVEX_BUILD (build folder of the local preset,
# default build/local; its standins.env names the stand-ins' ports),
# ORNIVEX_EXE, ORNIVEX_ENGINE (local, the default, or cloud), ORNIVEX_RESULTS
# (where the program is staged and the screenshot and the stand-ins' request
# record go, default $ORNIVEX_BUILD/e2e), ORNIVEX_STANDINS_ARGS
# (more options for standins/standins.py), LANG (default zh_CN.UTF-8). Uses
# $DISPLAY when set, otherwise a private Xvfb display.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${ORNIVEX_BUILD:-$here/build/local}
exe=${ORNIVEX_EXE:-$build/app/Ornivex.exe}
results=${ORNIVEX_RESULTS:-$build/e2e}
engine=${ORNIVEX_ENGINE:-local}
prefix=$build/wineprefix
export LANG=${LANG:-zh_CN.UTF-8}
[ "$LANG" = C ] || [ "$LANG" = POSIX ] && export LANG=zh_CN.UTF-8
export LC_ALL=$LANG

picture=${1:-$here/resources/sample/sample.png}
if [ ! -f "$picture" ]; then echo "run_job: no picture at $picture" >&2; exit 1; fi
picture=$(cd "$(dirname "$picture")" && pwd)/$(basename "$picture")
expected=
[ -f "${picture%.*}.txt" ] && expected=${picture%.*}.txt
if [ ! -f "$exe" ]; then
  echo "run_job: $exe not built (cmake --preset local && cmake --build --preset local)" >&2
  exit 1
fi
mkdir -p "$results"
rm -rf "$results/requests"

. "$here/scripts/xvfb.sh"
standins_pid= program_pid=
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  if [ -n "$standins_pid" ]; then
    kill -TERM "$standins_pid" 2>/dev/null
    wait "$standins_pid" 2>/dev/null
  fi
  ornivex_stop_display
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  ornivex_start_display || exit 1
fi

# The program runs from a folder of its own, with the engine's files of the
# build beside it and an Ornivex.ini that chooses the engine, so nothing is left
# beside the build's Ornivex.exe.
stage=$results/program
rm -rf "$stage"
mkdir -p "$stage"
cp "$exe" "$stage/Ornivex.exe"
[ -d "$(dirname "$exe")/ocr" ] && ln -s "$(cd "$(dirname "$exe")/ocr" && pwd)" "$stage/ocr"
printf '[ocr]\r\nengine=%s\r\n' "$engine" > "$stage/Ornivex.ini"
exe=$stage/Ornivex.exe

args=("$picture" --prefix "$prefix" --screenshot "$results/screenshot.png" --window-checks)
[ -n "$expected" ] && args+=(--expected "$expected")
if [ "$engine" = cloud ]; then
  # The stand-ins on the ports the local build was configured with (the build
  # folder's standins.env). ORNIVEX_STANDINS_ARGS adds options, e.g. "--compact"
  # or "--token-delay 5".
  if [ ! -f "$build/standins.env" ]; then
    echo "run_job: $build/standins.env missing: configure the build with the local preset" >&2
    exit 1
  fi
  . "$build/standins.env"
  # shellcheck disable=SC2086
  python3 "$here/standins/standins.py" --ocr-port "$OCR_PORT" --image-port "$IMAGE_PORT" \
    --record-dir "$results/requests" ${ORNIVEX_STANDINS_ARGS:-} >"$results/standins.log" 2>&1 &
  standins_pid=$!
  for _ in $(seq 1 50); do
    grep -q '^standins: ready' "$results/standins.log" 2>/dev/null && break
    kill -0 "$standins_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q '^standins: ready' "$results/standins.log"; then
    echo "run_job: the stand-ins did not start:" >&2
    cat "$results/standins.log" >&2
    standins_pid=
    exit 1
  fi
  args+=(--record-dir "$results/requests" --image-host "http://127.0.0.1:$IMAGE_PORT")
fi

# The program, in the build's Wine prefix (created on first use).
"$here/scripts/wine-run.sh" "$prefix" "$exe" >"$results/program.log" 2>&1 &
program_pid=$!

echo "-- engine: $engine"
WINEPREFIX=$prefix python3 "$here/tools/e2e/drive.py" "${args[@]}"
rc=$?
[ "$engine" = cloud ] && echo "-- requests the stand-ins received: $results/requests"
exit $rc
