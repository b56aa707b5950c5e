#!/usr/bin/env bash
# Installs what is missing, builds the Octave MEX files only and runs the
# Henon demo, which prints a summary and writes henon.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh demo
mkdir -p build
scripts/build.sh build/octave -DBOXGRAPH_HOSTLESS=OFF
octave-cli --no-history --no-init-file --path build/octave/octave --path examples \
  --eval "henon_demo('henon.png')"
