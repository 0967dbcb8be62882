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
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_text_between fuzz_text_before fuzz_merge_cookies fuzz_join_distinct fuzz_url_decode fuzz_base64)
fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build build/fuzz -j2 --target "${targets[@]}" || exit 1

failed=0
printf '%-22s %12s %8s  %s\n' target executions seconds result
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  findings=build/fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  log=build/fuzz/$t.log
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    build/fuzz/fuzz/$t "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
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
done
[ "$failed" -eq 0 ]
