#!/usr/bin/env bash
# The modules under valgrind's memcheck without Octave: every module's
# GoogleTest suite (which calls it through our host model) and the
# allocation-failure sweep of a 64-bit hostless build, each program run once
# under valgrind, two at a time. Fails on any failed test and on any invalid
# read or write, use of uninitialised memory or definite leak. scripts/test.sh
# runs it where valgrind cannot run Octave (scripts/octave-checked.sh
# valgrind), as on CPUs whose instructions valgrind does not know.
# The chains of a million and more vertices are left out: they check that no
# recursion is needed and how fast it goes, and would take valgrind many
# minutes; the same code runs on smaller inputs in the other tests.
# Usage: scripts/valgrind-hostless.sh [build folder, default build/b64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/b64}" && pwd)
programs=()
for module in $(sed -n 's/^MODULES *= *//p' "$root/modules.mk"); do
  programs+=("$build/$module/${module}Test")
done
programs+=("$build/testing/sweepTest")
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

check() {  # check <program>: runs it under valgrind; its status goes to <log>.status
  local name log
  name=$(basename "$1")
  log=$logs/$name
  status=0
  GLIBC_TUNABLES=glibc.malloc.tcache_count=0 \
    valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --num-callers=40 \
      --log-file="$log.valgrind" "$1" --gtest_filter='-*LongChain*:*Million*' > "$log.out" 2>&1 || status=$?
  echo $status > "$log.status"
}

for program in "${programs[@]}"; do
  [ -x "$program" ] || { echo "valgrind-hostless: $program is missing: build $build first" >&2; exit 2; }
  while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n || true; done
  check "$program" &
done
wait

failed=0
tests=0
for program in "${programs[@]}"; do
  name=$(basename "$program")
  ran=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$logs/$name.out")
  if [ "$(cat "$logs/$name.status")" -eq 0 ] && [ -n "$ran" ]; then
    tests=$((tests + ran))
    echo "valgrind $name: $ran tests passed, no memcheck error"
  else
    failed=$((failed + 1))
    echo "valgrind $name: FAILED (status $(cat "$logs/$name.status"))"
    tail -n 30 "$logs/$name.out"
    grep -v '^==[0-9]*== *$' "$logs/$name.valgrind" | head -n 60
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "valgrind-hostless: $failed of ${#programs[@]} programs failed"
  exit 1
fi
echo "valgrind-hostless: ${#programs[@]} programs, $tests tests passed, no memcheck error in the modules"
