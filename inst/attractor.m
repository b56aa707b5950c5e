% -*- texinfo -*-
% @deftypefn  {} {} attractor (@var{T}, @var{f}, @var{steps})
% @deftypefnx {} {@var{n} =} attractor (@var{T}, @var{f}, @var{steps}, @var{points})
% @deftypefnx {} {@var{n} =} attractor (@var{T}, @var{f}, @var{steps}, @var{points}, "settle")
% Covers the relative global attractor of the map @var{f} in the rectangle
% of the tree @var{T} by the subdivision algorithm: @var{steps} times,
% halve every box at the deepest level (@code{subdivide}), then keep only the
% boxes that the image of some box of the collection meets.
%
% With "settle", after the steps, the selection is repeated at the deepest
% level without halving until the collection stops changing: what is left
% are the boxes that the images keep hitting, those reached from a cycle of
% the transition graph, which is how it is computed (one mapping of the
% level, not one per repetition).  It removes what the subdivision steps
% kept of a transient (the parts that orbits cross once on their way in);
% with @var{steps} = 0 it settles the tree as it is.
%
% The image of a box is represented by the images of its sample points
% (see @code{transitions}): @var{f} maps dim-by-m points to dim-by-m images,
% and @var{points} are offsets in [-1, 1]^dim.  Missing or [], the
% samples adapt to the map, box by box: a first grid of 3 per coordinate
% from face to face (3^dim points, for dim <= 5) shows how far the map
% stretches each side of the box, and the box then gets as many samples
% along each coordinate, face to face, as put the images of neighbouring
% samples about 0.7 box widths apart (0.5 above two dimensions; at most
% about 4096 samples a box).  Between neighbouring samples the image is
% taken as the straight chord of their images, and the boxes that a chord
% crosses count as hit too: otherwise an image that cuts a box only at a
% corner misses it (on the Henon map about one box in twenty, however
% dense the samples).  An image on a face between two boxes counts for
% both.  @var{T} changes in place; @var{n} is the number of boxes left at
% the deepest level.  A tree that loses every box stops early.
%
% Sampling only approximates the image: a box that the image of a box meets
% only in a sliver where the image bends away from the chords (or, above two
% dimensions, where a face of the image pokes into it between chords) is
% missed, and with it every box its images would have kept.  On the Henon
% and Ikeda maps no point of a 10^6-point orbit was outside the default
% covering at depths 12 to 24, on the Lorenz system 8 to 26 (depths 18 to
% 24); fixed grids of 5 per coordinate missed 406 to 10762.  Check a result
% with a long orbit, @code{checkcovering (T, orbit)}, which also puts back
% what is missing.  Given @var{points} are used for every box as they are,
% without chords.
%
% @strong{Interval mode}, @var{points} = @code{"interval"}: each box's
% image is enclosed by @var{f} evaluated on the box as an interval vector,
% and a box is kept when some enclosure meets its closed hull (see
% @code{transitions} for how to write @var{f}).  Then, given that
% @var{f}'s interval evaluation encloses @var{f}, the result encloses the
% relative global attractor of the rectangle, and more: every point x =
% f^k(y) with y, f(y), ..., f^k(y) in the rectangle and k >= @var{steps}
% lies in a kept box (the box of such a point's preimage is kept at every
% step, and the enclosure of its image meets the point's box), so an orbit
% that stays in the rectangle is covered after its first @var{steps}
% points.  The covering is larger than a sampled one (enclosures are
% rectangles around the images, and boxes an enclosure only touches are
% kept).
%
% With @code{T.verbose} not 0 (a made tree starts with 1) each step prints a
% line: the step, the depth, the boxes kept and the seconds the step took;
% settling prints one more.  Set @code{T.verbose = 0} for silence.
%
% A step that fails (an error of @var{f}, a refusal, memory running out,
% Ctrl-C) leaves @var{T} as the steps before it left it: the level the step
% made is removed again (@code{coarsen}), and the error is the one raised.
% Calling @code{attractor} again with the steps that are left then gives
% what an uninterrupted run gives.
%
% Errors: "attractor: steps must be a whole number, 0 or more.", "attractor:
% the only option is "settle".", and those of @code{transitions} for @var{f}
% and @var{points} (interval mode included); a tree deeper than 500*dim
% levels is refused by @code{subdivide}.
%
% @example
% T = Tree ([0 0], [1.5 0.4]);
% henon = @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
% attractor (T, henon, 16);
% @print{} attractor: step 1 of 16, depth 1, 2 boxes kept, 0.00 s
% @print{} ...
% U = Tree ([0 0], [1.5 0.4]);
% attractor (U, henon, 16, "interval");   % encloses the attractor
% @end example
% @seealso{Tree, transitions, chainrecurrentset, maximalinvariantset, checkcovering}
% @end deftypefn
function n = attractor(T, f, steps, points, varargin)
  if nargin < 3
    error('boxgraph:attractor:usage', 'attractor: usage: attractor(T, f, steps, points).');
  end
  if nargin < 4
    points = [];
  end
  m = subdivision('attractor', T, f, steps, points, varargin);
  if nargout > 0
    n = m;
  end
end

%!test
%! ## A long orbit of the Henon map, after a transient, lies in the covering
%! ## of its attractor, with a sample grid denser along x, which the map
%! ## stretches by up to 4.2; the covering is small against the rectangle.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! [px, py] = ndgrid (linspace (-1, 1, 12), linspace (-1, 1, 4));
%! points = [px(:)'; py(:)'];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! attractor (T, henon, 15, points);
%! ## the last step by hand, on a second tree: keep the rows of the
%! ## transition matrix after subdividing
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! attractor (U, henon, 15, points);
%! n = attractor (T, henon, 1, points);
%! subdivide (U);
%! [i, j] = find (transitions (U, henon, [], points));
%! mask = false (1, count (U));
%! mask(i) = true;
%! keep (U, mask);
%! assert (boxes (U), boxes (T));
%! assert (T.depth, 16);
%! assert (n, count (T));
%! assert (n > 1000 && n < 0.1 * 2^16);
%! x = [0.1; 0.1];
%! orbit = zeros (2, 30000);
%! for k = 1:1000 + size (orbit, 2)
%!   x = henon (x);
%!   if k > 1000
%!     orbit(:, k - 1000) = x;
%!   end
%! end
%! assert (all (search (T, orbit) > 0));

%!test
%! ## With the default samples the Henon covering holds a long orbit; a
%! ## fixed grid of 5 x 5 from face to face missed 92 of these 30000 points
%! ## at this depth, through boxes that images meet only in slivers.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! attractor (T, henon, 14);
%! x = [0.1; 0.1];
%! orbit = zeros (2, 30000);
%! for k = 1:1000 + size (orbit, 2)
%!   x = henon (x);
%!   if k > 1000
%!     orbit(:, k - 1000) = x;
%!   end
%! end
%! assert (all (search (T, orbit) > 0));

%!test
%! ## The default catches an image that cuts the corner of a box between
%! ## two sample images: on 4 x 4 boxes of the unit square, the thin image
%! ## of a box in column i runs up the diagonal from box (i, i) through the
%! ## corner of box (i, i+1) into box (i+1, i+1); a grid of 3 x 3, the same
%! ## density, keeps the diagonal only.
%! f = @(x) [x(1,:) + 0.02; x(1,:) + 0.05 + 0.001 * x(2,:)];
%! T = Tree ([0.5 0.5], [0.5 0.5]);
%! T.verbose = 0;
%! for k = 1:3
%!   subdivide (T);
%! end
%! assert (attractor (T, f, 1), 7);
%! i = [1 1 2 2 3 3 4];
%! j = [1 2 2 3 3 4 4];
%! assert (boxes (T), ([i; j] - 0.5) / 4);
%! U = Tree ([0.5 0.5], [0.5 0.5]);
%! U.verbose = 0;
%! for k = 1:3
%!   subdivide (U);
%! end
%! [px, py] = ndgrid ([-1 0 1]);
%! assert (attractor (U, f, 1, [px(:)'; py(:)']), 4);

%!test
%! ## A map that stretches past the most samples a box gets: x -> 10^5 x
%! ## sends each of the two boxes at 0 over half the interval. The chord
%! ## between neighbouring images, 24 boxes apart, still marks every box it
%! ## crosses; 4097 samples alone hit 3 of the 64.
%! T = Tree (0, 1);
%! T.verbose = 0;
%! for k = 1:5
%!   subdivide (T);
%! end
%! assert (attractor (T, @(x) 1e5 * x, 1), 64);
%! U = Tree (0, 1);
%! U.verbose = 0;
%! for k = 1:5
%!   subdivide (U);
%! end
%! assert (attractor (U, @(x) 1e5 * x, 1, linspace (-1, 1, 4097)), 3);

%!test
%! ## "settle": x -> 0.7 x keeps, after 4 steps, 10 boxes of width 1/8
%! ## that images of boxes hit; settling keeps the 6 that meet their own
%! ## image, [a, a + 1/8) with |a| <= 7/24, the limit of selecting again
%! ## and again without halving.
%! f = @(x) 0.7 * x;
%! T = Tree (0, 1);
%! T.verbose = 0;
%! assert (attractor (T, f, 4), 10);
%! T.verbose = 1;
%! out = evalc ("n = attractor (T, f, 0, [], 'settle');");
%! assert (n, 6);
%! assert (boxes (T), (-5:2:5) / 16);
%! assert (! isempty (regexp (out, '^attractor: settled at depth 4, 6 of 10 boxes kept, \d+\.\d\d s$', 'lineanchors')));
%! ## the same, selecting by hand until nothing changes (given samples,
%! ## which transitions maps the same way)
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! [px, py] = ndgrid (linspace (-1, 1, 12), linspace (-1, 1, 4));
%! points = [px(:)'; py(:)'];
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! attractor (U, henon, 10, points);
%! V = Tree ([0 0], [1.5 0.4]);
%! V.verbose = 0;
%! n = attractor (V, henon, 10, points, "settle");
%! rounds = 0;
%! do
%!   before = count (U);
%!   hit = full (any (transitions (U, henon, [], points), 2))';
%!   keep (U, hit);
%!   rounds++;
%! until (count (U) == before)
%! assert (rounds > 2);
%! assert (boxes (U), boxes (V));
%! assert (n, count (V));

%!test
%! ## The default samples include the faces: x -> -x/2 - 1/2 maps [-1, 0)
%! ## onto (-1/2, 0], meeting [0, 1] only in the image of the face x = -1.
%! T = Tree (0, 1);
%! T.verbose = 0;
%! assert (attractor (T, @(x) -x / 2 - 0.5, 1), 2);
%! U = Tree (0, 1);
%! U.verbose = 0;
%! assert (attractor (U, @(x) -x / 2 - 0.5, 1, [-0.75 -0.25 0.25 0.75]), 1);
%! assert (boxes (U), -0.5);

%!test
%! ## A contraction keeps a few boxes around its fixed point (0.4, 0.4); the
%! ## progress lines show step, depth, boxes kept and seconds.
%! T = Tree ([0 0], [1 1]);
%! out = evalc ("attractor (T, @(x) 0.25 * x + 0.3, 6);");
%! lines = strsplit (strtrim (out), "\n");
%! assert (numel (lines), 6);
%! assert (! isempty (regexp (lines{6}, '^attractor: step 6 of 6, depth 6, 2 boxes kept, \d+\.\d\d s$')));
%! assert (count (T), 2);
%! assert (search (T, [0.4; 0.4]) > 0);
%! ## no steps, no change and no output
%! assert (isempty (evalc ("attractor (T, @(x) x, 0);")));
%! assert (T.depth, 6);

%!test
%! ## A map that sends everything out of the rectangle leaves no boxes.
%! T = Tree (0, 1);
%! T.verbose = 0;
%! assert (attractor (T, @(x) x + 5, 4), 0);
%! assert (T.depth, -1);

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

%!function T = covering (f, steps)
%!  T = Tree ([0 0], [1.5 0.4]);
%!  T.verbose = 0;
%!  attractor (T, f, steps);
%!endfunction

%!function s = shape (T)
%!  ## The depth, the count of every level and the deepest level's boxes.
%!  s.depth = T.depth;
%!  s.counts = arrayfun (@(d) count (T, d), 0:max (T.depth, 0));
%!  [s.c, s.r] = boxes (T);
%!endfunction

%!test
%! ## A step that fails (the map throws, or Ctrl-C arrives in it) leaves the
%! ## tree as the steps before it left it, and the error as it was raised;
%! ## carrying on then gives what a run without the failure gives. The
%! ## first, a middle and the last call of the map in step 4, and the first
%! ## of step 5.
%! global failAt failId
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! f = @(x) failingmap (henon, x);
%! S = cellfun (@(k) shape (covering (henon, k)), {3, 4, 7});
%! T = covering (henon, 3);
%! failingmap ("reset");
%! failAt = Inf;
%! attractor (T, f, 1);
%! n4 = failingmap ("calls");
%! assert (n4 >= 2);
%! for id = {"test:mapFailed", "Octave:interrupt"}
%!   for at = unique ([1, ceil(n4 / 2), n4, n4 + 1])
%!     T = covering (henon, 3);
%!     failingmap ("reset");
%!     [failAt, failId] = deal (at, id{1});
%!     lastwarn ("");
%!     try
%!       attractor (T, f, 4);
%!       error ("attractor went on");
%!     catch err
%!       assert (err.identifier, id{1});
%!       assert (err.message, sprintf ("the map failed at call %d", at));
%!     end_try_catch
%!     failAt = Inf;
%!     assert (lastwarn (), "");   # the cleanup ran without an error
%!     assert (shape (T), S(1 + (at > n4)));
%!     attractor (T, henon, 7 - T.depth);
%!     assert (shape (T), S(3));
%!   endfor
%! endfor
%! clear -global failAt failId

%!test
%! ## In interval mode too: the map fails (or Ctrl-C arrives) in the first
%! ## step's enclosures or in the second's, and the tree is as the steps
%! ## before left it; carrying on gives the covering of a clean run.
%! global failAt failId
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! f = @(x) failingmap (henon, x);
%! S = cell (1, 3);
%! for k = 1:3
%!   T = covering (henon, 0);
%!   attractor (T, henon, 5 + k, "interval");
%!   S{k} = shape (T);
%! endfor
%! for id = {"test:mapFailed", "Octave:interrupt"}
%!   for at = 1:2   # one call of f a step: fewer than 2^16 boxes
%!     T = covering (henon, 0);
%!     attractor (T, henon, 6, "interval");
%!     failingmap ("reset");
%!     [failAt, failId] = deal (at, id{1});
%!     lastwarn ("");
%!     try
%!       attractor (T, f, 2, "interval");
%!       error ("attractor went on");
%!     catch err
%!       assert (err.identifier, id{1});
%!     end_try_catch
%!     failAt = Inf;
%!     assert (lastwarn (), "");
%!     assert (shape (T), S{at});
%!     attractor (T, henon, 8 - T.depth, "interval");
%!     assert (shape (T), S{3});
%!   endfor
%! endfor
%! clear -global failAt failId

%!test
%! ## Interval mode encloses: the Henon covering holds a long orbit after its
%! ## first steps and every box of a covering sampled at given points (whose
%! ## images the enclosures hold) of the same depth, with more boxes than it.
%! ## (The default samples may add a box beside a face that an image nearly
%! ## touches, which no enclosure need meet.)
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! n = attractor (T, henon, 14, "interval");
%! U = Tree ([0 0], [1.5 0.4]);
%! U.verbose = 0;
%! [px, py] = ndgrid (linspace (-1, 1, 5));
%! attractor (U, henon, 14, [px(:)'; py(:)']);
%! assert (n == count (T) && n > count (U));
%! assert (all (search (T, boxes (U)) > 0));
%! x = [0.1; 0.1];
%! orbit = zeros (2, 20000);
%! for k = 1:size (orbit, 2) + 14
%!   x = henon (x);
%!   if k > 14
%!     orbit(:, k - 14) = x;
%!   end
%! end
%! assert (all (search (T, orbit) > 0));

%!test
%! ## A fixed point on a face between two boxes keeps both, at every depth:
%! ## x -> x/2 + 1/4 on [0, 1], fixed point 1/2. The map sends faces onto
%! ## faces, and the boxes an enclosure only touches are kept too, one more
%! ## on each side per step: the price of a rule that never misses a box.
%! T = Tree (0.5, 0.5);
%! T.verbose = 0;
%! assert (attractor (T, @(x) x / 2 + 0.25, 10, "interval"), 20);
%! c = boxes (T);
%! assert (c, 0.5 + ((1:20) - 10.5) * 2^-10);
%! assert (search (T, 0.5) > 0);

%!error <usage> attractor (Tree (0, 1), @(x) x)
%!error <steps must be a whole number> attractor (Tree (0, 1), @(x) x, -1)
%!error <steps must be a whole number> attractor (Tree (0, 1), @(x) x, 2.5)
%!error <f must map a real 1-by-m matrix> attractor (Tree (0, 1), @(x) [x; x], 1)
%!error <sample points must lie in the unit box> attractor (Tree (0, 1), @(x) x, 1, 2)
%!error <attractor: points must hold at least one sample point; \[\] asks for the default samples> attractor (Tree ([0 0], [1 1]), @(x) x, 1, zeros (2, 0))
%!error <points must be sample points or the text "interval"> attractor (Tree (0, 1), @(x) x, 1, "samples")
%!error <the only option is "settle"> attractor (Tree (0, 1), @(x) x, 1, [], "repeat")

%!demo
%! ## The Henon attractor covered to depth 14, a line per step.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! n = attractor (T, henon, 14)
