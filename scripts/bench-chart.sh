#!/usr/bin/env bash
# Turns the JSON of `checkvalve bench --json` into a CSV table and a PNG chart.
#   bash scripts/bench-chart.sh BENCH.json OUTDIR      writes OUTDIR/bench.csv and OUTDIR/bench.png
# Needs jq and gnuplot (gnuplot-nox); `bash scripts/install-deps.sh plot` installs both.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: bash scripts/bench-chart.sh BENCH.json OUTDIR" >&2
  exit 2
fi
json=$1
out=$2
for tool in jq gnuplot; do
  command -v "$tool" >/dev/null || { echo "bench-chart: $tool is missing (bash scripts/install-deps.sh plot installs it)" >&2; exit 2; }
done
mkdir -p "$out"
csv=$out/bench.csv

{
  echo "part,partDataBasis,physical_us,insulation_us,record_only_us"
  jq -r '.parts[] | [.part, .partDataBasis, .physical_us, .insulation_us, .record_only_us] | @csv' "$json"
} > "$csv"

median=$(jq -r '.summary.median_physical_insulation_us' "$json")
worst=$(jq -r '.summary.worst_part' "$json")
worst_us=$(jq -r '.summary.worst_physical_insulation_us' "$json")
share=$(jq -r '.summary.record_only_share * 100 | . * 10 | round / 10' "$json")
count=$(jq -r '.parts | length' "$json")

# One group of bars per part: Physical and Insulation with kernel geometry, both aspects record-only.
gnuplot <<GNUPLOT
set terminal pngcairo size 1600,760 font "sans,10"
set output "$out/bench.png"
set datafile separator ","
set title "Evaluation time per sample part (median; $count parts; median Physical+Insulation ${median} µs, worst ${worst} ${worst_us} µs, record-only ${share}% of the built time)"
set ylabel "µs (log scale)"
set logscale y
set yrange [1:*]
set grid ytics
set style data histogram
set style histogram clustered gap 1
set style fill solid 0.9 border -1
set boxwidth 0.9
set xtics rotate by 60 right font "sans,8" nomirror
set key top left
set bmargin 16
plot "$csv" using 3:xtic(1) skip 1 title "Physical (B-rep)" lc rgb "#3465a4", \
     "" using 4 skip 1 title "Insulation (B-rep)" lc rgb "#f57900", \
     "" using 5 skip 1 title "both aspects, record-only" lc rgb "#73d216"
GNUPLOT
echo "bench-chart: $csv and $out/bench.png"
