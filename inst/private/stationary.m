% [mu, lambda, info] = stationary(who, A): the stationary probability vector
% of a matrix A that markovmatrix accepted.
%
% Structure first: strongcomp finds the strongly connected components with a
% cycle (the recurrent classes); a class is closed when no edge leaves it and
% its columns sum to 1 (no mass leaves the covering from it). Invariant
% probability vectors exist exactly when some class is closed, and they live
% on the closed classes.
%
% Then power iteration, x <- normalised ((1 - a) A x + a x), a = 1/8, from
% the uniform vector: the lazy share a leaves the eigenvectors as they are
% but moves every eigenvalue of modulus 1 other than 1 itself inside the
% unit circle, so periodic classes converge too, at the price of a slightly
% slower rate for a positive second eigenvalue. It stops when the residual
% ||A x - lambda x||_1, lambda = sum (A x), is at most 1e-12 lambda, or
% after 1000 steps.
%   - With closed classes the limit is the invariant vector the uniform
%     distribution settles into: each closed class's own stationary vector,
%     weighted by the share of the uniform mass it absorbs; lambda = 1. Mass
%     left outside the closed classes at the end is dropped, so mu is exactly
%     0 off them.
%   - Without, mass leaves every class, so no vector is invariant: the limit
%     is the conditionally invariant vector, A mu = lambda mu with lambda < 1
%     the spectral radius (the Perron vector; the mass kept per step). It
%     lives on the classes that keep mass at the largest rate and on what
%     they reach; the mass still decaying elsewhere is dropped.
%
% A chain that mixes slowly (a second eigenvalue near 1: almost-invariant
% sets, long cycles) is left unfinished by the power iteration (residual
% above 1e-10 lambda once the support is set); then the
% equations are solved from where it stopped, by GMRES preconditioned with
% an incomplete LU factorisation, which finds an isolated eigenvalue near 1
% in a few steps where the power iteration needs of the order of 1/gap:
%   - each closed class B of two or more boxes: (I - B) x = 0 with the
%     entry of its box of most mass fixed, a nonsingular M-matrix system for
%     the others; the class keeps the mass the power iteration gave it.
%   - without closed classes, on the support: Noda's inverse iteration,
%     (s I - A) y = x with s = max (A x ./ x), which bounds lambda from
%     above (Collatz-Wielandt), so s I - A is a nonsingular M-matrix; the
%     bounds close quadratically.
%
% info: iterations (power steps; solver steps counted too), residual
% (||A mu - lambda mu||_1 at the end), converged (residual <= 1e-10
% lambda), closed (true when invariant vectors exist). Errors name the
% calling function, who.
function [mu, lambda, info] = stationary(who, A)
  n = size(A, 1);
  c = strongcomp(A, A');
  k = double(max(c)) + 1;
  if k == 0
    error(['boxgraph:' who ':noCycle'], ...
          '%s: no box of A lies on a cycle, so all mass leaves and no measure is invariant.', who);
  end
  % a class is open when an edge leaves it or one of its columns loses mass
  [i, j, v] = find(A);
  out = c(j) >= 0 & c(i) ~= c(j);
  lost = c >= 0 & full(sum(A, 1)) < 1 - 1e-12;
  open = false(1, k);
  open(c(j(out)) + 1) = true;
  open(c(lost) + 1) = true;
  closed = ~all(open);

  share = 1 / 8;
  tol = 1e-12;
  x = ones(n, 1) / n;
  for it = 1:1000
    y = A * x;
    lambda = sum(y);
    residual = norm(y - lambda * x, 1);
    if residual <= tol * lambda
      break;
    end
    x = (1 - share) * y + share * x;
    x = x / sum(x);
  end
  iterations = it;

  % Where the vector lives: on the closed classes; without, on the classes
  % whose own rate of keeping mass is the largest (lambda, once converged)
  % and on what they reach. Mass elsewhere is only still decaying (upstream
  % of them, by (rate/lambda)^k): it is set to 0.
  if closed
    support = c >= 0;
    support(support) = ~open(c(support) + 1);
  else
    within = c(j) >= 0 & c(i) == c(j);
    member = c >= 0;
    mass = accumarray(double(c(member))' + 1, x(member), [k 1]);
    kept = accumarray(double(c(j(within)))' + 1, v(within) .* x(j(within)), [k 1]);
    rate = kept ./ mass;
    rate(mass == 0) = 0;
    support = reached(A, ismember(c, find(rate >= (1 - 1e-9) * max(rate)) - 1));
  end
  clear i j v out within;
  x(~support) = 0;
  x = x / sum(x);
  [lambda, residual] = measured(A, x);

  if residual > 1e-10 * lambda
    if closed
      inside = find(support);
      [~, ~, class] = unique(c(inside));
      sizes = accumarray(class(:), 1);
      for q = find(sizes > 1)'
        at = inside(class == q);
        [x(at), steps] = fixedentry(A(at, at), x(at));
        iterations = iterations + steps;
      end
    else
      at = find(support);
      [x(at), steps] = noda(A(at, at), x(at));
      iterations = iterations + steps;
    end
    x = x / sum(x);
    [lambda, residual] = measured(A, x);
  end
  mu = x;
  info = struct('iterations', iterations, 'residual', residual, ...
                'converged', residual <= 1e-10 * lambda, 'closed', closed);
end

% lambda = sum (A x) and the residual ||A x - lambda x||_1 of a vector x of
% sum 1.
function [lambda, residual] = measured(A, x)
  y = A * x;
  lambda = sum(y);
  residual = norm(y - lambda * x, 1);
end

% The vertices reachable from the marked ones (a 1-by-n logical row) along
% the edges of A, breadth first: each round follows the columns of the new
% vertices only.
function mark = reached(A, mark)
  mark = reshape(mark, 1, []);
  new = find(mark);
  while ~isempty(new)
    [next, ~] = find(A(:, new));
    next = next(~mark(next));
    mark(next) = true;
    new = unique(next)';
  end
end

% The stationary vector of an irreducible stochastic B (two or more rows),
% from the guess x, scaled to the mass of x: fix the entry of most mass at
% its guess and solve (I - B) x = 0 for the others.
function [x, steps] = fixedentry(B, x)
  m = size(B, 1);
  total = sum(x);
  [~, top] = max(x);
  rest = [1:top-1, top+1:m];
  M = speye(m - 1) - B(rest, rest);
  [y, steps] = solved(M, full(B(rest, top)) * x(top), x(rest));
  x(rest) = max(y, 0);
  x = x * (total / sum(x));
end

% The Perron vector of the nonnegative B from the positive guess x (sum
% kept), by Noda's inverse iteration.
function [x, steps] = noda(B, x)
  m = size(B, 1);
  total = sum(x);
  steps = 0;
  for round = 1:20
    q = (B * x) ./ x;
    s = max(q) * (1 + 4 * eps);
    if s - min(q) <= 1e-12 * s
      break;
    end
    [y, more] = solved(s * speye(m) - B, x, x);
    steps = steps + more;
    if ~all(y > 0 & isfinite(y))   % s is the radius to working precision
      break;
    end
    x = y / sum(y) * total;
  end
end

% M y = b by GMRES (restarts after 50 steps, at most 100 of them) from the
% guess y, preconditioned by M's incomplete LU factorisation without fill
% (M is a nonsingular M-matrix, so it exists) where it can be made.
function [y, steps] = solved(M, b, y)
  warning('off', 'Octave:singular-matrix', 'local');
  warning('off', 'Octave:nearly-singular-matrix', 'local');
  try
    [L, U] = ilu(M);
  catch
    L = [];
    U = [];
  end
  restart = min(50, size(M, 1));
  [y, ~, ~, steps] = gmres(M, b, restart, 1e-14, 100, L, U, y);
  steps = (steps(1) - 1) * restart + steps(end);
end
