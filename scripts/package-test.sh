#!/usr/bin/env bash
# The Octave package's whole cycle, as a user meets it: make dist, then in a
# temporary package prefix pkg install, pkg load, pkg test (failing when any
# test fails: pkg test itself exits 0 either way), pkg unload and pkg
# uninstall. Needs Octave with its development files (scripts/install-deps.sh demo).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
make --no-print-directory dist
archive=$(ls -t dist/boxgraph-*.tar.gz | head -1)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cd "$prefix"
octave-cli --no-gui --no-history --no-init-file --no-window-system --eval "
  pkg prefix '$prefix/packages' '$prefix/packages';
  pkg local_list '$prefix/octave_packages';
  pkg install '$root/$archive';
  pkg load boxgraph;
  A = sparse ([2 1 4 3 3], [1 2 3 4 2], 1, 4, 4);
  assert (strongcomp (A, A'), int32 ([0 0 1 1]));
  T = Tree ([0 0], [1 1]);
  subdivide (T);
  assert (count (T), 2);
  assert (! isempty (strfind (evalc ('help strongcomp'), 'strongly connected')));
  out = evalc ('pkg test boxgraph');
  disp (out);
  failed = regexp (out, 'FAIL\s+(\d+)', 'tokens', 'once');
  passed = regexp (out, 'PASS\s+(\d+)', 'tokens', 'once');
  pkg unload boxgraph;
  pkg uninstall boxgraph;
  installed = cellfun (@(p) p.name, pkg ('list'), 'UniformOutput', false);
  assert (! any (strcmp (installed, 'boxgraph')), 'the package is still installed');  # others may be, system-wide
  if (isempty (passed) || str2double (passed{1}) == 0)
    error ('pkg test ran no tests');
  end
  if (! isempty (failed) && str2double (failed{1}) > 0)
    error ('pkg test: %s tests failed', failed{1});
  end
  printf ('package: installed, %s tests passed, uninstalled\n', passed{1});
"
