% -*- texinfo -*-
% @deftypefn  {} {[@var{lower}, @var{upper}] =} faces (@var{T})
% @deftypefnx {} {[@var{lower}, @var{upper}] =} faces (@var{T}, @var{d})
% @deftypefnx {} {[@var{lower}, @var{upper}] =} faces (@var{T}, @var{d}, [@var{first} @var{last}])
% The lower and upper faces of the boxes of the tree @var{T} at depth
% @var{d} (default: the deepest level), dim-by-n, column k box k; with a
% range, only the boxes numbered @var{first} to @var{last}.
%
% These are the bounds that @code{search} places points by: a box holds
% the points x with @var{lower} <= x < @var{upper} (and x = @var{upper} on
% the rectangle's own upper faces).  Each face is a centre that the walk
% from the root computed in floating point, so it can differ from
% @code{c - r} or @code{c + r} of @code{boxes} by a few rounding errors
% when the tree's centre or radius is not a short binary fraction;
% @code{infsup (lower, upper)} encloses every point of the box exactly,
% which is how @code{transitions} and @code{attractor} enclose a box in
% interval mode.  Also callable as @code{T.faces(d, range)}.
%
% @example
% T = Tree (0, 1);
% subdivide (T);
% [lo, hi] = faces (T)
% @result{} lo = [-1 0],  hi = [0 1]
% @end example
% @seealso{boxes, meets, search}
% @end deftypefn
function [lower, upper] = faces(T, varargin)
  if nargout > 1
    [lower, upper] = treeops(struct(T), 'faces', varargin{:});
  else
    lower = treeops(struct(T), 'faces', varargin{:});
  end
end

%!test
%! ## A box's lower corner and the double (or two) below its upper corner lie
%! ## in it; its upper corner, inside the rectangle, lies in the next box.
%! T = Tree ([0 0], [1.5 0.4]);
%! for k = 1:12
%!   subdivide (T);
%! end
%! [lo, hi] = faces (T);
%! n = count (T);
%! assert (size (lo), [2 n]);
%! assert (search (T, lo), 1:n);
%! assert (search (T, [hi(1, :) - eps(hi(1, :)); lo(2, :)]), 1:n);
%! inside = hi(1, :) < 1.5;
%! assert (all (search (T, [hi(1, inside); lo(2, inside)]) != find (inside)));
%! ## against c -+ r: the same up to rounding, and not always exactly
%! [c, r] = boxes (T);
%! assert (lo, c - r, 4 * eps);
%! assert (any (lo(:) != c(:) - r(:)));
%! [l2, h2] = faces (T, 12, [5 9]);
%! assert ([l2; h2], [lo(:, 5:9); hi(:, 5:9)]);
%! assert (faces (T, 1), [-1.5 0; -0.4 -0.4]);
%! [l3, h3] = T.faces (12, [5 9]);
%! assert ([l3; h3], [l2; h2]);

%!error <the box range must be> faces (Tree (0, 1), 0, [1 2])
