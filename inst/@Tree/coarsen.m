% -*- texinfo -*-
% @deftypefn  {} {} coarsen (@var{T}, @var{d})
% @deftypefnx {} {@var{n} =} coarsen (@var{T}, @var{d}, @var{mask})
% Removes every box of the tree @var{T} below depth @var{d}, so that the
% boxes at depth @var{d} have no halves any more: the covering goes back to
% the resolution of that level, as it was before its boxes were subdivided
% (or had boxes inserted below them).  With @var{mask} (logical or numeric,
% one element per box at depth @var{d}, in box-number order), only the boxes
% below those where @var{mask} is true go.  Boxes at depth @var{d} and above
% stay, and so do shallower boxes without halves; box numbers at depth
% @var{d} do not change.  @var{d} is a whole number from 0 to
% @code{T.depth}; missing or empty, the deepest level, which leaves the tree
% as it is.  @var{n} is the number of boxes at depth @var{d}.  Also callable
% as @code{T.coarsen(d, mask)}.
%
% It allocates nothing, and once it has begun to remove boxes neither Ctrl-C
% nor a lack of memory stops it: @code{attractor} and the other subdivision
% algorithms use it to undo a subdivision whose step failed.  Its time is
% that of walking the tree down to depth @var{d} and releasing the boxes
% below.
%
% @example
% T = Tree ([0 0], [1 1]);
% for k = 1:6
%   subdivide (T);
% end
% coarsen (T, 4)
% @result{} 16
% T.depth
% @result{} 4
% @end example
% @seealso{Tree, subdivide, keep}
% @end deftypefn
function n = coarsen(T, varargin)
  m = treeops(struct(T), 'coarsen', varargin{:});
  if nargout > 0
    n = m;
  end
end

%!test
%! ## Subdivided and coarsened again: the tree of the shallower level, box
%! ## for box, and subdividing it again gives the same tree as before.
%! T = Tree ([0 0], [1 2]);
%! for k = 1:3
%!   subdivide (T);
%! end
%! c3 = boxes (T);
%! subdivide (T);
%! keep (T, mod (1:16, 3) > 0);
%! c4 = boxes (T);
%! assert (coarsen (T, 3), 8);
%! assert (T.depth, 3);
%! assert ([count(T, 0) count(T, 1) count(T, 2) count(T, 3)], [1 2 4 8]);
%! assert (boxes (T), c3);
%! subdivide (T);
%! keep (T, mod (1:16, 3) > 0);
%! assert (boxes (T), c4);
%! assert (coarsen (T, 0), 1);
%! assert (T.depth, 0);
%! assert (T.coarsen (), 1);

%!test
%! ## With a mask, only below the chosen boxes; shallower boxes without
%! ## halves and the numbers at the level stay.
%! T = Tree (0, 1);
%! insert (T, -0.9, 1);           # box [-1, 0) at depth 1 has no halves
%! insert (T, [0.1 0.3 0.6 0.9], 4);
%! assert (count (T, 2), 2);
%! assert (coarsen (T, 2, [false true]), 2);
%! assert (boxes (T, 2), [0.25 0.75]);
%! assert (boxes (T, 4), [0.0625 0.3125]);
%! assert ([T.depth count(T, 1)], [4 2]);
%! assert (search (T, -0.9, 1), 1);
%! assert (coarsen (T, 1, [1 0]), 2);   # a box without halves: nothing to remove
%! assert (count (T, 4), 2);
%! assert (coarsen (T, 1), 2);
%! assert (T.depth, 1);

%!test
%! ## A tree without boxes stays without.
%! T = Tree (0, 1);
%! keep (T, false);
%! assert (coarsen (T, 0), 0);
%! assert (T.depth, -1);

%!error <Tree.coarsen: depth must be a whole number from 0 to 1> T = Tree (0, 1); subdivide (T); coarsen (T, 2)
%!error <Tree.coarsen: the mask must hold one element per box at depth 1 \(2\)> T = Tree (0, 1); subdivide (T); coarsen (T, 1, true)
%!error <Tree.coarsen: the mask must be a logical or real double array> T = Tree (0, 1); coarsen (T, 0, int8 (1))
%!error <Tree.coarsen: too many arguments> coarsen (Tree (0, 1), 0, true, 1)
