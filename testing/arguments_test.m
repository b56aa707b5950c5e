## Arguments mean the same in every function: an empty depth is the deepest
## level in every tree operation, as a missing one is.

%!shared T, c, r
%! T = Tree ([0 0], [1 1]);
%! for k = 1:3
%!   subdivide (T);
%! endfor
%! [c, r] = boxes (T);

%!test
%! ## count, boxes, search, samples: [] and '' as no depth at all
%! assert (count (T, []), count (T));
%! assert (T.count ([]), 8);
%! assert (count (T, ''), 8);
%! [c2, r2] = boxes (T, []);
%! assert ([c2; r2], [c; r]);
%! X = [0.1 -0.9 2; 0.2 0.9 0];
%! assert (search (T, X, []), search (T, X));
%! assert (T.search (X, []), search (T, X, 3));
%! P = [-1 1; 0 0];
%! assert (samples (T, P, []), samples (T, P));
%! assert (samples (T, P, [], [2 3]), samples (T, P, 3, [2 3]));

%!test
%! ## transitions and the tree's own operations agree on the level
%! A = transitions (T, @(x) -x, []);
%! assert (size (A), [8 8]);

%!test
%! ## insert and keep, which change the tree: [] is its deepest level
%! U = Tree ([0 0], [1 1]);
%! subdivide (U);
%! assert (insert (U, [0.5; 0.5], []), 0);     # the box of the point is there
%! assert (U.depth, 1);
%! assert (keep (U, [true false], []), 1);
%! assert (count (U, []), 1);
%! assert (U.keep (true, []), 1);

%!error <^Tree\.count: depth must be a whole number from 0 to 3\.$> count (T, [1 2])
%!error <^Tree\.count: depth must be a whole number from 0 to 3\.$> count (T, 4)

%!test
%! ## Every warning of the m-files and examples has an identifier
%! ## boxgraph:<function>:<reason>, so that it can be turned off or caught.
%! root = fileparts (fileparts (which ("refusals")));
%! files = [glob(fullfile (root, "inst", "*.m")); glob(fullfile (root, "inst", "*", "*.m"));
%!          glob(fullfile (root, "examples", "*.m"))];
%! calls = 0;
%! for k = 1:numel (files)
%!   lines = strsplit (fileread (files{k}), "\n");
%!   lines = lines(! strncmp (strtrim (lines), "%", 1));   # not comments, help or tests
%!   for c = regexp (strjoin (lines, "\n"), 'warning\s*\(\s*([^,)]*)', "tokens")
%!     first = strtrim (c{1}{1});
%!     calls += 1;
%!     assert (any (strcmp (first, {"'off'", "'on'", "'query'", "'error'"})) ...
%!             || ! isempty (regexp (first, "^'boxgraph:[A-Za-z_]+:[A-Za-z]+'$", "once")),
%!             "%s: warning without an identifier: %s", files{k}, first);
%!   endfor
%! endfor
%! assert (calls > 0);
