#!/usr/bin/env bash
# Builds a release configuration and runs the subshift benchmarks: our
# construction, OpenFst (construction and Determinize) and the scanning build
# on the same inputs, with medians of the given number of repetitions.
# Usage: bench/subshift/run.sh [repetitions]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
reps=${1:-3}
build=$root/build/bench
"$root/scripts/install-deps.sh" bench
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBOXGRAPH_BENCH=ON -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_HOSTLESS=OFF
"$build/bench/subshift/subshift_bench" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true 2>&1 | grep -v '_mean\|_stddev\|_cv'
