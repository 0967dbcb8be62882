#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan + UBSan, build/fuzz)
# and runs each for a bounded time, one after the other.
#   usage: scripts/fuzz.sh [seconds-per-target] [target...]
# Corpora are kept in build/fuzz/corpus/<target> so later runs go on from them;
# crashes, leaks and time-outs land in build/fuzz/findings/<target>.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-60}
shift || true
targets=("$@")

# Small pictures of every kind the decoders read, as the first corpus of the
# picture fuzzer (made with ImageMagick; a corpus that has files is left alone).
seed_pictures() { # folder
  local d=$1
  [ -n "$(ls -A "$d" 2>/dev/null)" ] && return 0
  command -v convert >/dev/null || return 0
  convert -size 7x5 gradient:red-blue "$d/rgb.png"
  convert -size 6x4 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel "$d/rgba.png"
  convert -size 9x3 gradient:red-blue -colors 4 "PNG8:$d/palette.png"
  convert -size 8x8 gradient:white-black -colorspace gray "$d/gray.png"
  convert -size 16x9 gradient:red-blue -quality 80 "$d/baseline.jpg"
  convert -size 16x9 gradient:red-blue -interlace Plane "$d/progressive.jpg"
  convert -size 9x9 gradient:white-black -colorspace gray "$d/gray.jpg"
  convert -size 5x3 gradient:red-blue "BMP3:$d/rgb24.bmp"
  convert -size 5x3 gradient:red-blue -colors 8 -type palette "BMP3:$d/palette.bmp"
  convert -size 12x6 gradient:red-blue -colors 8 -type palette -compress RLE "BMP3:$d/rle8.bmp"
  convert -size 5x3 gradient:red-blue -alpha set "BMP:$d/bitfields32.bmp"
  convert -size 5x3 gradient:red-blue -define bmp:subtype=RGB565 "BMP:$d/rgb565.bmp"
  convert -size 9x4 gradient:white-black -monochrome "BMP3:$d/mono.bmp"
  convert -size 5x3 gradient:red-blue "BMP2:$d/core.bmp"
}

# The BMP pictures without their file header, behind the byte that says "bitmap".
seed_bitmaps() { # folder
  local d=$1 tmp
  [ -n "$(ls -A "$d" 2>/dev/null)" ] && return 0
  command -v convert >/dev/null || return 0
  tmp=$(mktemp -d)
  convert -size 5x3 gradient:red-blue "BMP3:$tmp/rgb24.bmp"
  convert -size 5x3 gradient:red-blue -colors 8 -type palette "BMP3:$tmp/palette.bmp"
  convert -size 5x3 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel "BMP:$tmp/argb32.bmp"
  convert -size 5x3 gradient:red-blue -define bmp:subtype=RGB565 "BMP:$tmp/rgb565.bmp"
  for f in "$tmp"/*.bmp; do
    { printf '\0'; tail -c +15 "$f"; } >"$d/$(basename "$f" .bmp).dib"
  done
  rm -rf "$tmp"
}

cmake --preset fuzz >/dev/null || exit 1
# Every target the fuzz build defines (fuzz/CMakeLists.txt lists them) unless told.
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < build/fuzz/fuzzers.txt
cmake --build build/fuzz -j2 --target "${targets[@]}" || exit 1

failed=0
total=0
printf '%-22s %12s %8s  %s\n' target executions seconds result
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  findings=build/fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  [ "$t" = fuzz_pictures ] && seed_pictures "$corpus"
  [ "$t" = fuzz_cloud_picture ] && seed_pictures "$corpus"
  [ "$t" = fuzz_pasted_bitmap ] && seed_bitmaps "$corpus"
  log=build/fuzz/$t.log
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    build/fuzz/fuzz/$t "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
      -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  secs=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$log" | awk '{print $5}')
  if [ $rc -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $rc, see $log and $findings)"
    failed=$((failed + 1))
  fi
  printf '%-22s %12s %8s  %s\n' "$t" "${runs:-?}" "${secs:-?}" "$result"
  total=$((total + ${runs:-0}))
done
printf '%-22s %12s\n' "all" "$total"
[ "$failed" -eq 0 ]
