#!/usr/bin/env bash
# Mutation testing of the Windows-free code: how many small deliberate faults
# the native tests catch. A tool to run by hand, not part of the test command.
#   usage: scripts/mutate.sh [--seed N] [file...]
#          (paths from the top of the tree; default: every Windows-free source and
#          header. The seed defaults to today's date, YYYYMMDD: each day samples
#          mutants the tests were not written against; give one to repeat a run.)
# Environment: MUTATE_SEED (the seed, as --seed), MUTATE_PER_FILE (mutants sampled per file, 12),
#              MUTATE_LIMIT (least seconds a test program may run, 5; five times
#              what it takes unmutated when that is more).
# Rules: < <=, > >=; == !=; && ||; + - (and += -=); integer constants +1 and -1;
# a removed statement or early exit; std::min std::max. The sample is seeded:
# two runs with one seed make the same mutants. Survivors named in
# scripts/mutate_equivalent.txt (each with why it changes nothing a program can
# tell) are listed apart and the kill rate is given with them set aside too. Each mutant is built in a copy of the tree
# (build/mutate) and run against the test programs built from the mutated file
# only (array bounds are checked there); a mutant that does not build, or makes
# a program outlast the limit, counts as killed. The report lists per file the
# mutants made, killed and survived, the kill rate per library, and every
# survivor as file:line with the line before and after; it is kept in
# build/mutate/report.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seed=${MUTATE_SEED:-$(date +%Y%m%d)}
if [ "${1:-}" = --seed ]; then
  [ -n "${2:-}" ] || { echo "mutate: --seed needs a number" >&2; exit 2; }
  seed=$2
  shift 2
fi
cd "$here"
bash scripts/setup.sh
# clang's Python binding (the mutants come from clang's own parse of each file)
# and lld (each mutant relinks test programs).
for p in python3-clang-14 lld; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p"
  fi
done

work=$here/build/mutate
tree=$work/tree
# The tree as it is now (committed or not), never the working files themselves.
# Only files whose bytes differ are copied: a file put back after its mutants
# keeps the newer time of that, so its mutated objects are rebuilt.
mkdir -p "$tree"
git ls-files -z -co --exclude-standard | grep -zv '^build/' |
  while IFS= read -r -d '' f; do
    [ -f "$f" ] && ! cmp -s "$f" "$tree/$f" && mkdir -p "$tree/$(dirname "$f")" && cp "$f" "$tree/$f"
    true
  done
# Bounds are checked, of arrays and of the standard library's containers and
# views: a mutant that reads or writes past an end stops its program, however
# harmless the stray access happens to be.
checks="-fsanitize=bounds -fno-sanitize-recover=all -D_GLIBCXX_ASSERTIONS"
cmake -S "$tree" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Mutate -DCMAKE_CXX_FLAGS_MUTATE="-O0 $checks" \
  -DCMAKE_C_FLAGS_MUTATE="-O0 $checks" -DCMAKE_EXE_LINKER_FLAGS="-fuse-ld=lld $checks" \
  -DORNIVEX_BUILD_BENCHMARKS=OFF -DCMAKE_PROJECT_INCLUDE="$here/scripts/mutate_pch.cmake" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
# Every program must pass unmutated, or nothing it says about a mutant counts.
if ! ctest --test-dir "$work/build" -j2 -E standins >"$work/baseline.log" 2>&1; then
  tail -n 20 "$work/baseline.log"
  echo "mutate: the native tests fail before any mutation" >&2
  exit 1
fi
/usr/bin/python3 "$here/scripts/mutate.py" --tree "$tree" --build "$work/build" --seed "$seed" \
  --equivalent "$here/scripts/mutate_equivalent.txt" --per-file "${MUTATE_PER_FILE:-12}" \
  --limit "${MUTATE_LIMIT:-5}" "$@" | tee "$work/report.txt"
