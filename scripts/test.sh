#!/usr/bin/env bash
# Installs what is missing, builds every flavour and runs every test:
#   build/b64   64-bit hostless modules and Octave MEX files (with benchmarks built)
#   build/b32   32-bit hostless modules (-m32)
#   build/asan  64-bit hostless modules under AddressSanitizer and UBSan
# then a short fuzzing run of the tree-file reader, when clang is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
mkdir -p build

scripts/build.sh build/b64 -DBOXGRAPH_BENCH=ON
scripts/build.sh build/b32 -DBOXGRAPH_M32=ON
scripts/build.sh build/asan -DBOXGRAPH_SANITIZE=ON

status=0
for flavour in b64 b32 asan; do
  echo "== tests: $flavour"
  ctest --test-dir "build/$flavour" --output-on-failure -j2 || status=1
done
if [ -x fuzz/run.sh ]; then
  echo "== fuzzing the tree-file reader"
  fuzz/run.sh 60 || status=1
fi
exit $status
