% -*- texinfo -*-
% @deftypefn  {} {@var{A} =} transitions (@var{T}, @var{f})
% @deftypefnx {} {@var{A} =} transitions (@var{T}, @var{f}, @var{d})
% @deftypefnx {} {@var{A} =} transitions (@var{T}, @var{f}, @var{d}, @var{points})
% The transition matrix of the boxes of the tree @var{T} at depth @var{d}
% under the map @var{f}: an n-by-n sparse matrix, n = @code{count (T, d)}.
%
% @var{A}(i, j) is the fraction of box j's sample points whose image lies in
% box i (Ulam's matrix): every column sums to at most 1, and less where
% images leave the covering (they are dropped).  @code{spones (A)} is the
% graph: a stored @var{A}(i, j) is an edge from box j to box i, the
% convention of @code{strongcomp}, @code{cyclereach} and @code{subshift}.
%
% @itemize
% @item @var{f}: a function handle (or name) that maps a dim-by-m matrix of
% points, one per column, to the dim-by-m matrix of their images.  It is
% called with up to about 2^20 points at once.
% @item @var{d}: a whole number from 0 to @code{T.depth}; missing or empty,
% the deepest level.
% @item @var{points}: the sample points as offsets in the unit box
% [-1, 1]^dim, dim-by-s; box j with centre c and radius r is sampled at
% @code{c + r .* points(:, q)}.  Missing or []: samples adapted to the
% map, box by box, at the midpoints of equal cells, so that each sample
% stands for an equal part of its box and the identity map gives the
% identity matrix.  A first grid of 4 per coordinate at +-0.25 and +-0.75
% (4^dim points, for dim <= 5) shows how far the map stretches each side of
% the box; a box whose sides' images reach past 4 spacings (a spacing is
% 0.7 box widths in one and two dimensions, 0.5 above) gets as many cells
% along that coordinate as put the images of neighbouring midpoints about a
% spacing apart (and those replace the first grid; at most about 4096 a
% box).  Entries of a column are then multiples of 1/s for the box's own
% number of samples s.  The chords between sample images that
% @code{attractor} follows do not enter here: every entry is a fraction of
% samples.
% @end itemize
%
% Boxes are mapped in chunks of about 2^20 sample points; when there is more
% than one chunk and @code{T.verbose} is not 0, a line per chunk shows the
% progress.
%
% Errors: "transitions: d must be a whole number from 0 to N (the tree's
% depth).", "transitions: f must be a function handle or name.",
% "transitions: f must map a real dim-by-m matrix of points to a real
% dim-by-m matrix.", "transitions: points must be a real dim-by-s matrix, one
% sample point per column.", "transitions: points must hold at least one
% sample point; [] asks for the default samples.", "transitions: sample
% points must lie in the unit box [-1, 1]^dim.".
%
% @example
% T = Tree (0.5, 0.5);                     % [0, 1]
% subdivide (T); subdivide (T);            % four intervals of length 1/4
% A = transitions (T, @@(x) 4 * x .* (1 - x));
% full (A)                                 % the logistic map's Ulam matrix
% @end example
% @seealso{Tree, attractor, strongcomp, entropy}
% @end deftypefn
function A = transitions(T, f, d, points)
  if nargin < 2
    error('boxgraph:transitions:usage', 'transitions: usage: A = transitions(T, f, d, points).');
  end
  f = maphandle('transitions', f);
  if nargin < 3
    d = [];
  end
  d = treelevel('transitions', T, d);
  if nargin < 4
    points = [];
  end
  P = samplepoints('transitions', T.dim, points, false);
  A = imagehits(T, f, d, P, 'matrix', 'transitions');
end

%!shared T, id
%! T = Tree (0, 1);                         % [-1, 1]
%! for k = 1:3
%!   subdivide (T);
%! end
%! id = @(x) x;

%!test
%! ## The identity maps every sample of a box into the box itself.
%! A = transitions (T, id);
%! assert (issparse (A));
%! assert (full (A), eye (8));
%! assert (transitions (T, id, 1), speye (2));

%!test
%! ## A shift by one box width: box j goes to box j + 1, the last box leaves
%! ## the covering (its column is empty), the first box is hit by nothing.
%! A = transitions (T, @(x) x + 0.25);
%! assert (full (A), diag (ones (1, 7), -1));
%! ## A shift by half a box width splits each box's samples evenly; half of
%! ## the last box's samples leave.
%! B = transitions (T, @(x) x + 0.125);
%! assert (full (B), 0.5 * (eye (8) + diag (ones (1, 7), -1)));

%!test
%! ## Columns sum to at most 1, and to 1 where no image leaves the covering;
%! ## the entries are fractions of the given sample points.
%! U = Tree ([0 0], [1 1]);
%! for k = 1:6
%!   subdivide (U);
%! end
%! rot = @(x) [0.9 * x(2, :); -0.9 * x(1, :)] + 0.3;
%! points = [-1 0 1 0.5 -0.5; 0 1 -1 0.5 -0.25];
%! A = transitions (U, rot, [], points);
%! assert (size (A), [64 64]);
%! s = full (sum (A, 1));
%! assert (all (s <= 1));
%! assert (any (s < 1) && any (s == 1));
%! assert (all (ismember (nonzeros (A), (1:5) / 5)));
%! ## the same samples, mapped and searched by hand
%! [c, r] = boxes (U);
%! j = 37;
%! k = search (U, rot (c(:, j) + r(:, j) .* points));
%! assert (full (A(:, j)), accumarray (k(k > 0)', 1, [64 1]) / 5);

%!test
%! ## More sample points than one chunk, on a partly removed level; with
%! ## verbose set, one progress line per chunk.
%! U = Tree (0, 1);
%! for k = 1:17
%!   subdivide (U);
%! end
%! keep (U, mod (1:count (U), 3) ~= 0);
%! n = count (U);
%! out = evalc ("A = transitions (U, @(x) -x, [], linspace (-0.9, 0.9, 16));");
%! assert (numel (strfind (out, "boxes mapped")), 2);
%! assert (! isempty (strfind (out, sprintf ("transitions: %d of %d boxes mapped", n, n))));
%! U.verbose = 0;
%! assert (isempty (evalc ("transitions (U, @(x) -x, [], linspace (-0.9, 0.9, 16));")));
%! ## the mirror image of a box is the box with the opposite centre
%! c = boxes (U);
%! k = search (U, -c);
%! j = find (k);
%! assert (size (A), [n n]);
%! assert (nnz (A), numel (j));
%! assert (full (A(sub2ind ([n n], k(j), j))), ones (1, numel (j)));

%!test
%! ## A tree that has lost all its boxes has an empty transition matrix.
%! U = Tree (0, 1);
%! keep (U, false);
%! assert (size (transitions (U, @(x) x)), [0 0]);

%!error <usage> transitions (Tree (0, 1))
%!error <d must be a whole number from 0 to 3> transitions (T, id, 4)
%!error <d must be a whole number from 0 to 3> transitions (T, id, 1.5)
%!error <f must be a function handle or name> transitions (T, 3)
%!error <f must map a real 1-by-m matrix> transitions (T, @(x) [x; x])
%!error <f must map a real 1-by-m matrix> transitions (T, @(x) x + 1i)
%!error <points must be a real 1-by-s matrix> transitions (T, id, [], [0; 0])
%!error <sample points must lie in the unit box> transitions (T, id, [], [0 1.5])
%!error <sample points must lie in the unit box> transitions (T, id, [], NaN)
%!test
%! ## Only [] asks for the default samples: an empty set of points is refused.
%! for points = {zeros(1, 0), zeros(0, 2), '', {}, single([]), false(1, 0)}
%!   fail ("transitions (T, id, [], points{1})", "points must (hold at least one sample point|be a real 1-by-s matrix)");
%! endfor
%! assert (transitions (T, id, [], []), speye (count (T)));

%!demo
%! ## The doubling map x -> 2x mod 1 on [0, 1], 8 intervals: each box maps
%! ## onto two, half of its samples into each.
%! T = Tree (0.5, 0.5);
%! for k = 1:3
%!   subdivide (T);
%! end
%! A = transitions (T, @(x) mod (2 * x, 1));
%! full (A)
