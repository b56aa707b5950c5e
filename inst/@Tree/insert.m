% -*- texinfo -*-
% @deftypefn  {} {} insert (@var{T}, @var{X})
% @deftypefnx {} {@var{n} =} insert (@var{T}, @var{X}, @var{d})
% Makes the boxes at depth @var{d} (default: the deepest level; up to
% 500*dim) of the tree @var{T} that contain the points, the columns of
% @var{X} (dim-by-m), with every ancestor they need.  Points outside the
% rectangle are passed over.  @var{n} is the number of new boxes at depth
% @var{d}.  A box that gets its first halves is split along @code{T.sd}.
% Also callable as @code{T.insert(X, d)}.
%
% @example
% T = Tree ([0 0], [1 1]);
% insert (T, [0.1; 0.7], 6)
% @result{} 1
% @end example
% @seealso{Tree, search, keep}
% @end deftypefn
function n = insert(T, varargin)
  m = treeops(struct(T), 'insert', varargin{:});
  if nargout > 0
    n = m;
  end
end
