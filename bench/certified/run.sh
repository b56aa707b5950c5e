#!/usr/bin/env bash
# Certified results: the logistic family's entropy bounds against the
# kneading determinant (an independent reference in 400-digit arithmetic,
# Python's mpmath), and the Henon map's outer coverings, entropy bound and
# interval-mode speed beside sampled mode.
# Usage: bench/certified/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" demo bench
"$root/scripts/build.sh" "$root/build/octave" -DBOXGRAPH_HOSTLESS=OFF > /dev/null
here="$root/bench/certified"
rs="3.6 3.7 3.8 3.83 3.9 4"
reference=$(python3 "$here/kneading.py" $rs | tr '\n' ';')
echo "$(nproc) cores ($(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)), $(date -u +%Y-%m-%d)"
# The subset constructions stay far below this; more is a fault.
ulimit -v 8000000
cd "$here"
octave-cli --no-gui --no-init-file --no-window-system --path "$root/build/octave/octave" \
  --eval "logistic_bound ([$reference]); henon_outer"
