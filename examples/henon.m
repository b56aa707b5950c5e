% -*- texinfo -*-
% @deftypefn  {} {} henon ()
% @deftypefnx {} {} henon (@var{folder})
% The worked analysis of the Henon map x' = 1 - 1.4 x^2 + y, y' = 0.3 x on
% the rectangle [-1.5, 1.5] x [-0.4, 0.4]:
%
% @enumerate
% @item the relative global attractor, covered by 24 steps of the subdivision
% algorithm (boxes of 3/4096 by 0.8/4096), checked against a long orbit;
% @item the transition matrix of the covering (Ulam's matrix);
% @item its Morse decomposition: the Morse sets and which reach which;
% @item the maximal invariant set;
% @item an entropy estimate from the two-symbol partition x < 0, x >= 0;
% @item certified results, from interval images: a covering that encloses
% the attractor (to depth 18), checked against the same orbit, and an upper
% bound of the entropy for the same partition;
% @item two pictures in @var{folder} (default: the current folder):
% henon-covering.png, the covering coloured by where the mass of Ulam's
% matrix settles, and henon-morse.png, the Morse sets;
% @item the invariant measure, drawn as henon-measure.png.
% @item the unstable manifold of the fixed point in the attractor, by
% continuation at the same depth, compared with the attractor's Morse set,
% and its picture henon-unstable.png, coloured by the round of the
% continuation that reached each box.
% @end enumerate
%
% It prints a summary with the time of each stage.  Copy it and change the
% map, the rectangle, the sample points and the depth to analyse your own
% system.
% @end deftypefn
function henon(folder)
  if nargin < 1
    folder = '.';
  end
  started = tic;
  f = @(x) [1 - 1.4 * x(1, :) .^ 2 + x(2, :); 0.3 * x(1, :)];

  % 1. The covering. Each box is represented by 20 x 5 sample points, from
  % face to face: the map stretches x by up to 4.2 and y hardly at all, and
  % sample images must lie closer than a box width for no box to be missed.
  T = Tree([0 0], [1.5 0.4]);
  T.verbose = 0;   % 1 prints a line per step
  [sx, sy] = ndgrid(linspace(-1, 1, 20), linspace(-1, 1, 5));
  points = [sx(:)'; sy(:)'];
  t = tic;
  attractor(T, f, 24, points);
  [c, r] = boxes(T);
  n = size(c, 2);
  time.covering = toc(t);

  % A check: an orbit after a transient lies on the attractor, so in boxes.
  t = tic;
  orbit = zeros(2, 100000);
  z = [0.1; 0.1];
  for k = 1:1000 + size(orbit, 2)
    z = f(z);
    if k > 1000
      orbit(:, k - 1000) = z;
    end
  end
  missed = nnz(search(T, orbit) == 0);
  time.orbit = toc(t);

  % 2. Transitions: A(i, j) is the fraction of box j's samples mapped into
  % box i; spones(A) is the graph, an edge j -> i.
  t = tic;
  A = transitions(T, f, [], points);
  time.transitions = toc(t);

  % 3. Morse sets: the strongly connected components with a cycle, numbered
  % so that every path between two goes from the lower number to the higher;
  % G(a+1, b+1) = 1 when Morse set b reaches Morse set a.
  t = tic;
  [m, G] = morsesets(A);
  k = size(G, 1);
  sizes = accumarray(double(m(m >= 0))' + 1, 1, [k 1])';
  time.morse = toc(t);

  % 4. The maximal invariant set: the boxes on paths infinite both ways.
  t = tic;
  inv = invariantset(A);
  time.invariant = toc(t);

  % 5. Entropy: the subshift of the symbol sequences (0: x < 0, 1: x >= 0)
  % of the paths in the invariant set, from a box of the largest Morse set.
  t = tic;
  [~, largest] = max(sizes);
  within = find(inv);
  labels = uint8(c(1, within) >= 0);
  start = find(m(within) == largest - 1, 1) - 1;   % zero-based
  [h, S] = entropy(A(within, within), labels, start);   % S: the subshift's matrix
  time.entropy = toc(t);

  % 6. Certified: interval images enclose the true ones (f is written with
  % elementwise operators, so it also maps interval matrices), the
  % covering holds every point of the attractor, and the outer graph's
  % subshift bounds the entropy for the partition from above. The constants
  % are the doubles 1.4 and 0.3; write infsup("1.4") for the decimal.
  t = tic;
  U = Tree([0 0], [1.5 0.4]);
  U.verbose = 0;
  attractor(U, f, 18, 'interval');
  outer.boxes = count(U);
  outer.missed = nnz(search(U, orbit) == 0);
  cu = boxes(U);
  [outer.bound, outer.estimate] = entropybound(transitions(U, f, [], 'interval'), cu(1, :) >= 0);
  release(U);
  time.certified = toc(t);

  % 7. Pictures. The covering coloured by where the mass of a uniform
  % distribution sits after 200 steps of Ulam's matrix: log10 of the mass
  % per box, 4 decades down from the largest. This approximates the
  % invariant measure that typical orbits sample. Then the Morse sets by
  % number, the boxes outside them grey.
  t = tic;
  p = ones(n, 1) / n;
  for step = 1:200
    p = A * p;
    p = p / sum(p);
  end
  mass = log10(p');
  mass = max(mass, max(mass) - 4);
  covering = fullfile(folder, 'henon-covering.png');
  plotboxes(T, [], mass, covering);
  morse = double(m);
  morse(m < 0) = NaN;
  morsefile = fullfile(folder, 'henon-morse.png');
  plotboxes(T, [], morse, morsefile);
  time.pictures = toc(t);

  % 7. The invariant measure: the mass that typical orbits leave in each
  % box, from a sampling adapted to the map's stretching (see help
  % invariantmeasure), drawn as the density of its mass on a log scale.
  % Images of a few boxes fall into boxes that the subdivision removed, so
  % the covering loses a little mass: mu is the conditionally invariant
  % measure, lambda the mass it keeps a step.
  t = tic;
  [mu, lambda] = invariantmeasure(T, f);
  measurefile = fullfile(folder, 'henon-measure.png');
  plotboxes(T, [], mu, measurefile, [], 'logdensity');
  time.measure = toc(t);

  % 8. The unstable manifold of the fixed point (0.6314, 0.1894), the one in
  % the attractor: the boxes at depth 24 that continuation reaches from its
  % box, mapping each new box once. The manifold's closure is the attractor,
  % so it should hold the largest Morse set. rounds: the round in which
  % each box was made.
  t = tic;
  x = (-0.7 + sqrt(0.49 + 5.6)) / 2.8;   % x = 1 - 1.4 x^2 + 0.3 x
  fixed = [x; 0.3 * x];
  U = Tree([0 0], [1.5 0.4]);
  U.verbose = 0;
  [unstable, rounds] = unstableset(U, f, fixed, 24);
  inmanifold = search(U, c) > 0;   % the attractor's boxes it holds
  held = nnz(inmanifold & m == largest - 1);
  unstablefile = fullfile(folder, 'henon-unstable.png');
  plotboxes(U, [], rounds, unstablefile);
  release(U);
  time.unstable = toc(t);
  release(T);   % frees the boxes; a tree otherwise lives until Octave ends

  fprintf('Henon map x'' = 1 - 1.4 x^2 + y, y'' = 0.3 x on [-1.5, 1.5] x [-0.4, 0.4]\n');
  row(sprintf('covering, 24 subdivisions, %d samples a box', size(points, 2)), ...
      sprintf('%d boxes', n), time.covering);
  row('orbit points outside the covering', ...
      sprintf('%d of %d', missed, size(orbit, 2)), time.orbit);
  row('transitions', sprintf('%d edges', nnz(A)), time.transitions);
  row('Morse sets', sprintf('%d', k), time.morse);
  for a = 1:k
    members = m == a - 1;
    lo = min(c(:, members) - r(:, members), [], 2);
    hi = max(c(:, members) + r(:, members), [], 2);
    if sizes(a) == 1
      where = sprintf('1 box at (%.4f, %.4f)', c(1, members), c(2, members));
    else
      where = sprintf('%d boxes in [%.2f, %.2f] x [%.2f, %.2f]', sizes(a), lo(1), hi(1), lo(2), hi(2));
    end
    reached = find(G(:, a))' - 1;
    reached = reached(reached ~= a - 1);
    if ~isempty(reached)
      where = [where, ', reaches', sprintf(' %d', reached)];
    end
    fprintf('    %d: %s\n', a - 1, where);
  end
  row('boxes on no cycle', sprintf('%d', nnz(m < 0)), []);
  row('maximal invariant set', sprintf('%d boxes', nnz(inv)), time.invariant);
  row('entropy, symbols x < 0 and x >= 0', sprintf('%.4f', h), time.entropy);
  fprintf('    from a subshift of %d subsets\n', size(S, 1));
  row('certified (interval images), depth 18', sprintf('%d boxes', outer.boxes), time.certified);
  row('  orbit points outside it', sprintf('%d of %d', outer.missed, size(orbit, 2)), []);
  row('  entropy bound, x < 0 and x >= 0', sprintf('%.4f', outer.bound), []);
  row('pictures', '', time.pictures);
  fprintf('    %s\n    %s\n', covering, morsefile);
  row('invariant measure, mass kept a step', sprintf('%.7f', lambda), time.measure);
  fprintf('    %s\n', measurefile);
  row(sprintf('unstable manifold of (%.4f, %.4f)', fixed), sprintf('%d boxes', unstable), time.unstable);
  fprintf('    in %d rounds; holds %d of the %d boxes of Morse set %d\n', max(rounds), held, ...
          sizes(largest), largest - 1);
  fprintf('    %s\n', unstablefile);
  row('total', '', toc(started));
end

% One line of the summary: what, how much, and the seconds it took.
function row(what, value, seconds)
  if isempty(seconds)
    fprintf('  %-44s %16s\n', what, value);
  else
    fprintf('  %-44s %16s %7.2f s\n', what, value, seconds);
  end
end
