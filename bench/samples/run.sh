#!/usr/bin/env bash
# The default samples of attractor and transitions against the former fixed
# grids: boxes, orbit points missed, CPU and wall seconds (Henon, Ikeda and
# Lorenz maps). Takes about 15 minutes of one core.
# Usage: bench/samples/run.sh [orbit points]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" demo
mkdir -p "$root/build"
"$root/scripts/build.sh" "$root/build/octave" -DBOXGRAPH_HOSTLESS=OFF > /dev/null
cd "$root/bench/samples"
octave-cli --no-gui --no-init-file --no-window-system --path "$root/build/octave/octave" \
  --eval "samples_bench (${1:-1e6})"
