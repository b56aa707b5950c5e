% The default samples against the former fixed grids, on the Henon, Ikeda
% and Lorenz maps: for each, the attractor covering at a few depths with
% both, the boxes, the points of a long orbit outside the covering, and the
% CPU seconds (this process's, so other load on the machine counts less)
% and wall seconds; then transitions on the Henon covering at depth 20.
% The former defaults are given as points, which runs exactly what the
% defaults ran: 5 per coordinate from face to face for the covering, the
% midpoints of 4 equal cells per coordinate for transitions.
% Usage: samples_bench (orbit points, systems), e.g. samples_bench (1e6).
function samples_bench (norbit, names)
  if (nargin < 1)
    norbit = 1e6;
  endif
  if (nargin < 2)
    names = {"henon", "ikeda", "lorenz"};
  endif
  S = systems ();
  printf ("%-7s %5s  %-8s %9s %16s %9s %9s\n", "map", "depth", "samples", "boxes", "orbit missed", "cpu s", "wall s");
  for k = 1:numel (names)
    s = S.(names{k});
    X = orbit (s, norbit);
    former = grid (s.dim, linspace (-1, 1, 5));
    for depth = s.depths
      for which = {"former", "default"}
        if (strcmp (which{1}, "former"))
          if (depth > s.former)
            continue;   # too slow to wait for
          endif
          P = former;
        else
          P = [];
        endif
        T = Tree (s.c, s.r);
        T.verbose = 0;
        c0 = cputime (); t0 = tic ();
        attractor (T, s.f, depth, P);
        cpu = cputime () - c0; wall = toc (t0);
        missed = checkcovering (T, X);
        printf ("%-7s %5d  %-8s %9d %9d of %.0e %9.2f %9.2f\n", names{k}, depth, which{1}, count (T), missed, norbit, cpu, wall);
        release (T);
      endfor
    endfor
  endfor
  ## transitions on the Henon covering at depth 20
  s = S.henon;
  T = Tree (s.c, s.r);
  T.verbose = 0;
  attractor (T, s.f, 20);
  for which = {"former", "default"}
    if (strcmp (which{1}, "former"))
      P = grid (2, [-0.75 -0.25 0.25 0.75]);
    else
      P = [];
    endif
    c0 = cputime (); t0 = tic ();
    A = transitions (T, s.f, [], P);
    cpu = cputime () - c0; wall = toc (t0);
    printf ("henon transitions, depth 20, %d boxes, %-8s %8d edges  cpu %6.2f s  wall %6.2f s\n", count (T), which{1}, nnz (A), cpu, wall);
  endfor
  release (T);
endfunction

% The three maps, their rectangles, depths and starting points.
function S = systems ()
  S.henon = struct ("f", @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)], "dim", 2, ...
                    "c", [0 0], "r", [1.5 0.4], "depths", [12 18 24], "former", 24, "transient", 1000, ...
                    "x0", [0.1 + 0.01 * (0:999) / 1000; 0.1 * ones(1, 1000)]);
  S.ikeda = struct ("f", @ikeda, "dim", 2, "c", [0.5 -0.75], "r", [1.5 1.75], ...
                    "depths", [16 20], "former", 20, "transient", 1000, ...
                    "x0", [0.1 * (0:999) / 1000; 0.05 * ones(1, 1000)]);
  lorenz = @(x) [10 * (x(2,:) - x(1,:)); 28 * x(1,:) - x(2,:) - x(1,:) .* x(3,:); ...
                 x(1,:) .* x(2,:) - 8/3 * x(3,:)];
  S.lorenz = struct ("f", flowmap (lorenz, 0.2, 10), "dim", 3, "c", [0 0 27], "r", [30 30 30], ...
                     "depths", [15 18 21 24], "former", 21, "transient", 100, ...
                     "x0", [linspace(-10, 10, 1000); linspace(10, -10, 1000); repmat(25, 1, 1000)]);
endfunction

% The Ikeda map z' = 1 + 0.9 z exp(i (0.4 - 6 / (1 + |z|^2))).
function y = ikeda (x)
  t = 0.4 - 6 ./ (1 + x(1,:).^2 + x(2,:).^2);
  y = [1 + 0.9 * (x(1,:) .* cos (t) - x(2,:) .* sin (t)); 0.9 * (x(1,:) .* sin (t) + x(2,:) .* cos (t))];
endfunction

% n points of 1000 orbits, after a transient.
function X = orbit (s, n)
  x = s.x0;
  for k = 1:s.transient
    x = s.f (x);
  endfor
  m = ceil (n / columns (x));
  X = zeros (rows (x), columns (x), m);
  for k = 1:m
    x = s.f (x);
    X(:, :, k) = x;
  endfor
  X = reshape (X, rows (x), [])(:, 1:n);
endfunction

% The grid of the values t in every coordinate, coordinate 1 fastest.
function G = grid (dim, t)
  k = numel (t);
  index = 0:k^dim - 1;
  G = zeros (dim, k^dim);
  for i = 1:dim
    G(i, :) = t(mod (floor (index / k^(i - 1)), k) + 1);
  endfor
endfunction
