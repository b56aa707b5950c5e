% [c, r] = grid_attractor (f, steps, P, center, radius)
% The subdivision algorithm for the relative global attractor without a
% tree, as one writes it in vectorised Octave: the boxes at depth d are cells
% of a uniform grid (2^ceil(d/2) by 2^floor(d/2) over the rectangle, halved
% along x at odd depths and y at even ones, as a tree's default sd does),
% held as vectors of cell coordinates; each step halves every cell, maps the
% sample points of every cell (between its bounds, as samples places them:
% lower + (upper - lower) .* (P + 1) / 2, kept within), finds the cells of the
% images, and keeps the cells among them with ismember (which sorts).
% Centres, radii and cell bounds are computed as the tree computes them
% (each halving moves the centre by half the radius), and images are placed
% in cells by the bounds (lookup, a binary search), so that both keep
% exactly the same boxes. Returns the centres and radii of the cells left,
% in the tree's box order, for comparison.
function [c, r] = grid_attractor (f, steps, P, center, radius)
  lo = center(:) - radius(:);
  hi = center(:) + radius(:);
  ix = 0; iy = 0; nx = 1; ny = 1;
  cx = center(1); cy = center(2);        % per cell, as the tree computes them
  rx = radius(1); ry = radius(2);
  bx = [lo(1) hi(1)]; by = [lo(2) hi(2)];  % cell bounds per axis
  s = size (P, 2);
  for d = 1:steps
    if mod (d, 2) == 1
      rx = rx * 0.5;
      ix = [2*ix; 2*ix + 1]; iy = [iy; iy]; cx = [cx - rx; cx + rx]; cy = [cy; cy];
      nx = 2 * nx;
      bx = axisbounds (center(1), radius(1), log2 (nx));
    else
      ry = ry * 0.5;
      iy = [2*iy; 2*iy + 1]; ix = [ix; ix]; cy = [cy - ry; cy + ry]; cx = [cx; cx];
      ny = 2 * ny;
      by = axisbounds (center(2), radius(2), log2 (ny));
    end
    % the images of every cell's samples, in chunks of about 2^20 points
    chunk = max (1, floor (2^20 / s));
    keys = cell (1, ceil (numel (ix) / chunk));
    for k = 1:numel (keys)
      j = (k - 1) * chunk + 1 : min (k * chunk, numel (ix));
      X = [reshape(between(bx, ix(j), P(1, :)), 1, []); reshape(between(by, iy(j), P(2, :)), 1, [])];
      Y = f (X);
      inside = Y(1, :) >= lo(1) & Y(1, :) <= hi(1) & Y(2, :) >= lo(2) & Y(2, :) <= hi(2);
      % the cell whose lower bound is the last one at or below the image
      gx = min (lookup (bx(1:end-1), Y(1, inside)), nx) - 1;
      gy = min (lookup (by(1:end-1), Y(2, inside)), ny) - 1;
      keys{k} = gx * ny + gy;
    end
    hit = ismember (ix * ny + iy, [keys{:}]);
    ix = ix(hit); iy = iy(hit); cx = cx(hit); cy = cy(hit);
  end
  c = [cx'; cy'];
  r = repmat ([rx; ry], 1, numel (ix));
  % the tree's order: the path bits read as a number, x at odd depths
  key = zeros (size (ix));
  for d = 1:steps
    if mod (d, 2) == 1
      bit = bitand (bitshift (ix, -(ceil (steps / 2) - ceil (d / 2))), 1);
    else
      bit = bitand (bitshift (iy, -(floor (steps / 2) - d / 2)), 1);
    end
    key = 2 * key + bit;
  end
  [~, order] = sort (key);
  c = c(:, order); r = r(:, order);
end

% The lower bounds of the 2^m cells of an axis and its upper end, as the tree
% computes them: the centre of each interval that is halved, level by level.
function b = axisbounds (center, radius, m)
  g = 2^m;
  b = zeros (1, g + 1);
  b(1) = center - radius; b(g + 1) = center + radius;
  if m == 0
    return;
  end
  b(g / 2 + 1) = center;
  r = radius;
  for j = 1:m-1
    r = r * 0.5;
    h = g / 2^(j + 1);
    q = h:2*h:g-1;                      % 0-based positions of this level's centres
    lower = mod (q / h, 4) == 1;
    b(q(lower) + 1) = b(q(lower) + h + 1) - r;
    b(q(~lower) + 1) = b(q(~lower) - h + 1) + r;
  end
end

% The samples of cells g (0-based) of an axis with bounds b at the offsets
% p, a column per cell: between the cell's bounds, as samples places them.
function x = between (b, g, p)
  lower = reshape (b(g + 1), 1, []);
  upper = reshape (b(g + 2), 1, []);
  x = min (max (lower + (upper - lower) .* ((p(:) + 1) / 2), lower), upper);
end
