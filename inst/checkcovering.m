% -*- texinfo -*-
% @deftypefn  {} {@var{missed} =} checkcovering (@var{T}, @var{X})
% @deftypefnx {} {[@var{missed}, @var{C}, @var{outside}] =} checkcovering (@var{T}, @var{X}, @var{d})
% @deftypefnx {} {[@var{missed}, @var{C}, @var{outside}] =} checkcovering (@var{T}, @var{X}, @var{d}, "repair")
% Checks a covering against points that should lie in it, such as a long
% orbit on an attractor, and repairs it: how many of the points lie in the
% tree's rectangle but in no box of the tree @var{T} at depth @var{d}, and
% the boxes that would hold them.
%
% @itemize
% @item @var{X}: the points, a real dim-by-m matrix, one per column.
% @item @var{d}: the depth, a whole number from 0 to @code{T.depth};
% missing or empty, the deepest level.
% @item "repair": also insert those boxes into @var{T} (@code{insert}), so
% that the covering holds every point of @var{X} in the rectangle.  That is
% one call of @code{insert}, which makes all the boxes or, failing, none.
% @item @var{missed}: the number of points in the rectangle outside the
% covering (before the repair).
% @item @var{C}: the centres of the boxes at depth @var{d} that hold them,
% dim-by-k, each box once, in the order of box numbers (the boxes to
% insert, or inserted).
% @item @var{outside}: the number of points outside the rectangle (or with
% a NaN coordinate), which no box of the tree can hold.
% @end itemize
%
% The subdivision algorithms represent the image of a box by the images of
% sample points and can miss a box that an image meets only in a sliver; an
% orbit after a transient lies on the attractor, so the boxes it visits
% belong in the covering.  After a repair, boxes the orbit reached through
% a missed box may still be missing from later steps' selections:
% @code{attractor (T, f, 0, [], "settle")} keeps what the images of the
% repaired covering hit.
%
% Errors: "checkcovering: X must be a real DIM-by-m matrix, one point per
% column.", "checkcovering: d must be a whole number from 0 to N (the tree's
% depth).", "checkcovering: the only option is "repair".".
%
% @example
% henon = @@(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
% T = Tree ([0 0], [1.5 0.4]);
% T.verbose = 0;
% attractor (T, henon, 16);
% x = [0.1; 0.1];
% orbit = zeros (2, 100000);
% for k = 1:1000 + 100000
%   x = henon (x);
%   orbit(:, max (k - 1000, 1)) = x;
% end
% missed = checkcovering (T, orbit)
% @end example
% @seealso{attractor, search, insert}
% @end deftypefn
function [missed, C, outside] = checkcovering(T, X, d, option)
  if nargin < 2
    error('boxgraph:checkcovering:usage', 'checkcovering: usage: [missed, C, outside] = checkcovering(T, X, d, "repair").');
  end
  dim = T.dim;
  if ~(isnumeric(X) || islogical(X)) || ~isreal(X) || ndims(X) ~= 2 || size(X, 1) ~= dim
    error('boxgraph:checkcovering:badPoints', 'checkcovering: X must be a real %d-by-m matrix, one point per column.', dim);
  end
  X = double(full(X));
  if nargin < 3
    d = [];
  end
  d = treelevel('checkcovering', T, d);
  repair = false;
  if nargin > 3
    if ~(ischar(option) && strcmp(option, 'repair'))
      error('boxgraph:checkcovering:badOption', 'checkcovering: the only option is "repair".');
    end
    repair = true;
  end
  inside = all(abs(X - T.center(:)) <= T.radius(:), 1);   % NaN is outside
  outside = nnz(~inside);
  if T.depth < 0   % no boxes
    miss = inside;
  else
    miss = inside & search(T, X, d) == 0;
  end
  missed = nnz(miss);
  if nargout > 1
    % the boxes, from a tree of the same rectangle and splits that holds only
    % them, released however the call ends (an interrupt too, which no catch
    % sees)
    U = Tree(T.center, T.radius);
    scratch = onCleanup(@() release(U));
    U.sd = T.sd;
    insert(U, X(:, miss), d);
    if missed > 0
      C = boxes(U, d);
    else
      C = zeros(dim, 0);
    end
    clear scratch;
  end
  if repair && missed > 0
    insert(T, X(:, miss), d);
  end
end

%!test
%! ## A covering with a hole: 16 boxes, 3 removed; points in two of them
%! ## are missed, each box named once, and a repair puts them back.
%! T = Tree ([0 0], [1 1]);
%! for k = 1:4
%!   subdivide (T);
%! end
%! c = boxes (T);
%! mask = true (1, 16);
%! mask([2 7 11]) = false;
%! keep (T, mask);
%! X = [c(:, [2 2 7 1 5]) + 0.1, [0.3; 0.3]];
%! [missed, C, outside] = checkcovering (T, X);
%! assert ([missed outside], [3 0]);
%! assert (C, c(:, [2 7]));
%! assert (count (T), 13);
%! [missed, C] = checkcovering (T, X, 4, "repair");
%! assert (missed, 3);
%! assert (count (T), 15);
%! assert (boxes (T), c(:, [1:10 12:16]));
%! assert (checkcovering (T, X), 0);

%!test
%! ## Points outside the rectangle, or NaN, are counted apart; the upper
%! ## faces belong to the rectangle. A tree without boxes misses all.
%! T = Tree ([0 0], [1 1]);
%! subdivide (T);
%! keep (T, [true false]);
%! X = [2 0.5 NaN 1 -1; 0 0 0 1 -1];
%! [missed, C, outside] = checkcovering (T, X);
%! assert ([missed outside], [2 2]);
%! assert (C, [0.5; 0]);
%! U = Tree (0, 1);
%! keep (U, false);
%! assert (checkcovering (U, [0.5 -0.5 3]), 2);

%!test
%! ## The Henon covering from a fixed grid of 5 x 5 samples misses orbit
%! ## points; repaired, it holds them all.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! [px, py] = ndgrid (linspace (-1, 1, 5));
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! attractor (T, henon, 14, [px(:)'; py(:)']);
%! x = [0.1; 0.1];
%! orbit = zeros (2, 20000);
%! for k = 1:1000 + size (orbit, 2)
%!   x = henon (x);
%!   orbit(:, max (k - 1000, 1)) = x;
%! end
%! n = count (T);
%! [missed, C] = checkcovering (T, orbit, [], "repair");
%! assert (missed > 0);
%! assert (count (T), n + size (C, 2));
%! assert (checkcovering (T, orbit), 0);

%!error <usage> checkcovering (Tree (0, 1))
%!error <X must be a real 2-by-m matrix, one point per column> checkcovering (Tree ([0 0], [1 1]), [1 2 3])
%!error <X must be a real 1-by-m matrix> checkcovering (Tree (0, 1), {1})
%!error <d must be a whole number from 0 to 0> checkcovering (Tree (0, 1), 0.5, 1)
%!error <the only option is "repair"> checkcovering (Tree (0, 1), 0.5, 0, "fix")

%!demo
%! ## A covering of the Henon attractor from a sparse fixed grid of samples,
%! ## checked against an orbit and repaired.
%! henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
%! [px, py] = ndgrid (linspace (-1, 1, 4));
%! T = Tree ([0 0], [1.5 0.4]);
%! T.verbose = 0;
%! attractor (T, henon, 16, [px(:)'; py(:)']);
%! x = [0.1; 0.1];
%! orbit = zeros (2, 30000);
%! for k = 1:1000 + 30000
%!   x = henon (x);
%!   orbit(:, max (k - 1000, 1)) = x;
%! end
%! [missed, C] = checkcovering (T, orbit, [], "repair")
%! missed_now = checkcovering (T, orbit)
