#!/usr/bin/env bash
# Measures the symbol on the reference host (Release build with the benchmarks, in build/bench/).
#
# Usage: run-bench.sh                          the measurements 1 to 3 below
#        run-bench.sh --google [BENCH ARGS...] 1 to 3, then the Google Benchmark cases
#        run-bench.sh --peer                   only the FreeCAD peer comparison (4)
#
#   1. `checkvalve bench --json` of the built-in samples: docs/bench.json, docs/bench.csv, docs/bench.png;
#   2. the whole gallery with 1 and 2 jobs: wall time, parts per second and peak memory;
#   3. /api/export?format=glb latency and throughput of `checkvalve serve` (bench/serve_export.mjs), and
#      its connection load: 5,000 idle and 1,000 slow connections held open while GET and /api/evaluate are
#      timed (p50/p99) and the server's memory read (bench/connection_load.mjs, LOAD_SECONDS, default 20);
#      and the configurator in Chromium: from a face-to-face edit to the new model drawn, every sample part
#      (bench/configurator.mjs; median and p95);
#   3a. what the server holds back: memory of 16 slow range readers of a 256 MiB file, a sane build right
#      after a left 292 m build, a 292 m build under --time-limit 0.2, and TMPDIR after 1,000 cancelled
#      STEP exports and a stop (bench/serve_limits.py);
#   3b. the gallery on a Dask LocalCluster of 1 and 2 workers against `checkvalve gallery --jobs 1|2`
#      (bench/dask_gallery.py; DASK_PARTS parts, default 2000, renamed copies of the samples);
#   3c. the incremental gallery: the same catalogue again and one part changed against the cold run
#      (bench/incremental_gallery.py; INCREMENTAL_PARTS parts, default 1000);
#   with --google, the Google Benchmark cases as well (any further arguments go to the benchmark binary,
#      e.g. --benchmark_filter=Evaluate/);
#   4. with --peer, every sample part's shapes built by a FreeCAD Part script (bench/peer/freecad_shapes.py,
#      Debian's freecad-python3, installed by this mode only) against our evaluation of the part, both
#      aspects on the same CPU-time clock: a table per part and family, docs/peer.csv and docs/peer.json.
# REPEAT (default 20) sets the timed evaluations per part and mode (and the peer's rounds).
# CHECKVALVE=path measures that Release binary instead of building one (not with --google, which needs
# the benchmark program of the build).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=all
case "${1:-}" in
  "") ;;
  --google) mode=google; shift ;;
  --peer)
    mode=peer; shift
    [ $# -eq 0 ] || { echo "run-bench: --peer takes no further arguments" >&2; exit 2; }
    ;;
  *) echo "run-bench: unknown argument '$1' (usage: run-bench.sh [--google [BENCH ARGS...] | --peer])" >&2; exit 2 ;;
esac

if [ "$mode" = peer ]; then
  bash scripts/install-deps.sh freecad
else
  bash scripts/install-deps.sh plot
fi
build=build/bench
if [ -n "${CHECKVALVE:-}" ]; then
  [ "$mode" != google ] || { echo "run-bench: --google needs the build's benchmark program; unset CHECKVALVE" >&2; exit 2; }
  [ -x "$CHECKVALVE" ] || { echo "run-bench: CHECKVALVE=$CHECKVALVE is not an executable" >&2; exit 2; }
  checkvalve=$CHECKVALVE
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTCV_BENCH=ON -DTCV_TESTS=OFF >/dev/null
  cmake --build "$build" --target checkvalve tcv_bench tcv_python -- -j2
  checkvalve=$build/src/checkvalve
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [ "$mode" = peer ]; then
  # Ours: the median CPU time of each aspect with kernel geometry built. The peer: the reports of both
  # aspects, every output built again with FreeCAD (after a check that the shapes match the reports).
  "$checkvalve" bench --repeat "${REPEAT:-20}" --json > "$scratch/ours.json"
  mkdir -p "$scratch/reports"
  "$checkvalve" samples --json |
    /usr/bin/python3 -c 'import json, sys; print("\n".join(p["name"] for p in json.load(sys.stdin)["parts"]))' |
    while read -r sample; do
      "$checkvalve" eval --sample "$sample" --aspect both --json > "$scratch/reports/$sample.json"
    done
  # A part whose shapes do not match is listed, left untimed and shown as "shape mismatch" (exit 1).
  /usr/bin/python3 bench/peer/freecad_shapes.py --rounds "${REPEAT:-20}" --json "$scratch/peer.json" \
    "$scratch"/reports/*.json || [ -s "$scratch/peer.json" ]
  mkdir -p docs
  /usr/bin/python3 bench/peer/compare.py "$scratch/ours.json" "$scratch/peer.json" docs/peer.csv docs/peer.json
  exit 0
fi

mkdir -p docs
"$checkvalve" bench --repeat "${REPEAT:-20}" --json > docs/bench.json
bash scripts/bench-chart.sh docs/bench.json docs
jq -r '.summary | "samples: \(.parts) parts, median Physical+Insulation \(.median_physical_insulation_us) us, " +
  "worst \(.worst_part) \(.worst_physical_insulation_us) us, record-only \(.record_only_share * 1000 | round / 10)% of the built time"' \
  docs/bench.json

parts=$(jq '.parts | length' docs/bench.json)
for jobs in 1 2; do
  log=$scratch/time-$jobs.txt
  if [ -x /usr/bin/time ]; then
    # --force: every part rendered, though the folder holds the previous run's gallery.
    /usr/bin/time -v "$checkvalve" gallery "$scratch/gallery" --jobs "$jobs" --force > /dev/null 2> "$log" ||
      echo "gallery --jobs $jobs: some parts failed (see checkvalve gallery)"
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log" |
      awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$log")
    echo "gallery --jobs $jobs: ${wall} s wall, ${cpu} s CPU," \
      "$(awk -v p="$parts" -v w="$wall" 'BEGIN { printf "%.1f", p / w }') parts/s, peak memory $((peak / 1024)) MB"
  else
    start=$(date +%s.%N)
    "$checkvalve" gallery "$scratch/gallery" --jobs "$jobs" --force > /dev/null 2>&1 || echo "gallery --jobs $jobs: some parts failed"
    wall=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
    echo "gallery --jobs $jobs: ${wall} s, $(awk -v p="$parts" -v w="$wall" 'BEGIN { printf "%.1f", p / w }') parts/s (install 'time' for peak memory)"
  fi
done

# The configurator's rebuild: /api/export?format=glb of every sample part through `checkvalve serve` on
# loopback, with one client and with four at once (latency p50/p95 and throughput).
if command -v node >/dev/null; then
  node bench/serve_export.mjs "$checkvalve" "${SERVE_REPEAT:-10}"
  # 6,000 connections need as many descriptors in this process; the server raises its own limit.
  (ulimit -n "$(ulimit -Hn)" && node bench/connection_load.mjs "$checkvalve" 5000 1000 "${LOAD_SECONDS:-20}")
  # The configurator in Chromium: every sample part, five +5% face-to-face edits each, from the input
  # event to the new model drawn (median and p95; needs `npm ci --prefix viewer` and Debian's chromium).
  if [ -d viewer/node_modules/playwright-core ] && [ -x "${CHROMIUM:-/usr/bin/chromium}" ]; then
    node bench/configurator.mjs "$checkvalve" 5
  else
    echo "configurator: playwright-core or chromium missing, not measured (npm ci --prefix viewer; install-deps.sh browser)"
  fi
else
  echo "serve export: node not found, not measured"
fi

# What the server holds back: slow range readers' memory, slots after left builds, scratch after
# cancelled STEP exports (bench/serve_limits.py; SCRATCH_EXPORTS, default 1000).
python3 bench/serve_limits.py "$checkvalve" --scratch-exports "${SCRATCH_EXPORTS:-1000}"

# The gallery on Dask: the overhead of a LocalCluster against the command line's threads.
if [ -d "$build/python/tarncheckvalve" ] && /usr/bin/python3 -c "import distributed" 2>/dev/null; then
  PYTHONPATH=$build/python /usr/bin/python3 bench/dask_gallery.py --checkvalve "$checkvalve" \
    --parts "${DASK_PARTS:-2000}" --jobs 1 2 --workers 1 2
else
  echo "dask gallery: no Python module in $build or no python3-distributed, not measured"
fi

# The incremental gallery: cold, unchanged and one-part-changed runs into one folder, and the keying's
# share of the cold run (bench/incremental_gallery.py; INCREMENTAL_PARTS parts, default 1000).
python3 bench/incremental_gallery.py --checkvalve "$checkvalve" --parts "${INCREMENTAL_PARTS:-1000}" --jobs 2

if [ "$mode" = google ]; then
  "$build/bench/tcv_bench" "$@"
fi
