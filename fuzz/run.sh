#!/bin/sh
# Builds the tree-file fuzz target with clang and runs it.
# usage: fuzz/run.sh [seconds, default 60] [build folder, default $TMPDIR/boxgraph-fuzz]
# New inputs go to <build>/corpus; the committed seeds in fuzz/corpus stay as they are.
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
build=${2:-${TMPDIR:-/tmp}/boxgraph-fuzz}

CC=clang CXX=clang++ cmake -S "$here/.." -B "$build" -DBOXGRAPH_FUZZ=ON -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_HOSTLESS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target treeReadFuzz
mkdir -p "$build/corpus"
exec "$build/fuzz/treeReadFuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -dict="$here/tree.dict" -print_final_stats=1 "$build/corpus" "$here/corpus"
