#!/usr/bin/env bash
# Installs what is missing, builds the Octave modules and runs the Henon demo,
# which prints a summary and writes henon.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
mkdir -p build
scripts/build.sh build/b64
octave-cli --no-history --no-init-file --path build/b64/octave --path examples \
  --eval "henon_demo('henon.png')"
