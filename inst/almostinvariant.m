% -*- texinfo -*-
% @deftypefn  {} {@var{labels} =} almostinvariant (@var{A}, @var{k})
% @deftypefnx {} {[@var{labels}, @var{lambda}, @var{rho}] =} almostinvariant (@var{A}, @var{k})
% Splits the boxes that carry invariant mass into @var{k} almost-invariant
% sets: sets that the map leaves rarely, found from the eigenvectors of the
% @var{k} eigenvalues nearest 1.
%
% @var{A} is a transition matrix as for @code{invariantmeasure}
% (@var{A}(i, j) the share of box j mapped into box i, columns summing to
% at most 1); for a tree and a map, @code{[~, ~, info] = invariantmeasure
% (T, f)} gives a good one as @code{info.matrix}.  @var{k} is a whole
% number, 1 or more.
%
% The construction: with @var{mu} = @code{invariantmeasure (A)}, on the
% boxes where @var{mu} > 0, the reversible matrix R = (A + A*)/2, A* the
% time reversal of A with respect to @var{mu} (A*(i, j) = A(j, i) mu(i) /
% mu(j)).  R has the same invariant vector and the same mass flow between
% any set and its complement as A, and it is self-adjoint for the
% @var{mu}-weighted inner product, so its eigenvalues are real, at most 1,
% and its eigenvectors orthogonal.  Its @var{k} largest eigenvalues and
% their eigenvectors (as functions on the boxes, the first constant) are
% computed by @code{eigs} on the symmetric matrix D^(-1/2) R D^(1/2), D =
% diag (mu) (by @code{eig} up to 500 boxes).  Sets that the map rarely
% leaves make eigenvalues near 1 whose eigenvectors are nearly constant on
% each set.  Each box is a point in R^k (its values in the k eigenvectors);
% these points fill a simplex with a corner per set, found one after
% another as the point farthest from the span of the corners found so far;
% each box belongs to the corner whose barycentric weight in it is largest.
%
% @itemize
% @item @var{labels}: 1-by-n, the set 1..@var{k} of each box, the sets
% numbered in the order of their first box; 0 for the boxes with no
% invariant mass (off the support of @var{mu}).
% @item @var{lambda}: @var{k}-by-1, the eigenvalues of R, largest first
% (@var{lambda}(1) = 1 when @var{A} keeps its mass).
% @item @var{rho}: @var{k}-by-1, the invariance ratio of each set S,
% mu(S and f^-1 S) / mu(S): the share of its mass that stays a step.
% For any split into @var{k} sets, @code{sum (rho) <= sum (lambda)}.
% @end itemize
%
% Where the invariant vector or the eigenvectors do not converge, a warning
% (boxgraph:almostinvariant:notConverged) says that the sets may be off.
%
% Errors: those of @code{invariantmeasure} for @var{A}, "almostinvariant: k
% must be a whole number, 1 or more.", "almostinvariant: k is more than the
% N boxes that carry invariant mass.".
%
% @example
% % two 3-cycles joined by a leak of 1% in each direction
% C = sparse ([2 3 1], [1 2 3], 1, 3, 3);
% A = blkdiag (C, C);
% A(:, 1) = 0.99 * A(:, 1);  A(4, 1) = 0.01;
% A(:, 4) = 0.99 * A(:, 4);  A(1, 4) = 0.01;
% [labels, lambda] = almostinvariant (A, 2)
% @result{} labels = 1 1 1 2 2 2,  lambda = [1; 0.993]
% @end example
% @seealso{invariantmeasure, transitions, morsesets}
% @end deftypefn
function [labels, lambda, rho] = almostinvariant(A, k)
  if nargin < 2
    error('boxgraph:almostinvariant:usage', 'almostinvariant: usage: [labels, lambda, rho] = almostinvariant(A, k).');
  end
  A = markovmatrix('almostinvariant', A);
  if ~(isnumeric(k) && isreal(k) && isscalar(k) && k >= 1 && k == fix(k))
    error('boxgraph:almostinvariant:badCount', 'almostinvariant: k must be a whole number, 1 or more.');
  end
  n = size(A, 1);
  [mu, ~, state] = stationary('almostinvariant', A);
  if ~state.converged
    warning('boxgraph:almostinvariant:notConverged', ...
            'almostinvariant: the invariant measure is known only to ||A mu - lambda mu||_1 = %.1e; the sets may be off.', ...
            state.residual);
  end
  support = find(mu > 0);
  m = numel(support);
  if k > m
    error('boxgraph:almostinvariant:tooManySets', 'almostinvariant: k is more than the %d boxes that carry invariant mass.', m);
  end
  A = A(support, support);
  mu = mu(support);

  % The symmetric form of the reversible matrix: D^(-1/2) (A + A*)/2 D^(1/2)
  % = (N + N')/2 with N = D^(-1/2) A D^(1/2).
  root = sqrt(mu);
  N = spdiags(1 ./ root, 0, m, m) * A * spdiags(root, 0, m, m);
  M = (N + N') / 2;
  if m <= 500
    [V, L] = eig(full(M));
    [lambda, order] = sort(diag(L), 'descend');
    lambda = lambda(1:k);
    V = V(:, order(1:k));
  else
    % a wide Krylov space: the eigenvalues near 1 come in clusters
    opts = struct('issym', true, 'p', min(m, max(2 * k + 10, 40)), 'maxit', 1000, 'disp', 0);
    [V, L, flag] = eigs(M, k, 'la', opts);
    if flag ~= 0
      warning('boxgraph:almostinvariant:notConverged', ...
              'almostinvariant: eigs found the eigenvectors only roughly; the sets may be off.');
    end
    [lambda, order] = sort(diag(L), 'descend');
    V = V(:, order);
  end
  W = V ./ root;   % eigenvectors of R as functions on the boxes

  % The simplex's corners: the box farthest from the origin, then each time
  % the box farthest from the span of the corners so far (shifted to the
  % first corner).
  corners = zeros(1, k);
  [~, corners(1)] = max(sum(W .^ 2, 2));
  Y = W - W(corners(1), :);
  for c = 2:k
    [~, corners(c)] = max(sum(Y .^ 2, 2));
    v = Y(corners(c), :) / norm(Y(corners(c), :));
    Y = Y - (Y * v') * v;
  end
  weights = W / W(corners, :);   % barycentric: a corner's own row is e_c
  [~, set] = max(weights, [], 2);
  [~, firstbox] = unique(set, 'first');
  number = zeros(1, k);
  number(set(sort(firstbox))) = 1:numel(firstbox);
  set = number(set);

  labels = zeros(1, n);
  labels(support) = set;
  inset = sparse(1:m, set, 1, m, k);
  flow = inset' * A * spdiags(mu, 0, m, m) * inset;   % flow(a, b): mass from set b to set a
  rho = full(diag(flow)) ./ (inset' * mu);
end

%!shared two
%! ## Two 3-cycles joined by a leak of 1% in each direction, from box 1 to
%! ## box 4 and back.
%! C = sparse ([2 3 1], [1 2 3], 1, 3, 3);
%! two = blkdiag (C, C);
%! two(:, 1) = 0.99 * two(:, 1);  two(4, 1) = 0.01;
%! two(:, 4) = 0.99 * two(:, 4);  two(1, 4) = 0.01;

%!test
%! ## Each cycle holds half the mass, its leaking box 1/2.98 of that (the
%! ## other two get 0.99 of what it has), and 1% of the box's mass leaves:
%! ## rho = 1 - 0.01/2.98 for both. The reversible matrix's
%! ## second eigenvalue is near 1, and the ratios sum to no more than the
%! ## eigenvalues.
%! [labels, lambda, rho] = almostinvariant (two, 2);
%! assert (labels, [1 1 1 2 2 2]);
%! assert (size (lambda), [2 1]);
%! assert (lambda(1), 1, 1e-12);
%! assert (lambda(2) > 0.99 && lambda(2) < 1 - 1e-4);
%! assert (rho, (1 - 0.01 / 2.98) * [1; 1], 1e-12);
%! assert (sum (rho) <= sum (lambda) + 1e-12);
%! ## Numbered by first box: the same sets with the halves swapped.
%! p = [4 5 6 1 2 3];
%! assert (almostinvariant (two(p, p), 2), [1 1 1 2 2 2]);
%! ## One set: all of them.
%! [labels, lambda, rho] = almostinvariant (two, 1);
%! assert (labels, ones (1, 6));
%! assert ([lambda rho], [1 1], 1e-12);

%!test
%! ## Two halves of [0, 1], each mapped onto itself by a doubling map, joined
%! ## by a thin leak at their outer ends (a thousandth of the mass of the
%! ## first and last 8 of 1024 intervals): two sets, the halves, and an
%! ## eigenvalue within 1e-4 of 1. A third set splits one half, at a
%! ## visibly lower eigenvalue.
%! T = Tree (0.5, 0.5);
%! for k = 1:10
%!   subdivide (T);
%! end
%! halves = @(x) (x < 0.5) .* mod (2 * x, 0.5) + (x >= 0.5) .* (0.5 + mod (2 * x - 1, 0.5));
%! [~, ~, info] = invariantmeasure (T, halves);
%! A = info.matrix;
%! leak = 1e-3;
%! A(:, 1:8) = (1 - leak) * A(:, 1:8);
%! A(1024, 1:8) = leak;
%! A(:, 1017:1024) = (1 - leak) * A(:, 1017:1024);
%! A(1, 1017:1024) = leak;
%! [labels, lambda, rho] = almostinvariant (A, 2);
%! assert (labels, [ones(1, 512), 2 * ones(1, 512)]);
%! assert (lambda(2) > 1 - 1e-4);
%! assert (rho, (1 - leak * 8 / 512) * [1; 1], 1e-7);   # mass near the leaks is a little less
%! [labels, lambda] = almostinvariant (A, 3);
%! assert (numel (unique (labels)), 3);
%! assert (lambda(3) < 0.99);

%!test
%! ## Boxes that carry no invariant mass (3 feeds the cycles) get 0; with
%! ## more than 500 boxes eigs finds the eigenvectors: 600 boxes in two
%! ## 300-cycles joined by a leak.
%! A = [two, sparse([1 4], 1, 0.5, 6, 1); sparse(1, 7)];
%! assert (almostinvariant (A, 2), [1 1 1 2 2 2 0]);
%! C = sparse ([2:300 1], 1:300, 1, 300, 300);
%! B = blkdiag (C, C);
%! B(:, 1) = 0.99 * B(:, 1);  B(301, 1) = 0.01;
%! B(:, 301) = 0.99 * B(:, 301);  B(1, 301) = 0.01;
%! [labels, lambda] = almostinvariant (B, 2);
%! assert (labels, [ones(1, 300), 2 * ones(1, 300)]);
%! assert (lambda(1), 1, 1e-9);

%!error <usage> almostinvariant (speye (2))
%!error <k must be a whole number, 1 or more> almostinvariant (speye (2), 0)
%!error <k must be a whole number, 1 or more> almostinvariant (speye (2), 1.5)
%!error <k must be a whole number, 1 or more> almostinvariant (speye (2), [1 2])
%!error <k is more than the 2 boxes that carry invariant mass> almostinvariant (sparse ([1 2 1], [1 2 3], 1, 3, 3), 3)
%!error <the columns of A must sum to at most 1> almostinvariant (sparse (ones (2)), 2)

%!demo
%! ## Two 3-cycles that leak 1% into each other at one box each: two
%! ## almost-invariant sets, the cycles, each keeping 99.7% of its mass.
%! C = sparse ([2 3 1], [1 2 3], 1, 3, 3);
%! A = blkdiag (C, C);
%! A(:, 1) = 0.99 * A(:, 1);  A(4, 1) = 0.01;
%! A(:, 4) = 0.99 * A(:, 4);  A(1, 4) = 0.01;
%! [labels, lambda, rho] = almostinvariant (A, 2)
