% [A, evaluations] = measurematrix(T, f, d, who): a transition matrix of the
% boxes of T at depth d under f for invariant measures, whose entries
% approach the exact shares m(box j and f^-1(box i)) / m(box j) as the
% boxes shrink; evaluations counts the points f was given.
%
% The sampling adapts to the local stretching. The images of each box's
% centre and face centres give, along each coordinate, the length of the
% image in box widths (an L1 length over the image's coordinates, so it
% counts the box boundaries the image crosses), span_i.
%   - dim 1: the box is cut into k = ceil(span) segments (at least one,
%     at most 2^16), the map is followed piecewise linearly through the
%     images of their ends, and each segment's share 1/k is split among the
%     boxes its image segment overlaps, in proportion to the overlap. The
%     error of a share is of second order in the segment length, so the
%     matrix is all but the exact Ulam matrix. A segment whose image crosses
%     more than 4 boxes (a discontinuity, or stretching the centre and faces
%     did not show) is cut into 64 pieces that are treated the same way; a
%     piece that still crosses more than 4 boxes counts by its midpoint.
%   - dim 2 and more: a grid of k_i = ceil(4 span_i) midpoints along
%     coordinate i (at least 1; at most 4096 points a box, the k_i scaled
%     down together beyond), each point counting 1/prod(k) for the box its
%     image lies in: about 4 samples per box width of the image in every
%     direction it is stretched.
% Images outside the covering (or not finite) are dropped, so a column sums
% to less than 1 where mass leaves. Boxes are taken in chunks and their
% samples mapped in pieces of at most about 2^20 points; with T.verbose not
% 0 and more than one chunk, a line per chunk shows the progress.
function [A, evaluations] = measurematrix(T, f, d, who)
  dim = T.dim;
  n = count(T, d);
  R = T.radius(:);
  lower = T.center(:) - R;
  % the radius of every box at depth d, exactly: the rectangle's halved
  X = samples(T, [zeros(dim, 1) ones(dim, 1)], d, [1 1]);
  r = R .* 2 .^ -round(log2(R ./ (X(:, 2) - X(:, 1))));
  width = 2 * r;
  cells = round(2 * R ./ width);   % boxes of depth d along each coordinate
  faces = [zeros(dim, 1) eye(dim) -eye(dim)];
  per = 2 ^ 14;   % boxes per chunk
  chunks = ceil(n / per);
  verbose = chunks > 1 && T.verbose ~= 0;
  parts = cell(1, chunks);
  evaluations = 0;
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, n);
    m = last - first + 1;
    % the stretching: images of the centre and of the face centres
    X = samples(T, faces, d, [first last]);
    centres = X(:, 1:2 * dim + 1:end);
    Y = mapped(f, X, who);
    evaluations = evaluations + m * (2 * dim + 1);
    Y = reshape(Y, dim, 2 * dim + 1, m);
    span = zeros(dim, m);
    for i = 1:dim
      span(i, :) = reshape(sum(abs(Y(:, 1 + i, :) - Y(:, 1, :)) ./ width ...
                               + abs(Y(:, 1, :) - Y(:, 1 + dim + i, :)) ./ width, 1), 1, m);
    end
    span(~isfinite(span)) = 0;
    if dim == 1
      k = min(max(1, ceil(span)), 2 ^ 16);
      [rows, columns, shares, e] = segments(T, f, d, who, centres, r, k, lower, width, cells);
    else
      k = max(1, ceil(4 * span));
      s = prod(k, 1);
      big = s > 4096;
      k(:, big) = max(1, floor(k(:, big) .* (4096 ./ s(big)) .^ (1 / dim)));
      [rows, columns, shares, e] = grid(T, f, d, who, centres, r, k);
    end
    evaluations = evaluations + e;
    parts{q} = sparse(rows, columns, shares, n, m);
    if verbose
      fprintf('%s: %d of %d boxes mapped, %.2f s\n', who, last, n, toc(started));
      flushoutput();
    end
  end
  A = horzcat(sparse(n, 0), parts{:});
end

% Y = mapped(f, X, who): f(X), refused unless it has the shape of X.
function Y = mapped(f, X, who)
  Y = f(X);
  if ~(isnumeric(Y) || islogical(Y)) || ~isreal(Y) || issparse(Y) || ~isequal(size(Y), size(X))
    error(['boxgraph:' who ':badMap'], '%s: f must map a real %d-by-m matrix of points to a real %d-by-m matrix.', ...
          who, size(X, 1), size(X, 1));
  end
  Y = double(Y);
end

% Groups of consecutive boxes whose counts add up to at most about 2^20:
% [starts; ends] as indices into counts.
function bounds = pieces(counts)
  total = cumsum(counts);
  group = floor((total - counts) / 2 ^ 20);
  [~, ends] = unique(group, 'last');
  ends = ends(:)';
  bounds = [1, ends(1:end-1) + 1; ends];
end

% Counting on a grid of k(:, j) midpoints in box j (centres c, radius r):
% the entries (rows, columns within the chunk, shares).
function [rows, columns, shares, evaluations] = grid(T, f, d, who, c, r, k)
  dim = size(c, 1);
  s = prod(k, 1);
  bounds = pieces(s);
  [rows, columns, shares] = deal(cell(1, size(bounds, 2)));
  evaluations = 0;
  for p = 1:size(bounds, 2)
    boxes = bounds(1, p):bounds(2, p);
    counts = s(boxes);
    b = repelem(boxes, counts);
    t = (0:numel(b) - 1) - repelem(cumsum(counts) - counts, counts);
    X = c(:, b);
    stride = ones(size(t));
    for i = 1:dim   % coordinate i steps through its k(i) midpoints every stride points
      ki = k(i, b);
      X(i, :) = X(i, :) + r(i) * ((2 * mod(floor(t ./ stride), ki) + 1) ./ ki - 1);
      stride = stride .* ki;
    end
    hit = search(T, mapped(f, X, who), d);
    evaluations = evaluations + numel(b);
    in = hit > 0;
    rows{p} = hit(in);
    columns{p} = b(in);
    shares{p} = 1 ./ s(b(in));
  end
  rows = [rows{:}];
  columns = [columns{:}];
  shares = [shares{:}];
end

% One dimension: k(j) segments of box j from face to face, followed
% piecewise linearly; the entries (rows, columns within the chunk, shares).
function [rows, columns, shares, evaluations] = segments(T, f, d, who, c, r, k, lower, width, cells)
  bounds = pieces(k + 1);
  [rows, columns, shares] = deal({});
  evaluations = 0;
  for p = 1:size(bounds, 2)
    boxes = bounds(1, p):bounds(2, p);
    counts = k(boxes) + 1;   % the segments' ends
    b = repelem(boxes, counts);
    t = (0:numel(b) - 1) - repelem(cumsum(counts) - counts, counts);
    x = c(b) + r * (2 * t ./ k(b) - 1);
    y = mapped(f, x, who);
    evaluations = evaluations + numel(x);
    from = find(t < k(b));   % every end but a box's last starts a segment
    [rows{end+1}, columns{end+1}, shares{end+1}, wide] = ...
      spread(T, d, y(from), y(from + 1), b(from), 1 ./ k(b(from)), lower, width, cells);
    % segments whose image crosses many boxes: 64 pieces each, a piece that
    % still does counts by its midpoint
    wide = from(wide);
    for w = 1:2 ^ 14:numel(wide)
      at = wide(w:min(w + 2 ^ 14 - 1, end));
      ends = x(at) + (x(at + 1) - x(at)) .* ((0:64)' / 64);   % 65-by-m
      ye = reshape(mapped(f, ends(:)', who), 65, []);
      owner = reshape(repmat(b(at), 64, 1), 1, []);
      share = reshape(repmat(1 ./ k(b(at)) / 64, 64, 1), 1, []);
      [rows{end+1}, columns{end+1}, shares{end+1}, still] = spread(T, d, ...
        reshape(ye(1:64, :), 1, []), reshape(ye(2:65, :), 1, []), owner, share, lower, width, cells);
      middle = reshape(ends(1:64, :) + ends(2:65, :), 1, []) / 2;
      hit = search(T, mapped(f, middle(still), who), d);
      evaluations = evaluations + numel(ends) + nnz(still);
      in = hit > 0;
      owner = owner(still);
      share = share(still);
      rows{end+1} = hit(in);
      columns{end+1} = owner(in);
      shares{end+1} = share(in);
    end
  end
  rows = [rows{:}];
  columns = [columns{:}];
  shares = [shares{:}];
end

% The share of each segment [y0, y1] (rows) split among the boxes at depth d
% it overlaps, in proportion to the overlap; the rectangle starts at lower
% and has cells boxes of the given width. A segment of one point goes to its
% box. wide marks the segments that cross more than 4 boxes, left out.
function [rows, columns, shares, wide] = spread(T, d, y0, y1, owner, share, lower, width, cells)
  u0 = (min(y0, y1) - lower) / width;   % in box widths from the lower face
  u1 = (max(y0, y1) - lower) / width;
  finite = isfinite(u0) & isfinite(u1);
  wide = finite & ceil(u1) - floor(u0) > 4;
  point = u0 == u1;
  first = max(floor(u0), 0);
  last = min(max(ceil(u1) - 1, floor(u0)), cells - 1);
  first(point & u0 == cells) = cells - 1;   % the upper face is in the last box
  counts = last - first + 1;
  counts(~finite | wide | counts < 0) = 0;
  seg = repelem(1:numel(u0), counts);
  cell = first(seg) + (0:numel(seg) - 1) - repelem(cumsum(counts) - counts, counts);
  overlap = min(u1(seg), cell + 1) - max(u0(seg), cell);
  fraction = overlap ./ (u1(seg) - u0(seg));
  fraction(point(seg)) = 1;
  [used, ~, back] = unique(cell);
  hit = search(T, lower + (used + 0.5) * width, d);
  hit = hit(back(:)');
  in = hit > 0 & fraction > 0;
  rows = hit(in);
  columns = owner(seg(in));
  shares = share(seg(in)) .* fraction(in);
end
