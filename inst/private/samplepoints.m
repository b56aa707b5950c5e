% P = samplepoints(who, dim, points, faces): the sample points of a box for
% imagehits, as offsets in the unit box [-1, 1]^dim.
%
% Points given as [] (a 0-by-0 double, what a missing argument becomes) ask
% for the default, sampling adapted to the map:
% a struct that imagehits reads (see there), with
%   t        the first samples' values in each coordinate: 3 from face to
%            face, t = -1, 0, 1 (faces true), or the midpoints of four
%            equal cells, t = +-0.25, +-0.75 (faces false);
%   probe    the first samples of every box, the grid of t in every
%            coordinate (dim-by-3^dim or dim-by-4^dim);
%   faces    whether the grids run from face to face or through midpoints;
%   spacing  the largest distance, in box widths of the level, between the
%            images of neighbouring samples that the grids aim at;
%   most     the most samples a box gets.
% It is offered for dim <= 5 (at most 1024 first samples a box).
%
% Anything else must be a real dim-by-s matrix with entries in [-1, 1] and
% s >= 1, used as given: other empty arrays (zeros(dim, 0), '') are refused,
% not taken for the default. Errors name the calling function, who.
%
% The text "interval" asks for interval mode and is passed through as it is
% (imagehits tells the modes apart by it).
function P = samplepoints(who, dim, points, faces)
  if ischar(points) && ~isempty(points)
    if ~strcmp(points, 'interval')
      error(['boxgraph:' who ':badPoints'], '%s: points must be sample points or the text "interval".', who);
    end
    P = points;
    return;
  end
  if isa(points, 'double') && ~issparse(points) && isequal(size(points), [0 0])
    if dim > 5
      error(['boxgraph:' who ':badPoints'], '%s: give sample points: the default grid is for dim <= 5.', who);
    end
    if faces
      t = [-1 0 1];
    else
      t = [-0.75 -0.25 0.25 0.75];
    end
    % In one and two dimensions the chords between sample images find every
    % box the interpolated image meets when its cells are smaller than a
    % box (sides of 0.7 or less); above, they miss boxes that only a face
    % of it meets, and closer samples keep those rarer.
    if dim <= 2
      spacing = 0.7;
    else
      spacing = 0.5;
    end
    P = struct('t', t, 'probe', tensorgrid(repmat({t}, 1, dim)), 'faces', faces, ...
               'spacing', spacing, 'most', 4096);
    return;
  end
  if ~(isnumeric(points) || islogical(points)) || ~isreal(points) || issparse(points) ...
     || ndims(points) ~= 2 || size(points, 1) ~= dim
    error(['boxgraph:' who ':badPoints'], '%s: points must be a real %d-by-s matrix, one sample point per column.', who, dim);
  end
  if size(points, 2) == 0
    error(['boxgraph:' who ':badPoints'], '%s: points must hold at least one sample point; [] asks for the default samples.', who);
  end
  P = double(points);
  if ~all(abs(P(:)) <= 1)   % also refuses NaN
    error(['boxgraph:' who ':badPoints'], '%s: sample points must lie in the unit box [-1, 1]^%d.', who, dim);
  end
end
