#!/usr/bin/env bash
# The Octave package's whole cycle, as a user meets it: make dist, then in a
# temporary package prefix pkg install, pkg load, pkg test (failing when any
# test fails: pkg test itself exits 0 either way), pkg unload and pkg
# uninstall, after which boxgraph must be gone. Both package lists (the
# user's and the system's) are copies in the temporary prefix, without any
# boxgraph of the machine's: the machine's own lists and packages stay as
# they are, and the packages installed there (octave-interval, a user's
# octave-control) are still found as dependencies, and stay listed.
# Needs Octave with its development files (scripts/install-deps.sh demo).
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
  for list = {'local', 'global'}
    name = [list{1} '_packages'];
    packages = {};
    if (exist (pkg ([list{1} '_list']), 'file'))
      packages = load (pkg ([list{1} '_list'])).(name);
      packages = packages(! cellfun (@(p) strcmp (p.name, 'boxgraph'), packages));
    end
    s = struct (name, {packages});
    save ('-text', ['$prefix/' name], '-struct', 's');
    pkg ([list{1} '_list'], ['$prefix/' name]);
  end
  others = cellfun (@(p) p.name, pkg ('list'), 'UniformOutput', false);
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
  left = cellfun (@(p) p.name, pkg ('list'), 'UniformOutput', false);
  assert (! any (strcmp (left, 'boxgraph')), 'the package is still installed');
  assert (sort (left), sort (others), 'the other packages are not as they were');
  if (isempty (passed) || str2double (passed{1}) == 0)
    error ('pkg test ran no tests');
  end
  if (! isempty (failed) && str2double (failed{1}) > 0)
    error ('pkg test: %s tests failed', failed{1});
  end
  printf ('package: installed, %s tests passed, uninstalled; the others still listed: %s\n', passed{1}, ...
          strjoin ([others, {'none'}](1:max (1, numel (others))), ', '));
"
