% -*- texinfo -*-
% @deftypefn  {} {} plotboxes (@var{T}, @var{d}, @var{values}, @var{file})
% @deftypefnx {} {} plotboxes (@var{T}, @var{d}, @var{values}, @var{file}, @var{coords})
% Draws the boxes of the tree @var{T} at depth @var{d} into the PNG file
% @var{file}, filled by value, with axes, in the true aspect ratio of the
% rectangle; no display is needed.
%
% @itemize
% @item @var{d}: a whole number from 0 to @code{T.depth}; empty, the
% deepest level.
% @item @var{values}: one real number per box (@code{count (T, d)} of them),
% coloured by the figure's colormap with a colour bar; empty or all equal,
% every box in one colour.  A NaN value draws its box light grey, for boxes
% that carry no value, such as those outside every Morse set.
% @item @var{coords}: the two coordinates drawn, default [1 2]; for a tree
% of dimension above 2 the boxes are projected onto them, and boxes that
% overlap in the projection are drawn over each other.  A tree of dimension
% 1 is drawn as a strip.
% @end itemize
%
% The picture shows the tree's rectangle at about 700 pixels along its
% longer side.  It is painted as an image, one pixel a cell, so any number of
% boxes draws fast: a pixel covered by several boxes (smaller than a pixel,
% or overlapping in the projection) shows the largest of their values.
% Under Octave the figure is drawn by gnuplot, invisibly (Debian:
% gnuplot-nox, fonts-freefont-otf, ghostscript); the figure is closed
% afterwards.
%
% Errors: "plotboxes: d must be a whole number from 0 to N (the tree's
% depth).", "plotboxes: values must hold one real number per box at depth D
% (N).", "plotboxes: values must not be infinite.", "plotboxes: file must be
% a file name.", "plotboxes: coords must be two different coordinates from 1
% to DIM.", "plotboxes: could not write FILE: ...".
%
% @example
% T = Tree ([0 0], [1.5 0.4]);
% attractor (T, @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)], 14);
% c = boxes (T);
% plotboxes (T, [], c(1, :), 'henon.png');   % coloured by x
% @end example
% @seealso{Tree, boxes, attractor, morsesets}
% @end deftypefn
function plotboxes(T, d, values, file, coords)
  if nargin < 4
    error('boxgraph:plotboxes:usage', 'plotboxes: usage: plotboxes(T, d, values, file, coords).');
  end
  dim = T.dim;
  d = treelevel('plotboxes', T, d);
  [c, r] = boxes(T, d);
  n = size(c, 2);
  if isempty(values)
    values = zeros(1, n);
  elseif ~(isnumeric(values) || islogical(values)) || ~isreal(values) || numel(values) ~= n
    error('boxgraph:plotboxes:badValues', 'plotboxes: values must hold one real number per box at depth %d (%d).', d, n);
  end
  values = reshape(double(full(values)), 1, n);
  if any(isinf(values))
    error('boxgraph:plotboxes:badValues', 'plotboxes: values must not be infinite.');
  end
  if ~ischar(file) || isempty(file)
    error('boxgraph:plotboxes:badFile', 'plotboxes: file must be a file name.');
  end
  if nargin < 5 || isempty(coords)
    coords = 1:min(dim, 2);
  end
  if ~isnumeric(coords) || ~isreal(coords) || numel(coords) ~= min(dim, 2) ...
     || any(coords ~= fix(coords)) || any(coords < 1 | coords > dim) || numel(unique(coords)) ~= numel(coords)
    error('boxgraph:plotboxes:badCoords', 'plotboxes: coords must be two different coordinates from 1 to %d.', dim);
  end

  % The window: the rectangle's extent in the drawn coordinates; a tree of
  % dimension 1 becomes a strip of height 1/8 of its length.
  center = T.center;
  radius = T.radius;
  lower = center(coords) - radius(coords);
  upper = center(coords) + radius(coords);
  blo = c(coords, :) - r(coords, :);
  bhi = c(coords, :) + r(coords, :);
  if dim == 1
    lower(2) = 0;
    upper(2) = (upper(1) - lower(1)) / 8;
    blo(2, :) = lower(2);
    bhi(2, :) = upper(2);
  end
  extent = upper - lower;
  pixels = max(1, round(700 * extent / max(extent)));   % [across, up]

  % Each box covers the pixels its projection meets (at least one); a pixel
  % takes the largest value of the boxes on it, NaN boxes give -Inf.
  cellsize = extent' ./ pixels';
  first = min(max(floor((blo - lower') ./ cellsize) + 1, 1), pixels');
  last = max(min(ceil((bhi - lower') ./ cellsize), pixels'), first);
  span = last - first + 1;
  cells = span(1, :) .* span(2, :);
  best = -Inf(pixels(2), pixels(1));
  covered = false(pixels(2), pixels(1));
  key = values;
  key(isnan(key)) = -Inf;
  group = floor((cumsum(cells) - cells) / 2^22);   % about 4e6 cells at a time
  for g = unique(group)
    b = find(group == g);
    owner = repelem(1:numel(b), cells(b));
    starts = cumsum(cells(b)) - cells(b);
    offset = (0:numel(owner) - 1) - starts(owner);   % 0-based, within each box
    box = b(owner);   % the box of each cell
    w = span(1, box);
    x = first(1, box) + mod(offset, w);
    y = first(2, box) + floor(offset ./ w);
    at = (x - 1) * pixels(2) + y;
    best(:) = max(best(:), accumarray(at(:), key(box)', [prod(pixels) 1], @max, -Inf));
    covered(at) = true;
  end

  % Colours: white where no box is, light grey for NaN, else the colormap
  % over [min, max] of the values (one colour when they are all equal).
  finite = values(~isnan(values));
  h = newfigure();
  try
    map = get(h, 'colormap');
    if isempty(finite) || min(finite) == max(finite)
      index = ones(size(best));
      map = [0.15 0.25 0.55];
      scaled = false;
    else
      vmin = min(finite);
      vmax = max(finite);
      index = 1 + round((best - vmin) / (vmax - vmin) * (size(map, 1) - 1));
      scaled = true;
    end
    index(~covered | best == -Inf) = 1;
    rgb = reshape(map(index, :), [size(best) 3]);
    for k = 1:3
      plane = rgb(:, :, k);
      plane(covered & best == -Inf) = 0.82;
      plane(~covered) = 1;
      rgb(:, :, k) = plane;
    end
    ax = axes('parent', h, 'units', 'pixels');
    image(lower(1) + ((1:pixels(1)) - 0.5) * extent(1) / pixels(1), ...
          lower(2) + ((1:pixels(2)) - 0.5) * extent(2) / pixels(2), rgb, 'parent', ax);
    set(ax, 'ydir', 'normal', 'xlim', [lower(1) upper(1)], 'ylim', [lower(2) upper(2)], ...
        'dataaspectratio', [1 1 1], 'layer', 'top', 'box', 'on');
    xlabel(ax, sprintf('x_%d', coords(1)));
    if dim == 1
      set(ax, 'ytick', []);
    else
      ylabel(ax, sprintf('x_%d', coords(2)));
    end
    % Margins in pixels around the picture: labels left and below, the
    % colour bar (an image of the colormap, drawn like the boxes) right.
    margin = [80 60 40 30];   % left, bottom, right, top
    if scaled
      margin(3) = 150;
    end
    size_px = [pixels(1) + margin(1) + margin(3), pixels(2) + margin(2) + margin(4)];
    set(ax, 'units', 'normalized', 'position', ...
        [margin(1) / size_px(1), margin(2) / size_px(2), pixels ./ size_px]);
    if scaled
      bar = axes('parent', h, 'units', 'normalized', 'position', ...
                 [(margin(1) + pixels(1) + 30) / size_px(1), margin(2) / size_px(2), ...
                  20 / size_px(1), pixels(2) / size_px(2)]);
      levels = size(map, 1);
      image([0 1], vmin + ((1:levels) - 0.5) * (vmax - vmin) / levels, ...
            reshape(map, levels, 1, 3), 'parent', bar);
      set(bar, 'ydir', 'normal', 'xtick', [], 'yaxislocation', 'right', ...
          'xlim', [0 1], 'ylim', [vmin vmax], 'layer', 'top', 'box', 'on');
    end
    set(h, 'paperunits', 'inches', 'paperposition', [0 0 size_px / 100]);
    print(h, '-dpng', '-r100', file);
  catch err
    close(h);
    error('boxgraph:plotboxes:cannotWrite', 'plotboxes: could not write %s: %s', file, err.message);
  end
  close(h);
end

% An invisible figure that can be printed without a display: under Octave
% drawn by gnuplot when it is there.
function h = newfigure()
  if exist('OCTAVE_VERSION', 'builtin') && any(strcmp(available_graphics_toolkits(), 'gnuplot'))
    warning('off', 'Octave:gnuplot-graphics', 'local');
    h = figure('visible', 'off', '__graphics_toolkit__', 'gnuplot');
  else
    h = figure('visible', 'off');
  end
end

%!shared T, file
%! T = Tree ([0 0], [2 1]);
%! subdivide (T); subdivide (T);            # 2 x 2 boxes of 2 by 1
%! file = [tempname() ".png"];

%!test
%! ## One colour: 700 pixels along x, 350 along y (the rectangle's 2:1), in
%! ## margins of 80 + 40 and 60 + 30 pixels; a removed box stays white.
%! U = Tree ([0 0], [2 1]);
%! subdivide (U); subdivide (U);
%! keep (U, [true true true false]);        # the upper right box goes
%! unwind_protect
%!   plotboxes (U, [], [], file);
%!   p = imread (file);
%!   assert (size (p)(1:2), [350 + 90, 700 + 120], 1);   # print may round a pixel off
%!   at = @(x, y) double (squeeze (p(round (30 + (1 - y) * 175), round (80 + (x + 2) * 175), :))');
%!   fill = round (255 * [0.15 0.25 0.55]);
%!   assert (at (-1, -0.5), fill, 2);
%!   assert (at (-1, 0.5), fill, 2);
%!   assert (at (1, -0.5), fill, 2);
%!   assert (at (1, 0.5), [255 255 255], 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## Values by colormap, NaN light grey, a colour bar to the right; a
%! ## level above the deepest, drawn by its own boxes.
%! unwind_protect
%!   plotboxes (T, [], [0 NaN 1 1], file);
%!   p = imread (file);
%!   assert (size (p)(1:2), [350 + 90, 700 + 230], 1);   # print may round a pixel off
%!   at = @(x, y) double (squeeze (p(round (30 + (1 - y) * 175), round (80 + (x + 2) * 175), :))');
%!   map = round (255 * viridis (64));
%!   assert (at (-1, -0.5), map(1, :), 2);
%!   assert (at (-1, 0.5), round (255 * [0.82 0.82 0.82]), 2);
%!   assert (at (1, 0.5), map(end, :), 2);
%!   assert (at (1, -0.5), map(end, :), 2);
%!   plotboxes (T, 1, [5 7], file);
%!   p = imread (file);
%!   assert (double (squeeze (p(100, 200, :))'), map(1, :), 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## Three dimensions projected onto coordinates 1 and 3: overlapping boxes
%! ## show the largest value. One dimension: a strip.
%! U = Tree ([0 0 0], [1 1 1]);
%! for k = 1:3
%!   subdivide (U);
%! end
%! c = boxes (U);
%! V = Tree (0, 1);
%! subdivide (V);
%! unwind_protect
%!   plotboxes (U, [], c(2, :), file, [1 3]);
%!   p = imread (file);
%!   assert (size (p)(1:2), [700 + 90, 700 + 230], 1);   # print may round a pixel off
%!   map = round (255 * viridis (64));
%!   assert (double (squeeze (p(400, 400, :))'), map(end, :), 2);
%!   plotboxes (V, [], [], file);
%!   p = imread (file);
%!   assert (size (p)(1:2), [88 + 90, 700 + 120], 1);   # print may round a pixel off
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!error <usage> plotboxes (T, [], [])
%!error <d must be a whole number from 0 to 2> plotboxes (T, 3, [], 'x.png')
%!error <values must hold one real number per box at depth 2 \(4\)> plotboxes (T, [], [1 2 3], 'x.png')
%!error <values must not be infinite> plotboxes (T, [], [1 2 3 Inf], 'x.png')
%!error <file must be a file name> plotboxes (T, [], [], 3)
%!error <coords must be two different coordinates from 1 to 2> plotboxes (T, [], [], 'x.png', [1 1])
%!error <coords must be two different coordinates from 1 to 2> plotboxes (T, [], [], 'x.png', [1 3])
%!error <could not write /no/such/folder/x.png> plotboxes (T, [], [], '/no/such/folder/x.png')
