% -*- texinfo -*-
% @deftypefn {} {@var{c} =} strongcomp (@var{A}, @var{AT})
% Number the strongly connected components of the graph of a sparse matrix.
%
% @var{A} is an n-by-n sparse matrix whose stored entry @code{A(i, j)} is an
% edge from vertex @var{j} to vertex @var{i} (box @var{j} maps into box
% @var{i}); only the pattern counts, a stored zero is an edge.  @var{AT} is
% its transpose, @code{A'}, which the caller supplies; one that is not the
% transpose is refused (the check reads each matrix once).
%
% @var{c} is a 1-by-n @code{int32} row: @code{c(v)} is the number of the
% component of vertex @var{v}, or -1 when @var{v} lies on no cycle (its
% component is @var{v} alone and it has no self-loop).  The components with
% a cycle are numbered 0, 1, 2, @dots{} in a topological order of the
% component graph: an edge between two numbered components always goes from
% the lower number to the higher.  In the analysis of a map they are the
% Morse sets of the covering.
%
% Errors: see docs/errors.md ("strongcomp: first parameter must be sparse."
% and the like, identifiers @code{boxgraph:strongcomp:*}).  Cost: linear in
% n plus the stored entries, two arrays of n 32-bit integers; no recursion.
%
% @example
% A = sparse ([2 1 4 3 3], [1 2 3 4 2], 1, 4, 4);  # 2-cycles @{1,2@}, @{3,4@}; 2 -> 3
% strongcomp (A, A')
% @result{} 0 0 1 1
% @end example
% @seealso{cyclereach, morsesets, subshift}
% @end deftypefn

function varargout = strongcomp (varargin)
  % Runs only where the compiled module is missing: the MEX file beside this
  % one takes precedence over it.
  error ('boxgraph:strongcomp:notBuilt', ...
         'strongcomp: the compiled module is missing; build boxgraph (see its README) or reinstall the package.');
end

%!assert (regexp (which ("strongcomp"), "\\.mex$"))  # the MEX file runs, this file gives the help
%!assert (! isempty (strfind (get_help_text ("strongcomp"), "strongly connected")))

%!demo
%! ## Two 2-cycles {1,2} and {3,4} joined by the edge 2 -> 3, and a vertex 5
%! ## that only feeds into them: three components, 5 on no cycle.
%! A = sparse ([2 1 4 3 3 1], [1 2 3 4 2 5], 1, 5, 5);
%! c = strongcomp (A, A')

%!test
%! ## Edges (column -> row): 1->2, 2->3, 3->1, 3->4, 4->3: one component.
%! A = sparse([2 3 1 4 3], [1 2 3 3 4], 1, 4, 4);
%! c = strongcomp(A, A');
%! assert(class(c), "int32");
%! assert(size(c), [1 4]);
%! assert(c, int32([0 0 0 0]));

%!test
%! ## Two 2-cycles {1,2} and {3,4}, joined by the edge 2 -> 3.
%! A = sparse([2 1 4 3 3], [1 2 3 4 2], 1, 4, 4);
%! assert(strongcomp(A, A'), int32([0 0 1 1]));
%! ## Joined the other way, by 3 -> 2.
%! A = sparse([2 1 4 3 2], [1 2 3 4 3], 1, 4, 4);
%! assert(strongcomp(A, A'), int32([1 1 0 0]));

%!test
%! ## A 3-cycle, a lone self-loop, an edge into the cycle and one out of it.
%! A = sparse([2 3 1 4 1 6], [1 2 3 4 5 3], 1, 6, 6);
%! assert(strongcomp(A, A'), int32([1 1 1 0 -1 -1]));

%!test
%! ## Only the pattern counts: a logical matrix works as well; empty graphs.
%! B = sparse(1, 1, true, 2, 2);
%! assert(strongcomp(B, B'), int32([0 -1]));
%! assert(strongcomp(sparse(3, 3), sparse(3, 3)), int32([-1 -1 -1]));
%! assert(size(strongcomp(sparse(0, 0), sparse(0, 0))), [1 0]);

%!test
%! ## Random graphs: equal labels exactly on mutually reachable vertices, -1
%! ## exactly on the vertices on no cycle, numbers topological and gapless.
%! rand ("seed", 7);
%! for n = [2 40 300]
%!   A = sprand (n, n, 1.5 / n) != 0;
%!   c = double (strongcomp (A, A'));
%!   R = speye (n) | A;  # reachability in 0 or more steps
%!   for k = 1:10
%!     R = (R * R) != 0;
%!   endfor
%!   cyclic = full (diag ((A * R) != 0))';  # a path of 1 or more steps back
%!   assert (c == -1, ! cyclic);
%!   on = find (cyclic);
%!   assert (c(on)' == c(on), full (R(on, on) & R(on, on)'));
%!   [i, j] = find (A);
%!   between = c(i) >= 0 & c(j) >= 0 & c(i) != c(j);
%!   assert (all (c(j(between)) < c(i(between))));
%!   assert (unique (c(on)), 0:max ([c, -1]));
%! endfor

%!test
%! ## A long chain and a long cycle need no recursion; arrays this long go on
%! ## large pages.
%! n = 3e6;
%! A = sparse(2:n, 1:n-1, 1, n, n);
%! assert(all(strongcomp(A, A') == -1));
%! A(1, n) = 1;
%! assert(all(strongcomp(A, A') == 0));

%!test
%! ## With no output requested the result is still the call's answer.
%! A = sparse(1, 1, 1);
%! strongcomp(A, A');
%! assert(ans, int32(0));

%!error <^strongcomp: usage: strongcomp\(A, A\^T\)\.$> strongcomp(sparse(2, 2))
%!error <^strongcomp: usage: strongcomp\(A, A\^T\)\.$> strongcomp(sparse(2, 2), sparse(2, 2), 1)
%!error <^strongcomp: first parameter must be sparse\.$> strongcomp(eye(2), sparse(2, 2))
%!error <^strongcomp: second parameter must be sparse\.$> strongcomp(sparse(2, 2), eye(2))
%!error <^strongcomp: first parameter must be square\.$> strongcomp(sparse(2, 3), sparse(3, 2))
%!error <^strongcomp: second parameter must have the size of the first\.$> strongcomp(sparse(3, 3), sparse(2, 2))
%!error <^strongcomp: second parameter must be the transpose of the first\.$> A = sparse(2:5, 1:4, 1, 5, 5); strongcomp(A, A)
