% -*- texinfo -*-
% @deftypefn  {} {@var{n} =} unstableset (@var{T}, @var{f}, @var{x0}, @var{d})
% @deftypefnx {} {[@var{n}, @var{reached}] =} unstableset (@var{T}, @var{f}, @var{x0}, @var{d}, @var{points})
% Covers the unstable manifold of the fixed point @var{x0} of the map
% @var{f}, within the rectangle of the tree @var{T}, with boxes at depth
% @var{d}, by continuation: it starts with the box at depth @var{d} that
% holds @var{x0}, then maps the boxes that are new and inserts every box at
% depth @var{d} that their images hit, until no box is new.
%
% The boxes grow out of the fixed point's box along the directions that f
% expands, and so follow the unstable manifold: the set of points whose
% backward orbits tend to @var{x0}, as far as it stays in the rectangle
% (images that leave it are passed over).  The result covers the manifold
% at the resolution of the level, as well as sampling the images allows
% (the default samples adapt to the map, as in @code{attractor}).  The
% closure of an unstable manifold can be large: for the Henon map it is the
% whole attractor.
%
% @itemize
% @item @var{x0}: the fixed point, a real vector of @code{T.dim} elements
% in the rectangle.  A point that is not fixed gives what its box reaches:
% the boxes the orbit of its box visits, at the level's resolution.
% @item @var{d}: the depth of the boxes, a whole number from 0 to 500*dim.
% Boxes the tree already has at depth @var{d} count as reached and are not
% mapped (apart from the fixed point's): give a tree without boxes there,
% such as a new one (@code{Tree (c, r)}), for the manifold alone.
% @item @var{points}: sample points as for @code{attractor}.
% @item @var{n}: the number of boxes at depth @var{d} at the end.
% @item @var{reached}: for each box at depth @var{d} (1-by-n, in box
% order), the round in which it was made: 0 for the fixed point's box, k
% for the boxes that images of boxes of round k-1 hit first; NaN for boxes
% that were there before.  It grows along the manifold, about like the
% number of iterations a point needs from near @var{x0} to the box.
% @end itemize
%
% With @code{T.verbose} not 0 each round prints a line: the round, the
% depth, the new boxes, the boxes at the depth and the seconds so far.
%
% In interval mode, @var{points} = @code{"interval"} (see
% @code{attractor}), each new box's image is enclosed by @var{f} on the
% box as an interval vector, and every box at depth @var{d} that an
% enclosure meets is inserted (@code{meets} with "missing").  Given that
% @var{f}'s interval evaluation encloses @var{f}, the result then holds
% every point f^k(z) with z in the fixed point's box and z, f(z), ...,
% f^k(z) in the rectangle: all of the unstable manifold whose backward
% orbit stays in the rectangle.
%
% A call that fails (an error of @var{f}, memory running out, Ctrl-C)
% takes back every box it inserted, in either mode, and leaves @var{T} as
% it was before the call; the error is the one raised.  (A call cut short
% could not be carried on: the boxes it made would count as reached,
% unmapped.)
%
% Cost: every box is mapped once (as in one step of @code{attractor}), in
% as many rounds as the longest chain of new boxes.  To be able to take its
% boxes back, the call first lists the tree's boxes at every depth down to
% @var{d} (one box for a new tree): on a covering that already holds the
% manifold that can be most of the time.
%
% Errors: "unstableset: x0 must be a point of the tree's rectangle, a real
% vector of DIM elements.", "unstableset: d must be a whole number from 0
% to N.", and those of @code{transitions} for @var{f} and @var{points}.
%
% @example
% henon = @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
% x = (-0.7 + sqrt (0.49 + 5.6)) / 2.8;   % the fixed point in the attractor
% T = Tree ([0 0], [1.5 0.4]);
% T.verbose = 0;
% n = unstableset (T, henon, [x; 0.3 * x], 14)
% @end example
% @seealso{attractor, Tree, insert}
% @end deftypefn
function [n, reached] = unstableset(T, f, x0, d, points)
  if nargin < 4
    error('boxgraph:unstableset:usage', 'unstableset: usage: n = unstableset(T, f, x0, d, points).');
  end
  f = maphandle('unstableset', f);
  dim = T.dim;
  c = T.center(:);
  r = T.radius(:);
  if ~(isnumeric(x0) && isreal(x0) && numel(x0) == dim) || ~all(abs(double(x0(:)) - c) <= r)
    error('boxgraph:unstableset:badPoint', ...
          'unstableset: x0 must be a point of the tree''s rectangle, a real vector of %d elements.', dim);
  end
  deepest = 500 * dim;
  if ~(isnumeric(d) && isreal(d) && isscalar(d) && d >= 0 && d <= deepest && d == fix(d))
    error('boxgraph:unstableset:badDepth', 'unstableset: d must be a whole number from 0 to %d.', deepest);
  end
  if nargin < 5
    points = [];
  end
  P = samplepoints('unstableset', dim, points, true);
  x0 = double(x0(:));
  verbose = T.verbose ~= 0;
  started = tic;
  % A call that fails (an error of f, memory, Ctrl-C) takes back every box
  % it inserted: until it is over, a cleanup stands ready to do that.
  [leaves, level] = before(T, d);
  over = containers.Map({'call'}, {false});
  undo = onCleanup(@() uninsert(T, d, leaves, level, over));
  insert(T, x0, d);
  new = false(1, count(T, d));
  new(search(T, x0, d)) = true;
  made = {x0};   % a point in each box made, round by round
  rounds = 0;
  while any(new)
    rounds = rounds + 1;
    new = imagehits(T, f, d, P, 'insert', 'unstableset', new);
    if nargout > 1
      centres = samples(T, zeros(dim, 1), d);
      made{end + 1} = centres(:, new);
    end
    if verbose
      fprintf('unstableset: round %d, depth %d, %d new, %d boxes, %.2f s\n', ...
              rounds, d, nnz(new), numel(new), toc(started));
      flushoutput();
    end
  end
  n = count(T, d);
  if nargout > 1
    reached = NaN(1, n);
    for k = numel(made):-1:1   % the start box may have been there: round 0 wins
      reached(search(T, made{k}, d)) = k - 1;
    end
  end
  over('call') = true;
end

% What a failed call needs to take its boxes back: the centres of the boxes
% at depth d (level, dim-by-n) and, for each depth l above d, those of the
% boxes at l without halves (leaves{l + 1}), as the tree has them now.
% Inserting at depth d makes boxes at d and above only, under the boxes
% there are; the boxes without halves above d are the ones that can get
% halves of which none was there before.
function [leaves, level] = before(T, d)
  deepest = min(T.depth, d);
  leaves = cell(1, max(deepest, 0));
  level = zeros(T.dim, 0);
  if deepest < 0
    return;
  end
  above = boxes(T, 0);
  for l = 1:deepest
    here = boxes(T, l);
    halved = false(1, size(above, 2));
    halved(search(T, here, l - 1)) = true;   % the parents of the boxes at l
    leaves{l} = above(:, ~halved);
    above = here;
  end
  if deepest == d
    level = above;
  else
    leaves{end + 1} = above;   % the deepest level, above d: no box has halves
  end
end

% Takes back the boxes a failed call inserted, unless the call is over:
% the boxes that had no halves lose whatever is below them (coarsen), then
% keep removes the new boxes at d with the new boxes above them, which have
% no other halves; what the tree had stays as it was.
function uninsert(T, d, leaves, level, over)
  if over('call') || T.depth < d   % over, or nothing was inserted
    return;
  end
  for l = 0:numel(leaves) - 1
    if ~isempty(leaves{l + 1})
      bare = false(1, count(T, l));
      bare(search(T, leaves{l + 1}, l)) = true;
      coarsen(T, l, bare);
    end
  end
  if T.depth < d   % the new boxes were all below those
    return;
  end
  old = false(1, count(T, d));
  if ~isempty(level)
    old(search(T, level, d)) = true;
  end
  keep(T, old, d);
end

%!shared henon, saddle, inner
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! ## the fixed points: x = 1 - 1.4 x^2 + 0.3 x, y = 0.3 x
%! x = (-0.7 + [-1 1] * sqrt (0.49 + 5.6)) / 2.8;
%! saddle = [x(1); 0.3 * x(1)];   # (-1.1314, -0.3394), its branch leaves the rectangle
%! inner = [x(2); 0.3 * x(2)];    # (0.6314, 0.1894), in the attractor

%!test
%! ## Points of the unstable manifold of the inner fixed point: a short
%! ## segment along the unstable eigenvector (eigenvalue -1.92), a whole
%! ## turn of f^2 of it, and its images, as long as they stay near the
%! ## manifold's first fold; every one lies in the covering.
%! J = [-2.8 * inner(1), 1; 0.3, 0];
%! [V, L] = eig (J);
%! [lambda, k] = max (abs (diag (L)));
%! v = V(:, k);
%! s = 1e-7 * lambda .^ (2 * linspace (0, 1, 2000));
%! X = inner + v * [s, -s];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! [n, reached] = unstableset (T, henon, inner, 14);
%! assert (n, count (T, 14));
%! ## the rounds: 0 at the fixed point, growing along the manifold, every
%! ## round from 0 to the last (with no new box) but one present
%! assert (reached(search (T, inner)), 0);
%! assert (unique (reached), 0:max (reached));
%! assert (reached(search (T, X(:, [1 end]))) <= 2);
%! for k = 1:26
%!   assert (all (search (T, X) > 0), sprintf ("image %d", k));
%!   X = henon (X);
%! end
%! ## its closure is the attractor: the covering is about the attractor's
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! m = attractor (U, henon, 14);
%! assert (n > 0.7 * m && n < 1.05 * m);

%!test
%! ## The other saddle: one branch runs into the attractor, the other leaves
%! ## the rectangle, which bounds it; points of both are covered. With
%! ## verbose set, a line per round, the last with no new boxes.
%! J = [-2.8 * saddle(1), 1; 0.3, 0];
%! [V, L] = eig (J);
%! [~, k] = max (abs (diag (L)));
%! X = saddle + V(:, k) * 1e-6 * [linspace(-1, 1, 200)];
%! T = Tree ([0 0], [1.5 0.4]);
%! out = evalc ("n = unstableset (T, henon, saddle, 12);");
%! lines = strsplit (strtrim (out), "\n");
%! assert (! isempty (regexp (lines{1}, '^unstableset: round 1, depth 12, \d+ new, \d+ boxes, \d+\.\d\d s$')));
%! assert (! isempty (regexp (lines{end}, sprintf ('^unstableset: round %d, depth 12, 0 new, %d boxes, \\d+\\.\\d\\d s$', numel (lines), n))));
%! for k = 1:12
%!   inside = all (abs (X) <= [1.5; 0.4]);
%!   assert (all (search (T, X(:, inside)) > 0));
%!   X = henon (X);
%! end
%! assert (any (! inside));

%!test
%! ## A contraction: the fixed point's box alone; a map whose images leave
%! ## at once: the box of x0 alone too. Boxes already at the depth stay.
%! T = Tree ([0 0], [1 1]);
%! T.verbose = 0;
%! assert (unstableset (T, @(x) 0.5 * x + 0.1, [0.2; 0.2], 6), 1);
%! assert (unstableset (T, @(x) x + 3, [-0.9; -0.9], 6), 2);
%! assert (count (T, 6), 2);

%!function y = failingmap (f, x)
%!  ## f, but the call numbered failAt fails with the error identifier
%!  ## failId; failingmap ("reset") starts counting, failingmap ("calls")
%!  ## gives the calls so far.
%!  persistent calls
%!  global failAt failId
%!  if (ischar (f))
%!    if (strcmp (f, "reset"))
%!      calls = 0;
%!    endif
%!    y = calls;
%!    return;
%!  endif
%!  calls++;
%!  if (calls == failAt)
%!    error (failId, "the map failed at call %d", calls);
%!  endif
%!  y = f (x);
%!endfunction

%!function T = shallow (f)
%!  T = Tree ([0 0], [1.5 0.4]);
%!  T.verbose = 0;
%!  attractor (T, f, 6);
%!  insert (T, [-1.4; 0.35], 3);   # a box of depth 3 without halves
%!endfunction

%!function T = emptied ()
%!  T = Tree ([0 0], [1.5 0.4]);
%!  T.verbose = 0;
%!  keep (T, false);
%!endfunction

%!function T = deep (f)
%!  T = Tree ([0 0], [1.5 0.4]);
%!  T.verbose = 0;
%!  attractor (T, f, 11);
%!endfunction

%!function s = shape (T)
%!  ## Every level's boxes, which say all a tree holds.
%!  s = arrayfun (@(d) boxes (T, d), 0:T.depth, "uniformoutput", false);
%!  s{end + 1} = T.depth;
%!endfunction

%!test
%! ## A call that fails takes back every box it inserted, with the boxes
%! ## above them, and nothing else: on a new tree (one box, which gets
%! ## halves), on a covering shallower than d with a shallow box besides,
%! ## on one deeper than d and on a tree without boxes; the map failing in
%! ## the first round, in a middle one and in the last. The error is the
%! ## one raised.
%! global failAt failId
%! f = @(x) failingmap (henon, x);
%! trees = {@() Tree([0 0], [1.5 0.4]), @() shallow(henon), @() deep(henon), @() emptied()};
%! for t = 1:4
%!   T = trees{t} ();
%!   failingmap ("reset");
%!   failAt = Inf;
%!   n = unstableset (T, f, inner, 9);
%!   calls = failingmap ("calls");
%!   for id = {"test:mapFailed", "Octave:interrupt"}
%!     for at = unique ([1, ceil(calls / 2), calls])
%!       T = trees{t} ();
%!       before = shape (T);
%!       failingmap ("reset");
%!       [failAt, failId] = deal (at, id{1});
%!       lastwarn ("");
%!       try
%!         unstableset (T, f, inner, 9);
%!         error ("unstableset went on");
%!       catch err
%!         assert (err.identifier, id{1});
%!         assert (err.message, sprintf ("the map failed at call %d", at));
%!       end_try_catch
%!       failAt = Inf;
%!       assert (lastwarn (), "");   # the cleanup ran without an error
%!       assert (isequal (shape (T), before), sprintf ("tree %d, call %d", t, at));
%!       assert (unstableset (T, f, inner, 9), n);
%!     endfor
%!   endfor
%! endfor
%! clear -global failAt failId

%!test
%! ## In interval mode too, a call that fails takes back every box it
%! ## inserted: on a new tree and on a covering deeper than d, the map
%! ## failing (or Ctrl-C arriving) in the first round, a middle one and the
%! ## last.
%! global failAt failId
%! f = @(x) failingmap (henon, x);
%! trees = {@() Tree([0 0], [1.5 0.4]), @() deep(henon)};
%! for t = 1:2
%!   T = trees{t} ();
%!   failingmap ("reset");
%!   failAt = Inf;
%!   n = unstableset (T, f, inner, 8, "interval");
%!   calls = failingmap ("calls");
%!   assert (calls >= 3);
%!   for id = {"test:mapFailed", "Octave:interrupt"}
%!     for at = unique ([1, ceil(calls / 2), calls])
%!       T = trees{t} ();
%!       before = shape (T);
%!       failingmap ("reset");
%!       [failAt, failId] = deal (at, id{1});
%!       lastwarn ("");
%!       try
%!         unstableset (T, f, inner, 8, "interval");
%!         error ("unstableset went on");
%!       catch err
%!         assert (err.identifier, id{1});
%!       end_try_catch
%!       failAt = Inf;
%!       assert (lastwarn (), "");
%!       assert (isequal (shape (T), before), sprintf ("tree %d, call %d", t, at));
%!       assert (unstableset (T, f, inner, 8, "interval"), n);
%!     endfor
%!   endfor
%! endfor
%! clear -global failAt failId

%!test
%! ## Interval mode encloses: the boxes that samples at given points reach
%! ## are among those the enclosures reach, and so is an orbit started on
%! ## the manifold, next to the fixed point along its unstable direction.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! x = (-0.7 + sqrt (0.49 + 5.6)) / 2.8;
%! p = [x; 0.3 * x];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! [n, reached] = unstableset (T, henon, p, 12, "interval");
%! assert (n, count (T));
%! assert (reached(search (T, p)), 0);
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! [px, py] = ndgrid (linspace (-1, 1, 7));
%! unstableset (U, henon, p, 12, [px(:)'; py(:)']);
%! assert (all (search (T, boxes (U)) > 0));
%! J = [-2.8 * x, 1; 0.3, 0];          # the Jacobian at the fixed point
%! [V, D] = eig (J);
%! [~, k] = max (abs (diag (D)));
%! z = p + 1e-9 * V(:, k);
%! orbit = zeros (2, 60);
%! for q = 1:60
%!   z = henon (z);
%!   orbit(:, q) = z;
%! end
%! assert (all (search (T, orbit) > 0));

%!error <usage> unstableset (Tree (0, 1), @(x) x, 0)
%!error <x0 must be a point of the tree's rectangle, a real vector of 2 elements> unstableset (Tree ([0 0], [1 1]), @(x) x, 0, 4)
%!error <x0 must be a point of the tree's rectangle> unstableset (Tree ([0 0], [1 1]), @(x) x, [2 0], 4)
%!error <d must be a whole number from 0 to 500> unstableset (Tree (0, 1), @(x) x, 0, 501)
%!error <d must be a whole number from 0 to 500> unstableset (Tree (0, 1), @(x) x, 0, 1.5)
%!error <f must map a real 1-by-m matrix> unstableset (Tree (0, 1), @(x) [x; x], 0, 3)
%!error <unstableset: points must hold at least one sample point> unstableset (Tree (0, 1), @(x) x, 0, 3, zeros (1, 0))

%!demo
%! ## The unstable manifold of the Henon map's fixed point in the attractor,
%! ## at depth 14, beside the attractor's covering at the same depth.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! x = (-0.7 + sqrt (0.49 + 5.6)) / 2.8;
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! manifold = unstableset (T, henon, [x; 0.3 * x], 14)
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! covering = attractor (U, henon, 14)
