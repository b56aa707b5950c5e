% -*- texinfo -*-
% @deftypefn  {} {@var{h} =} entropybound (@var{A}, @var{labels})
% @deftypefnx {} {[@var{h}, @var{estimate}] =} entropybound (@var{A}, @var{labels})
% A certified upper bound @var{h} of the entropy of the subshift that the
% labelled graph of @var{A} induces, and beside it the estimate that
% @code{entropy} gives, so that the gap shows.
%
% @var{A}: n-by-n, sparse (a full one is made sparse); a stored @var{A}(i,
% j) that is not 0 is an edge from vertex j to vertex i.  @var{labels}: one
% symbol per vertex, 0 to 255 (@code{uint8}, or whole numbers, as for
% @code{entropy}).  @var{h} and @var{estimate} are natural logarithms,
% -Inf when the graph has no cycle.
%
% @strong{What is certified.}  Let N(k) be the number of label sequences of
% length k along the paths of the graph.  Then N(k) grows at most like
% exp(k @var{h}): @var{h} is at least the growth rate log(rho) of N(k), and
% this holds as a mathematical fact about @var{A} and @var{labels}, whatever
% rounding happened on the way.  It is computed so: for each strongly
% connected component with a cycle, @code{subshift} builds the words from a
% vertex of the component (a right-resolving presentation: each word is one
% path of the subset graph from its start, so N(k) from that vertex is the
% number of its paths); the words from a component include those of every
% component it reaches, so one start in each component that no other reaches
% suffices.  The spectral radius rho of each subset graph's transition
% matrix M (nonnegative whole numbers) is bounded by the Collatz-Wielandt
% inequality: rho(M) <= max_i (M v)_i / v_i for every positive vector v,
% applied to M's strongly connected components (which have M's spectral
% radius), with v the solution of (sigma I - M) v = 1 for sigma a little
% above the estimate of rho, which makes every quotient sigma - 1/v_i.
% The products, sums, quotients and the logarithm are evaluated in interval
% arithmetic with outward rounding (the interval package), so @var{h} is
% an upper bound of the exact log(rho), not an estimate of it: v only
% decides how close.  Its gap to @var{estimate} (log of a floating-point
% spectral radius) is usually 1e-14 to 1e-12.
%
% @strong{What it says about a map.}  If @var{A} is an outer graph of a map
% f on boxes (for every point x of box j whose image f(x) lies in box i,
% @var{A}(i, j) is an edge, as @code{transitions (T, f, d, "interval")}
% makes it when f's interval evaluation encloses f), the labels are
% constant on boxes, and each box lies inside the element of the partition
% that its label names (box faces on the partition's boundaries: a box is
% half-open, see @code{faces}), then every orbit segment x, f(x), ...,
% f^(k-1)(x) that stays in the boxes has an itinerary through the partition
% that is the label sequence of a path of @var{A}.  So @var{h} bounds from
% above the growth rate of the number of such itineraries: the entropy of f
% with respect to the partition on the set of points whose orbits stay in
% the covering (the topological entropy of f there when the partition is
% generating, as the two halves are for the logistic map).  With a graph
% from sampled images no such statement holds: an edge may be missing.
%
% Cost: that of @code{entropy} for each start (the subset construction can
% grow exponentially with n), plus a few products with the subset graphs'
% matrices in interval arithmetic.
%
% Errors: "entropybound: A must be a square real matrix (n-by-n, sparse),
% A(i, j) an edge j -> i.", "entropybound: labels must be whole numbers from
% 0 to 255, one per vertex.", those of @code{subshift} for a construction
% that outgrows memory, and "entropybound: ... needs Octave's interval
% package ..." where it is not installed.
%
% @example
% T = Tree (0.5, 0.5);                     % [0, 1]
% for k = 1:10
%   subdivide (T);
% end
% f = @@(x) 4 * (0.25 - (x - 0.5).^2);     % x' = 4 x (1 - x), x once
% A = transitions (T, f, [], "interval");  % an outer graph
% c = boxes (T);
% [h, estimate] = entropybound (A, c >= 0.5)
% @result{} h = 0.693147180559945 (log 2, rounded up), estimate the same
% @end example
% @seealso{entropy, subshift, transitions}
% @end deftypefn
function [h, estimate] = entropybound(A, labels)
  if nargin < 2
    error('boxgraph:entropybound:usage', 'entropybound: usage: [h, estimate] = entropybound(A, labels).');
  end
  A = squaregraph('entropybound', A);
  n = size(A, 1);
  if ~(isnumeric(labels) || islogical(labels)) || ~isreal(labels) || numel(labels) ~= n ...
     || ~all(labels(:) >= 0 & labels(:) <= 255 & labels(:) == fix(labels(:)))
    error('boxgraph:entropybound:badLabels', 'entropybound: labels must be whole numbers from 0 to 255, one per vertex.');
  end
  labels = uint8(full(labels(:)'));
  intervalpackage('entropybound');
  h = -Inf;
  estimate = -Inf;
  [m, G] = morsesets(A);
  k = size(G, 1);
  % Morse sets that no other one reaches: G(a, b) = 1 when b reaches a.
  sources = find(full(sum(G, 2))' == 1);
  for a = sources
    start = find(m == a - 1, 1) - 1;
    [e, S] = entropy(A, labels, start);
    estimate = max(estimate, e);
    h = max(h, logbound(radiusbound(S, exp(e))));
  end
end

% sup of log(rho) for an upper bound rho of a spectral radius, -Inf for 0.
function h = logbound(rho)
  if rho == 0
    h = -Inf;
  else
    h = sup(log(infsup(rho)));
  end
end

% An upper bound of the spectral radius of the nonnegative sparse matrix S
% (whole-number entries), given an estimate rho of it: the Collatz-Wielandt
% bound max_i (B v)_i / v_i of its part B inside the strongly connected
% components, whose spectral radius is S's (the rest is block triangular).
% (B v)_i is enclosed in interval arithmetic, so the bound holds for any
% positive v; v solves (sigma I - B) v = 1 for sigma a little above rho.
% Then B v = sigma v - 1, each quotient is sigma - 1 / v_i, and the bound
% comes within about sigma - rho of rho, whatever the range of the Perron
% vector (which in subset graphs can span 30 decades, beyond what an
% eigenvector routine resolves). Where the solve gives no positive v (sigma
% not above rho after all), sigma moves further up. The largest row sum,
% the bound for v = 1 (exact for cycles and full shifts), is taken when it
% is lower.
function bound = radiusbound(S, rho)
  n = size(S, 1);
  bound = 0;
  if n == 0
    return;
  end
  c = double(strongcomp(S, S'));
  [i, j, b] = find(S);
  inside = c(i) == c(j) & c(i) >= 0;
  if ~any(inside)
    return;
  end
  [i, order] = sort(i(inside));
  j = j(inside);
  j = j(order);
  b = b(inside);
  b = b(order);
  [~, rowsum] = rowsums(i, infsup(b));
  bound = max(sup(rowsum));
  B = sparse(i, j, b, n, n);
  % A sigma at rho to working precision makes the solve warn; the bound
  % stays valid whatever v comes out, and a v that is not positive is tried
  % again with a larger sigma.
  warning('off', 'Octave:singular-matrix', 'local');
  warning('off', 'Octave:nearly-singular-matrix', 'local');
  for widening = [1e-14 1e-12 1e-9 1e-6 1e-3]
    sigma = rho * (1 + widening);
    v = (sigma * speye(n) - B) \ ones(n, 1);
    if all(isfinite(v) & v > 0)
      [rows, sums] = rowsums(i, infsup(b) .* infsup(v(j)));
      bound = min(bound, max(sup(sums ./ infsup(v(rows)))));
      if bound <= rho * (1 + 2 * widening)
        break;   % as close as this sigma allows; a solve so near rho may be rough
      end
    end
  end
end

% Sums of the intervals t by the sorted row indices r: the rows that occur
% and their sums, in outward rounded interval additions, pairing neighbours
% within a row until one term is left per row.
function [rows, t] = rowsums(r, t)
  for round = 1:64
    m = numel(r);
    first = [true; r(2:end) ~= r(1:end-1)];
    starts = find(first);
    rank = (1:m)' - starts(cumsum(first)) + 1;
    pair = find(mod(rank(1:end-1), 2) == 1 & ~first(2:end));
    if isempty(pair)
      break;
    end
    t(pair) = t(pair) + t(pair + 1);
    keep = true(m, 1);
    keep(pair + 1) = false;
    r = r(keep);
    t = t(keep);
  end
  rows = r;
end

%!test
%! ## Named graphs: full shifts, a cycle, the golden mean shift (no two 1s
%! ## in a row), no cycle. The bound is at or above the exact entropy (whose
%! ## lower end the interval package gives) and within rounding of it.
%! pkg load interval
%! assert (entropybound (sparse (ones (2)), [0 1]), log (2), 1e-14);
%! assert (entropybound (sparse (ones (2)), [0 1]) >= inf (log (infsup (2))));
%! [h, e] = entropybound (sparse (ones (3)), [0 1 2]);
%! assert ([h e], log ([3 3]), 1e-14);
%! assert (h >= inf (log (infsup (3))));
%! assert (entropybound (sparse ([2:5 1], 1:5, 1), [0 1 0 1 1]), 0);
%! golden = log ((1 + sqrt (infsup (5))) / 2);
%! A = sparse ([1 2 1], [1 1 2], 1, 2, 2);
%! [h, e] = entropybound (A, [0 1]);
%! assert (h >= inf (golden) && h - sup (golden) < 1e-12);
%! assert (e, mid (golden), 1e-14);
%! assert (entropybound (sparse (2:4, 1:3, 1, 4, 4), [0 0 1 1]), -Inf);
%! assert (entropybound (sparse (0, 0), []), -Inf);

%!test
%! ## Two components, the larger entropy downstream of a one-vertex loop:
%! ## the bound is the largest; an unreached component counts too.
%! A = blkdiag (sparse (1, 1, 1), sparse (ones (3)), sparse (ones (2)));
%! A(2, 1) = 1;                       # the loop at 1 reaches the full 3-shift
%! labels = [0 0 1 2 0 1];
%! [h, e] = entropybound (A, labels);
%! assert (h >= inf (log (infsup (3))) && h - log (3) < 1e-13);
%! assert (e, log (3), 1e-13);
%! B = blkdiag (sparse (ones (2)), sparse ([0 1; 1 0]));
%! assert (entropybound (B, [0 1 0 1]), log (2), 1e-14);

%!test
%! ## Against the spectral radius of the subset graph by eig, on random
%! ## labelled graphs: the same to about 1e-12 (eig's own result is off by a
%! ## few units in the last place).
%! rand ("seed", 5);
%! for trial = 1:20
%!   n = 6 + trial;
%!   A = sprand (n, n, 0.25) > 0;
%!   A = A | sparse ([2:n 1], 1:n, true, n, n);   # irreducible
%!   labels = randi ([0 2], 1, n);
%!   [h, e] = entropybound (A, labels);
%!   [i, j, v] = subshift (A, uint8 (labels), 0);
%!   s = max ([i; j]);
%!   exact = log (max (abs (eig (full (sparse (i, j, v, s, s))))));
%!   assert (h, exact, 1e-9);
%!   assert (e, exact, 1e-9);
%!   assert (h >= e - 1e-14);
%! end

%!test
%! ## The logistic family x' = r x (1 - x), partition at 1/2, from outer
%! ## graphs: never below the entropy where it is known (log 2 at r = 4, log
%! ## of the golden mean in the period-3 window at r = 3.83) or where the
%! ## kneading determinant gives it (r = 3.7: 0.381716918613), and coming
%! ## down towards it as the intervals shrink.
%! pkg load interval
%! known = [3.7 0.381716918613; 3.83 inf(log ((1 + sqrt (infsup (5))) / 2)); 4 inf(log (infsup (2)))];
%! for q = 1:rows (known)
%!   r = known(q, 1);
%!   f = @(x) r * (0.25 - (x - 0.5).^2);
%!   h = zeros (1, 3);
%!   for k = 1:3
%!     T = Tree (0.5, 0.5);
%!     T.verbose = 0;
%!     for s = 1:6 + 2 * k
%!       subdivide (T);
%!     end
%!     A = transitions (T, f, [], "interval");
%!     c = boxes (T);
%!     [h(k), e] = entropybound (A, c >= 0.5);
%!     assert (h(k) >= known(q, 2));
%!     assert (h(k) >= e);
%!   end
%!   assert (h(3) <= h(2) && h(2) <= h(1));
%!   assert (h(3) - known(q, 2) < 0.02);
%! end

%!error <usage> entropybound (sparse (1))
%!error <A must be a square real matrix> entropybound (sparse (2, 3), [0 0])
%!error <labels must be whole numbers from 0 to 255, one per vertex> entropybound (sparse (ones (2)), [0 1 1])
%!error <labels must be whole numbers from 0 to 255, one per vertex> entropybound (sparse (ones (2)), [0 0.5])

%!demo
%! ## The logistic map x' = 4 x (1 - x), whose entropy is log 2, on 2^10
%! ## intervals: the outer graph's bound and the estimate, for the halves.
%! T = Tree (0.5, 0.5);
%! T.verbose = 0;
%! for k = 1:10
%!   subdivide (T);
%! end
%! A = transitions (T, @(x) 4 * (0.25 - (x - 0.5).^2), [], "interval");
%! c = boxes (T);
%! [h, estimate] = entropybound (A, c >= 0.5)
%! log (2)
