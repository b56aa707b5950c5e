% -*- texinfo -*-
% @deftypefn  {} {@var{dim} =} boxdimension (@var{T})
% @deftypefnx {} {[@var{dim}, @var{levels}, @var{residual}] =} boxdimension (@var{T}, @var{levels})
% The box-counting dimension of the set that the boxes of the tree @var{T}
% cover: the slope of log N(k), the number of boxes at depth k, against
% log (1/e(k)), e(k) the size of a box at depth k (the geometric mean of its
% sides, so that boxes halved along different coordinates compare), fitted
% by least squares over the given levels.
%
% @itemize
% @item @var{levels}: the depths to fit, whole numbers from 0 to
% @code{T.depth}, at least two of different box sizes.  Missing or empty:
% the deeper half of the levels whose boxes have the shape of the deepest
% (every dim-th level when the coordinates are halved in turn, as by
% default), from @code{T.depth}/2 down: shallow levels count the rectangle
% more than the set, and levels of other shapes oscillate about the line.
% @item @var{dim}: the slope.
% @item @var{levels}: the depths fitted, as a row.
% @item @var{residual}: the root mean square of the fit's residuals in
% log N (natural logarithm): near 0 when the counts follow a power law over
% the levels, larger when the slope changes with the scale.
% @end itemize
%
% A covering made by subdivision (@code{attractor}) counts, at each depth,
% the boxes that hold boxes of the deepest level: a covering of the set at
% that resolution.  The deepest levels' coverings are thicker than the set
% (every box that an image meets is kept), so the estimate tends to lie
% above the set's dimension at shallow depths and approaches it slowly.
%
% Errors: "boxdimension: levels must be whole numbers from 0 to N (the
% tree's depth).", "boxdimension: give at least two levels of different box
% sizes to fit (the tree is N levels deep).".
%
% @example
% henon = @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
% T = Tree ([0 0], [1.5 0.4]);
% T.verbose = 0;
% attractor (T, henon, 20);
% [dim, levels, residual] = boxdimension (T)
% @result{} dim = 1.27 or so, levels = 10 12 ... 20
% @end example
% @seealso{attractor, count}
% @end deftypefn
function [dim, levels, residual] = boxdimension(T, levels)
  if nargin < 1
    error('boxgraph:boxdimension:usage', 'boxdimension: usage: [dim, levels, residual] = boxdimension(T, levels).');
  end
  depth = T.depth;
  D = T.dim;
  % the logarithm of the boxes' size, level by level
  radius = T.radius(:);
  sd = T.sd;
  logsize = zeros(1, max(depth, 0) + 1);
  shape = zeros(D, max(depth, 0) + 1);
  r = radius;
  for k = 0:depth
    if k > 0
      r(sd(k) + 1) = r(sd(k) + 1) / 2;
    end
    logsize(k + 1) = mean(log(2 * r));
    shape(:, k + 1) = log2(r ./ radius);   % the level's halvings per coordinate
  end
  if nargin < 2 || isempty(levels)
    % same shape as the deepest: the same halvings in every coordinate, up to
    % a common number
    same = all(abs(shape - shape(:, end) - (shape(1, :) - shape(1, end))) == 0, 1);
    levels = find(same) - 1;
    levels = levels(levels >= depth / 2);
  elseif ~(isnumeric(levels) && isreal(levels) && all(levels(:) >= 0 & levels(:) <= depth & levels(:) == fix(levels(:))))
    error('boxgraph:boxdimension:badLevels', ...
          'boxdimension: levels must be whole numbers from 0 to %d (the tree''s depth).', max(depth, 0));
  end
  levels = unique(double(levels(:)'));
  if depth < 0 || numel(unique(logsize(levels + 1))) < 2
    error('boxgraph:boxdimension:tooFewLevels', ...
          'boxdimension: give at least two levels of different box sizes to fit (the tree is %d levels deep).', depth);
  end
  N = arrayfun(@(k) count(T, k), levels);
  x = -logsize(levels + 1)';
  y = log(N)';
  fit = [ones(numel(x), 1), x] \ y;
  dim = fit(2);
  residual = sqrt(mean((y - fit(1) - fit(2) * x) .^ 2));
end

%!test
%! ## A full tree: every level holds all 2^k boxes, dimension 2 exactly,
%! ## from the deeper half of the levels of square boxes.
%! T = Tree ([0 0], [1 1]);
%! for k = 1:8
%!   subdivide (T);
%! end
%! [dim, levels, residual] = boxdimension (T);
%! assert (dim, 2, 1e-12);
%! assert (levels, [4 6 8]);
%! assert (residual < 1e-12);
%! ## any other two levels of different size, and a wide rectangle
%! assert (boxdimension (T, [1 8]), 2, 1e-12);
%! U = Tree ([0 0 0], [8 1 0.1]);
%! for k = 1:6
%!   subdivide (U);
%! end
%! [dim, levels] = boxdimension (U);
%! assert (dim, 3, 1e-12);
%! assert (levels, [3 6]);

%!test
%! ## A segment, and a Cantor set of dimension 1/2: the numbers of [0, 1]
%! ## whose base-4 digits are 0 or 3 (8 digits), halved levels oscillating
%! ## about the line.
%! T = Tree ([0 0], [1 1]);
%! insert (T, [1; -0.5] * linspace (-0.99, 0.99, 5000), 16);
%! assert (boxdimension (T), 1, 0.02);
%! digits = dec2bin (0:255) - "0";                  # 256 x 8
%! x = (3 * digits) * (4 .^ -(1:8))' + 4 ^ -9;      # inside the deepest boxes
%! C = Tree (0.5, 0.5);
%! insert (C, x', 16);
%! assert (boxdimension (C, 0:2:16), 0.5, 1e-12);
%! [dim, levels, residual] = boxdimension (C);
%! assert (levels, 8:16);
%! assert (dim, 0.5, 0.03);
%! assert (residual > 0.1);

%!test
%! ## The Henon attractor: about 1.26 (its Kaplan-Yorke dimension), from
%! ## above at this depth.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! attractor (T, henon, 16);
%! dim = boxdimension (T);
%! assert (dim > 1.2 && dim < 1.45);

%!error <usage> boxdimension ()
%!error <levels must be whole numbers from 0 to 0> boxdimension (Tree (0, 1), 1)
%!error <levels must be whole numbers from 0 to 0> boxdimension (Tree (0, 1), -1)
%!error <give at least two levels of different box sizes to fit \(the tree is 0 levels deep\)> boxdimension (Tree (0, 1))
%!error <give at least two levels> boxdimension (Tree (0, 1), [0 0])

%!demo
%! ## A segment in the plane has dimension 1: 16 levels, fitted from 8.
%! T = Tree ([0 0], [1 1]);
%! insert (T, [1; 0.3] * linspace (-0.99, 0.99, 5000), 16);
%! [dim, levels, residual] = boxdimension (T)
