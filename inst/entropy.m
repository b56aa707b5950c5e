% -*- texinfo -*-
% @deftypefn  {} {@var{h} =} entropy (@var{A})
% @deftypefnx {} {@var{h} =} entropy (@var{A}, @var{labels})
% @deftypefnx {} {@var{h} =} entropy (@var{A}, @var{labels}, @var{start})
% @deftypefnx {} {@var{h} =} entropy (@var{A}, @var{labels}, @var{start}, "memory", @var{bytes})
% @deftypefnx {} {[@var{h}, @var{S}] =} entropy (@dots{})
% The topological entropy estimate log(rho) of a graph's symbolic dynamics,
% rho the spectral radius of its transition matrix.
%
% With @var{labels}, of the subshift induced by the labels: @code{[i, j, v] =
% subshift (A, labels, start)} builds it by subset construction from the
% vertex @var{start}, and rho is the spectral radius of @code{sparse (i, j,
% v)}, whose entries count the symbols that lead from one subset to another.
% Without, of the graph itself: rho is the spectral radius of @code{spones
% (A)}, log(rho) the growth rate of the number of its paths.
%
% @itemize
% @item @var{A}: n-by-n, sparse (a full one is made sparse); a stored
% @var{A}(i, j) that is not 0 is an edge from vertex j to vertex i.
% @item @var{labels}: one symbol per vertex, 0 to 255: @code{uint8}, or any
% real array of whole numbers in that range (converted).  For boxes, for
% instance the side of a hyperplane: @code{uint8 (c(1, :) > 0)}.
% @item @var{start}: the start vertex as a zero-based index, a whole number
% from 0 to n-1 (missing or empty: 0).  The subshift holds the label
% sequences of the paths from @var{start}: choose a vertex of the part of
% interest, such as a box in the largest Morse set.
% @item @var{bytes}: the most memory the subset construction of this call
% may take, in place of the cap that @code{memorycap} sets for every call
% (@code{Inf}: none).  Past it the call ends with "entropy: out of memory.".
% @item @var{h}: log(rho), natural logarithm; -Inf when there is no cycle
% (rho = 0: finitely many paths).
% @item @var{S}: the matrix whose spectral radius rho is, sparse: the
% subshift's transition matrix (its size is the number of subsets), or
% @code{spones (A)}.
% @end itemize
%
% rho is the largest of the spectral radii of the matrix's strongly
% connected components.  A component whose row or column sums are all equal
% has that sum as its radius, exactly (a full shift on k symbols gives
% log(k), a cycle 0); others are computed by @code{eig} up to 500 vertices
% and beyond by @code{eigs} on the component plus the identity (whose Perron
% root is then its only eigenvalue of largest modulus), accepted when the
% eigenvector has no entries of both signs.  Where @code{eigs} does not
% converge, as for components of a long period, Noda's inverse iteration
% narrows the Collatz-Wielandt bounds min(Sx./x) <= rho <= max(Sx./x) of a
% positive vector x in a few sparse solves; a warning
% (@code{boxgraph:entropy:inexact}) gives the bounds if they stay wider than
% 1e-10 (relative).
%
% @var{h} is an estimate, in floating point, of the entropy of the graph's
% labelled paths: with an outer graph of a map (@code{transitions (T, f, d,
% "interval")}) and labels that name, for each box, the element of a
% partition that holds the box, that entropy bounds from above the map's
% entropy with respect to the partition on the points whose orbits stay in
% the boxes; @code{entropybound} gives a certified upper bound of it, with
% this estimate beside it.  From a sampled graph the estimate can fall on
% either side of the map's entropy.
%
% Cost: with labels, the subset construction takes about 60 bytes for each
% member of each subset it finds, besides O(n + edges) for the graph: s
% subsets of m vertices on average take about 60 s m bytes, and time in
% proportion.  Both s and m depend on the graph and the labels, not on n
% alone: s can grow exponentially with n (the graph of "the k-th symbol from
% the end is 1" on 2k + 2 vertices gives 2^k + 1 subsets), and on the
% covering of a map whose labels do not separate its branches, a few hundred
% subsets can each hold a large part of the boxes (1000 subsets of 10^6
% boxes: about 60 GB).  A call takes at most half of the memory available
% when it starts, or what @code{memorycap} or the option allows, and
% past it ends with "entropy: out of memory.".  The spectral radius then
% costs little beside it.
%
% Errors: "entropy: A must be a square real matrix (n-by-n, sparse), A(i, j)
% an edge j -> i.", "entropy: labels must be whole numbers from 0 to 255.",
% "entropy: labels must hold a label for each of the N vertices.", "entropy:
% start must be a vertex index from 0 to N-1.", the option errors, and
% "entropy: out of memory.", "entropy: interrupted." (Ctrl-C).
%
% @example
% entropy (sparse (ones (2)))          % the full shift on two symbols
% @result{} 0.6931  (log (2))
% A = sparse ([1 2 2 3 3], [1 1 2 2 3], 1, 3, 3);   % loops 1, 2, 3; 1 -> 2 -> 3
% entropy (A, uint8 ([0 1 0]), 0)
% @end example
% @seealso{entropybound, subshift, memorycap, transitions, morsesets}
% @end deftypefn
function [h, S] = entropy(A, labels, start, varargin)
  if nargin < 1
    error('boxgraph:entropy:usage', 'entropy: usage: h = entropy(A, labels, start).');
  end
  A = squaregraph('entropy', A);
  n = size(A, 1);
  cap = [];
  if mod(numel(varargin), 2) ~= 0
    error('boxgraph:entropy:badOption', 'entropy: options come in pairs: "memory", bytes.');
  end
  for k = 1:2:numel(varargin)
    if ~ischar(varargin{k}) || ~strcmpi(varargin{k}, 'memory')
      error('boxgraph:entropy:badOption', 'entropy: the only option is "memory", bytes.');
    end
    cap = varargin{k + 1};
    if ~(isnumeric(cap) && isreal(cap) && isscalar(cap) && cap > 0)
      error('boxgraph:entropy:badOption', 'entropy: memory must be a number of bytes above 0 (Inf: no cap).');
    end
  end
  if nargin < 3 || isempty(start)
    start = 0;
  end
  if ~(isnumeric(start) && isreal(start) && isscalar(start) && start >= 0 && start < max(n, 1) ...
       && start == fix(start))
    error('boxgraph:entropy:badStart', 'entropy: start must be a vertex index from 0 to %d.', max(n, 1) - 1);
  end
  if nargin < 2 || isempty(labels)
    S = spones(A);
  else
    if ~isa(labels, 'uint8')
      if ~(isnumeric(labels) || islogical(labels)) || ~isreal(labels) ...
         || ~all(labels(:) >= 0 & labels(:) <= 255 & labels(:) == fix(labels(:)))
        error('boxgraph:entropy:badLabels', 'entropy: labels must be whole numbers from 0 to 255.');
      end
      labels = uint8(full(labels));
    end
    if numel(labels) < n
      error('boxgraph:entropy:tooFewLabels', 'entropy: labels must hold a label for each of the %d vertices.', n);
    end
    if n == 0   % no vertex, no path: the empty subshift
      S = sparse(0, 0);
    else
      S = subshiftmatrix(A, labels, start, cap);
    end
  end
  h = log(spectralradius(S));
end

% The transition matrix of the subshift, built with the memory cap given (for
% this call, in place of memorycap's) and its errors told in entropy's name.
function S = subshiftmatrix(A, labels, start, cap)
  if ~isempty(cap)
    previous = memorycap(cap);
    restore = onCleanup(@() memorycap(previous));
  end
  try
    [i, j, v] = subshift(A, labels, start);
  catch err
    id = regexprep(err.identifier, '^boxgraph:subshift:', 'boxgraph:entropy:');
    message = regexprep(err.message, '^subshift: ', 'entropy: ');
    error(struct('message', message, 'identifier', id));
  end
  s = max([i; j; 1]);
  S = sparse(i, j, v, s, s);
end

% The spectral radius of a nonnegative sparse matrix: the largest over its
% strongly connected components.
function rho = spectralradius(S)
  rho = 0;
  n = size(S, 1);
  if n == 0
    return;
  end
  c = strongcomp(S, S');
  if all(c < 0)
    return;
  end
  % A component of one vertex with a loop: the loop's weight.
  [comp, order] = sort(double(c));
  order = order(comp >= 0);
  comp = comp(comp >= 0);
  last = [find(diff(comp)), numel(comp)];
  first = [1, last(1:end-1) + 1];
  size1 = last == first;
  d = full(diag(S));
  if any(size1)
    rho = max(d(order(first(size1))));
  end
  for q = find(~size1)
    members = order(first(q):last(q));
    rho = max(rho, componentradius(S(members, members)));
  end
end

% The Perron root of an irreducible nonnegative matrix B of two or more rows.
function rho = componentradius(B)
  m = size(B, 1);
  rows = full(sum(B, 2));
  cols = full(sum(B, 1))';
  lo = max(min(rows), min(cols));   % both sums bound rho from both sides
  hi = min(max(rows), max(cols));
  if hi - lo <= 4 * eps(hi)
    rho = hi;
    return;
  end
  if m <= 500
    rho = min(max(max(abs(eig(full(B)))), lo), hi);
    return;
  end
  % First eigs on B + I, whose Perron root rho + 1 is its only eigenvalue of
  % largest modulus. The Perron vector is the only eigenvector without
  % entries of both signs, so a converged one that has none is it.
  try
    opts = struct('tol', 1e-14, 'maxit', 1000, 'disp', 0);
    [v, mu, flag] = eigs(B + speye(m), 1, 'lm', opts);
    v = real(v) * sign(sum(real(v)));
    if flag == 0 && all(isfinite(v)) && min(v) >= -1e-8 * max(v)
      rho = min(max(abs(mu) - 1, lo), hi);
      return;
    end
  catch
  end
  % Else (as for components of a long period, where eigs may not converge)
  % Noda's inverse iteration: for x > 0 the Collatz-Wielandt bounds
  % min(Bx ./ x) <= rho <= max(Bx ./ x) hold; with the upper bound as the
  % shift, (shift I - B) is a nonsingular M-matrix whose inverse is
  % positive, so x stays positive, and the bounds close quadratically.
  x = ones(m, 1);
  I = speye(m);
  singular = false;
  for step = 1:50
    q = (B * x) ./ x;
    lo = max(lo, min(q));
    hi = min(hi, max(q));
    if hi - lo <= 1e-12 * hi
      break;
    end
    y = (max(q) * I - B) \ x;
    if ~all(y > 0 & isfinite(y))   % the shift is rho to working precision
      singular = true;
      break;
    end
    x = y / max(y);
  end
  if singular
    rho = hi;
  else
    rho = (lo + hi) / 2;
    if hi - lo > 1e-10 * hi
      warning('boxgraph:entropy:inexact', 'entropy: the spectral radius is known only to lie in [%.12g, %.12g].', ...
              lo, hi);
    end
  end
end

%!test
%! ## Exact on the named cases: full shifts, cycles, no cycle.
%! assert (entropy (sparse (ones (2))), log (2));
%! assert (entropy (sparse (ones (3))), log (3));
%! assert (entropy (sparse ([2:7 1], 1:7, 1)), 0);
%! assert (entropy (sparse (2:7, 1:6, 1, 7, 7)), -Inf);
%! assert (entropy (sparse (0, 0)), -Inf);
%! ## a loop and a 2-cycle; the full 3-shift beside the full 2-shift; only
%! ## the pattern of A counts
%! assert (entropy (sparse ([1 3 2], [1 2 3], 1, 3, 3)), 0);
%! assert (entropy (blkdiag (sparse (ones (2)), sparse (ones (3)))), log (3));
%! assert (entropy (sparse ([5 0; 7 0.5])), 0);

%!test
%! ## Subshift entries count symbols: two symbols lead from {1, 2} to {3},
%! ## one back, rho = sqrt (2).
%! B = sparse ([3 3 1 2], [1 2 3 3], 1, 3, 3);
%! [h, S] = entropy (B, uint8 ([0 1 0]), 2);
%! assert (h, log (2) / 2, 1e-15);
%! assert (full (S), [0 2; 1 0]);
%! assert (entropy (B, uint8 ([0 1 0]), 0), log (2) / 2, 1e-15);
%! ## a start vertex with no edge leaving it: no edge, no cycle
%! assert (entropy (sparse (2, 1, 1, 2, 2), [0 0], 1), -Inf);

%!test
%! ## The golden mean shift: no two ones in a row, rho = (1 + sqrt 5) / 2,
%! ## from the graph and from a labelled graph that presents it.
%! A = sparse ([1 2 1], [1 1 2], 1, 2, 2);   # 1 -> 1, 1 -> 2, 2 -> 1
%! assert (entropy (A), log ((1 + sqrt (5)) / 2), 1e-14);
%! assert (entropy (A, uint8 ([0 1]), 0), log ((1 + sqrt (5)) / 2), 1e-14);
%! assert (entropy (A, [0 1]), log ((1 + sqrt (5)) / 2), 1e-14);
%! ## a periodic component: 2-cycles between two groups of 3 vertices
%! B = sparse ([zeros(3) ones(3); ones(3) zeros(3)]);
%! B(1, 4) = 0;
%! assert (entropy (B), log (max (abs (eig (full (B))))), 1e-13);

%!test
%! ## Components above the size that eig takes: a large periodic one and a
%! ## large random one, against the dense eigenvalues.
%! rand ("seed", 3);
%! n = 600;
%! P = sparse ([2:n 1], 1:n, 1, n, n);       # a cycle of length 600 ...
%! P = P + sparse (1, n / 2, 1, n, n);       # ... and a chord: period 300
%! assert (entropy (P), log (max (abs (eig (full (P))))), 1e-10);
%! R = sprand (n, n, 0.01) > 0;
%! R = R | sparse ([2:n 1], 1:n, true, n, n);  # irreducible
%! assert (entropy (R), log (max (abs (eig (double (full (R)))))), 1e-10);

%!test
%! ## The logistic map x -> 4x(1-x) on [0, 1] has entropy log 2: the
%! ## subshift of the two halves, induced on a covering of 2^12 intervals,
%! ## reaches a subset that both symbols lead back to (a loop of weight 2),
%! ## so the estimate is exact; the covering's graph alone has paths that no
%! ## orbit follows.
%! T = Tree (0.5, 0.5);
%! for k = 1:12
%!   subdivide (T);
%! end
%! A = transitions (T, @(x) 4 * x .* (1 - x));
%! c = boxes (T);
%! h = entropy (A, uint8 (c >= 0.5), 0);
%! assert (h, log (2), 1e-12);
%! assert (entropy (A) > log (2) + 0.2);

%!error <usage> entropy ()
%!error <A must be a square real matrix> entropy (sparse (2, 3))
%!error <labels must be whole numbers from 0 to 255> entropy (sparse (ones (2)), [0 256])
%!error <labels must be whole numbers from 0 to 255> entropy (sparse (ones (2)), [0 0.5])
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [0 1], 2)
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [0 1], 7)
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [0 1], 0.5)
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [0 1], [0 1])
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [0 1], "a")
%!error <^entropy: start must be a vertex index from 0 to 1\.$> entropy (sparse (ones (2)), [], 1.5)
%!error <^entropy: labels must hold a label for each of the 3 vertices\.$> entropy (sparse (ones (3)), [0 1])
%!error <^entropy: the only option is "memory", bytes\.$> entropy (sparse (ones (2)), [0 1], 0, "mem", 1)
%!error <^entropy: options come in pairs: "memory", bytes\.$> entropy (sparse (ones (2)), [0 1], 0, "memory")
%!error <^entropy: memory must be a number of bytes above 0 \(Inf: no cap\)\.$> entropy (sparse (ones (2)), [0 1], 0, "memory", -1)

%!test
%! ## entropy speaks in its own name: its identifiers, and subshift's errors
%! ## told as its own; [] and int32 starts; an empty graph.
%! try
%!   entropy (sparse (ones (2)), [0 1], 7);
%! catch err
%!   assert (err.identifier, "boxgraph:entropy:badStart");
%! end_try_catch
%! A = sparse ([1 2 1], [1 1 2], 1, 2, 2);
%! assert (entropy (A, [0 1], []), entropy (A, [0 1], int32 (0)));
%! assert (entropy (A, [0 1], 1), log ((1 + sqrt (5)) / 2), 1e-14);
%! assert (entropy (sparse (0, 0), uint8 (1)), -Inf);

%!test
%! ## The memory option caps this call only: an exploding subshift ends with
%! ## entropy's out-of-memory error, the cap set by memorycap is back after
%! ## it, and the same call with room finishes.
%! k = 14;   # the k-th symbol from the end is 1: 2^k + 1 subsets, entropy log 2
%! from = [1 1 2 2 2 2]; to = [1 2 1 2 3 4];
%! for q = 1:k-1
%!   for a = 0:1
%!     from(end+1:end+2) = 2*q + a + 1; to(end+1:end+2) = 2*(q+1) + [1 2];
%!   endfor
%! endfor
%! G = sparse (to, from, 1, 2*(k+1), 2*(k+1));
%! l = mod (0:2*k+1, 2);
%! old = memorycap (Inf);
%! unwind_protect
%!   try
%!     evalc ("entropy (G, l, 0, 'memory', 2^20)");
%!     error ("no error");
%!   catch err
%!     assert (err.message, "entropy: out of memory.");
%!     assert (err.identifier, "boxgraph:entropy:outOfMemory");
%!   end_try_catch
%!   assert (memorycap (), Inf);
%!   memorycap (2^20);
%!   assert (entropy (G, l, 0, "memory", Inf), log (2), 1e-12);
%!   assert (memorycap (), 2^20);
%! unwind_protect_cleanup
%!   memorycap (old);
%! end_unwind_protect

%!demo
%! ## The golden mean shift (no two 1s in a row): entropy log((1 + sqrt 5) / 2).
%! A = sparse ([1 2 1], [1 1 2], 1, 2, 2);
%! h = entropy (A)
%! log ((1 + sqrt (5)) / 2)
