#!/usr/bin/env bash
# The whole attractor computation to depth 24, with the tree and with a
# vectorised Octave version on a uniform grid, on the same samples.
# Usage: bench/attractor/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" demo
"$root/scripts/build.sh" "$root/build/octave" -DBOXGRAPH_HOSTLESS=OFF > /dev/null
cd "$root/bench/attractor"
octave-cli --no-gui --no-init-file --no-window-system --path "$root/build/octave/octave" \
  --eval "attractor_bench"
