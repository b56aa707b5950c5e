% The boxes at depth d of the tree T that the images under f of the sample
% points of the boxes at depth d fall into. A sample point of box j is
% c(:, j) + r(:, j) .* P(:, q) for its centre c and radius r; images outside
% the covering are dropped. The boxes are mapped in chunks of about 2^20
% sample points, so memory stays bounded whatever the number of boxes.
%
%   hit = imagehits(T, f, d, P, false, who)
%     logical 1-by-n: true for every box that some image falls into.
%   S = imagehits(T, f, d, P, true, who)
%     sparse n-by-n: S(i, j) samples of box j have their image in box i.
%     With T.verbose nonzero and more than one chunk, one line per chunk
%     shows how far it got.
%
% With P the text "interval" (interval mode): each box's image is enclosed
% by f evaluated on the box as an interval vector, and the boxes that the
% enclosure meets are hit (intervalhits); S is then 0/1, an edge for every
% box met, not a count.
%
% Errors name the calling function, who.
function out = imagehits(T, f, d, P, counts, who)
  if ischar(P)   % samplepoints lets only "interval" through as text
    out = intervalhits(T, f, d, counts, who);
    return;
  end
  dim = T.dim;
  n = count(T, d);
  s = size(P, 2);
  per = max(1, floor(2 ^ 20 / s));   % boxes per chunk
  chunks = ceil(n / per);
  verbose = counts && chunks > 1 && T.verbose ~= 0;
  if counts
    S = cell(1, chunks);   % the columns of each chunk's boxes
  else
    out = false(1, n);
  end
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, n);
    % the s sample points of each box, box by box
    X = samples(T, P, d, [first last]);
    Y = f(X);
    if ~(isnumeric(Y) || islogical(Y)) || ~isreal(Y) || issparse(Y) || ~isequal(size(Y), size(X))
      error(['boxgraph:' who ':badMap'], '%s: f must map a real %d-by-m matrix of points to a real %d-by-m matrix.', ...
            who, dim, dim);
    end
    k = search(T, double(Y), d);
    in = k > 0;
    if counts
      % sparse() sums the samples of one pair
      S{q} = sparse(k(in), ceil(find(in) / s), 1, n, last - first + 1);
    else
      out(k(in)) = true;
    end
    if verbose
      fprintf('%s: %d of %d boxes mapped, %.2f s\n', who, last, n, toc(started));
      flushoutput();
    end
  end
  if counts
    out = horzcat(sparse(n, 0), S{:});
  end
end
