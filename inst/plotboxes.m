% -*- texinfo -*-
% @deftypefn  {} {} plotboxes (@var{T}, @var{d}, @var{values}, @var{file})
% @deftypefnx {} {} plotboxes (@var{T}, @var{d}, @var{values}, @var{file}, @var{coords})
% @deftypefnx {} {} plotboxes (@var{T}, @var{d}, @var{values}, @var{file}, @var{coords}, @var{combine})
% Draws the boxes of the tree @var{T} at depth @var{d} into the picture
% @var{file}, filled by value, with axes; no display is needed.  A tree of
% dimension 2 or more is drawn in the plane of two coordinates, in the true
% aspect ratio of the rectangle, coloured by the figure's colormap with a
% colour bar; a tree of dimension 1 as a graph of the values over the
% interval.
%
% @itemize
% @item @var{d}: a whole number from 0 to @code{T.depth}; empty, the
% deepest level.
% @item @var{values}: one real number per box (@code{count (T, d)} of
% them).  Empty: every box in one colour (dimension 1: the graph is 1 on
% the boxes).  A NaN value marks a box that carries no value, such as one
% outside every Morse set: drawn light grey where no other box is.
% @item @var{coords}: the two coordinates drawn, default [1 2] (1 for a
% tree of dimension 1).  Boxes that overlap in the projection are combined
% per pixel.
% @item @var{combine}: how the values of the boxes on one pixel (one
% column of pixels for dimension 1) are combined:
% @table @code
% @item "max"
% (default) the largest value: for labels, such as Morse sets;
% @item "density"
% the values are masses, such as an invariant measure: a pixel shows the
% mass of the boxes on it per unit area of the drawn coordinates (per unit
% length for dimension 1), the density of the measure's projection (boxes
% larger than a pixel: their cell's mass over its area);
% @item "logdensity"
% the same on a log10 scale, 4 decades down from the largest, for the
% fractal measures of attractors; pixels with boxes but no mass are light
% grey.
% @end table
% @end itemize
%
% The picture shows the tree's rectangle at about 700 pixels along its
% longer side (700 by 350 for the graph).  It is painted as an image, one
% pixel a cell: the boxes are read from the tree in pieces of 2^16, and
% along each drawn coordinate a box goes on the one or two pixels it
% overlaps, or, where boxes are at least a pixel wide, on its cell of the
% level's grid, which then covers the pixels whose centres it holds.  So
% the time grows with the number of boxes plus the pixels, whatever the
% dimension (10^5 boxes take about a second, most of it the printing), and
% the level's boxes are never all in memory at once.
%
% The file's extension names the format: .png, .jpg (.jpeg), .gif, .tif
% (.tiff), .pdf or .svg.  The picture is printed to a temporary file and
% then copied to @var{file}, so a failure leaves no partial file; under
% Octave the figure is drawn by gnuplot, invisibly (Debian: gnuplot-nox,
% fonts-freefont-otf, ghostscript), and closed afterwards.
%
% Errors: "plotboxes: d must be a whole number from 0 to N (the tree's
% depth).", "plotboxes: values must hold one real number per box at depth D
% (N).", "plotboxes: values must not be infinite.", "plotboxes: file must be
% a file name.", "plotboxes: FILE: name a .png, .jpg, .gif, .tif, .pdf or
% .svg file.", "plotboxes: FILE is a folder; name a file in it.",
% "plotboxes: coords must be two different coordinates from 1 to DIM.",
% "plotboxes: combine must be \"max\", \"density\" or \"logdensity\".",
% "plotboxes: could not write FILE: ..." (the folder is missing, the file
% cannot be opened or written), "plotboxes: could not draw the picture:
% ..." (the graphics toolkit failed).
%
% @example
% T = Tree ([0 0], [1.5 0.4]);
% attractor (T, @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)], 14);
% c = boxes (T);
% plotboxes (T, [], c(1, :), 'henon.png');   % coloured by x
% @end example
% @seealso{Tree, boxes, attractor, morsesets, invariantmeasure}
% @end deftypefn
function plotboxes(T, d, values, file, coords, combine)
  if nargin < 4
    error('boxgraph:plotboxes:usage', 'plotboxes: usage: plotboxes(T, d, values, file, coords, combine).');
  end
  dim = T.dim;
  d = treelevel('plotboxes', T, d);
  n = count(T, d);
  if isempty(values)
    values = [];
  elseif ~(isnumeric(values) || islogical(values)) || ~isreal(values) || numel(values) ~= n
    error('boxgraph:plotboxes:badValues', 'plotboxes: values must hold one real number per box at depth %d (%d).', d, n);
  else
    values = reshape(double(full(values)), 1, n);
    if any(isinf(values))
      error('boxgraph:plotboxes:badValues', 'plotboxes: values must not be infinite.');
    end
  end
  device = format(file);
  if nargin < 5 || isempty(coords)
    coords = 1:min(dim, 2);
  end
  if ~isnumeric(coords) || ~isreal(coords) || numel(coords) ~= min(dim, 2) ...
     || any(coords ~= fix(coords)) || any(coords < 1 | coords > dim) || numel(unique(coords)) ~= numel(coords)
    error('boxgraph:plotboxes:badCoords', 'plotboxes: coords must be two different coordinates from 1 to %d.', dim);
  end
  coords = reshape(double(coords), 1, []);
  if nargin < 6 || isempty(combine)
    combine = 'max';
  end
  if ~ischar(combine) || ~any(strcmp(combine, {'max', 'density', 'logdensity'}))
    error('boxgraph:plotboxes:badCombine', 'plotboxes: combine must be "max", "density" or "logdensity".');
  end

  % The window: the rectangle's extent in the drawn coordinates, 700 pixels
  % along the longer side; a graph is 700 by 350.
  center = T.center;
  radius = T.radius;
  lower = center(coords) - radius(coords);
  extent = 2 * radius(coords);
  if dim == 1
    pixels = [700 350];
  else
    pixels = max(1, round(700 * extent / max(extent)));   % [across, up]
  end
  [value, covered] = raster(T, d, n, values, coords, combine, lower, extent, pixels(1:numel(coords)));
  % the colours span the boxes' values for "max", the pixels' for densities
  if strcmp(combine, 'max') && ~isempty(values)
    range = values(~isnan(values));
  else
    range = value(~isnan(value));
  end

  h = newfigure();
  try
    if dim == 1
      size_px = drawgraph(h, value, covered, combine, lower, extent, pixels, isempty(values));
    else
      size_px = drawplane(h, value, covered, range, combine, lower, extent, pixels, coords);
    end
    set(h, 'paperunits', 'inches', 'paperposition', [0 0 size_px / 100]);
  catch err
    close(h);
    error('boxgraph:plotboxes:cannotDraw', 'plotboxes: could not draw the picture: %s', err.message);
  end
  printed(h, device, file);
end

% The print device for the file's extension; refuses other names, folders
% and files in a folder that does not exist.
function device = format(file)
  if ~ischar(file) || isempty(file) || size(file, 1) ~= 1
    error('boxgraph:plotboxes:badFile', 'plotboxes: file must be a file name.');
  end
  if isfolder(file)
    error('boxgraph:plotboxes:badFile', 'plotboxes: %s is a folder; name a file in it.', file);
  end
  [folder, ~, ext] = fileparts(file);
  devices = struct('png', 'png', 'jpg', 'jpeg', 'jpeg', 'jpeg', 'gif', 'gif', ...
                   'tif', 'tiff', 'tiff', 'tiff', 'pdf', 'pdf', 'svg', 'svg');
  ext = lower(ext(2:end));
  if isempty(ext) || ~isfield(devices, ext)
    error('boxgraph:plotboxes:badFormat', 'plotboxes: %s: name a .png, .jpg, .gif, .tif, .pdf or .svg file.', file);
  end
  if ~isempty(folder) && ~isfolder(folder)
    error('boxgraph:plotboxes:cannotWrite', 'plotboxes: could not write %s: no folder %s.', file, folder);
  end
  device = devices.(ext);
end

% The picture's pixels: value(y, x) combines the values of the boxes on
% pixel (x, y) (y up; one row for a graph), covered(y, x) says whether a box
% is there at all. Empty values count 1 a box. NaN, in value, marks a
% covered pixel whose boxes carry no value (for "logdensity", no mass).
function [value, covered] = raster(T, d, n, values, coords, combine, lower, extent, pixels)
  dim = T.dim;
  k = numel(coords);
  % A box is put on its level's grid cell where cells are at least a pixel
  % (the cell then covers its pixels), else on the one or two pixels it
  % overlaps, with the share of its extent in each (for densities).
  cells = pixels;
  bycell = false(1, k);
  r = zeros(1, k);
  if n > 0
    X = samples(T, [zeros(dim, 1) ones(dim, 1)], d, [1 1]);
    R = extent / 2;
    r = R .* 2 .^ -round(log2(R ./ (X(coords, 2) - X(coords, 1))'));
    bycell = extent ./ (2 * r) <= pixels;
    cells(bycell) = round(extent(bycell) ./ (2 * r(bycell)));
  end
  keys = prod(cells);
  keywidth = extent ./ cells;
  best = -Inf(keys, 1);
  total = zeros(keys, 1);
  valued = false(keys, 1);
  any_ = false(keys, 1);
  per = 2 ^ 16;
  for first = 1:per:n
    last = min(first + per - 1, n);
    c = samples(T, zeros(dim, 1), d, [first last]);
    if isempty(values)
      v = ones(1, last - first + 1);
    else
      v = values(first:last);
    end
    key = ones(size(v));
    share = ones(size(v));
    stride = 1;
    for a = 1:k
      x = c(coords(a), :) - lower(a);
      if bycell(a)
        e = min(max(floor(x / keywidth(a)), 0), cells(a) - 1);
        key = key + stride * repmat(e, 1, numel(key) / numel(e));
      else   % the pixel of the box's lower face, and the next one
        e = floor((x - r(a)) / keywidth(a));
        low = (min(x + r(a), (e + 1) * keywidth(a)) - (x - r(a))) / (2 * r(a));
        e = repmat(e, 1, numel(key) / numel(e));
        low = repmat(low, 1, numel(key) / numel(low));
        key = [key + stride * min(max(e, 0), cells(a) - 1), key + stride * min(max(e + 1, 0), cells(a) - 1)];
        share = [share .* low, share .* (1 - low)];
        v = [v v];
      end
      stride = stride * cells(a);
    end
    on = share > 0;
    ok = on & ~isnan(v);
    any_(key(on)) = true;
    valued(key(ok)) = true;
    if strcmp(combine, 'max')
      best = max(best, accumarray(key(ok)', v(ok)', [keys 1], @max, -Inf));
    else
      total = total + accumarray(key(ok)', v(ok)' .* share(ok)', [keys 1]);
    end
  end

  % The pixels of each key: a cell's span of pixels, or the pixel itself.
  used = find(any_)';
  first = zeros(k, numel(used));
  last = first;
  rest = used - 1;
  for a = 1:k
    e = mod(rest, cells(a));
    rest = (rest - e) / cells(a);
    if bycell(a)   % the pixels whose centres lie in the cell: a partition
      pixel = extent(a) / pixels(a);
      first(a, :) = min(max(ceil(e * keywidth(a) / pixel + 0.5), 1), pixels(a));
      last(a, :) = max(min(ceil((e + 1) * keywidth(a) / pixel + 0.5) - 1, pixels(a)), first(a, :));
    else
      first(a, :) = e + 1;
      last(a, :) = e + 1;
    end
  end
  span = last - first + 1;
  count_ = prod(span, 1);
  owner = repelem(1:numel(used), count_);
  offset = (0:numel(owner) - 1) - repelem(cumsum(count_) - count_, count_);
  at = ones(size(owner));
  stride = 1;
  for a = 1:k   % the pixel's index, x fastest within each key
    at = at + stride * (first(a, owner) - 1 + mod(offset, span(a, owner)));
    offset = floor(offset ./ span(a, owner));
    stride = stride * pixels(a);
  end
  total_px = prod(pixels);
  key = used(owner);
  covered = accumarray(at', 1, [total_px 1]) > 0;
  hasvalue = accumarray(at', double(valued(key))', [total_px 1]) > 0;
  if strcmp(combine, 'max')
    value = accumarray(at', best(key), [total_px 1], @max, -Inf);
  else
    % a key's mass over its area: its cell's, or its pixel's (the keys
    % partition the pixels)
    value = accumarray(at', total(key), [total_px 1]) / prod(keywidth);
    if strcmp(combine, 'logdensity')
      hasvalue = hasvalue & value > 0;
      value = log10(value);
    end
  end
  value(~hasvalue) = NaN;
  % at runs x first: the picture, y by x, row 1 at the bottom
  value = reshape(value, pixels(1), [])';
  covered = reshape(covered, pixels(1), [])';
end

% Dimension 2 and more: the pixels coloured by the colormap over the range
% of the values finite, white where no box is, light grey where boxes carry
% no value; a colour bar on the right. Returns the figure's size in pixels.
function size_px = drawplane(h, value, covered, finite, combine, lower, extent, pixels, coords)
  upper = lower + extent;
  map = get(h, 'colormap');
  if strcmp(combine, 'logdensity') && ~isempty(finite)
    bottom = max(finite) - 4;   % 4 decades
    finite = max(finite, bottom);
    value(~isnan(value)) = max(value(~isnan(value)), bottom);
  end
  scaled = ~isempty(finite) && max(finite) - min(finite) > 1e-12 * max(abs(finite));
  if scaled
    vmin = min(finite);
    vmax = max(finite);
    index = 1 + round((value - vmin) / (vmax - vmin) * (size(map, 1) - 1));
  else
    index = ones(size(value));
    map = [0.15 0.25 0.55];
  end
  index(isnan(value)) = 1;
  rgb = reshape(map(index, :), [size(value) 3]);
  for k = 1:3
    plane = rgb(:, :, k);
    plane(covered & isnan(value)) = 0.82;
    plane(~covered) = 1;
    rgb(:, :, k) = plane;
  end
  ax = axes('parent', h, 'units', 'pixels');
  image(lower(1) + ((1:pixels(1)) - 0.5) * extent(1) / pixels(1), ...
        lower(2) + ((1:pixels(2)) - 0.5) * extent(2) / pixels(2), rgb, 'parent', ax);
  set(ax, 'ydir', 'normal', 'xlim', [lower(1) upper(1)], 'ylim', [lower(2) upper(2)], ...
      'dataaspectratio', [1 1 1], 'layer', 'top', 'box', 'on');
  xlabel(ax, sprintf('x_%d', coords(1)));
  ylabel(ax, sprintf('x_%d', coords(2)));
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
    if strcmp(combine, 'density')
      ylabel(bar, 'density');
    elseif strcmp(combine, 'logdensity')
      ylabel(bar, 'log_{10} density');
    end
  end
end

% Dimension 1: a graph of the combined value per column of pixels, filled
% from 0 (from the bottom for "logdensity"), white where no box is, light
% grey columns where boxes carry no value. Returns the figure's size.
function size_px = drawgraph(h, value, covered, combine, lower, extent, pixels, ones_)
  finite = value(~isnan(value));
  if strcmp(combine, 'logdensity')
    if isempty(finite)
      finite = 0;
    end
    top = max(finite);
    bottom = top - 4;
    value(~isnan(value)) = max(value(~isnan(value)), bottom);
    base = bottom;
  else
    bottom = min([0, finite]);
    top = max([0, finite]);
    base = 0;
  end
  if top == bottom
    top = bottom + 1;
  end
  levels = bottom + ((1:pixels(2))' - 0.5) * (top - bottom) / pixels(2);
  filled = covered & ~isnan(value) & levels >= min(base, value) & levels <= max(base, value);
  grey = repmat(covered & isnan(value), pixels(2), 1);
  rgb = ones(pixels(2), pixels(1), 3);
  fill = [0.15 0.25 0.55];
  for k = 1:3
    plane = rgb(:, :, k);
    plane(grey) = 0.82;
    plane(filled) = fill(k);
    rgb(:, :, k) = plane;
  end
  ax = axes('parent', h, 'units', 'pixels');
  image(lower(1) + ((1:pixels(1)) - 0.5) * extent(1) / pixels(1), levels, rgb, 'parent', ax);
  set(ax, 'ydir', 'normal', 'xlim', [lower(1) lower(1) + extent(1)], 'ylim', [bottom top], ...
      'layer', 'top', 'box', 'on');
  xlabel(ax, 'x_1');
  labels = struct('max', 'value', 'density', 'density', 'logdensity', 'log_{10} density');
  if ~ones_ || ~strcmp(combine, 'max')
    ylabel(ax, labels.(combine));
  end
  margin = [90 60 40 30];   % left, bottom, right, top
  size_px = pixels + margin(1:2) + margin(3:4);
  set(ax, 'units', 'normalized', 'position', ...
      [margin(1) / size_px(1), margin(2) / size_px(2), pixels ./ size_px]);
end

% Prints the figure h with the device to a temporary file, closes h and
% copies the file to its place: a failure names what failed and leaves no
% partial file behind.
function printed(h, device, file)
  [~, ~, ext] = fileparts(file);
  scratch = [tempname() ext];
  cleanup = onCleanup(@() removefile(scratch));
  try
    print(h, ['-d' device], '-r100', scratch);
    made = dir(scratch);
    if isempty(made) || made.bytes == 0
      error('the printer made no file');
    end
  catch err
    close(h);
    error('boxgraph:plotboxes:cannotDraw', 'plotboxes: could not draw the picture: %s', err.message);
  end
  close(h);
  source = fopen(scratch, 'r');
  bytes = fread(source, Inf, 'uint8=>uint8');
  fclose(source);
  [target, message] = fopen(file, 'w');
  if target < 0
    error('boxgraph:plotboxes:cannotWrite', 'plotboxes: could not write %s: %s.', file, message);
  end
  written = fwrite(target, bytes, 'uint8');
  status = fclose(target);
  if written ~= numel(bytes) || status ~= 0
    removefile(file);
    error('boxgraph:plotboxes:cannotWrite', 'plotboxes: could not write %s: the disk took %d of %d bytes.', ...
          file, written, numel(bytes));
  end
end

function removefile(name)
  if exist(name, 'file')
    delete(name);
  end
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
%! ## show the largest value, and the colour bar spans the boxes' values.
%! U = Tree ([0 0 0], [1 1 1]);
%! for k = 1:3
%!   subdivide (U);
%! end
%! c = boxes (U);
%! unwind_protect
%!   plotboxes (U, [], c(2, :), file, [1 3]);
%!   p = imread (file);
%!   assert (size (p)(1:2), [700 + 90, 700 + 230], 1);   # print may round a pixel off
%!   map = round (255 * viridis (64));
%!   assert (double (squeeze (p(400, 400, :))'), map(end, :), 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## Masses: the density of the projection. Mass only where x_1 > 0, spread
%! ## over x_2 (hidden): half the picture at the top colour, half at the
%! ## bottom; with "logdensity" the massless half is light grey, the other
%! ## one colour. The same in six dimensions, 4096 boxes larger than pixels
%! ## in projection, each pixel in exactly one cell.
%! U = Tree ([0 0 0], [1 1 1]);
%! for k = 1:3
%!   subdivide (U);
%! end
%! c = boxes (U);
%! mass = (c(1, :) > 0) / 4;
%! map = round (255 * viridis (64));
%! at = @(p, x, y) double (squeeze (p(round (30 + (1 - y) * 350), round (80 + (x + 1) * 350), :))');
%! W = Tree (zeros (1, 6), ones (1, 6));
%! W.verbose = 0;
%! for k = 1:12
%!   subdivide (W);
%! end
%! w = boxes (W);
%! unwind_protect
%!   plotboxes (U, [], mass, file, [1 3], "density");
%!   p = imread (file);
%!   assert (at (p, -0.5, 0.3), map(1, :), 2);
%!   assert (at (p, 0.5, -0.3), map(end, :), 2);
%!   plotboxes (U, [], mass, file, [1 3], "logdensity");
%!   p = imread (file);
%!   assert (size (p)(1:2), [700 + 90, 700 + 120], 1);   # one colour, no bar
%!   assert (at (p, -0.5, 0.3), round (255 * [0.82 0.82 0.82]), 2);
%!   assert (at (p, 0.5, -0.3), round (255 * [0.15 0.25 0.55]), 2);
%!   plotboxes (W, [], (w(4, :) > 0) / 2048, file, [4 6], "density");
%!   p = imread (file);
%!   assert (at (p, -0.5, 0.3), map(1, :), 2);
%!   assert (at (p, 0.5, -0.3), map(end, :), 2);
%!   assert (at (p, 0.51, 0.51), map(end, :), 2);   # no seam where cells meet
%!   plotboxes (W, [], ones (1, 4096) / 4096, file, [2 5], "density");
%!   p = imread (file);
%!   assert (size (p)(1:2), [700 + 90, 700 + 120], 1);   # uniform: one colour
%!   assert (at (p, 0.51, 0.51), round (255 * [0.15 0.25 0.55]), 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## Boxes smaller than a pixel along x_2 (64 rows of boxes on 7 rows of
%! ## pixels), larger along x_1: a box counts on the one or two rows of
%! ## pixels it overlaps, each row of pixels shows the largest value of the
%! ## boxes on it; as density, each box's mass is split between its rows in
%! ## proportion, so a uniform measure is one colour.
%! U = Tree ([0 0], [1 0.01]);
%! for k = 1:12
%!   subdivide (U);
%! end
%! c = boxes (U);
%! map = round (255 * viridis (64));
%! unwind_protect
%!   plotboxes (U, [], c(2, :), file);
%!   p = imread (file);
%!   assert (size (p)(1:2), [7 + 90, 700 + 230], 1);
%!   ## the largest centre of the boxes on each row of pixels, bottom up
%!   y = unique (c(2, :));
%!   edges = -0.01 + (0:7) * 0.02 / 7;
%!   top = arrayfun (@(j) max (y(y - 0.01 / 64 < edges(j + 1) & y + 0.01 / 64 > edges(j))), 1:7)';
%!   expected = map(1 + round ((top - y(1)) / (y(end) - y(1)) * 63), :);
%!   ## rows 31 to 36 show pixel rows 6 down to 1 (the frame covers row 7)
%!   assert (double (squeeze (p(31:36, 400, :))), expected(6:-1:1, :), 4);
%!   plotboxes (U, [], ones (1, 4096) / 4096, file, [], "density");
%!   p = imread (file);
%!   assert (double (squeeze (p(33, 400, :))'), round (255 * [0.15 0.25 0.55]), 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## One dimension: a graph over the interval, filled from 0 to each box's
%! ## value, grey where a box has none, white where no box is; as density,
%! ## mass per length.
%! V = Tree (0, 1);
%! subdivide (V); subdivide (V);            # four intervals of length 1/2
%! at = @(p, x, y, top) double (squeeze (p(round (30 + (top - y) / top * 350), round (90 + (x + 1) * 350), :))');
%! fill = round (255 * [0.15 0.25 0.55]);
%! grey = round (255 * [0.82 0.82 0.82]);
%! unwind_protect
%!   plotboxes (V, [], [0.5 0.25 0.25 0], file, [], "density");
%!   p = imread (file);
%!   assert (size (p)(1:2), [350 + 90, 700 + 130], 1);
%!   assert (at (p, -0.75, 0.9, 1), fill, 2);
%!   assert (at (p, -0.25, 0.4, 1), fill, 2);
%!   assert (at (p, -0.25, 0.6, 1), [255 255 255], 2);
%!   assert (at (p, 0.75, 0.1, 1), [255 255 255], 2);
%!   keep (V, [true true true false]);
%!   plotboxes (V, [], [1 2 NaN], file);
%!   p = imread (file);
%!   assert (at (p, -0.75, 0.5, 2), fill, 2);
%!   assert (at (p, -0.75, 1.5, 2), [255 255 255], 2);
%!   assert (at (p, -0.25, 1.9, 2), fill, 2);
%!   assert (at (p, 0.25, 1, 2), grey, 2);
%!   assert (at (p, 0.75, 1, 2), [255 255 255], 2);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect

%!test
%! ## The extension names the format; the file is replaced whole.
%! base = tempname ();
%! magic = {".jpg", [255 216 255]; ".PDF", double("%PDF"); ".svg", double("<?xml")};
%! unwind_protect
%!   for k = 1:rows (magic)
%!     name = [base magic{k, 1}];
%!     plotboxes (T, [], [], name);
%!     fid = fopen (name);
%!     head = fread (fid, numel (magic{k, 2}))';
%!     fclose (fid);
%!     assert (head, magic{k, 2});
%!   endfor
%! unwind_protect_cleanup
%!   for k = 1:rows (magic)
%!     unlink ([base magic{k, 1}]);
%!   endfor
%! end_unwind_protect

%!error <usage> plotboxes (T, [], [])
%!error <d must be a whole number from 0 to 2> plotboxes (T, 3, [], 'x.png')
%!error <values must hold one real number per box at depth 2 \(4\)> plotboxes (T, [], [1 2 3], 'x.png')
%!error <values must not be infinite> plotboxes (T, [], [1 2 3 Inf], 'x.png')
%!error <file must be a file name> plotboxes (T, [], [], 3)
%!error <coords must be two different coordinates from 1 to 2> plotboxes (T, [], [], 'x.png', [1 1])
%!error <coords must be two different coordinates from 1 to 2> plotboxes (T, [], [], 'x.png', [1 3])
%!error <could not write /no/such/folder/x.png: no folder /no/such/folder.> plotboxes (T, [], [], '/no/such/folder/x.png')
%!error <could not write /proc/x.png: .*\.$> plotboxes (T, [], [], '/proc/x.png')
%!error <x.bmp: name a .png, .jpg, .gif, .tif, .pdf or .svg file> plotboxes (T, [], [], 'x.bmp')
%!error <picture: name a .png> plotboxes (T, [], [], 'picture')
%!error <is a folder; name a file in it> plotboxes (T, [], [], tempdir ())
%!error <combine must be "max", "density" or "logdensity"> plotboxes (T, [], [], 'x.png', [], 'sum')
