% The boxes at depth d of the tree T that the interval enclosures under f of
% the boxes at depth d meet: interval mode of imagehits.
%
% Box j is enclosed exactly by infsup(lower, upper) of its faces (the bounds
% search places points by, Tree's faces), f maps that dim-by-m interval
% matrix to a dim-by-m interval matrix, and every box whose closed hull the
% enclosure of box j meets is hit by j (Tree's meets): a box that an
% enclosure only touches counts, so the result is outer whenever f's
% interval evaluation encloses the images. Enclosures outside the tree's
% rectangle are dropped; an empty one (the map undefined on the whole box)
% hits nothing. The boxes go to f in chunks of 2^16.
%
%   hit = intervalhits(T, f, d, false, who)   logical 1-by-n
%   S = intervalhits(T, f, d, true, who)      sparse n-by-n, S(i, j) = 1
%                                              when box j's enclosure meets box i
%
% With counts and T.verbose nonzero and more than one chunk, one line per
% chunk shows how far it got. Errors name the calling function, who.
function out = intervalhits(T, f, d, counts, who)
  intervalpackage(who);
  dim = T.dim;
  n = count(T, d);
  per = 2 ^ 16;   % boxes per chunk
  chunks = ceil(n / per);
  verbose = counts && chunks > 1 && T.verbose ~= 0;
  if counts
    S = cell(1, chunks);
  else
    out = false(1, n);
  end
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, n);
    [lo, hi] = faces(T, d, [first last]);
    Y = f(infsup(lo, hi));
    if ~isa(Y, 'infsup') || ~isequal(size(Y), size(lo))
      error(['boxgraph:' who ':badMap'], ...
            '%s: in interval mode f must map a %d-by-m interval matrix (infsup) to a %d-by-m interval matrix.', ...
            who, dim, dim);
    end
    L = inf(Y);
    U = sup(Y);
    if any(isnan(L(:))) || any(isnan(U(:)))
      error(['boxgraph:' who ':badMap'], '%s: in interval mode f gave NaN (not an interval) for a box.', who);
    end
    if counts
      S{q} = meets(T, L, U, d);
    else
      out = out | meets(T, L, U, d, 'any');
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
