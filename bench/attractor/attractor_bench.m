% The whole attractor computation of the Henon map to depth 24, with the
% tree (attractor) and with the grid version (grid_attractor), on the same
% samples (5 by 5 from face to face, attractor's former default): times, the ratio,
% and whether both keep the same boxes; then attractor's own share, its time
% beside the time the map takes on the same sample points (timedmap), with
% these samples and with the default ones.
henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
depth = 24;
[px, py] = ndgrid (linspace (-1, 1, 5));
P = [px(:)'; py(:)'];
repeats = 3;
tree = zeros (1, repeats); grid = zeros (1, repeats);
for k = 1:repeats
  T = Tree ([0 0], [1.5 0.4]);
  T.verbose = 0;
  t0 = tic; attractor (T, henon, depth, P); tree(k) = toc (t0);
  [c1, r1] = boxes (T);
  release (T);
  t0 = tic; [c2, r2] = grid_attractor (henon, depth, P, [0 0], [1.5 0.4]); grid(k) = toc (t0);
end
printf ("Henon attractor, depth %d, %d samples a box, median of %d on this machine\n", depth, size (P, 2), repeats);
printf ("  tree (attractor):          %8.2f s   %d boxes\n", median (tree), size (c1, 2));
printf ("  grid (sort and ismember):  %8.2f s   %d boxes\n", median (grid), size (c2, 2));
printf ("  grid / tree:               %8.2f\n", median (grid) / median (tree));
same = isequal (size (c1), size (c2)) && max (abs ([c1(:) - c2(:); r1(:) - r2(:)])) < 1e-12;
printf ("  the same boxes:            %s\n", mat2str (same));

% The toolbox's own share: attractor's time less the map's, over the map's.
for with = {P, []}
  own = zeros (1, repeats); mapped = zeros (1, repeats);
  for k = 1:repeats
    T = Tree ([0 0], [1.5 0.4]);
    T.verbose = 0;
    timedmap ('start', henon);
    t0 = tic;
    if isempty (with{1})
      attractor (T, @timedmap, depth);
    else
      attractor (T, @timedmap, depth, with{1});
    end
    total = toc (t0);
    mapped(k) = timedmap ('total');
    own(k) = total - mapped(k);
    n = count (T);
    release (T);
  end
  if isempty (with{1})
    label = "default samples";
  else
    label = sprintf ("%d samples a box", size (P, 2));
  end
  printf ("attractor's own time over the map's (%s, %d boxes), median of %d:\n", label, n, repeats);
  printf ("  map %6.2f s, attractor less the map %6.2f s, ratio %5.2f (target <= 0.5)\n", ...
          median (mapped), median (own), median (own ./ mapped));
end
