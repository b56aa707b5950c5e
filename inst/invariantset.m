% -*- texinfo -*-
% @deftypefn {} {@var{inv} =} invariantset (@var{A})
% The vertices of the graph of @var{A} that lie on a path infinite in both
% directions: for a transition matrix of boxes, the covering of the maximal
% invariant set.
%
% @var{A} is an n-by-n matrix, sparse (a full one is made sparse); a stored
% @var{A}(i, j) is an edge from vertex j to vertex i, only the pattern
% counts.  @var{inv} is a 1-by-n logical row, like the results of
% @code{strongcomp} and @code{cyclereach}: true where a cycle can be reached
% from the vertex and the vertex can be reached from a cycle,
% @code{cyclereach (A) & cyclereach (A')}.  Vertices on cycles are in it,
% and so is every vertex on a path from one cycle to another.  Use it as
% @code{keep (T, inv, d)} or @code{A(inv, inv)}.
%
% Cost: two depth-first searches, linear in n plus the stored entries.
%
% With an outer graph of a map f on boxes (@code{transitions (T, f, d,
% "interval")}: an edge j -> i for every point of box j whose image lies in
% box i), @var{inv} encloses the maximal invariant set of f in the boxes:
% every point whose whole orbit, forward and backward, stays in the boxes
% lies in a box of @var{inv}, since its boxes form a path infinite in both
% directions.  Boxes of @var{inv} may hold no invariant point.  From
% sampled images a box of the invariant set can be missing.
%
% Errors: "invariantset: A must be a square real matrix (n-by-n, sparse),
% A(i, j) an edge j -> i.".
%
% @example
% A = sparse ([2 3 3 4], [1 2 3 3], 1, 4, 4);  % 1 -> 2 -> 3, loop at 3, 3 -> 4
% invariantset (A)
% @result{} 0 0 1 0
% @end example
% @seealso{cyclereach, morsesets, transitions}
% @end deftypefn
function inv = invariantset(A)
  if nargin < 1
    error('boxgraph:invariantset:usage', 'invariantset: usage: inv = invariantset(A).');
  end
  A = squaregraph('invariantset', A);
  inv = cyclereach(A) > 0 & cyclereach(A') > 0;
end

%!test
%! ## A chain touches no cycle; a cycle is invariant, and so is a path
%! ## between two cycles, but not the paths into or out of them.
%! chain = sparse (2:5, 1:4, 1, 5, 5);
%! assert (invariantset (chain), false (1, 5));
%! ring = sparse ([2:5 1], 1:5, 1, 5, 5);
%! assert (invariantset (ring), true (1, 5));
%! ## 1 -> 2 <-> 3 -> 4 -> 5 (loop) -> 6; 7 -> 2
%! A = sparse ([2 3 2 4 5 5 6 2], [1 2 3 3 4 5 5 7], 1, 7, 7);
%! assert (invariantset (A), logical ([0 1 1 1 1 0 0]));
%! assert (invariantset (full (A)), logical ([0 1 1 1 1 0 0]));
%! assert (invariantset (A > 0), logical ([0 1 1 1 1 0 0]));

%!test
%! ## No vertex, and one vertex with and without a loop.
%! assert (size (invariantset (sparse (0, 0))), [1 0]);
%! assert (invariantset (sparse (1, 1, 1)), true);
%! assert (invariantset (sparse (1, 1)), false);

%!error <usage> invariantset ()
%!error <A must be a square real matrix> invariantset (sparse (2, 3))
%!error <A must be a square real matrix> invariantset ({1})
%!error <A must be a square real matrix> invariantset (sparse ([1i 0; 0 1]))
