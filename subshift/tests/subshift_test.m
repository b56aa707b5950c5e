## Octave tests of subshift: real Octave arrays through the MEX file.

%!shared A, labels
%! ## Edges 1->2, 1->3, 2->1, 3->3 (column = source); vertex 2 has symbol 1.
%! A = sparse([2 3 1 3], [1 1 2 3], 1, 3, 3);
%! labels = uint8([0 1 0]);

%!test
%! [i, j, v] = subshift(A, labels, 0);
%! assert(i, [2; 3; 3; 1]);
%! assert(j, [1; 2; 3; 2]);
%! assert(v, [1; 1; 1; 1]);
%! assert(class(i), "double");

%!test
%! ## One result asked for: only the targets.
%! i = subshift(A, labels, 0);
%! assert(i, [2; 3; 3; 1]);
%! subshift(A, labels, 0);
%! assert(ans, [2; 3; 3; 1]);

%!test
%! ## A > 0 is a sparse logical matrix; the start is truncated (1.7 is vertex 1).
%! [i, j] = subshift(A > 0, labels, 1.7);
%! assert([i j], [2 1; 3 2; 4 3; 4 4; 2 3]);
%! [i, j] = subshift(A, labels, int32(2));
%! assert([i j], [1 1]);

%!test
%! ## Two symbols lead from {1, 2} to {3}: the summed matrix counts them.
%! B = sparse([3 3 1 2], [1 2 3 3], 1, 3, 3);
%! [i, j, v] = subshift(B, uint8([0 1 0]), 2);
%! S = sparse(i, j, v);
%! assert(full(S), [0 2; 1 0]);

%!test
%! ## No edge of non-zero value leaves the start: three empty columns.
%! [i, j, v] = subshift(sparse([2 1], [1 2], [0 1], 2, 2), uint8([0 0]), 0);
%! assert(size(i), [0 1]);
%! assert(size(j), [0 1]);
%! assert(size(v), [0 1]);

%!test
%! ## Labels above 31 are expanded like any other.
%! [i, j] = subshift(sparse([2 3 1], [1 2 3], 1), uint8([0 40 200]), 0);
%! assert([i j], [2 1; 3 2; 1 3]);

%!test
%! ## "The 12th symbol from the end is 1", one vertex per automaton state and
%! ## symbol read: 2^12 + 1 subsets.
%! k = 12;
%! from = []; to = [];
%! function [from, to] = step(from, to, q, a, r)
%!   from(end+1:end+2) = 2*q + a + 1;
%!   to(end+1:end+2) = 2*r + [1 2];
%! endfunction
%! [from, to] = step(from, to, 0, 0, 0);
%! [from, to] = step(from, to, 0, 1, 0);
%! [from, to] = step(from, to, 0, 1, 1);
%! for q = 1:k-1
%!   for a = 0:1
%!     [from, to] = step(from, to, q, a, q + 1);
%!   endfor
%! endfor
%! n = 2 * (k + 1);
%! G = sparse(to, from, 1, n, n);
%! [i, j, v] = subshift(G, uint8(mod(0:n-1, 2)), 0);
%! assert(max([i; j]), 2^k + 1);
%! assert(numel(unique(j)), 2^k + 1);

%!test
%! ## A chain 1 -> 2 -> ... -> n with one symbol: n subsets, numbered along it.
%! n = 200000;
%! [i, j] = subshift(sparse(2:n, 1:n-1, 1, n, n), zeros(1, n, "uint8"), 0);
%! assert(j, (1:n-1)');
%! assert(i, (2:n)');

%!error <usage: \[i, j, v\] = subshift\(A, labels, start\)\.> subshift(sparse(1), uint8(0))
%!error <usage> subshift()
%!error <first parameter must be sparse\.> subshift(eye(3), uint8([0 0 0]), 0)
%!error <first parameter must be a real double or logical matrix\.> subshift(sparse([1i 0; 0 1]), uint8([0 0]), 0)
%!error <first parameter must not be empty\.> subshift(sparse(0, 0), uint8([]), 0)
%!error <second parameter must be a uint8 array of labels\.> subshift(sparse(eye(2)), [0 0], 0)
%!error <second parameter must hold a label for each of the 3 vertices\.> subshift(sparse(eye(3)), uint8([0 0]), 0)
%!error <second parameter must hold a label for each of the 6 vertices\.> subshift(sparse(6, 1, 1, 6, 4), uint8([0 0 0 0]), 0)
%!error <third parameter must be a vertex index from 0 to 2\.> subshift(sparse(eye(3)), uint8([0 0 0]), 3)
%!error <third parameter must be a vertex index from 0 to 2\.> subshift(sparse(eye(3)), uint8([0 0 0]), -1)
%!error <third parameter must be a vertex index from 0 to 2\.> subshift(sparse(eye(3)), uint8([0 0 0]), NaN)
%!error <third parameter must be a real numeric scalar\.> subshift(sparse(eye(3)), uint8([0 0 0]), [0 1])
%!error <third parameter must be a real numeric scalar\.> subshift(sparse(eye(3)), uint8([0 0 0]), "a")
%!error <third parameter must be a real numeric scalar\.> subshift(sparse(eye(3)), uint8([0 0 0]), 1i)
