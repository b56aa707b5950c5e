% The boxes of the tree T at depth d that the images under f of boxes at
% depth d hit: the one place where boxes are mapped. A sample point of a box
% with centre c and radius r is c + r .* p for an offset p in [-1, 1]^dim;
% images outside the covering are dropped (or, for 'insert', given boxes).
% Points are mapped and searched in batches of about 2^20, so memory stays
% bounded whatever the number of boxes.
%
%   hit = imagehits(T, f, d, P, 'hits', who)
%     logical 1-by-n: true for every box that some image falls into.
%   A = imagehits(T, f, d, P, 'graph', who)
%     sparse n-by-n, 0 or 1: A(i, j) = 1 when an image of box j falls into
%     box i, an edge j -> i.
%   A = imagehits(T, f, d, P, 'matrix', who)
%     sparse n-by-n: A(i, j) is the fraction of box j's samples whose image
%     lies in box i (every sample of a box weighs the same).
%   new = imagehits(T, f, d, P, 'insert', who, from)
%     maps the boxes where the logical row from is true, and inserts at
%     depth d every box that their images hit and the tree lacks (images
%     outside the rectangle are passed over); new, a logical row over the
%     boxes at depth d after the insertion, marks the boxes made.
% With T.verbose nonzero and more than one batch of boxes, 'graph' and
% 'matrix' print a line per batch: how far they got.
%
% P comes from samplepoints: a dim-by-s matrix of offsets, used for every
% box, or the default, a struct that asks for sampling adapted to the map.
% Then every box is first mapped at P.probe, the grid of the values P.t in
% every coordinate; from the images, the extent E(i) of the image of the
% box's sides along coordinate i is estimated (in box widths of the level,
% the largest over the target coordinates), and the box gets a grid of n(i)
% samples along coordinate i, so that the images of neighbouring samples lie
% about P.spacing box widths apart: from face to face, n(i) odd and the
% probe (-1, 0, 1) among them (nothing is mapped twice), or the midpoints of
% n(i) >= 4 equal cells, which replace the probe (4 midpoints) when some
% n(i) is more than 4. At most about P.most samples a box: the grid is
% coarsened evenly past that.
%
% Between grid neighbours the image is taken as the straight chord of their
% images (for 'hits', 'graph' and 'insert'; 'matrix' counts samples only):
% where the chord passes from one box of the level to a diagonal neighbour,
% it crosses one or more boxes between them that neither end lies in, and a
% point of the chord in each is added. In two dimensions that finds every
% box that the image, interpolated between the samples, meets, as long as
% no cell of the image grid can hold a whole box (area 2 spacing^2 < 1);
% in three or more, a box that a face of the interpolated image pokes into
% between chords is missed. Sampled images otherwise miss boxes
% that the image cuts only at a corner: on the Henon map about one in twenty
% of the boxes hit, at any spacing of the samples down to a tenth of a box.
% And an image on a face between two boxes, to a millionth of a box width,
% hits both: maps such as Henon's y' = 0.3 x send faces of boxes onto faces,
% where rounding alone decides the side, and the image of a thin sliver
% along the face may lie beyond it.
%
% With P the text "interval" (interval mode): each box's image is enclosed
% by f evaluated on the box as an interval vector, and the boxes that the
% enclosure meets are hit (intervalhits), in every mode; 'matrix' then
% gives 0/1 like 'graph', not fractions.
%
% Errors name the calling function, who.
function out = imagehits(T, f, d, P, mode, who, from)
  if ischar(P)   % samplepoints lets only "interval" through as text
    if nargin < 7
      from = [];
    end
    out = intervalhits(T, f, d, mode, who, from);
    return;
  end
  dim = T.dim;
  n = count(T, d);
  r = levelradius(T, d);
  lower = T.center(:) - T.radius(:);
  budget = 2 ^ 20;   % points mapped or searched at once
  if nargin < 7
    list = [];   % every box, in order
    m = n;
  else
    list = find(from);
    m = numel(list);
    centres = samples(T, zeros(dim, 1), d);
  end
  adaptive = isstruct(P);
  if adaptive
    base = P.probe;
    chords = ~strcmp(mode, 'matrix');
  else
    base = P;
    chords = false;
  end
  s0 = size(base, 2);
  per = max(1, floor(budget / s0));   % boxes per batch of first samples
  chunks = ceil(m / per);
  owned = any(strcmp(mode, {'graph', 'matrix'}));   % the box of each point counts
  verbose = owned && chunks > 1 && T.verbose ~= 0;
  switch mode
    case 'hits'
      out = false(1, n);
    case {'graph', 'matrix'}
      S = cell(1, chunks);   % the columns of each chunk's boxes
    case 'insert'
      found = zeros(dim, 0);   % a point in each box made
  end
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, m);
    w = last - first + 1;
    if isempty(list)
      C = samples(T, zeros(dim, 1), d, [first last]);
    else
      C = centres(:, list(first:last));
    end
    counted = sparse(n, w);   % samples of box j (of the chunk) in box i
    pending = {};   % points to search and the chunk's box of each
    owners = {};
    held = 0;
    Y = mapped(f, boxpoints(C, r, base), who, dim);
    if adaptive
      grid = gridcounts(Y, r, P, w);
      refine = find(any(grid > numel(P.t), 1));
      total = prod(grid, 1);
      shape = repmat(numel(P.t), 1, dim);
    else
      refine = [];
      total = repmat(s0, 1, w);
      shape = [];
    end
    Y = reshape(Y, dim, s0, w);
    alone = true(1, w);   % boxes whose grid is the probe
    alone(refine) = false;
    add(Y(:, :, alone), find(alone), shape);
    % The grids of the boxes that need more than the probe, boxes with the
    % same grid at a time, mapped in batches of about budget points.
    if ~isempty(refine)
      [keys, ~, group] = unique(grid(:, refine)', 'rows');
      for g = 1:size(keys, 1)
        [G, inprobe] = finegrid(keys(g, :), P.faces);
        fresh = G(:, ~inprobe);
        boxes = refine(group == g);
        slice = max(1, floor(budget / size(G, 2)));
        for at = 1:slice:numel(boxes)
          b = boxes(at:min(at + slice - 1, numel(boxes)));
          Z = zeros(dim, size(G, 2), numel(b));
          Z(:, ~inprobe, :) = reshape(mapped(f, boxpoints(C(:, b), r, fresh), who, dim), dim, [], numel(b));
          if P.faces   % the probe's images, in their places in the grid
            Z(:, inprobe, :) = Y(:, :, b);
          end
          add(Z, b, keys(g, :));
        end
      end
    end
    flush();
    if strcmp(mode, 'graph')
      S{q} = spones(counted);
    elseif strcmp(mode, 'matrix')   % counts over the box's samples: k/s exactly
      [i, j, v] = find(counted);
      S{q} = sparse(i, j, v ./ total(j)', n, w);
    end
    if verbose
      fprintf('%s: %d of %d boxes mapped, %.2f s\n', who, last, m, toc(started));
      flushoutput();
    end
  end
  switch mode
    case {'graph', 'matrix'}
      out = horzcat(sparse(n, 0), S{:});
    case 'insert'
      out = false(1, count(T, d));
      out(search(T, found, d)) = true;
  end

  % Queues the images Z (dim-by-s-by-numel(b)) of the samples of the chunk's
  % boxes b, and with chords the points of the chords between neighbours in
  % their grids, shape(i) samples along coordinate i.
  function add(Z, b, shape)
    if isempty(b)
      return;
    end
    pending{end + 1} = reshape(Z, dim, []);
    held = held + size(pending{end}, 2);
    if owned
      owners{end + 1} = repelem(b, size(Z, 2));
    end
    if chords   % in cells of the level's grid, corner lower, 2r wide
      U = (pending{end} - lower) ./ (2 * r);
      F = floor(U);
      [between, on] = chordpoints(U, F, shape);
      [touching, by] = bothsides(U, F);
      pending(end + 1:end + 2) = {lower + 2 * r .* between, lower + 2 * r .* touching};
      held = held + numel(on) + numel(by);
      if owned
        owners(end + 1:end + 2) = {owners{end}(on), owners{end}(by)};
      end
    end
    if held >= budget
      flush();
    end
  end

  % Searches and records the pending points.
  function flush()
    if held == 0
      return;
    end
    points = horzcat(pending{:});
    whose = horzcat(owners{:});
    pending = {};
    owners = {};
    held = 0;
    k = search(T, points, d);
    in = k > 0;
    switch mode
      case 'hits'
        out(k(in)) = true;
      case {'graph', 'matrix'}
        counted = counted + sparse(k(in), whose(in), 1, n, w);
      case 'insert'
        outside = points(:, ~in);
        if ~isempty(outside)
          insert(T, outside, d);
          k = search(T, outside, d);
          [~, one] = unique(k);   % a point in each box, 0 for outside the rectangle
          one = one(k(one) > 0);
          found = [found, outside(:, one)];
        end
    end
  end
end

% The radius of the boxes at depth d: the rectangle's, halved along the
% split coordinate of every level down to d.
function r = levelradius(T, d)
  r = T.radius(:);
  sd = T.sd;
  for k = 1:d
    i = sd(k) + 1;
    r(i) = r(i) / 2;
  end
end

% The sample points c + r .* G(:, q) of boxes with centres C, box by box.
function X = boxpoints(C, r, G)
  [dim, s] = size(G);
  X = reshape(reshape(C, dim, 1, []) + r .* G, dim, s * size(C, 2));
end

% f(X), checked: real, numeric and of the points' shape.
function Y = mapped(f, X, who, dim)
  Y = f(X);
  if ~(isnumeric(Y) || islogical(Y)) || ~isreal(Y) || issparse(Y) || ~isequal(size(Y), size(X))
    error(['boxgraph:' who ':badMap'], '%s: f must map a real %d-by-m matrix of points to a real %d-by-m matrix.', ...
          who, dim, dim);
  end
  Y = double(Y);
end

% The grid sizes (dim-by-w) of w boxes from the images Y of their probe: for
% each coordinate i, the image of a side along i extends about E(i) box
% widths, the largest image step between neighbouring probe points along i
% in any target coordinate, scaled from the probe's spacing to the side;
% n(i) samples then step about P.spacing apart. A NaN step counts as none,
% an infinite one as the most.
function n = gridcounts(Y, r, P, w)
  dim = size(Y, 1);
  k = numel(P.t);
  Y = reshape(Y, [dim, repmat(k, 1, dim), w]);
  E = zeros(dim, w);
  for i = 1:dim
    step = abs(diff(Y, 1, 1 + i)) ./ (2 * r);
    E(i, :) = max(reshape(step, [], w), [], 1);
  end
  E(isnan(E)) = 0;
  E = E * 2 / (P.t(2) - P.t(1));   % from the probe's spacing to the side, 2
  if P.faces   % odd n(i), spacing E/(n-1)
    n = 1 + 2 * max(1, ceil(E / (2 * P.spacing)));
  else         % midpoints of n cells, spacing E/n
    n = max(k, ceil(E / P.spacing));
  end
  total = prod(n, 1);
  over = total > P.most;
  if any(over)   % coarsen evenly down to about P.most
    factor = (P.most ./ total(over)) .^ (1 / dim);
    if P.faces
      n(:, over) = 1 + 2 * max(1, floor((n(:, over) - 1) / 2 .* factor));
    else
      n(:, over) = max(k, floor(n(:, over) .* factor));
    end
  end
end

% The grid G of a box with n(i) samples along coordinate i: from face to
% face, or the midpoints of n(i) equal cells; inprobe marks the points of
% the probe among them (face to face: those whose every coordinate is -1, 0
% or 1, mapped already).
function [G, inprobe] = finegrid(n, faces)
  dim = numel(n);
  t = cell(1, dim);
  for i = 1:dim
    if faces
      t{i} = linspace(-1, 1, n(i));
      t{i}((n(i) + 1) / 2) = 0;   % exactly
    else
      t{i} = (2 * (1:n(i)) - 1 - n(i)) / n(i);
    end
  end
  G = tensorgrid(t);
  if faces
    inprobe = all(G == -1 | G == 0 | G == 1, 1);
  else
    inprobe = false(1, size(G, 2));
  end
end

% The boxes at depth d lie on a regular grid of cells, 2r wide from the
% rectangle's lower corner; the next two work on points U in cell units and
% their cells F = floor(U).

% Copies of the points U (dim-by-m) that lie on a face between two cells, to
% a millionth of a cell, put just inside the cells on both sides; from(k):
% the point that X(:, k) copies.
function [X, from] = bothsides(U, F)
  tol = 1e-6;
  frac = U - F;
  face = frac < tol | frac > 1 - tol;
  if ~any(face(:))
    X = zeros(size(U, 1), 0);
    from = zeros(1, 0);
    return;
  end
  [l, k] = find(face);
  l = [l(:); l(:)]';
  from = [k(:); k(:)]';
  side = reshape(([-1; 1] * 2 * tol * ones(1, numel(k)))', 1, []);
  X = U(:, from);
  at = sub2ind(size(X), l, 1:numel(from));
  X(at) = round(X(at)) + side;
end

% Points on the chords between the images of grid neighbours, in the cells
% that a chord crosses between the cells of its two ends. U: dim-by-(s*m),
% m grids of shape(i) points along coordinate i each (coordinate 1 running
% fastest, grid after grid). from(k): the point of U at the start of the
% chord that X(:, k) lies on.
%
% Where the two ends' cells differ by at most 1 in every coordinate, the
% chord leaves a cell once in each coordinate that differs: between
% consecutive crossings it is in a cell of neither end, and the point
% midway between the crossings is taken. Ends farther apart (a grid too
% coarse for the map there) get points evenly along the chord, four per
% cell of difference.
function [X, from] = chordpoints(U, F, shape)
  dim = size(U, 1);
  m = size(U, 2) / prod(shape);
  F = reshape(F, [dim, shape, m, 1]);
  X = cell(1, 2 * dim);
  from = cell(1, 2 * dim);
  inner = 1;   % the distance in U between neighbours along coordinate i
  for i = 1:dim
    if shape(i) > 1
      D = reshape(diff(F, 1, 1 + i), dim, []);
      moved = find(any(D, 1));   % the pairs whose ends lie in different cells
      gap = abs(D(:, moved));
      widest = max(gap, [], 1);
      near = moved(sum(gap > 0, 1) >= 2 & widest <= 1);
      far = moved(widest > 1);
      widest = widest(widest > 1);
      % the pair's first point: pairs run like points, with shape(i) - 1
      % along coordinate i
      a = @(p) mod(p - 1, inner) + inner * (mod(floor((p - 1) / inner), shape(i) - 1) ...
                                             + shape(i) * floor((p - 1) / (inner * (shape(i) - 1)))) + 1;
      % crossings: where coordinate l reaches the face between the cells
      ia = a(near);
      ua = U(:, ia);
      step = U(:, ia + inner) - ua;
      ca = floor(ua);
      cb = floor(ua + step);
      t = (max(ca, cb) - ua) ./ step;
      t(ca == cb) = Inf;
      t = sort(t, 1);
      mids = cell(1, dim - 1);
      whose = cell(1, dim - 1);
      for j = 1:dim - 1
        inside = isfinite(t(j + 1, :));
        mids{j} = ua(:, inside) + (t(j, inside) + t(j + 1, inside)) / 2 .* step(:, inside);
        whose{j} = ia(inside);
      end
      X{2 * i - 1} = horzcat(zeros(dim, 0), mids{:});
      from{2 * i - 1} = horzcat(zeros(1, 0), whose{:});
      if ~isempty(far)   % far apart: points evenly along the chord
        ia = a(far);
        k = min(4 * widest, 256);
        at = repelem(1:numel(far), k);
        u = (1:sum(k)) - repelem(cumsum(k) - k, k);   % 1 to k(j) along chord j
        u = u ./ (k(at) + 1);
        X{2 * i} = U(:, ia(at)) + u .* (U(:, ia(at) + inner) - U(:, ia(at)));
        from{2 * i} = ia(at);
      end
    end
    inner = inner * shape(i);
  end
  X = horzcat(zeros(dim, 0), X{:});
  from = horzcat(zeros(1, 0), from{:});
end
