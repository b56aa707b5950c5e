% The boxes at depth d of the tree T that the images under f of the sample
% points of the boxes at depth d fall into. A sample point of box j is
% c(:, j) + r(:, j) .* P(:, q) for its centre c and radius r; images outside
% the covering are dropped. The boxes are mapped in chunks of about 2^20
% sample points, so memory stays bounded whatever the number of boxes.
%
%   hit = imagehits(T, f, d, P, false, who, report)
%     logical 1-by-n: true for every box that some image falls into.
%   [i, j, v] = imagehits(T, f, d, P, true, who, report)
%     column vectors, one row per distinct pair: v(k) samples of box j(k)
%     have their image in box i(k).
%
% With report true, T.verbose nonzero and more than one chunk, one line per
% chunk shows how far it got. Errors name the calling function, who.
function [i, j, v] = imagehits(T, f, d, P, pairs, who, report)
  dim = T.dim;
  n = count(T, d);
  s = size(P, 2);
  per = max(1, floor(2 ^ 20 / s));   % boxes per chunk
  chunks = ceil(n / per);
  verbose = report && chunks > 1 && T.verbose ~= 0;
  if pairs
    I = cell(chunks, 1);
    J = cell(chunks, 1);
    V = cell(chunks, 1);
  else
    hit = false(1, n);
  end
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, n);
    nb = last - first + 1;
    % the s sample points of each box, box by box
    X = samples(T, P, d, [first last]);
    Y = f(X);
    if ~(isnumeric(Y) || islogical(Y)) || ~isreal(Y) || issparse(Y) || ~isequal(size(Y), size(X))
      error(['boxgraph:' who ':badMap'], '%s: f must map a real %d-by-m matrix of points to a real %d-by-m matrix.', ...
            who, dim, dim);
    end
    k = search(T, double(Y), d);
    if pairs
      source = reshape(repmat(1:nb, s, 1), 1, s * nb);
      in = k > 0;
      % sparse() sums the samples of one pair; find() lists the distinct pairs
      [ii, jj, vv] = find(sparse(k(in), source(in), 1, n, nb));
      I{q} = ii(:);
      J{q} = jj(:) + (first - 1);
      V{q} = vv(:);
    else
      hit(k(k > 0)) = true;
    end
    if verbose
      fprintf('%s: %d of %d boxes mapped, %.2f s\n', who, last, n, toc(started));
      flushoutput();
    end
  end
  if pairs
    i = vertcat(zeros(0, 1), I{:});
    j = vertcat(zeros(0, 1), J{:});
    v = vertcat(zeros(0, 1), V{:});
  else
    i = hit;
  end
end
