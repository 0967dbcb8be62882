#!/usr/bin/env bash
# Runs the benchmark programs of bench/ and prints their figures, each benchmark
# headed by its goals.
#   usage: scripts/bench.sh [--list] [name...]
# With no name it runs every benchmark; --list shows the names and goals. It
# builds what the named benchmarks need (the Windows ones in build/local, or in
# ORNIVEX_BENCH_BUILD_DIR; the pure ones natively in build/native), starts the
# loopback stand-ins on that build's ports and a private Xvfb display (the current
# one instead when ORNIVEX_KEEP_DISPLAY is set and DISPLAY given), runs each
# benchmark under Wine or natively, and stops what it started.
# On a shared machine the figures are noisy: the load average is printed before
# each benchmark; compare figures taken at a low load.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# name|where it runs (wine, native, or script: bench/<...>/run.sh of that name)|what it needs|its goals
benchmarks=(
  "app_startup_bench|wine|standins|from process creation to the skinned window painted at most 1.3 times the bare window's time, from entry at most 1.15 times; working set at the end of the first paint at most 6 MB over the bare window's"
  "app_ocr_bench|wine|standins|longest stretch without a dispatched message during a chain under 30 ms; filling the result box with 2,000 lines under 200 ms"
  "app_upload_memory_bench|wine|standins|peak memory of the chain for a 200 MB picture at most 1.5 times the file plus 20 MB"
  "app_soak_bench|wine|standins|from chain 100 to 1,000: private bytes at most 1 MB more, no more handles, GDI objects or threads; longest UI gap under 30 ms (takes about 10 minutes)"
  "app_soak_local_bench|wine||the built-in engine reading the sample 100 times through the main window: from the tenth reading to the last, private bytes and working set at most 1 MB more, no more handles, GDI objects or threads"
  "app_trim_bench|wine||none: what empty.exe and TrimWorkingSet achieve here"
  "bench_http_engine|wine||each engine at least 0.5 of plain Winsock's throughput, growing linearly from 8 to 64 MB; the flat engine at least 0.9 of WinHttp used alone, the COM engine at least 0.9 of the request object used alone"
  "bench_http_codepage|wine||none: conversion throughput beside memcpy's"
  "bench_http_text|native||time per byte flat from 1 KB to 4 MB"
  "gfx_bench|wine||a wrapped call at most 1.10 times the direct flat call"
  "skin_window_bench|wine||FullPaint at most 1.5 times a plain GDI+ stretch-draw; RefreshPaint and one fade frame under 1 ms; no timer ticks once a fade has ended"
  "skin_families_bench|wine||one paint of each control family under 2 ms"
  "capture_bench|wine|standins|from the start of a capture (the module alone, then the capture key pressed in the main window) to the overlay painted at 1920x1200 at most 150 ms; a drag frame under 16 ms; from the release to the chain started at most 100 ms; after 100 captures (alone, then through the window to their text) no more handles, GDI or USER objects or threads than after 10, private bytes within 1 MB"
  "ocr_corpus_bench|script||accuracy over the corpus at least 97 %, on clean pages at least 99 %, above the reference pipeline's; under Wine at most 1.3 times the native runtime's model time and faster than the reference; the sample at most 0.5 s once the engine is made, the full-HD screenshot at most 2 s, making the engine at most 1 s (takes about 15 minutes)"
  "ocr_memory_bench|wine||working set and private bytes after the first, tenth and hundredth reading of the sample by the built-in engine: no growth after the tenth"
  "ocr_engine_bench|both||the built-in OCR engine under Wine: model time at most 1.3 times the same runtime's natively (run first); making the engine at most 1 s, the sample at most 0.5 s once made, a full-HD screenshot at most 2 s"
)

field() { # entry index
  cut -d'|' -f"$2" <<<"$1"
}

entry_of() { # name
  local entry
  for entry in "${benchmarks[@]}"; do
    [ "$(field "$entry" 1)" = "$1" ] && { echo "$entry"; return 0; }
  done
  return 1
}

if [ "${1:-}" = "--list" ]; then
  for entry in "${benchmarks[@]}"; do
    printf '%-24s %-7s goal: %s\n' "$(field "$entry" 1)" "$(field "$entry" 2)" "$(field "$entry" 4)"
  done
  exit 0
fi

selected=()
if [ $# -eq 0 ]; then
  for entry in "${benchmarks[@]}"; do selected+=("$entry"); done
else
  for name in "$@"; do
    entry=$(entry_of "$name") || { echo "bench: no benchmark named $name (see --list)" >&2; exit 2; }
    selected+=("$entry")
  done
fi

wine_targets=(); native_targets=(); needs_standins=
for entry in "${selected[@]}"; do
  case $(field "$entry" 2) in
    wine) wine_targets+=("$(field "$entry" 1)") ;;
    native) native_targets+=("$(field "$entry" 1)") ;;
    script) ;;  # builds what it needs itself
    both) wine_targets+=("$(field "$entry" 1)"); native_targets+=("$(field "$entry" 1)") ;;
  esac
  [ "$(field "$entry" 3)" = standins ] && needs_standins=1
done

bash scripts/setup.sh >/dev/null || { echo "bench: set-up failed (run scripts/setup.sh)" >&2; exit 1; }

build=${ORNIVEX_BENCH_BUILD_DIR:-$here/build/local}
case "$build" in /*) ;; *) build=$here/$build ;; esac
native=$here/build/native
jobs=$(nproc)
if [ ${#wine_targets[@]} -gt 0 ]; then
  echo "== building ${wine_targets[*]} ($build)"
  cmake --preset local -B "$build" >/dev/null &&
    cmake --build "$build" -j "$jobs" --target "${wine_targets[@]}" >"$build/bench-build.log" 2>&1 ||
    { tail -n 40 "$build/bench-build.log"; exit 1; }
fi
if [ ${#native_targets[@]} -gt 0 ]; then
  echo "== building ${native_targets[*]} ($native)"
  cmake --preset native >/dev/null &&
    cmake --build --preset native -j "$jobs" --target "${native_targets[@]}" >"$native/bench-build.log" 2>&1 ||
    { tail -n 40 "$native/bench-build.log"; exit 1; }
fi

# What the script starts, it stops.
. scripts/xvfb.sh
standins=$build/bench-standins
cleanup() {
  [ -n "$needs_standins" ] && bash tests/e2e/standins_fixture.sh stop "$standins"
  [ ${#wine_targets[@]} -gt 0 ] && WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null
  ornivex_stop_display
}
trap cleanup EXIT
if [ ${#wine_targets[@]} -gt 0 ]; then
  ornivex_start_display || exit 1
fi
if [ -n "$needs_standins" ]; then
  . "$build/standins.env"
  bash tests/e2e/standins_fixture.sh start "$standins" "$OCR_PORT" "$IMAGE_PORT" || exit 1
fi

program_of() { # name where
  local found
  if [ "$2" = script ]; then
    case $1 in ocr_corpus_bench) found=$here/bench/ocr/run.sh ;; esac
  elif [ "$2" = native ]; then
    found=$(find "$native/bench" -name "$1" -type f -perm -u+x | head -n 1)
  else
    found=$(find "$build/bench" -name "$1.exe" -type f | head -n 1)
  fi
  echo "$found"
}

# Pictures for the OCR engine's benchmark: ORNIVEX_OCR_PICTURES, a list of paths
# separated by colons (the sample when unset).
ORNIVEX_BENCH_PICTURES=()
[ -n "${ORNIVEX_OCR_PICTURES:-}" ] && IFS=: read -r -a ORNIVEX_BENCH_PICTURES <<<"$ORNIVEX_OCR_PICTURES"

failed=()
for entry in "${selected[@]}"; do
  name=$(field "$entry" 1); where=$(field "$entry" 2)
  echo
  echo "== $name ($where)"
  echo "   goal: $(field "$entry" 4)"
  echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  if [ "$where" = both ]; then
    # The native floor first, then the same program under Wine.
    native_program=$(program_of "$name" native)
    [ -n "$native_program" ] && "$native_program" "${ORNIVEX_BENCH_PICTURES[@]}"
    where=wine
  fi
  program=$(program_of "$name" "$where")
  if [ -z "$program" ]; then
    echo "   (not built in this configuration)"
    failed+=("$name")
    continue
  fi
  if [ "$where" = script ]; then
    ORNIVEX_BENCH_BUILD_DIR=$build bash "$program"
  elif [ "$where" = native ]; then
    "$program"
  else
    bash scripts/wine-run.sh "$build/wineprefix" "$program" "${ORNIVEX_BENCH_PICTURES[@]}"
  fi
  status=$?
  if [ $status -ne 0 ]; then
    echo "   $name ended with status $status"
    failed+=("$name")
  fi
done

echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "bench: ${#failed[@]} of ${#selected[@]} did not complete: ${failed[*]}"
  exit 1
fi
echo "bench: ${#selected[@]} benchmark(s) run"
