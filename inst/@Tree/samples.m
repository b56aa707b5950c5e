% -*- texinfo -*-
% @deftypefn  {} {@var{X} =} samples (@var{T}, @var{P})
% @deftypefnx {} {@var{X} =} samples (@var{T}, @var{P}, @var{d})
% @deftypefnx {} {@var{X} =} samples (@var{T}, @var{P}, @var{d}, [@var{first} @var{last}])
% Sample points of the boxes of the tree @var{T} at depth @var{d} (default:
% the deepest level): for each box, in box-number order, and each column
% @var{p} of @var{P} (dim-by-s offsets in [-1, 1]^dim), the point
% @code{lower + (upper - lower) .* (p + 1) / 2} of the box with the faces
% @var{lower} and @var{upper} (as @code{faces} gives them, the bounds
% @code{search} places points by), kept within [lower, upper]: that is
% @code{c + r .* p} of the box with centre @var{c} and radius @var{r}
% (@code{boxes}) within rounding, exactly so when the rectangle's centre
% and radius are short binary fractions.  The offset -1 gives the lower
% face itself, so @code{search} finds a box's lower corner in that very
% box; no point leaves the closed rectangle (an offset outside [-1, 1]
% ends on the nearest face).
% @var{X} is dim-by-(s*n), the s points of box 1 first.  With a range, only
% the boxes numbered @var{first} to @var{last}.  This is what
% @code{transitions} and @code{attractor} map; computed natively, it saves
% building the points from @code{boxes}.  Also callable as
% @code{T.samples(P, d, range)}.
%
% @example
% T = Tree (0, 1);
% subdivide (T);
% samples (T, [-1 1])
% @result{} -1 0 0 1
% @end example
% @seealso{boxes, faces, search, transitions, attractor}
% @end deftypefn
function X = samples(T, varargin)
  X = treeops(struct(T), 'samples', varargin{:});
end

%!test
%! T = Tree ([0 0], [2 1]);
%! subdivide (T);
%! P = [-1 0 1; 1 0 -1];
%! X = samples (T, P);
%! [c, r] = boxes (T);
%! assert (X, [c(:, 1) + r(:, 1) .* P, c(:, 2) + r(:, 2) .* P]);
%! assert (samples (T, P, 1, [2 2]), c(:, 2) + r(:, 2) .* P);
%! assert (size (samples (T, P, 1, [2 1])), [2 0]);
%! assert (T.samples (P, 0), P .* [2; 1]);
%!error <^Tree.samples: the box range must be \[first last\], whole numbers from 1 to 2\.$> T = Tree (0, 1); subdivide (T); samples (T, 0, 1, [0 2])
%!test
%! ## One rule for faces: on rectangles whose centre and radius are not
%! ## binary fractions, the lower corner of every box lies in that box (the
%! ## identity maps every box to itself), every sample lies within the box's
%! ## faces, and none leaves the rectangle.
%! for rect = {[0.1 0.3], [-1/3 0.7]}
%!   c0 = rect{1}(1) * [1; 1];
%!   r0 = rect{1}(2) * [1; 1];
%!   T = Tree (c0, r0);
%!   for i = 1:12
%!     subdivide (T);
%!   end
%!   n = count (T);
%!   X = samples (T, [-1; -1]);
%!   assert (search (T, X), 1:n);
%!   [lo, hi] = faces (T);
%!   assert (X, lo);
%!   P = [-1 1 1 -1 0 0.999; -1 -1 1 1 0 -0.999];
%!   Y = samples (T, P);
%!   assert (all (all (Y >= c0 - r0 & Y <= c0 + r0)));
%!   assert (all (all (Y >= repelem (lo, 1, 6) & Y <= repelem (hi, 1, 6))));
%!   [c, r] = boxes (T);
%!   assert (samples (T, [0; 0]), c, 4 * eps);
%!   assert (samples (T, [-1; 1]), c + r .* [-1; 1], 4 * eps);
%! endfor
%!test
%! ## The same rule on a level too finely split for the index (walked).
%! T = Tree (1/3, 0.7);
%! insert (T, 1/3 + 0.7 * (2 * rand (1, 50) - 1), 30);
%! X = samples (T, -1);
%! assert (search (T, X), 1:count (T));
%! [lo, hi] = faces (T);
%! assert (X, lo);
%! assert (samples (T, [1 5]), [hi; hi](:)');
%! assert (all (samples (T, 0.5) < hi & samples (T, 0.5) >= lo));
