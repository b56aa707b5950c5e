#!/usr/bin/env bash
# Line and branch coverage of lib/ and gateway/ by the hostless test suites:
# builds a coverage flavour (gcc --coverage, unoptimised, no Octave), runs its
# tests, and prints gcovr's table of every file of lib/ and gateway/ (its
# lines and branches, and the lines no test reaches) and the totals.
# Branches are counted without those only an exception takes and those the
# compiler proves unreachable. Not part of scripts/test.sh: it builds
# everything once more, unoptimised, and runs every hostless test.
# Usage: scripts/coverage.sh [build folder, default build/coverage]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/coverage}
mkdir -p "$(dirname "$dir")"
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DBOXGRAPH_OCTAVE=OFF \
  -DCMAKE_C_FLAGS="--coverage" -DCMAKE_CXX_FLAGS="--coverage" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage" -DCMAKE_SHARED_LINKER_FLAGS="--coverage" \
  -DCMAKE_MODULE_LINKER_FLAGS="--coverage" > "$dir.build.log" 2>&1 \
  || { tail -n 40 "$dir.build.log"; exit 1; }
find "$dir" -name '*.gcda' -delete  # counts of an earlier run
ctest --test-dir "$dir" -j2 --output-on-failure > "$dir.ctest.log" 2>&1 \
  || { tail -n 40 "$dir.ctest.log"; echo "coverage: tests failed (log $dir.ctest.log)"; exit 1; }
grep -E "tests passed|tests failed" "$dir.ctest.log"
common=(--root "$root" --object-directory "$dir" -j 2 --exclude-directories ".*/CMakeFiles/[0-9.]+/.*"
        --filter "$root/lib/" --filter "$root/gateway/" --exclude "$root/lib/tests/" --exclude "$root/gateway/tests/"
        --exclude-throw-branches --exclude-unreachable-branches)
gcovr "${common[@]}" --txt "$dir/lines.txt"
gcovr "${common[@]}" --branches --txt "$dir/branches.txt"
echo "== lines (Missing: the lines no test reaches)"
cat "$dir/lines.txt"
echo "== branches"
sed -n '/^File/,$p' "$dir/branches.txt" | cut -c1-80
