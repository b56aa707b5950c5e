% -*- texinfo -*-
% @deftypefn  {} {[@var{i}, @var{j}, @var{v}] =} subshift (@var{A}, @var{labels}, @var{start})
% @deftypefnx {} {@var{i} =} subshift (@dots{})
% Build the induced subshift of a graph whose vertices carry symbols, by subset construction.
%
% Starting from the subset @{@var{start}@}, every symbol @var{s} takes a
% subset to its successor under @var{s}: the vertices reached by the edges
% that leave its members labelled @var{s}.  Every distinct non-empty subset
% reached gets a number, 1, 2, 3, @dots{} in order of discovery (the start
% subset is 1), and every (subset, symbol) pair with a non-empty successor
% gives one edge of the result.
%
% @var{A}: sparse, real double or logical; a stored @code{A(i, j)} that is
% not 0 is an edge from vertex @var{j} to vertex @var{i}.  The vertex count
% n is the larger of the column count and the last row holding a stored
% entry.  @var{labels}: @code{uint8}, at least n elements, the symbol of each
% vertex (0 to 255).  @var{start}: the start vertex as a zero-based index, a
% whole number from 0 to n-1, any real numeric class.
%
% @var{i}, @var{j}, @var{v}: double columns, one row per edge, from subset
% @code{j(k)} to subset @code{i(k)} with @code{v(k)} = 1, in depth-first
% order; @code{sparse (i, j, v)} is the subshift's transition matrix and
% counts the symbols that lead from one subset to another.
%
% Cost: about 60 bytes for each member of each subset found, besides O(n +
% entries) for the graph, so s subsets of m vertices on average take about
% 50 s m bytes, and time in proportion.  The number of subsets s can grow
% exponentially with n (2^k + 1 for the graph of "the k-th symbol from the
% end is 1" on 2k + 2 vertices), and each may hold up to n vertices.  A call
% takes at most half of the memory available when it starts, or the cap
% that @code{memorycap} sets where that is less, and past it ends with
% "subshift: out of memory.", leaving nothing behind.
%
% Errors: see docs/errors.md (identifiers @code{boxgraph:subshift:*}).
%
% @example
% A = sparse ([2 3 1 3], [1 1 2 3], 1, 3, 3);  # 1->2, 1->3, 2->1, 3->3
% [i, j, v] = subshift (A, uint8 ([0 1 0]), 0);
% full (sparse (i, j, v))
% @result{} [0 1 0; 1 0 0; 0 1 1]
% @end example
% @seealso{entropy, strongcomp, memorycap}
% @end deftypefn

function varargout = subshift (varargin)
  % Runs only where the compiled module is missing: the MEX file beside this
  % one takes precedence over it.
  error ('boxgraph:subshift:notBuilt', ...
         'subshift: the compiled module is missing; build boxgraph (see its README) or reinstall the package.');
end

%!assert (regexp (which ("subshift"), "\\.mex$"))  # the MEX file runs, this file gives the help
%!assert (! isempty (strfind (get_help_text ("subshift"), "induced subshift")))

%!demo
%! ## The even shift's graph: vertex 1 (symbol 0) loops, 1 -> 2 and 2 -> 1
%! ## (symbol 1). Its induced subshift and entropy log((1 + sqrt 5) / 2).
%! A = sparse ([1 2 1], [1 1 2], 1, 2, 2);
%! [i, j, v] = subshift (A, uint8 ([0 1]), 0);
%! S = sparse (i, j, v)
%! h = log (max (abs (eig (full (S)))))

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
%! ## A > 0 is a sparse logical matrix; the start may be of any numeric class.
%! [i, j] = subshift(A > 0, labels, 1);
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

%!error <^subshift: usage: \[i, j, v\] = subshift\(A, labels, start\)\.$> subshift(sparse(1), uint8(0))
%!error <usage> subshift()
%!error <^subshift: first parameter must be sparse\.$> subshift(eye(3), uint8([0 0 0]), 0)
%!error <^subshift: first parameter must be a real double or logical matrix\.$> subshift(sparse([1i 0; 0 1]), uint8([0 0]), 0)
%!error <^subshift: first parameter must not be empty\.$> subshift(sparse(0, 0), uint8([]), 0)
%!error <^subshift: second parameter must be a uint8 array of labels\.$> subshift(sparse(eye(2)), [0 0], 0)
%!error <^subshift: second parameter must hold a label for each of the 3 vertices\.$> subshift(sparse(eye(3)), uint8([0 0]), 0)
%!error <^subshift: second parameter must hold a label for each of the 6 vertices\.$> subshift(sparse(6, 1, 1, 6, 4), uint8([0 0 0 0]), 0)
%!error <^subshift: third parameter must be a vertex index from 0 to 2\.$> subshift(sparse(eye(3)), uint8([0 0 0]), 3)
%!error <^subshift: third parameter must be a vertex index from 0 to 2\.$> subshift(sparse(eye(3)), uint8([0 0 0]), -1)
%!error <^subshift: third parameter must be a vertex index from 0 to 2\.$> subshift(sparse(eye(3)), uint8([0 0 0]), NaN)
%!error <^subshift: third parameter must be a vertex index from 0 to 2\.$> subshift(sparse(eye(3)), uint8([0 0 0]), 1.5)
%!error <^subshift: third parameter must be a vertex index from 0 to 2\.$> subshift(sparse(eye(3)), uint8([0 0 0]), -0.5)
%!error <^subshift: third parameter must be a real numeric scalar\.$> subshift(sparse(eye(3)), uint8([0 0 0]), [0 1])
%!error <^subshift: third parameter must be a real numeric scalar\.$> subshift(sparse(eye(3)), uint8([0 0 0]), "a")
%!error <^subshift: third parameter must be a real numeric scalar\.$> subshift(sparse(eye(3)), uint8([0 0 0]), 1i)
