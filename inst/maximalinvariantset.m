% -*- texinfo -*-
% @deftypefn  {} {} maximalinvariantset (@var{T}, @var{f}, @var{steps})
% @deftypefnx {} {@var{n} =} maximalinvariantset (@var{T}, @var{f}, @var{steps}, @var{points})
% @deftypefnx {} {@var{n} =} maximalinvariantset (@var{T}, @var{f}, @var{steps}, @var{points}, "settle")
% Covers the maximal invariant set of the rectangle of the tree @var{T}
% under the map @var{f}, the points whose whole orbit, forwards and
% backwards, stays in the rectangle, by the subdivision algorithm:
% @var{steps} times, halve every box at the deepest level
% (@code{subdivide}), build the transition graph of that level (an edge from
% box j to box i where an image of box j meets box i) and keep only the
% boxes on a path infinite in both directions: those that reach a cycle and
% are reached from one (@code{cyclereach} of the graph and of its reverse;
% @code{invariantset} does it for a given matrix).
%
% The set holds the chain recurrent set (@code{chainrecurrentset}) and the
% orbits between its parts; it lies in the relative global attractor
% (@code{attractor}), which also holds what enters the rectangle from
% outside and stays.
%
% @var{f}, @var{points}, the default samples (adapted to the map, box by
% box), the progress lines (with @code{T.verbose} not 0), "settle" and
% what a failed step leaves (the tree as the steps before it left it) are
% those of @code{attractor}.  Here the selection keeps a collection that it
% would keep whole again, so "settle" changes a tree only with @var{steps} =
% 0: on a covering made otherwise, it keeps the boxes on paths infinite both
% ways at the deepest level without halving.  @var{T} changes in place;
% @var{n} is the number of boxes left at the deepest level.
%
% In interval mode, @var{points} = @code{"interval"} (see
% @code{attractor}), the graph is the outer graph of the level, and given
% that @var{f}'s interval evaluation encloses @var{f}, the covering holds
% the maximal invariant set at every step: the boxes of a whole orbit that
% stays in the rectangle form a path infinite in both directions.
%
% Cost: per step, the mapping of the level (as in @code{attractor}) and two
% depth-first searches of its graph (@code{cyclereach}).
%
% Errors: "maximalinvariantset: steps must be a whole number, 0 or more.",
% "maximalinvariantset: the only option is "settle".", and those of
% @code{transitions} for @var{f} and @var{points}.
%
% @example
% % x' = x + x (1 - x^2) / 4, y' = y / 2: the invariant set is the segment
% % from (-1, 0) to (1, 0), three fixed points and the orbits between them
% f = @@(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
% T = Tree ([0 0], [1.5 1]);
% T.verbose = 0;
% maximalinvariantset (T, f, 12);
% [c, r] = boxes (T);
% [min(c(1,:) - r(1,:)), max(c(1,:) + r(1,:))]
% @result{} about -1 and 1
% @end example
% @seealso{attractor, chainrecurrentset, invariantset, cyclereach}
% @end deftypefn
function n = maximalinvariantset(T, f, steps, points, varargin)
  if nargin < 3
    error('boxgraph:maximalinvariantset:usage', ...
          'maximalinvariantset: usage: maximalinvariantset(T, f, steps, points).');
  end
  if nargin < 4
    points = [];
  end
  m = subdivision('maximalinvariantset', T, f, steps, points, varargin);
  if nargout > 0
    n = m;
  end
end

%!test
%! ## x' = x + x (1 - x^2) / 4, y' = y / 2 on [-1.5, 1.5] x [-1, 1]: the
%! ## maximal invariant set is the segment [-1, 1] x {0}: every box that
%! ## meets it is kept, none farther than a box from it.
%! f = @(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
%! T = Tree ([0 0], [1.5 1]);
%! T.verbose = 0;
%! n = maximalinvariantset (T, f, 14);
%! segment = [linspace(-1, 1, 1001); zeros(1, 1001)];
%! assert (all (search (T, segment) > 0));
%! [c, r] = boxes (T);
%! assert (n, size (c, 2));
%! assert (all (abs (c(1, :)) - r(1, :) <= 1 + 2 * r(1, 1)));
%! assert (all (abs (c(2, :)) - r(2, :) <= 2 * r(2, 1)));
%! ## the chain recurrent set is much smaller: the three fixed points
%! U = Tree ([0 0], [1.5 1]);
%! U.verbose = 0;
%! assert (chainrecurrentset (U, f, 14) < n / 4);

%!test
%! ## A map that moves every point right leaves no invariant set, and the
%! ## progress lines end where the boxes run out.
%! T = Tree (0, 1);
%! out = evalc ("n = maximalinvariantset (T, @(x) x + 0.3, 5);");
%! assert (n, 0);
%! assert (T.depth, -1);
%! lines = strsplit (strtrim (out), "\n");
%! assert (! isempty (regexp (lines{end}, '^maximalinvariantset: step \d of 5, depth \d, 0 boxes kept, \d+\.\d\d s$')));
%! assert (numel (lines) < 5);

%!test
%! ## Interval mode holds the invariant segment from (-1, 0) to (1, 0), and
%! ## every box that samples at given points keep.
%! f = @(x) [x(1,:) + x(1,:) .* (1 - x(1,:) .^ 2) / 4; x(2,:) / 2];
%! T = Tree ([0 0], [1.5 1]);
%! T.verbose = 0;
%! maximalinvariantset (T, f, 12, "interval");
%! assert (all (search (T, [linspace(-1, 1, 1001); zeros(1, 1001)]) > 0));
%! U = Tree ([0 0], [1.5 1]);
%! U.verbose = 0;
%! [px, py] = ndgrid (linspace (-1, 1, 5));
%! maximalinvariantset (U, f, 12, [px(:)'; py(:)']);
%! assert (all (search (T, boxes (U)) > 0));
%! assert (! any (search (T, [0; 0.5])));

%!error <usage> maximalinvariantset (Tree (0, 1), @(x) x)
%!error <steps must be a whole number> maximalinvariantset (Tree (0, 1), @(x) x, NaN)
%!error <the only option is "settle"> maximalinvariantset (Tree (0, 1), @(x) x, 1, [], 3)
%!error <sample points must lie in the unit box> maximalinvariantset (Tree (0, 1), @(x) x, 1, 2)

%!demo
%! ## The Henon map's rectangle [-1.5, 1.5] x [-0.4, 0.4]: its maximal
%! ## invariant set, the attractor without the transient branch.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! n = maximalinvariantset (T, henon, 14)
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! m = attractor (U, henon, 14)
