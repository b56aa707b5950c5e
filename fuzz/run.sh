#!/bin/sh
# Builds the fuzz targets with clang and runs them, one after another.
# usage: fuzz/run.sh [seconds per target, default 60] [build folder, default $TMPDIR/boxgraph-fuzz]
#                    [target ...]
# Targets: treeRead (the tree-file reader) and one per module of modules.mk
# (strongcomp, cyclereach, subshift, tree_, treeupdate, treeprops, treeops);
# none or "all" runs them all. Each starts from its committed seeds in
# fuzz/corpus/<target>, which stay as they are; new inputs go to
# <build>/corpus/<target>, crashing inputs to <build>/artifacts. A summary
# line per target ("fuzz <target>: ok, N runs, coverage C") follows its
# output; the status is 0 when every target ran without a finding.
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
build=${2:-${TMPDIR:-/tmp}/boxgraph-fuzz}
[ $# -gt 2 ] && shift 2 || set --
modules=$(sed -n 's/^MODULES *= *//p' "$here/../modules.mk")
targets=${*:-all}
[ "$targets" = all ] && targets="treeRead $modules"

mkdir -p "$build"
build=$(cd "$build" && pwd)
CC=clang CXX=clang++ cmake -S "$here/.." -B "$build" -DBOXGRAPH_FUZZ=ON -DBOXGRAPH_OCTAVE=OFF \
    -DBOXGRAPH_HOSTLESS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build/configure.log"
names=
for t in $targets; do names="$names ${t}Fuzz"; done
cmake --build "$build" -j2 --target $names

status=0
mkdir -p "$build/artifacts"
for t in $targets; do
    mkdir -p "$build/corpus/$t"
    dict=
    maxlen=4096
    [ "$t" = treeRead ] && dict="-dict=$here/tree.dict" && maxlen=8192
    log="$build/$t.log"
    if "$build/fuzz/${t}Fuzz" -max_total_time="$seconds" -max_len=$maxlen -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" $dict \
        "$build/corpus/$t" "$here/corpus/$t" > "$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        cov=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed 's/.*cov: \([0-9]*\).*/\1/')
        echo "fuzz $t: ok, $runs runs, coverage $cov"
    else
        status=1
        tail -n 60 "$log"
        echo "fuzz $t: FAILED (log $log, input in $build/artifacts)"
    fi
done
exit $status
