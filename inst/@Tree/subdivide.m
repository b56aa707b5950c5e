% -*- texinfo -*-
% @deftypefn  {} {} subdivide (@var{T})
% @deftypefnx {} {@var{n} =} subdivide (@var{T})
% Halves every box at the deepest level of the tree @var{T}.
%
% Each box at depth @var{d} = @code{T.depth} gets a lower and an upper half,
% split along coordinate @code{T.sd(d+1)} (0-based; by default the
% coordinates take turns).  After @var{k} subdivisions of a new tree the boxes
% at depth @var{k} tile its rectangle.  @var{n} is the number of boxes made.
% Also callable as @code{T.subdivide()}.
%
% Errors: the tree would become deeper than 500*dim levels; an @code{sd}
% entry it needs is not a coordinate; "Tree: out of memory." (the tree is
% then as it was).
%
% @example
% T = Tree ([0 0], [1 1]);
% subdivide (T); subdivide (T);
% count (T)
% @result{} 4
% @end example
% @seealso{Tree, count, keep, insert}
% @end deftypefn
function n = subdivide(T, varargin)
  m = treeops(struct(T), 'subdivide', varargin{:});
  if nargout > 0
    n = m;
  end
end
