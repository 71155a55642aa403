#!/usr/bin/env bash
# Measures the symbol on the reference host (Release build with the benchmarks, in build/bench/):
#   1. `checkvalve bench --json` of the built-in samples: docs/bench.json, docs/bench.csv, docs/bench.png;
#   2. the whole gallery with 1 and 2 jobs: wall time, parts per second and peak memory;
#   3. /api/export?format=glb latency and throughput of `checkvalve serve` (bench/serve_export.mjs);
#   4. with --google, the Google Benchmark cases as well (any further arguments go to the benchmark binary,
#      e.g. --benchmark_filter=Evaluate/).
# REPEAT (default 20) sets the timed evaluations per part and mode.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh plot
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_BENCH=ON -DTCV_TESTS=OFF >/dev/null
cmake --build "$build" --target checkvalve tcv_bench -- -j2
checkvalve=$build/src/checkvalve

mkdir -p docs
"$checkvalve" bench --repeat "${REPEAT:-20}" --json > docs/bench.json
bash scripts/bench-chart.sh docs/bench.json docs
jq -r '.summary | "samples: \(.parts) parts, median Physical+Insulation \(.median_physical_insulation_us) us, " +
  "worst \(.worst_part) \(.worst_physical_insulation_us) us, record-only \(.record_only_share * 1000 | round / 10)% of the built time"' \
  docs/bench.json

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
parts=$(jq '.parts | length' docs/bench.json)
for jobs in 1 2; do
  log=$scratch/time-$jobs.txt
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -v "$checkvalve" gallery "$scratch/gallery" --jobs "$jobs" > /dev/null 2> "$log" ||
      echo "gallery --jobs $jobs: some parts failed (see checkvalve gallery)"
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log" |
      awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$log")
    echo "gallery --jobs $jobs: ${wall} s wall, ${cpu} s CPU," \
      "$(awk -v p="$parts" -v w="$wall" 'BEGIN { printf "%.1f", p / w }') parts/s, peak memory $((peak / 1024)) MB"
  else
    start=$(date +%s.%N)
    "$checkvalve" gallery "$scratch/gallery" --jobs "$jobs" > /dev/null 2>&1 || echo "gallery --jobs $jobs: some parts failed"
    wall=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
    echo "gallery --jobs $jobs: ${wall} s, $(awk -v p="$parts" -v w="$wall" 'BEGIN { printf "%.1f", p / w }') parts/s (install 'time' for peak memory)"
  fi
done

# The configurator's rebuild: /api/export?format=glb of every sample part through `checkvalve serve` on
# loopback, with one client and with four at once (latency p50/p95 and throughput).
if command -v node >/dev/null; then
  node bench/serve_export.mjs "$checkvalve" "${SERVE_REPEAT:-10}"
else
  echo "serve export: node not found, not measured"
fi

if [ "${1:-}" = "--google" ]; then
  shift
  "$build/bench/tcv_bench" "$@"
fi
