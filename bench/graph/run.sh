#!/usr/bin/env bash
# Builds and runs the graph benchmarks and prints medians and ratios:
# strongcomp and cyclereach beside Boost.Graph, SciPy and the streaming floor.
# Usage: bench/graph/run.sh [repetitions]   (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
reps=${1:-5}
build=$root/build/bench
"$root/scripts/install-deps.sh" bench
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBOXGRAPH_BENCH=ON -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_HOSTLESS=OFF
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/graph/graph_bench" --dump "$work"
/usr/bin/python3 "$root/bench/graph/scipy_scc.py" "$work" "$reps" > "$work/scipy.json"
"$build/bench/graph/graph_bench" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_format=json > "$work/native.json"
/usr/bin/python3 "$root/bench/graph/report.py" "$work/native.json" "$work/scipy.json"
