#!/usr/bin/env bash
# Runs every Octave test file of the toolbox, and the worked analysis when
# there is one, in a real Octave process that checks the modules' memory use:
#   asan      the modules built with AddressSanitizer and UBSan (build/asan-octave)
#             and loaded into Octave with the sanitizer runtimes preloaded;
#             any report fails the run (leak detection is off: Octave's own
#             allocations at exit are not ours; the hostless tests check leaks)
#   valgrind  the modules of build/b64 under valgrind's memcheck; fails on any
#             invalid read or write, or use of uninitialised memory, whose
#             stack passes through the modules
# With "modules", only the test files that exercise the modules (the
# deliverables' own and the Tree class's), which is what CI runs under
# valgrind; without, every test file and the worked analysis.
# Usage: scripts/octave-checked.sh asan|valgrind [modules]
set -euo pipefail
mode=${1:?usage: scripts/octave-checked.sh asan|valgrind [modules]}
scope=${2:-all}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Test files: every m-file with test blocks, but the build test (it compiles).
if [ "$scope" = modules ]; then
  dirs=(inst/@Tree testing/errors_test.m strongcomp cyclereach subshift tree_)
else
  dirs=(inst testing strongcomp cyclereach subshift tree_)
fi
mapfile -t files < <(grep -l '^%!\(test\|assert\|error\)' -r "${dirs[@]}" \
                     --include='*.m' | grep -v build_test.m | sort)
runner="ok = true;"
for f in "${files[@]}"; do
  runner+=" ok = test ('$root/$f', 'quiet', stdout) && ok;"
done
[ "$scope" = all ] && [ -f examples/henon.m ] && runner+=" evalc ('henon');"
runner+=" exit (! ok);"
log=$root/build/octave-$mode.log

case $mode in
  asan)
    scripts/build.sh build/asan-octave -DBOXGRAPH_SANITIZE=ON -DBOXGRAPH_HOSTLESS=OFF > /dev/null
    cd build/asan-octave/octave
    LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)" \
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      octave-cli --no-gui --no-init-file --no-window-system --path "$root/testing" --path "$root/examples" \
        --eval "$runner" > "$log" 2>&1 || { tail -n 60 "$log"; exit 1; }
    if grep -q "ERROR: AddressSanitizer\|runtime error:" "$log"; then
      grep -A 30 "ERROR: AddressSanitizer\|runtime error:" "$log" | head -n 60
      exit 1
    fi
    echo "octave-checked asan: ${#files[@]} test files passed, no sanitizer report"
    ;;
  valgrind)
    [ -d build/b64/octave ] || scripts/build.sh build/b64 > /dev/null
    cd build/b64/octave
    valgrind --error-limit=no --num-callers=40 --log-file="$log" \
      octave-cli --no-gui --no-init-file --no-window-system --path "$root/testing" --path "$root/examples" \
        --eval "$runner" > "$log.out" 2>&1 || { tail -n 60 "$log.out"; exit 1; }
    # Error blocks, one paragraph each once the "==pid== " prefixes are gone;
    # ours are those whose stack passes through a module or our sources.
    ours=$(sed -E 's/^==[0-9]+== ?//' "$log" | awk -v RS= '
      /^(Invalid|Conditional|Use of uninitialised|Syscall param|Mismatched|Source and destination)/ &&
      /\.mex\)|\/lib\/|\/gateway\/|(strongcomp|cyclereach|subshift|tree_|treeupdate|treeprops|treeops)\.cpp/ { n++; print; print "" }
      END { exit n > 0 }') || { echo "$ours" | head -n 80; exit 1; }
    echo "octave-checked valgrind: ${#files[@]} test files passed, no invalid access in the modules" \
         "(Octave's own: $(sed -nE 's/^==[0-9]+== (ERROR SUMMARY: [0-9]+ errors).*/\1/p' "$log" | tail -1))"
    ;;
  *) echo "usage: scripts/octave-checked.sh asan|valgrind" >&2; exit 2 ;;
esac
