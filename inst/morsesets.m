% -*- texinfo -*-
% @deftypefn {} {[@var{m}, @var{G}] =} morsesets (@var{A})
% The Morse decomposition of the graph of @var{A}: its Morse sets (the
% strongly connected components that hold a cycle) and which of them reach
% which.
%
% @var{A} is an n-by-n matrix, sparse (a full one is made sparse); a stored
% @var{A}(i, j) is an edge from vertex j to vertex i, only the pattern
% counts.
%
% @itemize
% @item @var{m}: 1-by-n @code{int32}, @code{strongcomp (A, A')}: @var{m}(v)
% is the number of the Morse set that holds vertex v, 0, 1, ..., k-1, or -1
% when v lies on no cycle.  The numbers are in a topological order: every
% path from one Morse set to another goes from the lower number to the
% higher.
% @item @var{G}: k-by-k sparse, @var{G}(a+1, b+1) = 1 when Morse set b
% reaches Morse set a along a path through any vertices (the same orientation
% as @var{A}).  Every Morse set reaches itself, so the diagonal is 1; @var{G}
% is transitively closed and lower triangular.  The Morse graph, the
% reachability without the paths implied by others, is the transitive
% reduction of @var{G}.
% @end itemize
%
% Cost: two numberings of components and, per Morse set, one search in the
% graph of components between Morse sets; each is linear in n plus the
% stored entries.
%
% With an outer graph of a map f on boxes (@code{transitions (T, f, d,
% "interval")}: an edge j -> i for every point of box j whose image lies in
% box i), the Morse sets enclose the chain recurrent set of f on the
% maximal invariant set in the boxes: their boxes isolate a Morse
% decomposition of it, ordered as @var{G} says (every orbit there that
% goes from one Morse set's boxes to another's follows a path of @var{G}),
% and every Morse decomposition holds the chain recurrent set.  The
% converse does not hold: a Morse set may hold no recurrent point, and a
% finer covering may split it or remove it.  From sampled images nothing
% is certain: an edge may be missing, and with it a cycle.
%
% Errors: "morsesets: A must be a square real matrix (n-by-n, sparse),
% A(i, j) an edge j -> i.".
%
% @example
% % 1 <-> 2 -> 3 -> 4 <-> 5, and 6 with a loop reaching 4
% A = sparse ([2 1 3 4 5 4 6 4], [1 2 2 3 4 5 6 6], 1, 6, 6);
% [m, G] = morsesets (A)
% @result{} m = 1 1 -1 2 2 0
% @result{} G = [1 0 0; 0 1 0; 1 1 1]    (full (G))
% @end example
% @seealso{strongcomp, invariantset, transitions}
% @end deftypefn
function [m, G] = morsesets(A)
  if nargin < 1
    error('boxgraph:morsesets:usage', 'morsesets: usage: [m, G] = morsesets(A).');
  end
  A = squaregraph('morsesets', A);
  m = strongcomp(A, A');
  if nargout < 2
    return;
  end
  k = double(max([m, -1])) + 1;
  if k == 0
    G = sparse(0, 0);
    return;
  end
  % The components of the graph: Morse set a is component a + 1, and every
  % box outside the Morse sets, on no cycle, is a component of its own.
  c = double(m) + 1;
  none = m < 0;
  c(none) = k + (1:nnz(none));
  K = k + nnz(none);
  [i, j] = find(A);
  across = c(i) ~= c(j);
  C = sparse(c(i(across)), c(j(across)), 1, K, K);
  node = 1:k;   % the component of each Morse set
  % Only components on a path from one Morse set to another matter: those
  % reached from a Morse set that reach one. A loop marks the Morse sets.
  D = C + sparse(node, node, 1, K, K);
  between = cyclereach(D) > 0 & cyclereach(D') > 0;
  C = C(between, between);
  renumber = cumsum(between);
  node = renumber(node);
  K = size(C, 1);
  % Morse set a is reached from the components that reach a loop at a alone.
  rows = cell(k, 1);
  for a = 1:k
    reaches = cyclereach(C + sparse(node(a), node(a), 1, K, K));
    rows{a} = find(reaches(node));
  end
  counts = cellfun(@numel, rows)';
  G = sparse(repelem(1:k, counts), [rows{:}], 1, k, k);
end

%!test
%! ## The help example: two Morse sets joined by a path, one more reaching
%! ## the last; the numbers are topological.
%! A = sparse ([2 1 3 4 5 4 6 4], [1 2 2 3 4 5 6 6], 1, 6, 6);
%! [m, G] = morsesets (A);
%! assert (m, int32 ([1 1 -1 2 2 0]));
%! assert (issparse (G));
%! assert (full (G), [1 0 0; 0 1 0; 1 1 1]);

%!test
%! ## Reachability is transitive through other Morse sets and through long
%! ## paths of vertices on no cycle; unrelated sets stay apart.
%! ## loops at 1, 5, 9; chain 1 -> 2 -> 3 -> 4 -> 5 -> 6 -> 7 -> 8 -> 9;
%! ## a 2-cycle {10, 11} with an edge to 2; 12 with a loop, isolated.
%! i = [1 5 9 2:9 11 10 2 12];
%! j = [1 5 9 1:8 10 11 10 12];
%! A = sparse (i, j, 1, 12, 12);
%! [m, G] = morsesets (A);
%! assert (nnz (m >= 0), 6);
%! assert (m([2:4 6:8]), int32 (-ones (1, 6)));
%! ## every edge between Morse sets goes up in number
%! [a, b] = find (A);
%! up = m(a) >= 0 & m(b) >= 0 & m(a) ~= m(b);
%! assert (all (m(a(up)) > m(b(up))));
%! s = double (m([1 5 9 10 12])) + 1;   # sets of 1, 5, 9, {10, 11}, 12
%! R = zeros (5);
%! R(2, 1) = R(3, 1) = R(3, 2) = 1;     # 1 reaches 5 and 9, 5 reaches 9
%! R([2 3], 4) = 1;                     # {10, 11} reaches 5 and 9 through 2
%! R += eye (5);
%! assert (full (G(s, s)), R);
%! assert (istril (G));

%!test
%! ## Random graphs against reachability by repeated squaring.
%! rand ("seed", 7);
%! for trial = 1:20
%!   n = 40;
%!   A = sprand (n, n, 0.04) > 0;
%!   [m, G] = morsesets (A);
%!   k = double (max ([m -1])) + 1;
%!   R = double (full (A) | eye (n));
%!   for q = 1:6
%!     R = double (R * R > 0);
%!   end
%!   expected = zeros (k);
%!   for a = 1:k
%!     for b = 1:k
%!       expected(a, b) = any (any (R(m == a - 1, m == b - 1)));
%!     end
%!   end
%!   assert (full (G), expected);
%! end

%!test
%! ## No Morse set: an empty G; one result only: no G is computed.
%! [m, G] = morsesets (sparse (2:4, 1:3, 1, 4, 4));
%! assert (m, int32 (-ones (1, 4)));
%! assert (size (G), [0 0]);
%! assert (morsesets (sparse (1, 1, 1)), int32 (0));

%!error <usage> morsesets ()
%!error <A must be a square real matrix> morsesets (ones (2, 3))

%!demo
%! ## A 2-cycle {1, 2} that reaches a self-loop at 4 through 3, which is on no cycle.
%! A = sparse ([2 1 3 4 4], [1 2 2 3 4], 1, 4, 4);
%! [m, G] = morsesets (A)
%! full (G)
