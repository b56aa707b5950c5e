## -*- texinfo -*-
## @deftypefn {} {} henon_demo (@var{png_file}, @var{boxes_per_side})
## Builds the box transition matrix of the Henon map
## x' = 1 - 1.4 x^2 + y, y' = 0.3 x on a uniform grid over
## [-1.5, 1.5] x [-0.4, 0.4], numbers its strongly connected components with
## @code{strongcomp}, marks the boxes that reach a cycle with
## @code{cyclereach}, prints a summary and writes a picture of the boxes that
## lie in components with a cycle to @var{png_file}.
##
## @var{boxes_per_side} defaults to 512; each box is sampled with a 4-by-4
## grid of points.
## @end deftypefn

function henon_demo (png_file = "henon.png", boxes_per_side = 512)
  k = boxes_per_side;
  lo = [-1.5, -0.4];
  hi = [1.5, 0.4];
  width = (hi - lo) / k;
  n = k * k;

  ## Sample points: s-by-s per box, box (ix, iy) numbered iy * k + ix + 1.
  s = 4;
  offsets = ((0:s-1) + 0.5) / s;
  [bx, by, ox, oy] = ndgrid (0:k-1, 0:k-1, offsets, offsets);
  source = by(:) * k + bx(:) + 1;
  x = lo(1) + (bx(:) + ox(:)) * width(1);
  y = lo(2) + (by(:) + oy(:)) * width(2);

  ## Images, and the boxes they fall into; points leaving the grid are dropped.
  xi = 1 - 1.4 * x.^2 + y;
  yi = 0.3 * x;
  tx = floor ((xi - lo(1)) / width(1));
  ty = floor ((yi - lo(2)) / width(2));
  inside = tx >= 0 & tx < k & ty >= 0 & ty < k;
  target = ty(inside) * k + tx(inside) + 1;

  ## Stored entry (i, j) is an edge from box j to box i; duplicates collapse.
  A = spones (sparse (target, source(inside), 1, n, n));

  c = strongcomp (A, A');
  r = cyclereach (A);

  printf ("Henon map on a %d x %d box grid\n", k, k);
  printf ("  boxes:                        %d\n", n);
  printf ("  transitions:                  %d\n", nnz (A));
  printf ("  components with a cycle:      %d\n", double (max ([c, -1])) + 1);
  printf ("  boxes in them:                %d\n", nnz (c >= 0));
  printf ("  boxes that reach a cycle:     %d\n", nnz (r));

  ## White background, boxes that reach a cycle in grey, boxes on cycles
  ## (the recurrent set, around the attractor) in black; y grows upwards.
  picture = 255 * ones (k, k, "uint8");
  picture(r > 0) = 180;
  picture(c >= 0) = 0;
  imwrite (flipud (reshape (picture, k, k)'), png_file);
  printf ("  picture:                      %s\n", png_file);
endfunction
