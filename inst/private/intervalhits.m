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
%   hit = intervalhits(T, f, d, 'hits', who)     logical 1-by-n
%   S = intervalhits(T, f, d, 'graph', who)      sparse n-by-n, S(i, j) = 1
%                                                 when box j's enclosure meets box i
%   S = intervalhits(T, f, d, 'matrix', who)     the same: enclosures give no
%                                                 fractions of a box's image
%   new = intervalhits(T, f, d, 'insert', who, from)
%     encloses the images of the boxes where the logical row from is true,
%     and inserts at depth d every box that an enclosure meets and the tree
%     lacks; new, a logical row over the boxes at depth d after the
%     insertion, marks the boxes made.
% The mode may also be false ('hits') or true ('graph').
%
% With T.verbose nonzero and more than one chunk, 'graph' and 'matrix'
% print one line per chunk: how far they got. Errors name the calling
% function, who.
function out = intervalhits(T, f, d, mode, who, from)
  intervalpackage(who);
  if islogical(mode)
    modes = {'hits', 'graph'};
    mode = modes{mode + 1};
  end
  dim = T.dim;
  n = count(T, d);
  if strcmp(mode, 'insert')
    list = find(from);
  else
    list = 1:n;
  end
  m = numel(list);
  per = 2 ^ 16;   % boxes per chunk
  chunks = ceil(m / per);
  verbose = any(strcmp(mode, {'graph', 'matrix'})) && chunks > 1 && T.verbose ~= 0;
  switch mode
    case 'hits'
      out = false(1, n);
    case {'graph', 'matrix'}
      S = cell(1, chunks);
    case 'insert'
      [lo, hi] = faces(T, d);
      lo = lo(:, list);
      hi = hi(:, list);
      made = cell(1, chunks);
  end
  started = tic;
  for q = 1:chunks
    first = (q - 1) * per + 1;
    last = min(q * per, m);
    if strcmp(mode, 'insert')
      X = infsup(lo(:, first:last), hi(:, first:last));
    else
      [a, b] = faces(T, d, [first last]);
      X = infsup(a, b);
    end
    Y = f(X);
    if ~isa(Y, 'infsup') || ~isequal(size(Y), size(X))
      error(['boxgraph:' who ':badMap'], ...
            '%s: in interval mode f must map a %d-by-m interval matrix (infsup) to a %d-by-m interval matrix.', ...
            who, dim, dim);
    end
    L = inf(Y);
    U = sup(Y);
    if any(isnan(L(:))) || any(isnan(U(:)))
      error(['boxgraph:' who ':badMap'], '%s: in interval mode f gave NaN (not an interval) for a box.', who);
    end
    switch mode
      case 'hits'
        out = out | meets(T, L, U, d, 'any');
      case {'graph', 'matrix'}
        S{q} = meets(T, L, U, d);
      case 'insert'   % the tree does not change before every box is enclosed
        made{q} = meets(T, L, U, d, 'missing');
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
      X = unique(horzcat(zeros(dim, 0), made{:})', 'rows')';
      insert(T, X, d);
      out = false(1, count(T, d));
      out(search(T, X, d)) = true;
  end
end
