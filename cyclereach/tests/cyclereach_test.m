## Octave tests of cyclereach: real Octave sparse matrices through the MEX file.

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
%! ## A long chain into a self-loop needs no recursion.
%! n = 1e6;
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
