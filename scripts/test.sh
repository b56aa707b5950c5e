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
# the tree-file reader and of every gateway. Each build (a warning fails it),
# each GoogleTest case and CTest test, and each of the other runs counts as
# one check.
#
# What a machine cannot run is probed once, up front, and only its runs are
# skipped, each said in one line with its reason (its build still counts):
#   b32              a tiny -m32 program must run (kernels built without
#                    32-bit support cannot run one): else the b32 tests
#   w32              a tiny 32-bit Windows program must run under Wine's
#                    32-bit loader (which is itself a 32-bit program): else
#                    the w32 tests
#   valgrind-octave  valgrind must run `octave-cli --eval 1` (valgrind does
#                    not know every instruction of every CPU, and Octave's
#                    libraries pick theirs by the CPU at start-up): else the
#                    Octave tests under valgrind, and in their place the
#                    modules' hostless tests under valgrind
#                    (scripts/valgrind-hostless.sh), when valgrind runs a
#                    plain program here ("valgrind")
# BOXGRAPH_FORCE_SKIP=b32,w32,valgrind-octave,valgrind treats the named
# capabilities as missing without probing them, so that a machine that has
# them can run the paths of one that has not.
# The last line is `boxgraph: N passed, M failed, K skipped`; a skip is never
# a pass.
# Wine's prefix is $WINEPREFIX, by default build/wine (made on first use,
# about 10 s).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh test
mkdir -p build/probe

status=0
passed=0
failed=0
skipped=0
skips=()
count() {  # count <ok> : one more passed (ok = 0) or failed check
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
}
skip() {  # skip <line> : a part that does not run here, said now and again at the end
  echo "$1"
  skips+=("$1")
  skipped=$((skipped + 1))
}
forced() {  # forced <capability> : named in BOXGRAPH_FORCE_SKIP
  [[ ",${BOXGRAPH_FORCE_SKIP:-}," == *",$1,"* ]]
}

# ---- what this machine can run
# Wine's prefix first: the probe of its 32-bit loader needs it. Make or update
# the prefix, and let the server that did it end. Then one persistent server
# for all Windows tests, with its services started here and not by the first
# test: a service keeps the output of the test that started it open, and
# CTest would wait for it. The server ends with this script.
export WINEPREFIX=${WINEPREFIX:-$root/build/wine}
echo "== Wine prefix: $WINEPREFIX"
scripts/wine.sh 64 wineboot --init > build/wine.log 2>&1 || true
/usr/lib/wine/wineserver -w || true
if /usr/lib/wine/wineserver -p; then
  trap '/usr/lib/wine/wineserver -k 2> /dev/null || true' EXIT
fi
scripts/wine.sh 64 wineboot >> build/wine.log 2>&1 || true

echo "== what this machine can run"
printf 'int main(void) { return 0; }\n' > build/probe/tiny.c
why_b32=""
if forced b32; then
  why_b32="BOXGRAPH_FORCE_SKIP names b32"
elif gcc -m32 build/probe/tiny.c -o build/probe/tiny32 > build/probe/b32.log 2>&1 \
     && ! build/probe/tiny32 >> build/probe/b32.log 2>&1; then
  why_b32="this kernel cannot run 32-bit programs"
fi  # a compiler that cannot build it fails the b32 build below instead
why_w32=""
if forced w32; then
  why_w32="BOXGRAPH_FORCE_SKIP names w32"
elif i686-w64-mingw32-gcc build/probe/tiny.c -o build/probe/tiny32.exe > build/probe/w32.log 2>&1 \
     && ! timeout 300 scripts/wine.sh 32 build/probe/tiny32.exe >> build/probe/w32.log 2>&1; then
  if [ -n "$why_b32" ] && ! forced b32; then
    why_w32="Wine's 32-bit loader cannot run: this kernel cannot run 32-bit programs"
  else
    why_w32="Wine cannot run a 32-bit Windows program here (build/probe/w32.log)"
  fi
fi
why_valgrind=""
if forced valgrind; then
  why_valgrind="BOXGRAPH_FORCE_SKIP names valgrind"
elif ! { gcc build/probe/tiny.c -o build/probe/tiny > build/probe/valgrind.log 2>&1 \
         && timeout 300 valgrind -q --error-exitcode=99 build/probe/tiny >> build/probe/valgrind.log 2>&1; }; then
  why_valgrind="valgrind cannot run a plain program here (build/probe/valgrind.log)"
fi
why_valgrind_octave=""
if forced valgrind-octave; then
  why_valgrind_octave="BOXGRAPH_FORCE_SKIP names valgrind-octave"
elif [ -n "$why_valgrind" ]; then
  why_valgrind_octave=$why_valgrind
else
  vg_status=0
  # in a subshell that waits for it, so the shell's report of the signal
  # that ended it goes to the log too
  (timeout 600 valgrind -q --error-exitcode=0 octave-cli --no-gui --no-init-file --no-window-system --eval 1 \
     > build/probe/valgrind-octave.log 2>&1; exit $?) 2>> build/probe/valgrind-octave.log || vg_status=$?
  if [ "$vg_status" -ne 0 ]; then
    why_valgrind_octave="valgrind cannot run Octave on this CPU (octave-cli --eval 1 ended with status $vg_status"
    grep -q "Illegal opcode\|unhandled instruction" build/probe/valgrind-octave.log \
      && why_valgrind_octave+=": an instruction valgrind does not know"
    why_valgrind_octave+=")"
  fi
fi
for capability in b32 w32 valgrind valgrind-octave; do
  why=why_${capability//-/_}
  echo "$capability: ${!why:-yes}"
done

# ---- builds: every flavour, whatever runs here
build() {  # build <flavour> [cmake options...] : one check; a warning fails it
  local flavour=$1
  shift
  echo "== build: $flavour"
  if scripts/build.sh "build/$flavour" "$@" > "build/$flavour.log" 2>&1 \
     && ! grep -q "warning:" "build/$flavour.log"; then
    count 0
  else
    count 1
    grep -B2 -A8 -E "warning:|error" "build/$flavour.log" | head -n 60 || tail -n 40 "build/$flavour.log"
  fi
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

build b64
build b32 -DBOXGRAPH_M32=ON
build asan -DBOXGRAPH_SANITIZE=ON -DBOXGRAPH_OCTAVE=OFF
ctests b64
if [ -z "$why_b32" ]; then
  ctests b32
else
  # CTest would ask the test programs for their tests and fail on each.
  skip "b32 tests skipped: $why_b32"
fi
ctests asan

# Windows: cross-built with MinGW-w64 and tested under Wine, each test
# program through scripts/wine.sh.
for bits in 64 32; do
  flavour=w$bits
  case $bits in 64) arch=x86_64 ;; 32) arch=i686 ;; esac
  build $flavour -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine.sh;$bits"
  if [ "$flavour" = w32 ] && [ -n "$why_w32" ]; then
    skip "w32 tests skipped: $why_w32"
  elif [ -d "build/$flavour/hostless" ]; then
    ctests $flavour
  fi
done

echo "== limits: a memory cgroup, ulimit -v and Ctrl-C in a real Octave session"
if scripts/limits-test.sh build/b64/octave > build/limits.log 2>&1; then
  count 0
else
  count 1
fi
cat build/limits.log
while IFS= read -r line; do
  skip "$line"
done < <(sed -n 's/^limits: \(.*\): skipped (\(.*\))$/limits \1 skipped: \2/p' build/limits.log)

# Under valgrind only the tests that exercise the modules: the rest is Octave
# code, and valgrind makes it slow. `scripts/octave-checked.sh valgrind` runs
# everything, the worked analysis included.
runs=("asan all")
if [ -z "$why_valgrind_octave" ]; then
  runs+=("valgrind modules")
fi
for run in "${runs[@]}"; do
  mode=${run% *}
  echo "== Octave's tests with the modules under $mode"
  if scripts/octave-checked.sh $run > build/octave-checked-$mode.txt 2>&1; then
    count 0
  else
    count 1
  fi
  cat build/octave-checked-$mode.txt
done
if [ -n "$why_valgrind_octave" ]; then
  skip "Octave's tests under valgrind skipped: $why_valgrind_octave"
  if [ -z "$why_valgrind" ]; then
    echo "== the modules' hostless tests under valgrind (no Octave)"
    if scripts/valgrind-hostless.sh build/b64 > build/valgrind-hostless.txt 2>&1; then
      count 0
    else
      count 1
    fi
    cat build/valgrind-hostless.txt
  else
    skip "the modules' hostless tests under valgrind skipped: $why_valgrind"
  fi
fi

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
for line in "${skips[@]}"; do
  echo "$line"
done
echo "boxgraph: $passed passed, $failed failed, $skipped skipped"
exit $status
