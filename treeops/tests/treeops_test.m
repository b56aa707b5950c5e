## The Tree class's box operations end to end in Octave: methods called as
## op(T, ...) and T.op(...), copies sharing one tree, files, release, and
## handles that come from another Octave process.

%!test
%! T = Tree ([0 0], [1 1]);
%! assert (T.depth, 0);
%! subdivide (T);
%! T.subdivide ();
%! assert ([count(T), T.count(1), T.depth], [4 2 2]);
%! [c, r] = T.boxes ();
%! assert (c, [-0.5 -0.5 0.5 0.5; -0.5 0.5 -0.5 0.5]);
%! assert (r, 0.5 * ones (2, 4));
%! assert (boxes (T, 1), [-0.5 0.5; 0 0]);
%! assert (T.search ([0.1 -0.9; 0.1 0.9]), [4 2]);
%! assert (search (T, [0.1; 0.1], 1), 2);
%! U = T;
%! keep (U, [true false false true]);
%! assert (T.count (), 2);
%! assert (T.search ([0.1 -0.9; 0.1 0.9]), [2 0]);

%!test
%! T = Tree (0, 1);
%! assert (insert (T, [0.3 0.35 -0.9 7], 8), 3);
%! assert (T.insert (0.3, 8), 0);
%! file = [tempname() ".tree"];
%! unwind_protect
%!   T.save (file);
%!   U = Tree (file);
%!   assert (U.depth, 8);
%!   assert (boxes (U), boxes (T));
%!   assert (U.sd(1:3), T.sd(1:3));
%! unwind_protect_cleanup
%!   delete (file);
%! end_unwind_protect

%!test
%! ## Trees stay reachable when the host unloads and reloads the modules.
%! T = Tree ([0 0], [1 1]);
%! subdivide (T);
%! clear mex;
%! clear functions;
%! assert (count (T), 2);
%! assert (T.radius, [1 1]);

%!test
%! T = Tree ([0 0], [1 1]);
%! U = T;
%! release (T);
%! fail ("count (U)", "Tree: the tree was released.");
%! fail ("U.center", "Tree: the tree was released.");
%! fail ("U.radius = [2 2]", "Tree: the tree was released.");

%!test
%! ## A tree saved with the workspace and loaded into a new Octave process is
%! ## refused there, not followed to an address of this process.
%! T = Tree ([1 2], [3 4]);
%! file = [tempname() ".mat"];
%! unwind_protect
%!   save ("-binary", file, "T");
%!   dirs = strjoin (cellfun (@(d) sprintf ("--path '%s'", d), {fileparts(which ("tree_"))}, "UniformOutput", false), " ");
%!   code = sprintf ("load ('%s'); try; T.center; disp ('followed'); catch e; disp (e.message); end", file);
%!   [status, out] = system (sprintf ("%s --no-gui --no-init-file --no-window-system %s --eval \"%s\"", ...
%!                                    fullfile (OCTAVE_HOME, "bin", "octave-cli"), dirs, code));
%!   assert (status, 0);
%!   assert (strfind (out, "Tree: not a tree of this session; trees live in memory"));
%!   assert (isempty (strfind (out, "followed")));
%! unwind_protect_cleanup
%!   delete (file);
%! end_unwind_protect

%!error <depth must be a whole number from 0 to 1> T = Tree ([0 0], [1 1]); subdivide (T); count (T, 2)
%!error <points must be a real 2-by-m matrix> search (Tree ([0 0], [1 1]), [1 2 3]')
%!error <the mask must hold one element per box at depth 0 \(1\)> keep (Tree ([0 0], [1 1]), [true false])

%!test
%! ## A saved covering reloads with the splits that subdivision goes on with:
%! ## the file's last boxes carry sd at their depth.
%! T = Tree ([0 0], [1 1]);
%! T.sd = [1 1 0];
%! for k = 1:3
%!   subdivide (T);
%! end
%! keep (T, [true false(1, 6) true]);
%! file = [tempname() ".tree"];
%! unwind_protect
%!   save (T, file);
%!   U = Tree (file);
%! unwind_protect_cleanup
%!   delete (file);
%! end_unwind_protect
%! assert (U.sd(1:4), T.sd(1:4));
%! subdivide (T);
%! subdivide (U);
%! [c, r] = boxes (U);
%! [d, s] = boxes (T);
%! assert ([c; r], [d; s]);
