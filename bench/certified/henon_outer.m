% The Henon map x' = 1 - 1.4 x^2 + y, y' = 0.3 x on [-1.5, 1.5] x [-0.4, 0.4]:
% coverings with interval images (outer) beside sampled ones (the default
% samples) at depths 16 to 20, checked against a 10^6-point orbit, and
% whether a covering sampled at a fixed 5 by 5 grid (sample images that the
% enclosures hold) lies inside the outer one; the
% certified entropy bound of the sign-of-x partition beside the estimate;
% the time of both modes at depth 20 and where interval mode spends it.
henon = @(x) [1 - 1.4 * x(1,:).^2 + x(2,:); 0.3 * x(1,:)];
c0 = [0 0];
r0 = [1.5 0.4];
x = [0.1; 0.1];
for k = 1:1000
  x = henon (x);
end
orbit = zeros (2, 1e6);
for k = 1:size (orbit, 2)
  x = henon (x);
  orbit(:, k) = x;
end
printf ("Henon map, coverings of the attractor, a 10^6-point orbit (after 1000 steps)\n");
printf ("%5s %9s %9s %8s %8s %10s %10s %8s %8s\n", "depth", "sampled", "interval", "s-time", "i-time", ...
        "s-missed", "i-missed", "grid in i", "ratio");
for depth = 16:20
  S = Tree (c0, r0); S.verbose = 0;
  t0 = tic; attractor (S, henon, depth); ts = toc (t0);
  I = Tree (c0, r0); I.verbose = 0;
  t0 = tic; attractor (I, henon, depth, "interval"); ti = toc (t0);
  [px, py] = ndgrid (linspace (-1, 1, 5));
  G = Tree (c0, r0); G.verbose = 0;
  attractor (G, henon, depth, [px(:)'; py(:)']);
  inside = all (search (I, boxes (G)) > 0);
  printf ("%5d %9d %9d %7.2fs %7.2fs %10d %10d %8s %8.2f\n", depth, count (S), count (I), ts, ti, ...
          nnz (search (S, orbit) == 0), nnz (search (I, orbit) == 0), mat2str (inside), ti / ts);
end

printf ("\nEntropy of the partition x < 0, x >= 0\n");
printf ("%5s %9s %14s %14s %10s %14s\n", "depth", "boxes", "bound", "estimate", "time", "sampled est.");
for depth = 12:2:18
  I = Tree (c0, r0); I.verbose = 0;
  attractor (I, henon, depth, "interval");
  t0 = tic;
  A = transitions (I, henon, [], "interval");
  c = boxes (I);
  [h, e] = entropybound (A, c(1, :) >= 0);
  t = toc (t0);
  S = Tree (c0, r0); S.verbose = 0;
  attractor (S, henon, depth);
  B = transitions (S, henon);
  m = morsesets (B);
  [~, largest] = max (accumarray (double (m(m >= 0))' + 1, 1));
  cs = boxes (S);
  es = entropy (B, uint8 (cs(1, :) >= 0), find (m == largest - 1, 1) - 1);
  printf ("%5d %9d %14.9f %14.9f %9.2fs %14.9f\n", depth, count (I), h, e, t, es);
end

printf ("\nSpeed at depth 20, median of 3 (attractor from the root rectangle)\n");
ts = zeros (1, 3); ti = zeros (1, 3);
for k = 1:3
  S = Tree (c0, r0); S.verbose = 0;
  t0 = tic; attractor (S, henon, 20); ts(k) = toc (t0);
  I = Tree (c0, r0); I.verbose = 0;
  t0 = tic; attractor (I, henon, 20, "interval"); ti(k) = toc (t0);
end
printf ("  sampled (default samples): %6.2f s   interval: %6.2f s   interval / sampled: %.2f\n", ...
        median (ts), median (ti), median (ti) / median (ts));
% Where interval mode spends its time: the steps of one level at depth 20,
% timed one by one on the final covering.
d = I.depth;
n = count (I);
t0 = tic; [lo, hi] = faces (I, d); tf = toc (t0);
t0 = tic; X = infsup (lo, hi); tx = toc (t0);
t0 = tic; Y = henon (X); ty = toc (t0);
t0 = tic; L = inf (Y); U = sup (Y); tb = toc (t0);
t0 = tic; hit = meets (I, L, U, d, "any"); tm = toc (t0);
t0 = tic; M = meets (I, L, U, d); tM = toc (t0);
found = nnz (M);
P = (L + U) / 2;
P = P(:, mod (0:found - 1, n) + 1);
t0 = tic; search (I, P, d); tsr = toc (t0);
total = tf + tx + ty + tb + tm;
printf ("  one level of %d boxes: %.3f s\n", n, total);
printf ("    faces %.3f, infsup %.3f, f on intervals %.3f, inf/sup %.3f, meets (hit row) %.3f\n", tf, tx, ty, tb, tm);
printf ("    meets, sparse: %d boxes found in %.3f s (%.0f ns each); search of as many points %.3f s (%.0f ns each): %.1fx\n", ...
        found, tM, 1e9 * tM / found, tsr, 1e9 * tsr / found, tM / tsr);
