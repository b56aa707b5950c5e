% -*- texinfo -*-
% @deftypefn  {} {@var{mu} =} invariantmeasure (@var{A})
% @deftypefnx {} {@var{mu} =} invariantmeasure (@var{T}, @var{f})
% @deftypefnx {} {@var{mu} =} invariantmeasure (@var{T}, @var{f}, @var{d})
% @deftypefnx {} {[@var{mu}, @var{lambda}, @var{info}] =} invariantmeasure (@dots{})
% The invariant probability vector of a transition matrix, or of the boxes
% of a tree under a map: @var{mu} >= 0, @code{sum (mu) = 1},
% @code{A * mu = mu}.
%
% @var{A} is an n-by-n matrix of transition probabilities as
% @code{transitions} makes it: @var{A}(i, j) >= 0 is the share of box j that
% maps into box i, and every column sums to at most 1 (less where mass
% leaves the covering).  @var{mu} is n-by-1, @var{mu}(j) the mass of box j.
%
% With a tree @var{T} and a map @var{f} (as for @code{transitions}), the
% matrix of the boxes at depth @var{d} (default: the deepest level) is made
% by a sampling that converges as the boxes shrink, and @var{mu}(j) is the
% mass of box j in box-number order:
% @itemize
% @item dimension 1: each box is cut into as many segments as its image
% crosses boxes (at least one), the map is followed linearly between the
% images of the segments' ends, and each segment's share goes to the boxes
% its image overlaps, in proportion.  The entries are Ulam's exact shares up
% to an error of second order in the segment length (a segment whose image
% crosses more than 4 boxes, as at a jump, is cut into 64 pieces first).
% For the logistic map x' = 4x(1 - x) the L1 distance of @var{mu} to the
% exact cell masses of the density 1/(pi sqrt(x(1 - x))) is 0.040 at 2^10
% intervals, 0.016 at 2^13 and 0.0064 at 2^16 (falling like n^-0.44), as
% for the exact Ulam matrix; @code{transitions} with its default 4 samples
% a box gives 0.22 and 0.20.  Cost: about 6.5 evaluations of @var{f} a box
% for that map (3 for the stretching, 3.5 for the segments' ends).
% @item dimension 2 and more: a grid of midpoints in each box, about 4 per
% box width of the image along each coordinate, from the images of the
% box's centre and face centres (at least 1 per coordinate, at most 4096 a
% box), each counting for the box its image lies in.  The share of a box
% that the grid misplaces falls like 1/4 per box boundary the image
% crosses, and for the fractal measures of attractors it is small against
% the error of Ulam's method itself: for the Henon map, the L1 distance to
% the histogram of a long orbit is 0.32 at depth 14 and 0.25 at depth 18,
% and grids twice as dense along each coordinate change it by under 0.01.
% Cost: about 29 evaluations a box for the Henon map (16 for
% @code{transitions}' default).
% @end itemize
%
% The vector is computed by power iteration, x <- (7/8) A x + (1/8) x,
% normalised, from the uniform vector, until ||A x - lambda x||_1 <= 1e-12
% lambda.  One sparse product a step, no factorisation: Ulam matrices of
% chaotic maps mix fast (the Henon covering at depth 24, 10^5 boxes, takes
% about 170 steps, less time than @code{eigs} on the same matrix), and the
% lazy 1/8 makes periodic chains (a permutation, a periodic orbit)
% converge too.  A chain that mixes slowly (almost-invariant sets, long
% cycles: an eigenvalue near 1) is finished after 1000 steps by GMRES with
% an incomplete LU preconditioner, from where the iteration stopped, on
% each closed class's equations (I - A) mu = 0 with one entry fixed, or by
% Noda's inverse iteration where no class is closed.  The strongly
% connected components (@code{strongcomp}) tell the cases apart:
% @itemize
% @item Some recurrent class is closed (no edge leaves it, its columns sum
% to 1): invariant vectors exist.  If there are several such classes,
% @var{mu} is the one the uniform distribution settles into, each class's
% stationary vector weighted by the share of the uniform mass that ends in
% it; @var{mu} is 0 off the closed classes; @var{lambda} = 1.
% @item Every recurrent class loses mass (columns that sum to less than 1,
% as where sampled images leave the covering): no vector is invariant.
% @var{mu} is the conditionally invariant vector, @code{A * mu = lambda *
% mu} with @var{lambda} < 1 the mass kept per step, 0 upstream of the
% classes that keep mass at that rate.  With one output a warning says so
% (boxgraph:invariantmeasure:leaks); with two, @var{lambda} does.
% @end itemize
% Where even that leaves ||A mu - lambda mu||_1 above 1e-10 lambda (an
% eigenvalue that is not simple), a warning
% (boxgraph:invariantmeasure:notConverged) gives the residual.
%
% @var{info}: a struct with @code{iterations}, @code{residual} (||A mu -
% lambda mu||_1) and, for a tree, @code{matrix} (the sampled matrix, for
% @code{almostinvariant}) and @code{evaluations} (the points given to
% @var{f}).  With @code{T.verbose} not 0 and more than 2^14 boxes, a line
% per 2^14 boxes shows the progress of the sampling.
%
% Errors: "invariantmeasure: A must hold probabilities, 0 <= A(i, j) <= 1
% ...", "invariantmeasure: the columns of A must sum to at most 1 ...",
% "invariantmeasure: A has no boxes ...", "invariantmeasure: no box of A
% lies on a cycle ...", and those of @code{transitions} for @var{T},
% @var{f} and @var{d}.
%
% @example
% T = Tree (0.5, 0.5);                       % [0, 1]
% for k = 1:10
%   subdivide (T);
% end
% mu = invariantmeasure (T, @@(x) 4 * x .* (1 - x));
% edges = linspace (0, 1, 1025)';
% exact = diff (2 / pi * asin (sqrt (edges)));
% sum (abs (mu - exact))                     % 0.040
% @end example
% @seealso{transitions, almostinvariant, plotboxes}
% @end deftypefn
function [mu, lambda, info] = invariantmeasure(A, f, d)
  if nargin < 1 || (isa(A, 'Tree') && nargin < 2) || (~isa(A, 'Tree') && nargin > 1)
    error('boxgraph:invariantmeasure:usage', ...
          'invariantmeasure: usage: mu = invariantmeasure(A) or invariantmeasure(T, f, d).');
  end
  tree = isa(A, 'Tree');
  if tree
    T = A;
    f = maphandle('invariantmeasure', f);
    if nargin < 3
      d = [];
    end
    d = treelevel('invariantmeasure', T, d);
    if count(T, d) == 0
      error('boxgraph:invariantmeasure:empty', 'invariantmeasure: the tree has no boxes at depth %d.', d);
    end
    [A, evaluations] = measurematrix(T, f, d, 'invariantmeasure');
  else
    A = markovmatrix('invariantmeasure', A);
  end
  [mu, lambda, state] = stationary('invariantmeasure', A);
  if ~state.converged
    warning('boxgraph:invariantmeasure:notConverged', ...
            'invariantmeasure: no convergence: ||A mu - lambda mu||_1 = %.1e after %d steps (lambda = %.6f).', ...
            state.residual, state.iterations, lambda);
  end
  if ~state.closed && nargout < 2
    warning('boxgraph:invariantmeasure:leaks', ...
            'invariantmeasure: mass leaves every recurrent class, so no measure is invariant; mu is the conditionally invariant one, A mu = lambda mu, lambda = %.8f.', ...
            lambda);
  end
  info = struct('iterations', state.iterations, 'residual', state.residual);
  if tree
    info.matrix = A;
    info.evaluations = evaluations;
  end
end

%!test
%! ## A permutation keeps the uniform vector, whatever its cycles (lengths 3
%! ## and 2 here, a periodic chain): the first step already meets it.
%! P = sparse ([2 3 1 5 4], 1:5, 1);
%! [mu, lambda, info] = invariantmeasure (P);
%! assert (mu, ones (5, 1) / 5, 1e-15);
%! assert (lambda, 1, 1e-15);
%! assert (info.iterations, 1);
%! ## A periodic chain with an uneven invariant vector: 1 -> 2 or 3, both -> 1.
%! ## The plain power iteration would swing between two vectors for ever.
%! A = sparse ([2 3 1 1], [1 1 2 3], [0.5 0.5 1 1], 3, 3);
%! mu = invariantmeasure (A);
%! assert (mu, [0.5; 0.25; 0.25], 1e-11);
%! ## and a full or logical matrix is taken as well
%! assert (invariantmeasure (full (A)), mu, 1e-15);
%! assert (invariantmeasure (logical (P)), ones (5, 1) / 5, 1e-15);

%!test
%! ## Two closed classes, {1, 2} and {4}, fed by boxes 3 and 5: the mix that
%! ## the uniform distribution settles into, 0 off the closed classes.
%! A = sparse ([1 2 1 2 3 4 4 5], [2 1 3 3 3 4 5 5], [1 1 0.25 0.25 0.5 1 0.5 0.5], 5, 5);
%! [mu, lambda] = invariantmeasure (A);
%! assert (mu, [0.3; 0.3; 0; 0.4; 0], 1e-12);
%! assert (mu(3), 0);
%! assert (lambda, 1, 1e-12);

%!test
%! ## Mass leaves every class: the conditionally invariant vector, with
%! ## lambda = 0.9 the spectral radius, and 0 on box 3, which only feeds
%! ## into the class {1, 2} and keeps less of its own mass.
%! A = sparse ([1 2 1 1 3], [1 1 2 3 3], [0.5 0.4 0.9 0.3 0.5], 3, 3);
%! [mu, lambda] = invariantmeasure (A);
%! assert (lambda, 0.9, 1e-12);
%! assert (mu, [9; 4; 0] / 13, 1e-12);
%! assert (A * mu, lambda * mu, 1e-12);

%!warning <no measure is invariant; mu is the conditionally invariant one, A mu = lambda mu, lambda = 0.90000000>
%! invariantmeasure (sparse ([1 2 1], [1 1 2], [0.5 0.4 0.9], 2, 2));

%!test
%! ## A walk on a path that mixes in about n^2 steps, which the power
%! ## iteration does not wait for: the equations are solved from where it
%! ## stopped. Box 1 holds twice the mass of each other box.
%! n = 1000;
%! A = spdiags ([0.5 * ones(n, 1), zeros(n, 1), 0.5 * ones(n, 1)], [-1 0 1], n, n);
%! A(1, 1) = 0.75;  A(2, 1) = 0.25;  A(n, n) = 0.5;
%! [mu, lambda, info] = invariantmeasure (A);
%! assert (mu, [2; ones(n - 1, 1)] / (n + 1), 1e-13);
%! assert (info.residual < 1e-12);
%! ## The same walk losing a millionth at its far end: no closed class, the
%! ## Perron vector by inverse iteration, against eig.
%! n = 300;
%! A = spdiags ([0.5 * ones(n, 1), zeros(n, 1), 0.5 * ones(n, 1)], [-1 0 1], n, n);
%! A(1, 1) = 0.75;  A(2, 1) = 0.25;  A(n, n) = 0.5 - 1e-6;
%! [mu, lambda] = invariantmeasure (A);
%! [V, D] = eig (full (A));
%! [rho, top] = max (real (diag (D)));
%! assert (lambda, rho, 1e-14);
%! assert (mu, V(:, top) / sum (V(:, top)), 1e-12);

%!test
%! ## The doubling map keeps the uniform density: every box is cut where
%! ## its image crosses a box, and the share of each piece is exact.
%! T = Tree (0.5, 0.5);
%! for k = 1:8
%!   subdivide (T);
%! end
%! [mu, lambda, info] = invariantmeasure (T, @(x) mod (2 * x, 1));
%! assert (mu, ones (256, 1) / 256, 1e-14);
%! assert (full (sum (info.matrix, 1)), ones (1, 256), 1e-14);
%! assert (nnz (info.matrix), 512);
%! ## the same at a coarser level; 3x + 0.1 jumps inside boxes, where the
%! ## pieces about the jump count by their midpoints
%! assert (invariantmeasure (T, @(x) mod (2 * x, 1), 3), ones (8, 1) / 8, 1e-14);
%! mu = invariantmeasure (T, @(x) mod (3 * x + 0.1, 1));
%! assert (mu, ones (256, 1) / 256, 1e-7);

%!test
%! ## The logistic map r = 4 against the exact cell masses of its density
%! ## 1/(pi sqrt(x(1 - x))): the L1 error at 2^10 and 2^16 intervals, and
%! ## the rate between them.
%! f = @(x) 4 * x .* (1 - x);
%! T = Tree (0.5, 0.5);
%! T.verbose = 0;
%! for k = 1:10
%!   subdivide (T);
%! end
%! exact = @(n) diff (2 / pi * asin (sqrt (linspace (0, 1, n + 1)')));
%! e10 = sum (abs (invariantmeasure (T, f) - exact (2 ^ 10)));
%! for k = 11:16
%!   subdivide (T);
%! end
%! [mu, lambda, info] = invariantmeasure (T, f);
%! e16 = sum (abs (mu - exact (2 ^ 16)));
%! assert (e10 < 0.041 && e16 < 0.0065);
%! assert (log (e10 / e16) / log (2 ^ 6) > 0.4);
%! assert (lambda, 1, 1e-12);
%! assert (info.evaluations / 2 ^ 16 < 8);

%!test
%! ## Two dimensions: the cat map (x, y) -> (2x + y, x + y) mod 1 keeps the
%! ## area; the grid, adapted to its stretching, gets the uniform measure
%! ## to within 1% of the mass. Boxes at depth 15 (two chunks of 2^14)
%! ## report their progress.
%! T = Tree ([0.5 0.5], [0.5 0.5]);
%! T.verbose = 0;
%! for k = 1:12
%!   subdivide (T);
%! end
%! cat = @(x) mod ([2 1; 1 1] * x, 1);
%! [mu, lambda, info] = invariantmeasure (T, cat);
%! assert (sum (abs (mu - 1 / 4096)) < 0.01);
%! assert (lambda, 1, 1e-12);
%! assert (full (sum (info.matrix, 1)), ones (1, 4096), 1e-12);
%! subdivide (T); subdivide (T); subdivide (T);
%! T.verbose = 1;
%! out = evalc ("invariantmeasure (T, @(x) x);");
%! assert (numel (strfind (out, "boxes mapped")), 2);
%! assert (! isempty (strfind (out, "invariantmeasure: 32768 of 32768 boxes mapped")));
%! T.verbose = 0;
%! assert (isempty (evalc ("invariantmeasure (T, @(x) x);")));

%!test
%! ## Images that leave the covering take their mass with them: the mirror
%! ## image of the first box is a removed box, so the first box loses all its
%! ## mass and carries none; the others pair up.
%! T = Tree (0, 1);
%! for k = 1:4
%!   subdivide (T);
%! end
%! keep (T, [true(1, 15) false]);
%! [mu, lambda, info] = invariantmeasure (T, @(x) -x);
%! assert (full (sum (info.matrix, 1)), [0 ones(1, 14)], 1e-15);
%! assert (mu, [0; ones(14, 1) / 14], 1e-15);
%! assert (lambda, 1, 1e-15);

%!test
%! ## A shift by half a box: every box keeps half its mass and passes half
%! ## on, the last box to nothing. The rate 1/2 is an eigenvalue of every
%! ## class, with one eigenvector (the last box) for all of them: the
%! ## iteration creeps towards it, and says that it did not arrive.
%! T = Tree (0, 1);
%! for k = 1:4
%!   subdivide (T);
%! end
%! warning ("off", "boxgraph:invariantmeasure:notConverged", "local");
%! [mu, lambda] = invariantmeasure (T, @(x) x + 0.0625);
%! assert (all (isfinite (mu)) && all (mu >= 0) && abs (sum (mu) - 1) < 1e-12);
%! assert (mu(end) > 0.99 && lambda > 0.5 && lambda < 0.501);

%!warning <no convergence: \|\|A mu - lambda mu\|\|_1 = .* after .* steps \(lambda = 0.50>
%! T = Tree (0, 1);
%! for k = 1:4
%!   subdivide (T);
%! end
%! [mu, lambda] = invariantmeasure (T, @(x) x + 0.0625);

%!error <usage> invariantmeasure ()
%!error <usage> invariantmeasure (Tree (0, 1))
%!error <usage> invariantmeasure (speye (2), 1)
%!error <A must hold probabilities> invariantmeasure (sparse ([1 -0.5; 0 1]))
%!error <A must hold probabilities> invariantmeasure ([NaN 0; 0 1])
%!error <the columns of A must sum to at most 1 .* give P'> invariantmeasure ([0.5 0.5; 0.6 0.5])
%!error <A must be a square real matrix> invariantmeasure (ones (2, 3))
%!error <A has no boxes> invariantmeasure (sparse (0, 0))
%!error <no box of A lies on a cycle> invariantmeasure (sparse (2, 1, 1, 2, 2))
%!error <the tree has no boxes at depth 0> T = Tree (0, 1); keep (T, false); invariantmeasure (T, @(x) x)
%!error <d must be a whole number from 0 to 0> invariantmeasure (Tree (0, 1), @(x) x, 1)
%!error <f must map a real 1-by-m matrix> invariantmeasure (Tree (0, 1), @(x) [x; x])
%!error <f must map a real 2-by-m matrix> invariantmeasure (Tree ([0 0], [1 1]), @(x) x(1, :))

%!demo
%! ## The logistic map's invariant density, 1/(pi sqrt(x(1 - x))), from
%! ## 4096 intervals: the L1 distance to the exact cell masses.
%! T = Tree (0.5, 0.5);
%! T.verbose = 0;
%! for k = 1:12
%!   subdivide (T);
%! end
%! mu = invariantmeasure (T, @(x) 4 * x .* (1 - x));
%! exact = diff (2 / pi * asin (sqrt (linspace (0, 1, 4097)')));
%! printf ("L1 error %.4f\n", sum (abs (mu - exact)));
%! release (T);
