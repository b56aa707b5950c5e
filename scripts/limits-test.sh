#!/usr/bin/env bash
# A subshift whose subsets outgrow the memory at hand, and one interrupted
# with Ctrl-C (SIGINT), in a real Octave process: each call must end with its
# error and leave the session working.
#   - in a memory cgroup of 1 GiB (as a container or batch job has), where the
#     kernel would kill the process instead of failing an allocation (needs
#     root and a writable cgroup v1 or v2 hierarchy; said and skipped otherwise),
#     with trees that fill it: grown, released and grown again, saved and
#     loaded by a fresh session;
#   - under ulimit -v (an address-space limit);
#   - SIGINT two seconds into a call that takes several;
#   - SIGINT inside the user's map, halfway through a subdivision step and
#     an unstable-manifold continuation: the tree must be as before.
# Usage: scripts/limits-test.sh <folder with the Octave MEX files>
set -euo pipefail
mex=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
status=0

# "The k-th symbol from the end is 1": 2^k + 1 subsets.
kth='function [G, l] = kth (k)
  from = [1 1 2 2 2 2]; to = [1 2 1 2 3 4];
  for q = 1:k-1
    for a = 0:1
      from(end+1:end+2) = 2*q + a + 1; to(end+1:end+2) = 2*(q+1) + [1 2];
    end
  end
  n = 2 * (k + 1);
  G = sparse (to, from, 1, n, n);
  l = uint8 (mod (0:n-1, 2));
end'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' "$kth" > "$work/kth.m"
call="[G, l] = kth (K); try; subshift (G, l, 0); disp ('finished'); catch e; disp (e.message); end; x = sum (ones (1, 1e6)); printf ('alive %d\n', x);"

expect() {  # expect <what> <output> <message>
  if grep -q "^$3\$" <<< "$2" && grep -q "^alive 1000000\$" <<< "$2"; then
    echo "limits: $1: '$3', and the session went on"
  else
    echo "limits: $1: FAILED"; echo "$2" | tail -n 20; status=1
  fi
}
octave() { octave-cli --no-gui --no-init-file --no-window-system --path "$mex" --path "$work" --eval "$1" 2>&1 || true; }

# 1. A memory cgroup of 1 GiB.
cgroup=""
if [ "$(id -u)" -eq 0 ] && [ -d /sys/fs/cgroup/memory ] && mkdir -p /sys/fs/cgroup/memory/boxgraph-limits 2>/dev/null; then
  cgroup=/sys/fs/cgroup/memory/boxgraph-limits
  echo $((1 << 30)) > $cgroup/memory.limit_in_bytes
elif [ "$(id -u)" -eq 0 ] && [ -f /sys/fs/cgroup/cgroup.controllers ] && mkdir -p /sys/fs/cgroup/boxgraph-limits 2>/dev/null; then
  cgroup=/sys/fs/cgroup/boxgraph-limits
  echo "+memory" > /sys/fs/cgroup/cgroup.subtree_control 2>/dev/null || true
  echo $((1 << 30)) > $cgroup/memory.max
fi
# In it, results past what is left are refused before they are made (a
# dim-12 level of 2^22 boxes: its centres and radii would take 805 MB beside
# the tree's 400), and a graph of many vertices and few edges needs room for
# its edges, not ten entries a vertex.
results='T = Tree (zeros (1, 12), ones (1, 12)); T.verbose = 0;
for k = 1:22; subdivide (T); end
try; [c, r] = boxes (T); disp ("boxes made"); catch e; disp (e.message); end
release (T);
n = 1e7; A = sparse ([1 2], [2 1], 1, n, n);
try; i = subshift (A, zeros (1, n, "uint8"), 0); printf ("subshift: %d edges\n", numel (i)); catch e; disp (e.message); end
x = sum (ones (1, 1e6)); printf ("alive %d\n", x);'
# A tree grown step by step to 8.4M boxes (835 MB; the next step, 1.6 GB,
# is refused), saved and released: the memory it gave back holds a tree as
# large again, and a fresh session in the same cgroup loads the saved file.
grown='T = Tree ([0 0], [1 1]); T.verbose = 0;
try; for k = 1:24; subdivide (T); end; catch e; disp (e.message); end
printf ("grown to %d boxes\n", count (T));
save (T, "WORK/big.tree"); release (T);
U = Tree ([0 0], [1 1]); U.verbose = 0;
try; for k = 1:23; subdivide (U); end; printf ("after release: %d boxes\n", count (U)); catch e; disp (e.message); end
x = sum (ones (1, 1e6)); printf ("alive %d\n", x);'
loaded='try; T = Tree ("WORK/big.tree"); printf ("loaded: %d boxes\n", count (T)); catch e; disp (e.message); end
x = sum (ones (1, 1e6)); printf ("alive %d\n", x);'
if [ -n "$cgroup" ]; then
  out=$( (echo $BASHPID > $cgroup/cgroup.procs; octave "${grown//WORK/$work}") )
  expect "1 GiB memory cgroup, a tree grown until refused" "$out" "grown to 8388608 boxes"
  expect "1 GiB memory cgroup, the same tree again after release" "$out" "after release: 8388608 boxes"
  out=$( (echo $BASHPID > $cgroup/cgroup.procs; octave "${loaded//WORK/$work}") )
  expect "1 GiB memory cgroup, the tree loaded by a fresh session" "$out" "loaded: 8388608 boxes"
  rm -f "$work/big.tree"
  out=$( (echo $BASHPID > $cgroup/cgroup.procs; octave "${call//K/22}") )
  expect "1 GiB memory cgroup" "$out" "subshift: out of memory."
  out=$( (echo $BASHPID > $cgroup/cgroup.procs; octave "$results") )
  expect "1 GiB memory cgroup, boxes of 2^22 boxes of dimension 12" "$out" "Tree: out of memory."
  expect "1 GiB memory cgroup, subshift of 1e7 vertices and 2 edges" "$out" "subshift: 2 edges"
  rmdir $cgroup 2>/dev/null || true
else
  echo "limits: 1 GiB memory cgroup: skipped (needs root and a writable memory cgroup)"
fi

# 2. An address-space limit of 1.5 GB.
out=$(ulimit -v 1500000; octave "${call//K/22}")
expect "ulimit -v 1500000" "$out" "subshift: out of memory."

# 3. Ctrl-C two seconds into a call that runs for several.
octave "${call//K/20}" > "$work/interrupted.out" &
pid=$!
sleep 2
pkill -INT -P $pid octave-cli 2>/dev/null || kill -INT $pid
wait $pid || true
expect "SIGINT" "$(cat "$work/interrupted.out")" "subshift: interrupted."

# 4. Ctrl-C while the user's map runs (the process sends itself SIGINT at
# the map's second call). The session reads its commands from standard input
# as an interactive one does, which an interrupt returns to.
cat > "$work/sigmap.m" <<'EOF'
function y = sigmap (x)
  % The Henon map, but its second call after sigmap ("reset") sends this
  % process SIGINT, as Ctrl-C does, and waits for the interrupt.
  persistent calls
  if ischar (x)
    calls = 0;
    y = [];
    return;
  end
  calls = calls + 1;
  if calls == 2
    kill (getpid (), 2);
    for k = 1:1e8
    end
  end
  y = [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
end
EOF
session='PS1 ("");
henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
shape = @(T) [T.depth, arrayfun(@(d) count (T, d), 0:T.depth)];
T = Tree ([0 0], [1.5 0.4]);
T.verbose = 0;
attractor (T, henon, 8);
before = shape (T);
c = boxes (T);
sigmap ("reset");
attractor (T, @sigmap, 3)
printf ("attractor: tree as before %d\n", isequal (shape (T), before) && isequal (boxes (T), c));
U = Tree ([0 0], [1.5 0.4]);
U.verbose = 0;
sigmap ("reset");
unstableset (U, @sigmap, [0.6314; 0.1894], 10)
printf ("unstableset: tree as before %d\n", isequal (shape (U), [0 1]));
x = sum (ones (1, 1e6));
printf ("alive %d\n", x);'
out=$(octave-cli --no-gui --no-init-file --no-window-system -q -i --path "$mex" --path "$work" <<< "$session" 2>&1 || true)
expect "SIGINT in the map of attractor" "$out" "attractor: tree as before 1"
expect "SIGINT in the map of unstableset" "$out" "unstableset: tree as before 1"

exit $status
