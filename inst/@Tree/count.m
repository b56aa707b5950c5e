% -*- texinfo -*-
% @deftypefn  {} {@var{n} =} count (@var{T})
% @deftypefnx {} {@var{n} =} count (@var{T}, @var{d})
% The number of boxes of the tree @var{T} at depth @var{d} (default: the
% deepest level, @code{T.depth}).  @var{d} is a whole number from 0 to
% @code{T.depth}.  Also callable as @code{T.count(d)}.
%
% @example
% T = Tree (0, 1);
% subdivide (T);
% [count(T, 0), count(T)]
% @result{} 1 2
% @end example
% @seealso{Tree, boxes}
% @end deftypefn
function n = count(T, varargin)
  n = treeops(struct(T), 'count', varargin{:});
end
