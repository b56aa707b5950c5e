% -*- texinfo -*-
% @deftypefn  {} {} chainrecurrentset (@var{T}, @var{f}, @var{steps})
% @deftypefnx {} {@var{n} =} chainrecurrentset (@var{T}, @var{f}, @var{steps}, @var{points})
% @deftypefnx {} {@var{n} =} chainrecurrentset (@var{T}, @var{f}, @var{steps}, @var{points}, "settle")
% Covers the chain recurrent set of the map @var{f} in the rectangle of the
% tree @var{T} by the subdivision algorithm: @var{steps} times, halve every
% box at the deepest level (@code{subdivide}), build the transition graph of
% that level (an edge from box j to box i where an image of box j meets box
% i) and keep only the boxes on a cycle of it: the strongly connected
% components with an edge (@code{strongcomp}).
%
% A point is chain recurrent when it comes back to itself along
% epsilon-chains, orbits allowed a jump of epsilon at every step, for every
% epsilon; the set holds the fixed points, the periodic orbits, the
% attractors and repellers, but not the orbits between them.  The boxes on
% a cycle of the graph cover those that come back at the resolution of the
% level; as the boxes shrink, the covering shrinks towards the set.  The
% components of the last graph, @code{morsesets (transitions (T, f))}, are
% then the Morse sets.
%
% @var{f}, @var{points}, the default samples (adapted to the map, box by
% box), the progress lines (with @code{T.verbose} not 0), "settle" and
% what a failed step leaves (the tree as the steps before it left it) are
% those of @code{attractor}.  Here the selection keeps a collection that it
% would keep whole again, so "settle" changes a tree only with @var{steps} =
% 0: on a covering made otherwise, it keeps the boxes on cycles at the
% deepest level without halving.  @var{T} changes in place; @var{n} is the
% number of boxes left at the deepest level.
%
% In interval mode, @var{points} = @code{"interval"} (see
% @code{attractor}), the graph is the outer graph of the level: given that
% @var{f}'s interval evaluation encloses @var{f}, every periodic orbit that
% stays in the rectangle lies in kept boxes at every step (its boxes form a
% cycle of the graph), and so does every point that returns to its own box
% at every level.
%
% Cost: per step, the mapping of the level (as in @code{attractor}) and two
% depth-first searches of its graph (@code{strongcomp}).
%
% Errors: "chainrecurrentset: steps must be a whole number, 0 or more.",
% "chainrecurrentset: the only option is "settle".", and those of
% @code{transitions} for @var{f} and @var{points}.
%
% @example
% % x' = x + x (1 - x^2) / 4 (fixed points -1, 0, 1), y' = y / 2
% f = @@(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
% T = Tree ([0 0], [1.5 1]);
% T.verbose = 0;
% chainrecurrentset (T, f, 16)    % small boxes around the three fixed points
% @end example
% @seealso{attractor, maximalinvariantset, morsesets, strongcomp}
% @end deftypefn
function n = chainrecurrentset(T, f, steps, points, varargin)
  if nargin < 3
    error('boxgraph:chainrecurrentset:usage', ...
          'chainrecurrentset: usage: chainrecurrentset(T, f, steps, points).');
  end
  if nargin < 4
    points = [];
  end
  m = subdivision('chainrecurrentset', T, f, steps, points, varargin);
  if nargout > 0
    n = m;
  end
end

%!shared gradient, fixed
%! ## x' = x + x (1 - x^2) / 4: attracting fixed points -1 and 1 (slope
%! ## 1/2), repelling 0 (slope 5/4); y' = y / 2. The orbits between them are
%! ## not chain recurrent.
%! gradient = @(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
%! fixed = [-1 0 1; 0 0 0];

%!test
%! ## A gradient-like map's chain recurrent set is its fixed points: every
%! ## box left lies within a few box widths of one, each holds a box, and
%! ## the covering does not grow with the depth.
%! T = Tree ([0 0], [1.5 1]);
%! T.verbose = 0;
%! n12 = chainrecurrentset (T, gradient, 12);
%! n16 = chainrecurrentset (T, gradient, 4);
%! assert (T.depth, 16);
%! assert (n16 <= n12);
%! [c, r] = boxes (T);
%! near = false (3, n16);
%! for k = 1:3   # within 6 box widths in x, 2 in y
%!   near(k, :) = abs (c(1, :) - fixed(1, k)) <= 12 * r(1, 1) & abs (c(2, :)) <= 4 * r(2, 1);
%! end
%! assert (all (any (near, 1)));
%! assert (all (any (near, 2)));
%! assert (all (search (T, fixed) > 0));
%! assert (n16 <= 80);

%!test
%! ## Chain recurrent set, maximal invariant set and relative global
%! ## attractor, each inside the next, box by box (Henon map); the last
%! ## holds the transient branch that the invariant set leaves out.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! cover = cell (1, 3);
%! names = {@chainrecurrentset, @maximalinvariantset, @attractor};
%! for k = 1:3
%!   U = Tree ([0 0], [1.5 0.4]);
%!   U.verbose = 0;
%!   names{k} (U, henon, 12);
%!   cover{k} = U;
%! end
%! c1 = boxes (cover{1}, 12);
%! c2 = boxes (cover{2}, 12);
%! assert (all (search (cover{2}, c1, 12) > 0));
%! assert (all (search (cover{3}, c2, 12) > 0));
%! assert (count (cover{1}) <= count (cover{2}));
%! assert (count (cover{2}) < count (cover{3}));

%!test
%! ## The progress lines; "settle" with no steps keeps the boxes on cycles
%! ## of a covering made otherwise, and with steps changes nothing more.
%! T = Tree ([0 0], [1.5 1]);
%! out = evalc ("chainrecurrentset (T, gradient, 3, [], 'settle');");
%! lines = strsplit (strtrim (out), "\n");
%! assert (numel (lines), 4);
%! assert (! isempty (regexp (lines{3}, '^chainrecurrentset: step 3 of 3, depth 3, \d+ boxes kept, \d+\.\d\d s$')));
%! assert (! isempty (regexp (lines{4}, '^chainrecurrentset: settled at depth 3, (\d+) of \1 boxes kept, \d+\.\d\d s$')));
%! U = Tree ([0 0], [1.5 1]);
%! U.verbose = 0;
%! attractor (U, gradient, 10);
%! before = count (U);
%! n = chainrecurrentset (U, gradient, 0, [], "settle");
%! assert (n < 0.7 * before);
%! assert (all (search (U, fixed) > 0));
%! c = boxes (U);
%! assert (chainrecurrentset (U, gradient, 0, [], "settle"), n);
%! assert (boxes (U), c);
%! ## the same as selecting at every step
%! V = Tree ([0 0], [1.5 1]);
%! V.verbose = 0;
%! chainrecurrentset (V, gradient, 10);
%! assert (boxes (V), c);

%!function y = limited (x, most)
%!  ## x -> 3|x| - 2, refusing more than most points at once
%!  if (columns (x) > most)
%!    error ("test:tooMany", "%d points", columns (x));
%!  endif
%!  y = 3 * abs (x) - 2;
%!endfunction

%!test
%! ## A step whose map fails leaves the tree as the steps before it left it
%! ## (here on the graph's selection): the covering of a run that stops
%! ## there, at every level. A settling that fails changes nothing.
%! T = Tree (0, 1);
%! T.verbose = 0;
%! try
%!   chainrecurrentset (T, @(x) limited (x, 2000), 30);
%!   error ("chainrecurrentset went on");
%! catch err
%!   assert (err.identifier, "test:tooMany");
%! end_try_catch
%! d = T.depth;
%! assert (d > 3 && d < 30);
%! U = Tree (0, 1);
%! U.verbose = 0;
%! chainrecurrentset (U, @(x) limited (x, Inf), d);
%! counts = @(T) arrayfun (@(l) count (T, l), 0:T.depth);
%! assert (counts (T), counts (U));
%! assert (boxes (T), boxes (U));
%! fail ("chainrecurrentset (T, @(x) limited (x, 0), 0, [], 'settle')", "points");
%! assert (counts (T), counts (U));

%!test
%! ## Interval mode keeps the three fixed points' boxes at every depth, and
%! ## every box that samples at given points keep.
%! T = Tree ([0 0], [1.5 1]);
%! T.verbose = 0;
%! chainrecurrentset (T, gradient, 12, "interval");
%! assert (all (search (T, fixed) > 0));
%! U = Tree ([0 0], [1.5 1]);
%! U.verbose = 0;
%! [px, py] = ndgrid (linspace (-1, 1, 5));
%! chainrecurrentset (U, gradient, 12, [px(:)'; py(:)']);
%! assert (all (search (T, boxes (U)) > 0));
%! assert (count (T) < 0.05 * 2^12);   # 88 boxes here, 72 sampled

%!error <usage> chainrecurrentset (Tree (0, 1), @(x) x)
%!error <steps must be a whole number> chainrecurrentset (Tree (0, 1), @(x) x, -1)
%!error <the only option is "settle"> chainrecurrentset (Tree (0, 1), @(x) x, 1, [], "settled")
%!error <f must be a function handle or name> chainrecurrentset (Tree (0, 1), 3, 1)

%!demo
%! ## A gradient-like map: the chain recurrent set is its three fixed
%! ## points; a line per step shows the covering shrink onto them.
%! f = @(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
%! T = Tree ([0 0], [1.5 1]);
%! chainrecurrentset (T, f, 12);
%! c = boxes (T)
