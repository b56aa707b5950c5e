#!/usr/bin/env bash
# Installs what is missing, builds every flavour and runs every test:
#   build/b64    64-bit hostless modules and Octave MEX files
#   build/b32    32-bit hostless modules (-m32)
#   build/asan   64-bit hostless modules under AddressSanitizer and UBSan
#   build/mingw  the library and gateways compiled for Windows (MinGW-w64), a compile check
# then calls that outgrow a 1 GiB memory cgroup and ulimit -v or are
# interrupted (scripts/limits-test.sh), the Octave package's
# install-load-test-uninstall cycle, and a short fuzzing run (30 s each) of
# the tree-file reader and of every gateway, each counted as one check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh test
mkdir -p build

scripts/build.sh build/b64
scripts/build.sh build/b32 -DBOXGRAPH_M32=ON
scripts/build.sh build/asan -DBOXGRAPH_SANITIZE=ON

status=0
passed=0
failed=0
count() {  # count <ok> : one more passed (ok = 0) or failed check
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
}
for flavour in b64 b32 asan; do
  echo "== tests: $flavour"
  ctest --test-dir "build/$flavour" --output-on-failure -j2 | tee "build/$flavour.ctest.log" \
    || status=1
  total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "build/$flavour.ctest.log")
  bad=$(sed -n 's/.*, \([0-9]*\) tests failed out of .*/\1/p' "build/$flavour.ctest.log")
  [ -n "$total" ] || { total=0; bad=1; status=1; }
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done

echo "== compile check: MinGW-w64"
if scripts/build.sh build/mingw -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
     -DBOXGRAPH_OCTAVE=OFF -DBOXGRAPH_TESTS=OFF > build/mingw.log 2>&1 \
   && ! grep -q "warning:" build/mingw.log; then
  count 0
else
  count 1
  tail -n 40 build/mingw.log
fi

echo "== limits: a memory cgroup, ulimit -v and Ctrl-C in a real Octave session"
if scripts/limits-test.sh build/b64/octave > build/limits.log 2>&1; then
  count 0
else
  count 1
fi
cat build/limits.log

echo "== the Octave package: make dist, pkg install, load, test, uninstall"
if scripts/package-test.sh > build/package.log 2>&1; then
  count 0
  grep -E '^package:' build/package.log || true
else
  count 1
  tail -n 60 build/package.log
fi

echo "== fuzzing the tree-file reader and every gateway, 30 s each"
fuzz_ok=0
fuzz/run.sh 30 "$root/build/fuzz" > build/fuzz.log 2>&1 || fuzz_ok=1
for target in treeRead $(sed -n 's/^MODULES *= *//p' modules.mk); do
  if grep -q "^fuzz $target: ok" build/fuzz.log; then
    count 0
    grep "^fuzz $target: " build/fuzz.log
  else
    count 1
    fuzz_ok=1
    echo "fuzz $target: failed or did not run"
  fi
done
[ "$fuzz_ok" -eq 0 ] || tail -n 80 build/fuzz.log
echo "boxgraph: $passed passed, $failed failed"
exit $status
