## Octave tests of strongcomp: real Octave sparse matrices through the MEX file.

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
%! ## A long chain and a long cycle need no recursion.
%! n = 1e6;
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
