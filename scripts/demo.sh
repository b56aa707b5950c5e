#!/usr/bin/env bash
# Installs what is missing, builds the Octave MEX files only and runs the
# worked analyses: the Henon map (summary, henon-covering.png,
# henon-morse.png, henon-measure.png and henon-unstable.png in build/demo)
# and the logistic map (summary, logistic-density.png). examples/lorenz.m is
# left out: it would double the time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh demo
mkdir -p build/demo
scripts/build.sh build/octave -DBOXGRAPH_HOSTLESS=OFF
octave-cli --no-history --no-init-file --path build/octave/octave --path examples \
  --eval "henon('build/demo'); logistic('build/demo');"
