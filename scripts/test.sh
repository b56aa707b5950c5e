#!/usr/bin/env bash
# Installs what is missing, builds every flavour and runs every test:
#   build/b64    64-bit hostless modules and Octave MEX files
#   build/b32    32-bit hostless modules (-m32)
#   build/asan   64-bit hostless modules under AddressSanitizer and UBSan
#   build/w64    .mexw64 modules for 64-bit Windows (MinGW-w64), tests under wine64
#   build/w32    .mexw32 modules for 32-bit Windows (MinGW-w64), tests under wine32
#   build/asan-octave  the Octave MEX files under AddressSanitizer and UBSan
# then calls that outgrow a 1 GiB memory cgroup and ulimit -v or are
# interrupted (scripts/limits-test.sh), the Octave tests with the modules
# under ASan and under valgrind (scripts/octave-checked.sh), the Octave package's
# install-load-test-uninstall cycle, and a short fuzzing run (30 s each) of
# the tree-file reader and of every gateway, each counted as one check.
# Wine's prefix is $WINEPREFIX, by default build/wine (made on first use,
# about 10 s).
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
ctests() {  # ctests <flavour> : runs build/<flavour>'s tests and counts them
  echo "== tests: $1"
  ctest --test-dir "build/$1" --output-on-failure -j2 | tee "build/$1.ctest.log" || status=1
  total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "build/$1.ctest.log")
  bad=$(sed -n 's/.*, \([0-9]*\) tests failed out of .*/\1/p' "build/$1.ctest.log")
  [ -n "$total" ] || { total=0; bad=1; status=1; }
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}
for flavour in b64 b32 asan; do
  ctests $flavour
done

# Windows: cross-built with MinGW-w64 (a build with a warning counts as one
# failed check) and tested under Wine, each test program through scripts/wine.sh.
export WINEPREFIX=${WINEPREFIX:-$root/build/wine}
echo "== Wine prefix: $WINEPREFIX"
# Make or update the prefix, and let the server that did it end. Then one
# persistent server for all Windows tests, with its services started here and
# not by the first test: a service keeps the output of the test that started
# it open, and CTest would wait for it. The server ends with this script.
scripts/wine.sh 64 wineboot --init > build/wine.log 2>&1 || true
/usr/lib/wine/wineserver -w || true
if /usr/lib/wine/wineserver -p; then
  trap '/usr/lib/wine/wineserver -k 2> /dev/null || true' EXIT
fi
scripts/wine.sh 64 wineboot >> build/wine.log 2>&1 || true
for bits in 64 32; do
  flavour=w$bits
  case $bits in 64) arch=x86_64 ;; 32) arch=i686 ;; esac
  echo "== build: $flavour"
  if scripts/build.sh "build/$flavour" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
       -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine.sh;$bits" > "build/$flavour.log" 2>&1 \
     && ! grep -q "warning:" "build/$flavour.log"; then
    count 0
  else
    count 1
    grep -B2 -A8 -E "warning:|error" "build/$flavour.log" | head -n 60 || tail -n 40 "build/$flavour.log"
  fi
  [ -d "build/$flavour/hostless" ] && ctests $flavour
done

echo "== limits: a memory cgroup, ulimit -v and Ctrl-C in a real Octave session"
if scripts/limits-test.sh build/b64/octave > build/limits.log 2>&1; then
  count 0
else
  count 1
fi
cat build/limits.log

# Under valgrind only the tests that exercise the modules: the rest is Octave
# code, and valgrind makes it slow. `scripts/octave-checked.sh valgrind` runs
# everything, the worked analysis included.
for run in "asan all" "valgrind modules"; do
  mode=${run% *}
  echo "== Octave's tests with the modules under $mode"
  if scripts/octave-checked.sh $run > build/octave-checked-$mode.txt 2>&1; then
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
