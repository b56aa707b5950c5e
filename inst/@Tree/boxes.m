% -*- texinfo -*-
% @deftypefn  {} {[@var{c}, @var{r}] =} boxes (@var{T})
% @deftypefnx {} {[@var{c}, @var{r}] =} boxes (@var{T}, @var{d})
% Centres @var{c} and radii @var{r} of the boxes of the tree @var{T} at depth
% @var{d} (default: the deepest level), both dim-by-n.
%
% Column @var{k} is box number @var{k}: the boxes at a depth are numbered
% 1..n depth first, the lower half of a box before its upper half, the order
% in which @code{search} and @code{keep} number them too.  Box @var{k} is the
% product of the half-open intervals [lower, upper) of its coordinates,
% where @var{lower} and @var{upper} are its faces as @code{faces} gives them:
% the bounds @code{search} places points by (the rectangle's own upper
% faces belong to it).  @code{c - r} and @code{c + r} are those faces
% within rounding; they are the same doubles when the rectangle's centre
% and radius are short binary fractions.  Also callable as
% @code{T.boxes(d)}.
%
% @example
% T = Tree ([0 0], [1 1]);
% subdivide (T);
% [c, r] = boxes (T)
% @result{} c = [-0.5 0.5; 0 0],  r = [0.5 0.5; 1 1]
% @end example
% @seealso{Tree, search, count}
% @end deftypefn
function [c, r] = boxes(T, varargin)
  if nargout > 1
    [c, r] = treeops(struct(T), 'boxes', varargin{:});
  else
    c = treeops(struct(T), 'boxes', varargin{:});
  end
end
