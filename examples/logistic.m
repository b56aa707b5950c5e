% -*- texinfo -*-
% @deftypefn  {} {@var{h} =} logistic ()
% @deftypefnx {} {@var{h} =} logistic (@var{folder})
% The logistic map x' = 4 x (1 - x) on [0, 1], whose topological entropy is
% log 2 and whose invariant density is 1/(pi sqrt(x (1 - x))):
%
% @enumerate
% @item its entropy estimated from a covering of 2^14 intervals, as the
% entropy of the subshift induced by the two halves [0, 1/2) and [1/2, 1],
% and, for comparison, from the covering's graph alone, and a certified
% upper bound from the outer graph that interval images give;
% @item its invariant measure at 2^10, 2^12 and 2^14 intervals against the
% exact mass of each interval, (2/pi) (asin sqrt(b) - asin sqrt(a)) for
% [a, b): the L1 error and the rate at which it falls;
% @item with a @var{folder}, the density as a graph, logistic-density.png.
% @end enumerate
%
% Prints a summary and returns the first entropy estimate.
% @end deftypefn
function h = logistic(folder)
  started = tic;
  f = @(x) 4 * (0.25 - (x - 0.5).^2);   % 4 x (1 - x), with x once: also for intervals
  T = Tree(0.5, 0.5);   % the interval [0, 1]: centre and radius
  T.verbose = 0;
  for k = 1:14
    subdivide(T);       % 2^14 intervals of length 2^-14
  end
  A = transitions(T, f);
  c = boxes(T);
  labels = uint8(c >= 0.5);
  h = entropy(A, labels, 0);   % paths from the interval at 0
  graph = entropy(A);
  % The outer graph: every transition of the map, from interval images;
  % its subshift's entropy bounds the map's from above, with rounding
  % accounted for.
  bound = entropybound(transitions(T, f, [], 'interval'), labels);
  time.entropy = toc(started);

  % The invariant measure at three depths of the same tree (the levels
  % above the deepest are still there): the mass of each interval against
  % the exact one. The sampling follows the map linearly on pieces of each
  % interval, so the error is that of Ulam's method itself.
  t = tic;
  depths = [10 12 14];
  errors = zeros(size(depths));
  for q = 1:numel(depths)
    mu = invariantmeasure(T, f, depths(q));
    edges = linspace(0, 1, 2 ^ depths(q) + 1)';
    exact = diff(2 / pi * asin(sqrt(edges)));
    errors(q) = sum(abs(mu - exact));
  end
  fit = polyfit(log(2 .^ depths), log(errors), 1);
  if nargin > 0
    picture = fullfile(folder, 'logistic-density.png');
    plotboxes(T, [], mu, picture, [], 'density');
  end
  time.measure = toc(t);
  release(T);   % frees the boxes; a tree otherwise lives until Octave ends

  fprintf('Logistic map x'' = 4 x (1 - x) on [0, 1], %d intervals\n', numel(c));
  fprintf('  entropy of the subshift of the halves:  %.12f\n', h);
  fprintf('  log 2:                                  %.12f (difference %.1e)\n', log(2), h - log(2));
  fprintf('  entropy of the covering''s graph:        %.4f (paths between neighbouring\n', graph);
  fprintf('                                          intervals that no orbit follows)\n');
  fprintf('  certified upper bound (interval images): %.12f\n', bound);
  fprintf('  time:                                   %.2f s\n', time.entropy);
  fprintf('  invariant measure against the density 1/(pi sqrt(x (1 - x))),\n');
  fprintf('  L1 error of the intervals'' masses:\n');
  for q = 1:numel(depths)
    fprintf('    2^%d intervals                        %.4f\n', depths(q), errors(q));
  end
  fprintf('    falling like n^%.2f\n', fit(1));
  if nargin > 0
    fprintf('    %s\n', picture);
  end
  fprintf('  time:                                   %.2f s\n', time.measure);
end
