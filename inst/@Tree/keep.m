% -*- texinfo -*-
% @deftypefn  {} {} keep (@var{T}, @var{mask})
% @deftypefnx {} {@var{n} =} keep (@var{T}, @var{mask}, @var{d})
% Removes the boxes of the tree @var{T} at depth @var{d} (default: the
% deepest level) where @var{mask} is false, with everything below them, and
% every ancestor left without halves.  @var{mask} is logical or real double
% with one element per box, in box-number order (@code{count(T, d)}
% elements); a double is true where it is not 0, and NaN is refused.
% The remaining boxes are numbered anew, in order.  @var{n} is the number of
% boxes left at depth @var{d}.  Also callable as @code{T.keep(mask, d)}.
%
% @example
% T = Tree (0, 1);
% subdivide (T);
% keep (T, [true false]);
% boxes (T)
% @result{} -0.5
% @end example
% @seealso{Tree, search, subdivide}
% @end deftypefn
function n = keep(T, varargin)
  m = treeops(struct(T), 'keep', varargin{:});
  if nargout > 0
    n = m;
  end
end
