% measure_bench (repeats): medians of repeats runs, in CPU time of the Octave
% process (the machine may be shared), as ratios.
%   1. invariantmeasure (A) beside eigs (A, 1) on the same matrix: the Henon
%      covering at depth 24 (transitions with the worked analysis's 20 x 5
%      points, and the matrix of invariantmeasure's own sampling) and the
%      logistic map on 2^16 intervals (its own sampling); time, steps, and
%      the L1 distance between the two vectors.
%   2. invariantmeasure (T, f): its sampling (time and evaluations of f per
%      box) beside transitions (T, f) with its defaults.
%   3. plotboxes on 10^5 boxes in dimensions 2, 3 and 6 (and a level of one
%      box: the cost of drawing and printing alone); with plotboxes_old on
%      the path, the old version on a 6-d level of 4096 boxes and on a 3-d
%      level of 1024 boxes split only along the hidden coordinate. Octave's
%      CPU time leaves out gnuplot's, which draws and prints the figure:
%      wall time is given beside it.
function measure_bench (repeats)
  if nargin < 1
    repeats = 3;
  end
  warning ('off', 'boxgraph:invariantmeasure:leaks');
  printf ('%s, Octave %s, median of %d\n', cpu (), version (), repeats);

  henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
  T = Tree ([0 0], [1.5 0.4]);
  T.verbose = 0;
  [sx, sy] = ndgrid (linspace (-1, 1, 20), linspace (-1, 1, 5));
  points = [sx(:)'; sy(:)'];
  attractor (T, henon, 24, points);
  A = transitions (T, henon, [], points);
  logistic = @(x) 4 * x .* (1 - x);
  L = Tree (0.5, 0.5);
  L.verbose = 0;
  for k = 1:16
    subdivide (L);
  end

  printf ('\n1. invariantmeasure (A) and eigs (A, 1) on the same matrix\n');
  printf ('  %-34s %8s %8s %6s %8s %8s %7s %9s\n', 'matrix', 'n', 'nnz', 'steps', 'time', 'eigs', 'ratio', 'L1 apart');
  solve ('Henon, 20 x 5 points (transitions)', A, repeats);
  [~, ~, info] = invariantmeasure (T, henon);
  solve ('Henon, invariantmeasure''s sampling', info.matrix, repeats);
  [~, ~, info] = invariantmeasure (L, logistic);
  solve ('logistic 2^16, its sampling', info.matrix, repeats);

  printf ('\n2. invariantmeasure (T, f) beside transitions (T, f) with its defaults\n');
  printf ('  %-22s %10s %10s %9s %8s %10s %8s\n', 'map', 'measure', 'of which', 'f a box', ...
          'transitions', 'f a box', 'ratio');
  printf ('  %-22s %10s %10s\n', '', '', 'solving');
  sampling ('Henon, depth 24', T, henon, repeats);
  sampling ('logistic, 2^16', L, logistic, repeats);
  release (T);
  release (L);

  printf ('\n3. plotboxes, to PNG: CPU time in Octave (wall time)\n');
  [floor_, wall] = picture (Tree (zeros (1, 2), ones (1, 2)), 0, repeats, @plotboxes);
  printf ('  %-42s %7.2f s (%5.2f s)\n', 'one box (drawing and printing alone)', floor_, wall);
  for dim = [2 3 6]
    U = Tree (zeros (1, dim), ones (1, dim));
    U.verbose = 0;
    for k = 1:17   % 131072 boxes
      subdivide (U);
    end
    [t, wall] = picture (U, 1, repeats, @plotboxes);
    printf ('  %-42s %7.2f s (%5.2f s), %.2f s over one box\n', ...
            sprintf ('%d boxes, dimension %d', count (U), dim), t, wall, t - floor_);
    release (U);
  end
  if exist ('plotboxes_old', 'file')
    U = Tree (zeros (1, 6), ones (1, 6));
    U.verbose = 0;
    for k = 1:12
      subdivide (U);
    end
    oldnew ('4096 boxes, dimension 6', U, repeats);
    release (U);
    U = Tree (zeros (1, 3), ones (1, 3));
    U.verbose = 0;
    U.sd = 2 * ones (1, numel (U.sd));   % split only along x_3
    for k = 1:10
      subdivide (U);
    end
    oldnew ('1024 boxes, dimension 3, split along x_3', U, repeats);
    release (U);
  end
end

% One row of section 3 with the old version beside (run once: it is slow).
function oldnew (name, U, repeats)
  [new, newwall] = picture (U, 1, repeats, @plotboxes);
  [old, oldwall] = picture (U, 1, 1, @plotboxes_old);
  printf ('  %-42s %7.2f s (%5.2f s), old %7.2f s (%6.2f s): %.0fx (%.0fx)\n', name, new, newwall, ...
          old, oldwall, old / new, oldwall / newwall);
end

% One row of section 1.
function solve (name, A, repeats)
  t = zeros (1, repeats);
  e = zeros (1, repeats);
  for k = 1:repeats
    started = cputime ();
    [mu, ~, info] = invariantmeasure (A);
    t(k) = cputime () - started;
    started = cputime ();
    [v, ~] = eigs (A, 1);
    e(k) = cputime () - started;
  end
  v = real (v) / sum (real (v));
  printf ('  %-34s %8d %8d %6d %7.2fs %7.2fs %7.2f %9.1e\n', name, size (A, 1), nnz (A), ...
          info.iterations, median (t), median (e), median (e) / median (t), norm (mu - v, 1));
end

% One row of section 2.
function sampling (name, T, f, repeats)
  n = count (T);
  t = zeros (1, repeats);
  s = zeros (1, repeats);
  d = zeros (1, repeats);
  for k = 1:repeats
    started = cputime ();
    [~, ~, info] = invariantmeasure (T, f);
    t(k) = cputime () - started;
    started = cputime ();
    invariantmeasure (info.matrix);
    s(k) = cputime () - started;
    started = cputime ();
    transitions (T, f);
    d(k) = cputime () - started;
  end
  printf ('  %-22s %9.2fs %9.2fs %9.1f %10.2fs %9d %8.2f\n', name, median (t), median (s), ...
          info.evaluations / n, median (d), 4 ^ T.dim, (median (t) - median (s)) / median (d));
end

% The median CPU and wall time of drawing U's deepest level (random values)
% to a PNG.
function [t, wall] = picture (U, valued, repeats, draw)
  file = [tempname() '.png'];
  n = count (U);
  values = [];
  if valued
    values = rand (1, n);
  end
  times = zeros (2, repeats);
  for k = 1:repeats
    cpu0 = cputime ();
    wall0 = tic ();
    draw (U, [], values, file);
    times(:, k) = [cputime() - cpu0; toc(wall0)];
  end
  delete (file);
  t = median (times(1, :));
  wall = median (times(2, :));
end

function name = cpu ()
  name = 'unknown CPU';
  text = fileread ('/proc/cpuinfo');
  found = regexp (text, 'model name\s*:\s*([^\n]*)', 'tokens', 'once');
  if ! isempty (found)
    name = strtrim (found{1});
  end
end
