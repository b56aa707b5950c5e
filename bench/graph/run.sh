#!/usr/bin/env bash
# Builds and runs the graph benchmarks and prints medians and ratios:
# strongcomp and cyclereach beside Boost.Graph, SciPy and the streaming floor.
# Each input's peers and ours run one after the other, so that a shared
# machine's load changes as little as possible between them.
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
for name in henon random chain cycle; do
  /usr/bin/python3 "$root/bench/graph/scipy_scc.py" "$work" "$reps" "$name" > "$work/scipy.$name.json"
  "$build/bench/graph/graph_bench" --benchmark_filter="/$name\$" --benchmark_repetitions="$reps" \
    --benchmark_report_aggregates_only=true --benchmark_format=json > "$work/native.$name.json"
done
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
echo "Graph benchmarks, commit $commit, $(nproc) cores ($(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)), $(date -u +%Y-%m-%d), median of $reps"
/usr/bin/python3 "$root/bench/graph/report.py" "$work"
