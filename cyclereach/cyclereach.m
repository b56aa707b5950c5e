% -*- texinfo -*-
% @deftypefn {} {@var{r} =} cyclereach (@var{A})
% Mark the vertices of a sparse graph from which a cycle can be reached.
%
% @var{A} is a sparse matrix with n rows and at least n columns (columns
% past the n-th are not read); a stored @code{A(i, j)} is an edge from vertex
% @var{j} to vertex @var{i}, and only the pattern counts.
%
% @var{r} is a 1-by-n double row, 1 where a cycle can be reached from the
% vertex (it lies on a cycle, has a self-loop, or has a path to such a
% vertex), 0 elsewhere: the largest vertex set in which every member has a
% successor inside the set.  @code{cyclereach (A) & cyclereach (A')} marks
% the vertices on two-sided infinite paths (@pxref{invariantset}).
%
% Errors: see docs/errors.md (identifiers @code{boxgraph:cyclereach:*}).
% Cost: linear in n plus the stored entries; no recursion.
%
% @example
% A = sparse ([2 1 1], [1 2 3], 1, 4, 4);  # 1 <-> 2, 3 -> 1, 4 alone
% cyclereach (A)
% @result{} 1 1 1 0
% @end example
% @seealso{strongcomp, invariantset}
% @end deftypefn

function varargout = cyclereach (varargin)
  % Runs only where the compiled module is missing: the MEX file beside this
  % one takes precedence over it.
  error ('boxgraph:cyclereach:notBuilt', ...
         'cyclereach: the compiled module is missing; build boxgraph (see its README) or reinstall the package.');
end

%!assert (regexp (which ("cyclereach"), "\\.mex$"))  # the MEX file runs, this file gives the help
%!assert (! isempty (strfind (get_help_text ("cyclereach"), "cycle can be reached")))

%!demo
%! ## A chain 1 -> 2 -> 3 into a self-loop at 3, and a chain 4 -> 5 into nothing.
%! A = sparse ([2 3 3 5], [1 2 3 4], 1, 5, 5);
%! r = cyclereach (A)

%!test
%! ## Edges (column -> row): a 2-cycle 1<->2, an edge 3->1, an isolated vertex 4.
%! A = sparse([2 1 1], [1 2 3], 1, 4, 4);
%! r = cyclereach(A);
%! assert(class(r), "double");
%! assert(r, [1 1 1 0]);

%!test
%! assert(cyclereach(sparse([2 3], [1 2], 1, 3, 3)), [0 0 0]);
%! assert(cyclereach(sparse(1, 1, 1)), 1);
%! assert(cyclereach(sparse(3, 3)), [0 0 0]);
%! assert(size(cyclereach(sparse(0, 0))), [1 0]);
%! assert(cyclereach(sparse(1, 1, true, 2, 2)), [1 0]);

%!test
%! ## Random graphs: 1 exactly where a path of any length reaches a cycle.
%! rand ("seed", 11);
%! for n = [2 40 300]
%!   A = sprand (n, n, 1.2 / n) != 0;
%!   R = speye (n) | A;  # reachability in 0 or more steps
%!   for k = 1:10
%!     R = (R * R) != 0;
%!   endfor
%!   cyclic = full (diag ((A * R) != 0));
%!   assert (cyclereach (A), double (full (R' * cyclic != 0))');  # R(i, j): j reaches i
%! endfor

%!test
%! ## A long chain into a self-loop needs no recursion; arrays this long go on
%! ## large pages.
%! n = 3e6;
%! A = sparse([2:n n], 1:n, 1, n, n);
%! assert(all(cyclereach(A) == 1));

%!test
%! ## With no output requested the result is still the call's answer; extra
%! ## arguments are ignored.
%! cyclereach(sparse(1, 1, 1), 42);
%! assert(ans, 1);

%!error <^cyclereach: usage: cyclereach\(A\)\.$> cyclereach()
%!error <^cyclereach: first parameter must be sparse\.$> cyclereach(eye(2))
%!error <^cyclereach: first parameter must have at least as many columns as rows\.$> cyclereach(sparse(3, 2))
