#!/usr/bin/env bash
# Builds a release configuration and runs the covering benchmarks on the
# Henon attractor's coverings at depths 16 to 28, printing medians as rates
# and the ratios of search to its arithmetic floor, with peak heap per box.
# Usage: bench/covering/run.sh [repetitions]   (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
reps=${1:-5}
build=$root/build/bench
"$root/scripts/install-deps.sh" bench
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBOXGRAPH_BENCH=ON -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_HOSTLESS=OFF
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The depth-28 covering and its points take about 1 GB; more is a fault.
ulimit -v 6000000
# One process per operation and depth: a heap that earlier benchmarks left
# large and scattered slows every later allocation several times over.
n=0
for group in '(Search|Floor)/[a-z]*' Insert Subdivide Boxes Save Load Attractor; do
  for depth in 16 20 24 28; do
    n=$((n + 1))
    "$build/bench/covering/covering_bench" --benchmark_filter="^$group/$depth\$" \
      --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
      --benchmark_format=json > "$work/covering.$n.json"
  done
done
echo "Henon attractor coverings, $(nproc) cores ($(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)), $(date -u +%Y-%m-%d)"
/usr/bin/python3 "$root/bench/covering/report.py" "$work"/covering.*.json
