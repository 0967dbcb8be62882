#!/usr/bin/env bash
# The main job: builds Ornivex, runs Ornivex.exe under Wine with its built-in
# OCR engine and uses it as a person would (click "选择图片", type the
# picture's path into the open-file dialog, wait for the recognised text, click
# "保存结果"), then prints the recognised text, its accuracy against the
# sample's known text and the path of a screenshot, and stops everything it
# started. With --cloud the program uses the cloud path instead, against the
# loopback stand-ins of the OCR service and the image host, which it starts.
#   usage: scripts/run.sh [--cloud] [picture]     (default: resources/sample/sample.png)
# On $DISPLAY when it is set, otherwise on a private Xvfb display.
# It builds in a folder of its own (default build/run; ORNIVEX_BUILD_DIR chooses
# another), whose stand-in ports differ from the test build's, so it can run
# while bash scripts/test.sh does.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
engine=local
if [ "${1:-}" = --cloud ]; then engine=cloud; shift; fi
picture=${1:-$here/resources/sample/sample.png}
case "$picture" in /*) ;; *) picture=$PWD/$picture ;; esac
cd "$here"
build=${ORNIVEX_BUILD_DIR:-build/run}
if [ ! -f "$picture" ]; then echo "run: no picture at $picture" >&2; exit 1; fi

bash scripts/setup.sh || exit 1

echo "== building ($build)"
cmake --preset local -B "$build" >/dev/null && cmake --build "$build" --target Ornivex || exit 1

echo "== choosing $picture in Ornivex${DISPLAY:+ on $DISPLAY}"
case "$build" in /*) ;; *) build=$here/$build ;; esac
ORNIVEX_BUILD=$build ORNIVEX_ENGINE=$engine exec bash tools/e2e/run_job.sh "$picture"
