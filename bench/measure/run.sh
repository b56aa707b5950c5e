#!/usr/bin/env bash
# invariantmeasure beside eigs and transitions, and plotboxes beside its
# version before boxes were combined per cell (commit b18c95f), on the
# Henon covering at depth 24, 2^16 logistic intervals and boxes of dimension
# 2, 3 and 6. Usage: bench/measure/run.sh [repetitions] [old]
# With "old" as the second argument, the old plotboxes is timed too (several
# minutes: it paints every pixel of every box's projection).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" demo
"$root/scripts/build.sh" "$root/build/octave" -DBOXGRAPH_HOSTLESS=OFF > /dev/null
old=$(mktemp -d)
trap 'rm -rf "$old"' EXIT
if [ "${2:-}" = old ]; then
  git -C "$root" show b18c95f:inst/plotboxes.m | sed 's/^function plotboxes(/function plotboxes_old(/' > "$old/plotboxes_old.m"
  mkdir "$old/private"
  cp "$root/inst/private/treelevel.m" "$old/private/"
fi
cd "$root/bench/measure"
octave-cli --no-gui --no-init-file --no-window-system --path "$root/build/octave/octave" --path "$old" \
  --eval "measure_bench (${1:-3})"
