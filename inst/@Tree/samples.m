% -*- texinfo -*-
% @deftypefn  {} {@var{X} =} samples (@var{T}, @var{P})
% @deftypefnx {} {@var{X} =} samples (@var{T}, @var{P}, @var{d})
% @deftypefnx {} {@var{X} =} samples (@var{T}, @var{P}, @var{d}, [@var{first} @var{last}])
% Sample points of the boxes of the tree @var{T} at depth @var{d} (default:
% the deepest level): for each box, in box-number order, and each column
% @var{p} of @var{P} (dim-by-s offsets, usually in [-1, 1]^dim), the point
% @code{c + r .* p} of the box with centre @var{c} and radius @var{r}.
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
% @seealso{boxes, transitions, attractor}
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
