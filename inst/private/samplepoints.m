% P = samplepoints(who, dim, points, faces): the sample points of a box as
% offsets in the unit box [-1, 1]^dim, one per column (dim-by-s).
%
% A missing or empty points gives a default grid of k^dim points, the same
% k values t in every coordinate:
%   faces false: k = 4 midpoints of four equal cells, t = +-0.25, +-0.75;
%   faces true:  k = 5 equally spaced from face to face, t = -1, -0.5, 0, 0.5, 1.
% Either is offered for dim <= 5 only (at most 3125 points). The text
% "interval" asks for interval mode and is passed through as it is (imagehits
% tells the modes apart by it). Anything else must be a real dim-by-s matrix
% with entries in [-1, 1]. Errors name the calling function, who.
function P = samplepoints(who, dim, points, faces)
  if ischar(points) && ~isempty(points)
    if ~strcmp(points, 'interval')
      error(['boxgraph:' who ':badPoints'], '%s: points must be sample points or the text "interval".', who);
    end
    P = points;
    return;
  end
  if isempty(points)
    if dim > 5
      error(['boxgraph:' who ':badPoints'], '%s: give sample points: the default grid is for dim <= 5.', who);
    end
    if faces
      t = linspace(-1, 1, 5);
    else
      t = [-0.75 -0.25 0.25 0.75];
    end
    k = numel(t);
    s = k ^ dim;
    index = 0:s-1;
    P = zeros(dim, s);
    for i = 1:dim   % coordinate i runs through t every k^(i-1) points
      P(i, :) = t(mod(floor(index / k ^ (i - 1)), k) + 1);
    end
    return;
  end
  if ~(isnumeric(points) || islogical(points)) || ~isreal(points) || issparse(points) ...
     || ndims(points) ~= 2 || size(points, 1) ~= dim
    error(['boxgraph:' who ':badPoints'], '%s: points must be a real %d-by-s matrix, one sample point per column.', who, dim);
  end
  P = double(points);
  if ~all(abs(P(:)) <= 1)   % also refuses NaN
    error(['boxgraph:' who ':badPoints'], '%s: sample points must lie in the unit box [-1, 1]^%d.', who, dim);
  end
end
