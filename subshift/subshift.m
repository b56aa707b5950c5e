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
% @var{A}: sparse, real double or logical (@code{A > 0} is fine); a stored
% @code{A(i, j)} that is not 0 is an edge from vertex @var{j} to vertex
% @var{i} (a stored 0 is no edge, a NaN is one).  The vertex count n is the
% larger of the column count and the last row holding a stored entry, so a
% matrix that is not square is read whole.  @var{labels}: @code{uint8}, at
% least n elements, the symbol of each vertex (0 to 255, every one
% followed; elements past the n-th are not read).  @var{start}: the start
% vertex as a zero-based index, a whole number from 0 to n-1 (0 is vertex
% 1), any real numeric class.
%
% @var{i}, @var{j}, @var{v}: double columns, one row per edge, from subset
% @code{j(k)} to subset @code{i(k)} with @code{v(k)} = 1, the orientation of
% @var{A}, in depth-first order: the edge into a subset comes before the
% edges found while expanding it.  @code{sparse (i, j, v)} is the subshift's
% transition matrix, and since @code{sparse} sums duplicates it counts the
% symbols that lead from one subset to another.  A start without an edge
% leaving it gives three 0-by-1 columns; @code{i = subshift (@dots{})} gives
% the targets alone.  The subsets themselves are not returned.
%
% The number of subsets can grow exponentially with n (the graph of "the
% k-th symbol from the end is 1" has 2^k + 1); the call runs as far as
% memory allows.  It may take at most half of the memory available when it
% starts (the machine's, or less under a memory cgroup or @code{ulimit -v}),
% or the cap that @code{memorycap} sets where that is less; past that, or when memory runs out, it ends with "subshift: out of
% memory." after the two console lines of the checked allocation ("calloc
% of N bytes failed on line L of file F", "ptr(nil)"), and the session goes
% on; Ctrl-C ends it with "subshift: interrupted.".  Either way nothing is
% left behind.  Cost: each (subset, symbol) pair costs the out-edges of the
% members with that symbol, a sort of the successor and a walk down the
% subset trie, which stays O(log k) deep for k children whatever the order
% of discovery (a chain of 1e7 vertices takes about 11 s).  Memory: about
% 60 bytes for each member of each subset found (the trie's prefixes and
% the member lists), besides O(n + entries) for the graph, so s subsets of
% m vertices on average take about 60 s m bytes, and time in proportion;
% each subset may hold up to n vertices.  No recursion.
%
% Errors: see docs/errors.md (identifiers @code{boxgraph:subshift:*}).
%
% @example
% A = sparse ([2 3 1 3], [1 1 2 3], 1, 3, 3);  # 1->2, 1->3, 2->1, 3->3
% [i, j, v] = subshift (A, uint8 ([0 1 0]), 0)
% @result{} i = [2; 3; 3; 1], j = [1; 2; 3; 2], v = [1; 1; 1; 1]
% # subsets: 1 = @{1@}, 2 = @{2, 3@}, 3 = @{3@}
% full (sparse (i, j, v))
% @result{} [0 1 0; 1 0 0; 0 1 1]
% B = sparse ([3 3 1 2], [1 2 3 3], 1, 3, 3);  # 1->3, 2->3, 3->1, 3->2
% [i, j, v] = subshift (B, uint8 ([0 1 0]), 2);
% full (sparse (i, j, v))     # two symbols lead from @{1, 2@} to @{3@}
% @result{} [0 2; 1 0]
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
