#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour sanitizers) and runs each
# for a bounded time from its seed corpus, after replaying the inputs kept in fuzz/regressions/.
# Exits non-zero on any crash, hang, leak or sanitizer report; the input that caused it is kept in
# build/fuzz/findings/.
#
#   scripts/run-fuzz.sh [SECONDS_PER_TARGET]    (default 40)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-40}
root=$PWD
build=build/fuzz
targets=(catalog catalog_csv symbol datafile)

bash scripts/install-deps.sh
start=$(date +%s)
# Paths relative to the checkout, so that a fresh clone in another folder finds its compilations cached.
export CCACHE_BASEDIR=$root
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTCV_FUZZ=ON -DTCV_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"
echo "run-fuzz: built in $(($(date +%s) - start)) s"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
findings=$build/findings
mkdir -p "$findings"
status=0
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  work=$build/corpus/$target
  mkdir -p "$work"
  log=$build/fuzz_$target.log
  # The kept regressions first: each must pass as it is.
  if [ -d "fuzz/regressions/$target" ] && [ -n "$(ls -A "fuzz/regressions/$target")" ]; then
    if ! "$binary" -rss_limit_mb=4096 -timeout=20 "fuzz/regressions/$target"/* >"$log.regressions" 2>&1; then
      echo "run-fuzz: $target: a kept regression fails again:"
      tail -n 40 "$log.regressions"
      status=1
      continue
    fi
  fi
  # New inputs go to the scratch corpus; the seeds in fuzz/corpus/ are only read.
  if "$binary" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=20 \
    -artifact_prefix="$findings/$target-" -print_final_stats=1 >"$log" 2>&1; then
    runs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    echo "run-fuzz: $target: $runs runs in $seconds s, no fault"
  else
    echo "run-fuzz: $target: FAULT (input kept in $findings/):"
    grep -vE '^(#[0-9]+|\s*NEW_FUNC|INFO:|")' "$log" | tail -n 60
    status=1
  fi
done
echo "run-fuzz: done in $(($(date +%s) - start)) s"
exit $status
