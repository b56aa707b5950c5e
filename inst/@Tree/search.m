% -*- texinfo -*-
% @deftypefn  {} {@var{k} =} search (@var{T}, @var{X})
% @deftypefnx {} {@var{k} =} search (@var{T}, @var{X}, @var{d})
% For each column of @var{X} (dim-by-m points), the number of the box of the
% tree @var{T} at depth @var{d} (default: the deepest level) that contains it,
% as a 1-by-m row; 0 where no box does (outside the rectangle, in a removed
% box, or a NaN coordinate).  @var{X} has dim rows also when it has no
% columns (@code{zeros (dim, 0)}); @code{[]} is no points.
%
% Boxes are half-open: a box holds the points x with lower <= x < upper,
% where @var{lower} and @var{upper} are its faces as @code{faces} gives
% them, the centres of its ancestors as the walk from the root computes them
% (the centre c of a box as @code{boxes} gives it, and c - r and c + r, are
% those within rounding).  The rectangle's own upper faces belong to it, so
% every point of the closed rectangle lies in exactly one box of a full
% level, and a box's lower corner (what @code{samples} gives for the offset
% -1) lies in the box itself.
% Also callable as @code{T.search(X, d)}.
%
% @example
% T = Tree (0, 1);
% subdivide (T); subdivide (T);
% search (T, [-0.9 -0.25 0 1 2])
% @result{} 1 2 3 4 0
% @end example
% @seealso{Tree, boxes, insert}
% @end deftypefn
function k = search(T, varargin)
  k = treeops(struct(T), 'search', varargin{:});
end
