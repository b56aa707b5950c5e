% -*- texinfo -*-
% @deftypefn  {} {} lorenz ()
% @deftypefnx {} {} lorenz (@var{folder})
% @deftypefnx {} {} lorenz (@var{folder}, @var{steps})
% The worked analysis of the Lorenz system x' = 10 (y - x), y' = 28 x - y -
% x z, z' = x y - 8/3 z, a flow, through its time-0.2 map (classical
% Runge-Kutta, 10 steps of 0.02, by @code{flowmap}: within 0.01 of the flow
% on the attractor, a fiftieth of the finest boxes) on the rectangle [-30,
% 30] x [-30, 30] x [-3, 57]:
%
% @enumerate
% @item the relative global attractor, covered by @var{steps} (default 21)
% steps of the subdivision algorithm with the default samples, which adapt
% to the map's stretching box by box (boxes of 60/128 on every side at 21);
% @item a check against 10^5 points of orbits after a transient
% (@code{checkcovering});
% @item the box-counting dimension from the counts over the levels
% (@code{boxdimension}; the Lorenz attractor's is about 2.06);
% @item lorenz-xz.png in @var{folder} (default: the current folder): the
% covering projected onto x and z, each pixel coloured by the largest
% number of orbit points in a box behind it (log10), the orbit's density.
% @end enumerate
%
% It prints a summary with the time of each stage; about 25 s at depth 21
% on a quiet machine of our kind, most of it in the vector field.  Copy it and change the vector field, the
% rectangle, the time and the depth for your own flow.
% @end deftypefn
function lorenz(folder, steps)
  if nargin < 1
    folder = '.';
  end
  if nargin < 2
    steps = 21;
  end
  started = tic;
  v = @(x) [10 * (x(2, :) - x(1, :)); ...
            28 * x(1, :) - x(2, :) - x(1, :) .* x(3, :); ...
            x(1, :) .* x(2, :) - 8 / 3 * x(3, :)];
  tau = 0.2;
  f = flowmap(v, tau, 10);   % the time-0.2 map, in 10 steps of Runge-Kutta

  % 1. The covering, with the default samples: a first grid of 3 x 3 x 3 a
  % box shows how far the map stretches each side, and the box then gets
  % enough samples for their images to lie about half a box apart; the
  % chords between neighbouring images count too.
  T = Tree([0 0 27], [30 30 30]);
  T.verbose = 0;   % 1 prints a line per step
  t = tic;
  attractor(T, f, steps);
  n = count(T);
  time.covering = toc(t);

  % 2. The check: 1000 orbits, 100 points each after a transient of 100
  % steps (20 time units), lie on the attractor, so in boxes.
  t = tic;
  z = [linspace(-10, 10, 1000); linspace(10, -10, 1000); repmat(25, 1, 1000)];
  for k = 1:100
    z = f(z);
  end
  orbit = zeros(3, 1000, 100);
  for k = 1:100
    z = f(z);
    orbit(:, :, k) = z;
  end
  orbit = reshape(orbit, 3, []);
  missed = checkcovering(T, orbit);
  time.orbit = toc(t);

  % 3. The box-counting dimension: log N(k) against the box size over the
  % deeper half of the levels of cubes (every third).
  t = tic;
  [dim, levels, residual] = boxdimension(T);
  time.dimension = toc(t);

  % 4. The picture: x against z, coloured by log10 of the orbit points in
  % each box (boxes no point visited: the lowest colour).
  t = tic;
  visits = accumarray(search(T, orbit)' + 1, 1, [n + 1 1])';
  density = log10(1 + visits(2:end));
  picture = fullfile(folder, 'lorenz-xz.png');
  plotboxes(T, [], density, picture, [1 3]);
  time.picture = toc(t);
  release(T);   % frees the boxes; a tree otherwise lives until Octave ends

  fprintf('Lorenz system (10, 28, 8/3), time-%.1f map, on [-30, 30]^2 x [-3, 57]\n', tau);
  row(sprintf('covering, %d subdivisions, adapted samples', steps), sprintf('%d boxes', n), time.covering);
  row('orbit points outside the covering', sprintf('%d of %d', missed, size(orbit, 2)), time.orbit);
  row('box-counting dimension', sprintf('%.3f', dim), time.dimension);
  fprintf('    from levels %s (residual %.3f)\n', mat2str(levels), residual);
  row('picture', '', time.picture);
  fprintf('    %s\n', picture);
  row('total', '', toc(started));
end

% One line of the summary: what, how much, and the seconds it took.
function row(what, value, seconds)
  fprintf('  %-44s %16s %7.2f s\n', what, value, seconds);
end
