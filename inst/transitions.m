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
% @strong{Interval mode}, @var{points} = @code{"interval"}: the outer graph
% of the boxes.  Box j is enclosed exactly, as the interval vector of its
% faces (@code{faces}), @var{f} is called with that dim-by-m interval
% matrix (@code{infsup}, of Octave's interval package, which is loaded when
% needed) and must return a dim-by-m interval matrix, the enclosure of the
% images; @var{A}(i, j) = 1 for every box i whose closed hull the
% enclosure of box j meets, touching included (@code{meets}).  The entries
% are 0 and 1, not fractions.  If the interval evaluation of @var{f}
% encloses @var{f} (it does for maps written with the interval operators
% and functions), @var{A} holds every transition: whenever a point x of box
% j has f(x) in box i, @var{A}(i, j) = 1.  Boxes go to @var{f} 2^16 at a
% time.
%
% Writing @var{f} for interval mode: the same code serves both modes when
% it uses elementwise operators (@code{.*}, @code{.^}, @code{./}) and
% functions the interval package defines.  A constant is the double it is:
% @code{1.4} is the double nearest 1.4, so a result certifies the map with
% that double; where the decimal matters write @code{infsup ("1.4")}, the
% interval around 1.4 (such an @var{f} then works in interval mode only).
% Each occurrence of a variable is enclosed on its own, so write every
% variable as few times as you can: @code{x.^2} gives [0, 1] on [-1, 1],
% @code{x .* x} gives [-1, 1]; the logistic map as @code{r * (0.25 - (x -
% 0.5).^2)}, not @code{r * x .* (1 - x)}.
%
% Errors: "transitions: d must be a whole number from 0 to N (the tree's
% depth).", "transitions: f must be a function handle or name.",
% "transitions: f must map a real dim-by-m matrix of points to a real
% dim-by-m matrix.", "transitions: points must be a real dim-by-s matrix, one
% sample point per column.", "transitions: points must hold at least one
% sample point; [] asks for the default samples.", "transitions: sample
% points must lie in the unit box [-1, 1]^dim.", "transitions: points must
% be sample points or the text "interval".", and in interval mode
% "transitions: in interval mode f must map a dim-by-m interval matrix
% (infsup) to a dim-by-m interval matrix.", "transitions: in interval mode
% f gave NaN (not an interval) for a box." and, where the interval package
% is not installed, "transitions: interval mode needs Octave's interval
% package, ...", which says how to install it.
%
% @example
% T = Tree (0.5, 0.5);                     % [0, 1]
% subdivide (T); subdivide (T);            % four intervals of length 1/4
% A = transitions (T, @@(x) 4 * x .* (1 - x));
% full (A)                                 % the logistic map's Ulam matrix
% B = transitions (T, @@(x) 4 * (0.25 - (x - 0.5).^2), [], "interval");
% full (B)                                 % the outer graph: every transition
% @end example
% @seealso{Tree, attractor, meets, faces, strongcomp, entropy, entropybound}
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

%!test
%! ## Interval mode: an outer graph, 0/1, that holds every sampled transition
%! ## (random points in every box), for the logistic map and the Henon map.
%! rand ("seed", 1);
%! U = Tree (0.5, 0.5);
%! U.verbose = 0;
%! for k = 1:9
%!   subdivide (U);
%! end
%! logistic = @(x) 3.9 * (0.25 - (x - 0.5).^2);
%! A = transitions (U, logistic, [], "interval");
%! assert (issparse (A) && all (nonzeros (A) == 1));
%! B = transitions (U, logistic, [], 2 * rand (1, 200) - 1);
%! assert (! any (any (B & ! A)));
%! assert (nnz (A) > nnz (B));
%! V = Tree ([0 0], [1.5 0.4]);
%! V.verbose = 0;
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! attractor (V, henon, 12, "interval");
%! A = transitions (V, henon, [], "interval");
%! B = transitions (V, henon, [], 2 * rand (2, 100) - 1);
%! assert (! any (any (B & ! A)));
%! ## the boxes' exact faces are what f gets: the images of the corners
%! [lo, hi] = faces (V);
%! k = search (V, henon (lo));
%! j = find (k);
%! assert (all (A(sub2ind (size (A), k(j), j))));

%!test
%! ## More boxes than one chunk of interval mode, with a line per chunk: the
%! ## mirror image of a box is its mirror box, touching its two neighbours.
%! U = Tree (0, 1);
%! for k = 1:17
%!   subdivide (U);
%! end
%! n = count (U);
%! out = evalc ('A = transitions (U, @(x) -x, [], "interval");');
%! assert (numel (strfind (out, "boxes mapped")), 2);
%! assert (size (A), [n n]);
%! [i, j] = find (A);
%! assert (numel (i), 3 * n - 2);
%! assert (all (abs (i - (n + 1 - j)) <= 1));

%!test
%! ## An enclosure that touches a box's face reaches the box: x -> x/2 + 1/4
%! ## on [0, 1] maps [0, 1/4] onto [1/4, 3/8], which touches box 1 at 1/4,
%! ## and both [1/4, 1/2] and [1/2, 3/4] onto intervals that end at the
%! ## fixed point 1/2, the face between boxes 2 and 3.
%! U = Tree (0.5, 0.5);
%! subdivide (U); subdivide (U);
%! A = transitions (U, @(x) x / 2 + 0.25, [], "interval");
%! assert (full (A), [1 0 0 0; 1 1 1 0; 0 1 1 1; 0 0 0 1]);

%!test
%! ## Constants: a double in f is the double it is; infsup ("...") gives the
%! ## interval around a decimal, which only interval mode can take.
%! pkg load interval
%! U = Tree (0.5, 0.5);
%! for k = 1:6
%!   subdivide (U);
%! end
%! A = transitions (U, @(x) 3.9 * (0.25 - (x - 0.5).^2), [], "interval");
%! B = transitions (U, @(x) infsup ("3.9") .* (0.25 - (x - 0.5).^2), [], "interval");
%! assert (! any (any (A & ! B)));

%!test
%! ## f must give intervals of the points' shape, and no NaN.
%! pkg load interval
%! U = Tree ([0 0], [1 1]);
%! subdivide (U);
%! fail ('transitions (U, @(x) mid (x), [], "interval")', "in interval mode f must map a 2-by-m interval matrix");
%! fail ('transitions (U, @(x) x(1, :), [], "interval")', "in interval mode f must map a 2-by-m interval matrix");
%! fail ('transitions (U, @(x) infsupdec (inf (x), sup (x)) + infsupdec ("[nai]"), [], "interval")', "gave NaN");
%! fail ('transitions (U, @(x) x, [], "intervals")', "points must be sample points or the text");

%!test
%! ## Where the interval package is not installed, interval mode says how to
%! ## install it. Simulated here: the package unloaded, and pkg failing to
%! ## load it as for a package that is not there.
%! loaded = exist ("infsup") == 2;
%! if (loaded)
%!   pkg ("unload", "-nodeps", "interval");   # boxgraph, installed, depends on it
%! endif
%! ## pkg keeps its lists and prefix in memory, which the shadowing clears
%! local = pkg ("local_list");
%! global_ = pkg ("global_list");
%! [prefix, archprefix] = pkg ("prefix");
%! folder = tempname ();
%! mkdir (folder);
%! fid = fopen (fullfile (folder, "pkg.m"), "w");
%! fprintf (fid, "function varargout = pkg (varargin)\n  error ('pkg: package interval is not installed');\nend\n");
%! fclose (fid);
%! state = warning ("off", "Octave:shadowed-function");
%! addpath (folder);
%! unwind_protect
%!   caught = "";   # not id: that is the shared identity map
%!   try
%!     transitions (Tree (0, 1), @(x) x, 0, "interval");
%!   catch e
%!     caught = e.identifier;
%!     message = e.message;
%!   end_try_catch
%!   assert (caught, "boxgraph:transitions:noIntervalPackage");
%!   assert (! isempty (strfind (message, "apt-get install octave-interval")));
%!   assert (! isempty (strfind (message, "pkg install -forge interval")));
%! unwind_protect_cleanup
%!   rmpath (folder);
%!   delete (fullfile (folder, "pkg.m"));
%!   rmdir (folder);
%!   warning (state);
%!   if (! strcmp (pkg ("local_list"), local))
%!     pkg ("local_list", local);
%!   endif
%!   if (! strcmp (pkg ("global_list"), global_))
%!     pkg ("global_list", global_);
%!   endif
%!   [p, a] = pkg ("prefix");
%!   if (! strcmp (p, prefix) || ! strcmp (a, archprefix))
%!     pkg ("prefix", prefix, archprefix);
%!   endif
%!   if (loaded)
%!     pkg load interval
%!   endif
%! end_unwind_protect

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
