% -*- texinfo -*-
% @deftypefn  {} {} attractor (@var{T}, @var{f}, @var{steps})
% @deftypefnx {} {@var{n} =} attractor (@var{T}, @var{f}, @var{steps}, @var{points})
% Covers the relative global attractor of the map @var{f} in the rectangle
% of the tree @var{T} by the subdivision algorithm: @var{steps} times,
% halve every box at the deepest level (@code{subdivide}), then keep only the
% boxes that the image of some box of the collection meets.
%
% The image of a box is represented by the images of its sample points
% (see @code{transitions}): @var{f} maps dim-by-m points to dim-by-m images,
% and @var{points} are offsets in [-1, 1]^dim.  Missing or empty, a grid of 5
% per coordinate from face to face (-1, -0.5, 0, 0.5, 1; 5^dim points, for
% dim <= 5): samples on the faces catch an image that meets a box only near
% the image of an edge.  @var{T} changes in place; @var{n} is the number of
% boxes left at the deepest level.  A tree that loses every box stops early.
%
% Sampling only approximates the image: a box that the image of a box meets
% in a sliver narrower than the spacing of neighbouring sample images is
% missed, and with it every box its images would have kept.  Choose the
% points with the map's stretching in mind (more along the directions it
% expands), and check the result, for instance with a long orbit:
% @code{all (search (T, orbit) > 0)}.
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
% line: the step, the depth, the boxes kept and the seconds the step took.
% Set @code{T.verbose = 0} for silence.
%
% Errors: "attractor: steps must be a whole number, 0 or more.", and those of
% @code{transitions} for @var{f} and @var{points} (interval mode included);
% a tree deeper than 500*dim levels is refused by @code{subdivide}.
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
% @seealso{Tree, transitions, subdivide, keep}
% @end deftypefn
function n = attractor(T, f, steps, points)
  if nargin < 3
    error('boxgraph:attractor:usage', 'attractor: usage: attractor(T, f, steps, points).');
  end
  f = maphandle('attractor', f);
  if ~(isnumeric(steps) && isreal(steps) && isscalar(steps) && steps >= 0 && steps == fix(steps))
    error('boxgraph:attractor:badSteps', 'attractor: steps must be a whole number, 0 or more.');
  end
  if nargin < 4
    points = [];
  end
  P = samplepoints('attractor', T.dim, points, true);
  verbose = T.verbose ~= 0;
  for step = 1:steps
    started = tic;
    if T.depth < 0   % no boxes left
      break;
    end
    subdivide(T);
    d = T.depth;
    hit = imagehits(T, f, d, P, false, 'attractor');
    kept = keep(T, hit, d);
    if verbose
      fprintf('attractor: step %d of %d, depth %d, %d boxes kept, %.2f s\n', ...
              step, steps, d, kept, toc(started));
      flushoutput();
    end
  end
  if nargout > 0
    n = count(T);
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

%!test
%! ## Interval mode encloses: the Henon covering holds a long orbit after its
%! ## first steps and every box of a covering sampled at given points (whose
%! ## images the enclosures hold) of the same depth, with more boxes than it.
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
%!error <points must be sample points or the text "interval"> attractor (Tree (0, 1), @(x) x, 1, "samples")

%!demo
%! ## The Henon attractor covered to depth 14, a line per step.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! T = Tree ([0 0], [1.5 0.4]);
%! n = attractor (T, henon, 14)
