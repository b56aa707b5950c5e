#!/usr/bin/env bash
# Configures and builds one flavour of boxgraph.
# Usage: scripts/build.sh <build dir> [cmake options...]
set -euo pipefail
dir=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$dir"  # its configure log goes beside it, so its parent must exist first
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir.configure.log" 2>&1 \
  || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j"$(nproc)"
