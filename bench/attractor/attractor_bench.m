% The whole attractor computation of the Henon map to depth 24, with the
% tree (attractor) and with the grid version (grid_attractor), on the same
% samples (5 by 5 from face to face, attractor's former default): times, the ratio,
% and whether both keep the same boxes.
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
