% Certified upper bounds of the entropy of the logistic map x' = r x (1 - x)
% with respect to the halves [0, 1/2) and [1/2, 1], from outer graphs of
% 2^10, 2^12 and 2^14 intervals, beside the estimate and the kneading
% determinant's entropy (kneading.py, given as reference: r and h per row).
function logistic_bound (reference)
  rs = reference(:, 1)';
  printf ("Logistic map, partition at 1/2: bound (estimate), seconds; reference by the kneading determinant\n");
  printf ("%5s", "r");
  for k = [10 12 14]
    printf ("  %29s", sprintf ("2^%d intervals", k));
  end
  printf ("  %14s\n", "reference");
  for q = 1:numel (rs)
    r = rs(q);
    f = @(x) r * (0.25 - (x - 0.5).^2);
    printf ("%5.2f", r);
    below = false;
    for k = [10 12 14]
      T = Tree (0.5, 0.5);
      T.verbose = 0;
      for s = 1:k
        subdivide (T);
      end
      t0 = tic;
      A = transitions (T, f, [], "interval");
      c = boxes (T);
      [h, e] = entropybound (A, c >= 0.5);
      printf ("  %.9f (%.9f) %4.1fs", h, e, toc (t0));
      below = below || h < reference(q, 2) - 1e-12;
    end
    printf ("  %14.9f%s\n", reference(q, 2), ifelse_text (below, "  BELOW THE REFERENCE"));
  end
end

function t = ifelse_text (c, text)
  t = "";
  if c
    t = text;
  end
end
