#!/usr/bin/env bash
# Builds a release configuration and runs the subshift benchmarks: our
# construction, OpenFst (construction and Determinize) and the scanning build
# on the same inputs, with medians of the given number of repetitions; then
# our construction alone on chains of up to 1e7 vertices and on random graphs
# with a symbol per vertex. The largest input takes about 2 GB; the run is
# capped at 8 GB of address space.
# Usage: bench/subshift/run.sh [repetitions]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
reps=${1:-3}
build=$root/build/bench
"$root/scripts/install-deps.sh" bench
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBOXGRAPH_BENCH=ON -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_HOSTLESS=OFF
ulimit -v 8000000
"$build/bench/subshift/subshift_bench" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true 2>&1 | grep -v '_mean\|_stddev\|_cv'
