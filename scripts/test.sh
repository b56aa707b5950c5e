#!/usr/bin/env bash
# Installs what is missing, builds every flavour and runs every test:
#   build/b64    64-bit hostless modules and Octave MEX files
#   build/b32    32-bit hostless modules (-m32)
#   build/asan   64-bit hostless modules under AddressSanitizer and UBSan
#   build/mingw  the library and gateways compiled for Windows (MinGW-w64), a compile check
#   build/asan-octave  the Octave MEX files under AddressSanitizer and UBSan
# then calls that outgrow a 1 GiB memory cgroup and ulimit -v or are
# interrupted (scripts/limits-test.sh), the Octave tests with the modules
# under ASan and under valgrind (scripts/octave-checked.sh), the Octave package's
# install-load-test-uninstall cycle, and a short fuzzing run of the
# tree-file reader.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh test
mkdir -p build

scripts/build.sh build/b64
scripts/build.sh build/b32 -DBOXGRAPH_M32=ON
scripts/build.sh build/asan -DBOXGRAPH_SANITIZE=ON -DBOXGRAPH_OCTAVE=OFF

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

for mode in asan valgrind; do
  echo "== Octave's tests with the modules under $mode"
  if scripts/octave-checked.sh $mode > build/octave-checked-$mode.txt 2>&1; then
    count 0
  else
    count 1
  fi
  cat build/octave-checked-$mode.txt
done

echo "== the Octave package: make dist, pkg install, load, test, uninstall"
if scripts/package-test.sh > build/package.log 2>&1; then
  count 0
  grep -E '^package:' build/package.log || true
else
  count 1
  tail -n 60 build/package.log
fi

echo "== fuzzing the tree-file reader"
if fuzz/run.sh 60 "$root/build/fuzz" > build/fuzz.log 2>&1; then
  count 0
  grep -E '^Done [0-9]+ runs' build/fuzz.log || true
else
  count 1
  tail -n 60 build/fuzz.log
fi
echo "boxgraph: $passed passed, $failed failed"
exit $status
