% -*- texinfo -*-
% @deftypefn  {} {@var{S} =} meets (@var{T}, @var{lower}, @var{upper})
% @deftypefnx {} {@var{S} =} meets (@var{T}, @var{lower}, @var{upper}, @var{d})
% @deftypefnx {} {[@var{k}, @var{j}] =} meets (@dots{})
% @deftypefnx {} {@var{hit} =} meets (@var{T}, @var{lower}, @var{upper}, @var{d}, "any")
% @deftypefnx {} {@var{X} =} meets (@var{T}, @var{lower}, @var{upper}, @var{d}, "missing")
% The boxes of the tree @var{T} at depth @var{d} (default or empty: the
% deepest level) that each of m rectangles meets.  Rectangle j is the closed
% box [@var{lower}(:, j), @var{upper}(:, j)]; @var{lower} and @var{upper} are
% dim-by-m.
%
% @itemize
% @item @var{S}: n-by-m sparse, n = @code{count (T, d)}: @var{S}(k, j) = 1
% when rectangle j meets box k.  For the enclosures of the boxes' images,
% this is the outer transition matrix (@code{transitions} in interval mode).
% @item @var{k}, @var{j}: the same pairs as two columns, by rectangle and
% within a rectangle by box number (as @code{[k, j] = find (S)}).
% @item @var{hit}: 1-by-n logical, true for the boxes that some rectangle
% meets.
% @item @var{X}: the boxes at depth @var{d} that the rectangles meet and
% the tree lacks, those that @code{insert} would make there (a box without
% halves split along @code{T.sd}, as insertion splits it), each by the
% lower corner of its faces, dim-by-k, each box once: @code{insert (T, X,
% d)} makes exactly them.  Here @var{d} may lie below the deepest level, to
% 500*dim.
% @end itemize
%
% A rectangle meets a box when it meets the box's closed hull: a rectangle
% that only touches a box's face (lower or upper) meets it, so on a face
% shared by two neighbours both count.  The answer is outer: no box that
% holds a point of the rectangle is missed.  The faces compared are exactly
% those that @code{search} uses to place points (see @code{faces}), so no
% rounding enters.  A rectangle with @var{lower} > @var{upper} in some
% coordinate is empty (as the interval package's empty interval) and meets
% nothing; infinite corners are allowed, NaN is refused.
%
% Cost: rectangles that meet a few boxes each, on a level made by
% subdivision or insertion, have the cells they span looked up through
% @code{search}'s index, about twice the time of searching one point per
% box found (the Henon covering at depth 20); larger ones, and other
% levels, descend the tree.  Also callable as @code{T.meets(lower, upper,
% d)}.
%
% Errors: "Tree.meets: the corners must be real dim-by-m matrices of one
% size, one rectangle per column.", "Tree.meets: the corners must not be
% NaN.", "Tree.meets: the form must be "sparse", "pairs", "any" or
% "missing".", and those of @code{count} for @var{d}.
%
% @example
% T = Tree (0, 1);
% subdivide (T); subdivide (T);          % [-1, -0.5) ... [0.5, 1]
% full (meets (T, [-0.6 0], [-0.2 0]))   % the second touches 2 and 3
% @result{} [1 0; 1 1; 0 1; 0 0]
% @end example
% @seealso{faces, search, transitions}
% @end deftypefn
function varargout = meets(T, lower, upper, d, form)
  if nargin < 3
    error('boxgraph:Tree:usage', 'Tree.meets: usage: S = meets(T, lower, upper, d).');
  end
  if nargin < 4 || isempty(d)
    d = max(treeops(struct(T), 'depth'), 0);
  end
  if nargin < 5
    form = 'sparse';
    if nargout > 1
      form = 'pairs';
    end
  end
  varargout = cell(1, max(nargout, 1));
  [varargout{:}] = treeops(struct(T), 'meets', lower, upper, d, form);
end

%!shared T
%! T = Tree (0, 1);
%! subdivide (T); subdivide (T);

%!test
%! ## Faces count on both sides; a point inside one box; beyond the rectangle.
%! S = meets (T, [-0.6 0 0.2 1.5], [-0.2 0 0.3 2]);
%! assert (issparse (S));
%! assert (full (S), [1 0 0 0; 1 1 0 0; 0 1 1 0; 0 0 0 0]);
%! [k, j] = meets (T, [-0.6 0 0.2 1.5], [-0.2 0 0.3 2]);
%! assert ([k j], [1 1; 2 1; 2 2; 3 2; 3 3]);
%! assert (meets (T, [-0.6 0.9], [-0.2 1], [], "any"), logical ([1 1 0 1]));
%! assert (full (meets (T, 0.1, 0.1, 1)), [0; 1]);
%! ## empty, unbounded
%! assert (nnz (meets (T, 0.5, 0.4)), 0);
%! assert (full (meets (T, -Inf, Inf))', [1 1 1 1]);
%! assert (size (meets (T, zeros (1, 0), zeros (1, 0))), [4 0]);
%! assert (T.meets ([-0.6 0], [-0.2 0]), meets (T, [-0.6 0], [-0.2 0]));

%!test
%! ## On a rectangle whose boxes' c -+ r round away from the faces that
%! ## search uses, every box's own faces meet it, and a point searched into
%! ## a box is in the box's column.
%! U = Tree ([0.1 -0.3], [0.7 1.3]);
%! for k = 1:10
%!   subdivide (U);
%! end
%! [lo, hi] = faces (U);
%! S = meets (U, lo, hi);
%! assert (all (diag (S)));
%! x = [0.1; -0.3] + [0.7; 1.3] .* (2 * rand (2, 500) - 1);
%! k = search (U, x);
%! P = meets (U, x, x);
%! assert (all (P(sub2ind (size (P), k, 1:500))));

%!error <usage> meets (T, 0)
%!error <corners must be real 1-by-m matrices of one size> meets (T, [0 1], 1)
%!error <corners must be real 1-by-m matrices of one size> meets (T, [0; 1], [1; 2])
%!error <corners must not be NaN> meets (T, NaN, 1)
%!error <the form must be> meets (T, 0, 1, 2, "all")
%!error <depth must be a whole number from 0 to 500> meets (T, 0, 1, 501, "missing")

%!test
%! ## The boxes a tree lacks, made by inserting their corners; afterwards
%! ## none is missing.
%! U = Tree ([0.1 -0.3], [0.7 1.3]);
%! for k = 1:6
%!   subdivide (U);
%! end
%! keep (U, mod (1:count (U), 3) > 0);
%! lower = [0 -0.5; 0.3 0.2]';
%! upper = [0.2 0; 0.5 0.9]';
%! X = meets (U, lower, upper, 8, "missing");
%! assert (rows (X), 2);
%! assert (insert (U, X, 8), columns (X));
%! assert (isempty (meets (U, lower, upper, 8, "missing")));
%! assert (all (sum (meets (U, lower, upper, 8)) > 0));
%!error <depth must be a whole number from 0 to 2> meets (T, 0, 1, 3)

%!demo
%! ## The boxes of a 4 by 4 grid over [-1, 1]^2 that two rectangles touch:
%! ## one inside a box, one across the centre (four boxes meet there).
%! T = Tree ([0 0], [1 1]);
%! for k = 1:4
%!   subdivide (T);
%! end
%! lower = [0.1 0.1; -0.1 -0.1]';   % one rectangle per column
%! upper = [0.2 0.2; 0.1 0.1]';
%! [k, j] = meets (T, lower, upper)
%! c = boxes (T);
%! c(:, k)
