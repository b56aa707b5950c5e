% -*- texinfo -*-
% @deftypefn  {} {@var{T} =} Tree (@var{center}, @var{radius})
% @deftypefnx {} {@var{T} =} Tree (@var{dim}, @var{center}, @var{radius})
% @deftypefnx {} {@var{T} =} Tree (@var{filename})
% A box tree: a binary subdivision of the rectangle with the given
% @var{center} (finite) and @var{radius} (positive and finite), real double
% vectors, kept in native memory.
%
% With @var{dim} first, only the first @var{dim} entries of @var{center} and
% @var{radius} are used.  With a file name, the tree is loaded from a tree
% file.  Every copy of @var{T} reaches the same tree: after @code{U = T;
% U.radius = r}, @code{T.radius} is @var{r} as well.
%
% Properties: @code{center}, @code{radius} (1-by-dim), @code{sd} (split
% coordinate by depth, 1-by-(500*dim+1)), @code{verbose} can be read and set;
% @code{dim} and @code{depth} (the deepest level holding a box, -1 for none)
% can be read.  @code{center} and @code{radius} take exactly dim real
% doubles; @code{T.center(2) = v} changes one entry.  @code{sd} takes up to
% 500*dim+1 values, written from entry 1 on, each truncated toward zero and
% stored modulo 256 (257 stores 1, -1 stores 255).  @code{verbose} takes the
% first value, truncated toward zero (1 for a made tree, 0 for a loaded one).
% Assigning to any other name (@code{T.foo = 1}, also @code{T.Center}: names
% are case-sensitive) and @code{T(1) = v} change nothing; reading an unknown
% name is an error, and so is @code{T(1)}.
%
% Methods, each called as @code{op (T, @dots{})} or @code{T.op (@dots{})}:
% @code{subdivide}, @code{count}, @code{boxes}, @code{samples},
% @code{search}, @code{meets}, @code{faces}, @code{insert}, @code{keep},
% @code{coarsen}, @code{save} and
% @code{release} (@code{methods Tree} lists them).  Octave finds a method's
% help by the class folder, as in @w{@code{help @@Tree/subdivide}}
% (@code{help subdivide} alone finds nothing).  The boxes at a depth d (0 is
% the root, one level per halving) are numbered 1..n depth first, the lower
% half of a box before its upper half; their errors begin with
% @code{Tree.<operation>:}.
%
% A tree lives in native memory until @code{release (T)} or until Octave
% ends, and stays reachable when the modules are unloaded (@code{clear
% mex}).  Save it with @code{save (T, file)}, not with the workspace: a
% @code{Tree} loaded from a @code{.mat} file into another session is refused
% ("Tree: not a tree of this session; ...").  Errors: see docs/errors.md.
%
% @example
% T = Tree ([0 0], [1 1]);
% T.radius = [0.5 2];
% T.center
% @result{} 0 0
% @end example
% @seealso{@@Tree/subdivide, @@Tree/search, transitions, attractor}
% @end deftypefn
function T = Tree(varargin)
  if nargin == 1 && isa(varargin{1}, 'Tree')
    T = varargin{1};
    return;
  end
  T = class(struct('handle', tree_(varargin{:})), 'Tree');
end

% The class end to end: making and loading trees, properties, the box
% operations as op(T, ...) and T.op(...), copies sharing one tree, files,
% release, and handles that come from another Octave process.

%!function writeTree (name, dim, center, radius, nodes)
%!  f = fopen (name, 'w');
%!  fprintf (f, 'Tree at 0x1:\nRectangle at 0x1:\n');
%!  fprintf (f, '  dim = %d\n', dim);
%!  fprintf (f, '  center = %s\n', sprintf (' %.17g', center));
%!  fprintf (f, '  radius = %s\n', sprintf (' %.17g', radius));
%!  fprintf (f, '  no of boxes = 1\n');  % not used by the reader
%!  fwrite (f, nodes, 'uint8');
%!  fclose (f);
%!endfunction

%!test
%! T = Tree ([0 0 0], [1 1 1]);
%! assert (isa (T, 'Tree'));
%! assert (T.dim, 3);
%! assert (T.center, [0 0 0]);
%! assert (T.radius, [1 1 1]);
%! assert (T.verbose, 1);
%! assert (T.sd(1:7), [0 1 2 0 1 2 0]);
%! assert (numel (T.sd), 1501);
%! h = struct (T).handle;
%! assert (ischar (h));
%! assert (size (h), [1 16]);  # 8-bit characters: the address and its tag

%!test
%! c = [1 2 3 4]; r = [5 6 7];
%! T = Tree (2.9, c, r);
%! c(1) = 100;
%! assert (T.dim, 2);
%! assert (T.center, [1 2]);
%! assert (T.radius, [5 6]);

%!test
%! T = Tree ([0 0], [1 1]);
%! T.radius = [0.5 0.25];
%! assert (T.radius, [0.5 0.25]);
%! T.center = [3; 4];
%! assert (T.center, [3 4]);
%! T.center(2) = 7;
%! assert (T.center, [3 7]);
%! T.verbose = 2.7;
%! assert (T.verbose, 2);
%! T.verbose = -1.5;
%! assert (T.verbose, -1);
%! T.sd = [1 0 1 257 -1];
%! assert (T.sd(1:7), [1 0 1 1 255 1 0]);
%! T.sd = [];
%! assert (T.sd(1), 1);
%! assert (T.radius(2), 0.25);

%!test
%! T = Tree ([0 0], [1 1]);
%! U = T;
%! V = U;
%! U.radius = [3 4];
%! assert (T.radius, [3 4]);
%! assert (V.radius, [3 4]);
%! T.sd = 1;
%! assert (V.sd(1), 1);
%! W = Tree (T);
%! W.center = [9 9];
%! assert (T.center, [9 9]);

%!test
%! T = Tree ([0 0], [1 1]);
%! T.Center = [5 5];
%! T.foo = 1;
%! T(1) = 3;
%! assert (isa (T, 'Tree'));
%! assert (T.center, [0 0]);
%! assert (T.radius, [1 1]);

%!test
%! name = [tempname() '.tree'];
%! unwind_protect
%!   writeTree (name, 2, [0 1], [2 3], [1 1 0, 0, 1 0 0, 0, 0]);
%!   T = Tree (name);
%!   assert (T.dim, 2);
%!   assert (T.center, [0 1]);
%!   assert (T.radius, [2 3]);
%!   assert (T.verbose, 0);
%!   assert (T.sd(1:5), [1 0 0 1 0]);
%!   T.radius = [1 1];
%!   assert (T.radius, [1 1]);
%! unwind_protect_cleanup
%!   delete (name);
%! end_unwind_protect

%!test
%! name = [tempname() '.tree'];
%! unwind_protect
%!   writeTree (name, 1, 0, 1, [1 5 0, repmat([1 0 0], 1, 600)]);
%!   fail ('Tree (name)', '^Tree: failed to load tree\.$');
%!   writeTree (name, 1, 0, 1, [1 1 0, 0, 0]);
%!   fail ('Tree (name)', '^Tree: failed to load tree\.$');
%! unwind_protect_cleanup
%!   delete (name);
%! end_unwind_protect

%!test
%! ## A file whose rectangle no box can be found in still loads, with a
%! ## warning; once its radius is set, its boxes are found again.
%! name = [tempname() '.tree'];
%! unwind_protect
%!   writeTree (name, 2, [0 0], [1 -1], [1 0 0, 0, 1 0 0, 0, 0]);
%!   lastwarn ("");
%!   T = Tree (name);
%!   [msg, id] = lastwarn ();
%!   assert (id, "boxgraph:Tree:badRectangle");
%!   assert (strncmp (msg, "Tree: the file's rectangle has a radius that is not positive", 60));
%!   assert (search (T, [0.5; 0]), 0);
%!   T.radius = [1 1];
%!   assert (search (T, [0.5; 0]), 1);
%! unwind_protect_cleanup
%!   delete (name);
%! end_unwind_protect

%!error <^Tree.radius: right hand side has wrong dimension$> T = Tree ([0 0], [1 1]); T.radius = [1 2 3];
%!error <^Tree.center: right hand side has wrong dimension$> T = Tree ([0 0], [1 1]); T.center = 1;
%!error <^Tree.sd: right hand side has more elements than the table$> T = Tree (0, 1); T.sd = zeros (1, 502);
%!error <^Tree.verbose: right hand side is empty$> T = Tree (0, 1); T.verbose = [];
%!error <^Tree.radius: right hand side must be a real double array$> T = Tree (0, 1); T.radius = int8 (1);
%!error <^Tree.center: right hand side must be a real double array$> T = Tree (0, 1); T.center = 1i;
%!error <^Tree.sd: right hand side must be a real double array$> T = Tree (0, 1); T.sd = sparse (1);
%!error <^Tree: could not open file.$> Tree ('/no/such/folder/file.tree');
%!error <^Tree: failed to load tree.$> Tree ('/etc/hostname');
%!error <^Tree: give a center and a radius, or a file name.$> Tree ();
%!error <^Tree: file name must be text.$> Tree (3);
%!error <^Tree: center must be a real double array.$> Tree (int8 ([1 2]), [1 2]);
%!error <^Tree: dimension must be between 1 and 255.$> Tree (zeros (1, 257), ones (1, 257));
%!error <^Tree: dimension must be between 1 and 255.$> Tree (256, 1, 1);
%!error <^Tree: dimension must be between 1 and 255.$> Tree ([], []);
%!error <^Tree: center has fewer elements than the dimension.$> Tree (3, [1 2], [1 2 3]);
%!error <^Tree: radius has fewer elements than the dimension.$> Tree (3, [1 2 3], [1 2]);
%!error <^Tree: radius must be positive and finite\.$> Tree ([0 0], [-1 1]);
%!error <^Tree: radius must be positive and finite\.$> Tree (0, 0);
%!error <^Tree: radius must be positive and finite\.$> Tree (2, [0 0 0], [1 Inf 1]);
%!error <^Tree: center must be finite\.$> Tree ([NaN 0], [1 1]);
%!error <^Tree.radius: right hand side must be positive and finite$> T = Tree ([0 0], [1 1]); T.radius = [1 0];
%!error <^Tree.radius: right hand side must be positive and finite$> T = Tree ([0 0], [1 1]); T.radius(1) = NaN;
%!error <^Tree.center: right hand side must be finite$> T = Tree ([0 0], [1 1]); T.center(2) = -Inf;
%!error <^Tree: no property 'foo'.$> T = Tree (0, 1); T.foo;
%!error <^Tree: index a tree only by name, as in T\.center or T\.count\(d\)\.$> T = Tree (0, 1); T(1);

%!test
%! ## help Tree names every method and how to find its help, which is there.
%! text = help ("Tree");
%! assert (! isempty (strfind (text, "help @Tree/subdivide")));
%! files = dir (fullfile (fileparts (which ("Tree")), "*.m"));
%! internal = {"Tree", "subsref", "subsasgn", "disp", "cat", "horzcat", "vertcat", "repmat"};
%! methods = setdiff (regexprep ({files.name}, '\.m$', ''), internal);
%! assert (numel (methods) >= 9);
%! for k = 1:numel (methods)
%!   assert (! isempty (strfind (text, methods{k})), ["help Tree does not name " methods{k}]);
%!   assert (! isempty (get_help_text (["@Tree/" methods{k}])), ["no help for @Tree/" methods{k}]);
%! endfor

%!test
%! T = Tree ([0 0], [1 1]);
%! s = evalc ('disp (T)');
%! assert (! isempty (strfind (s, 'Tree of dimension 2')));

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
%! fail ("count (U)", "^Tree: the tree was released\\.$");
%! fail ("U.center", "^Tree: the tree was released\\.$");
%! fail ("U.radius = [2 2]", "^Tree: the tree was released\\.$");

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

%!test
%! ## A file cut short loads as far as it goes, with a warning that names Tree.
%! T = Tree (0, 1);
%! subdivide (T); subdivide (T);
%! file = [tempname() ".tree"];
%! unwind_protect
%!   save (T, file);
%!   bytes = fileread (file);
%!   bytes = bytes(1:strfind (bytes, "  sd =")(end) - 1);  # the node stream, without the split order after it
%!   fid = fopen (file, "w");
%!   fwrite (fid, bytes(1:end-6));
%!   fclose (fid);
%!   lastwarn ("");
%!   U = Tree (file);
%!   [msg, id] = lastwarn ();
%!   assert (id, "boxgraph:Tree:boxCount");
%!   assert (msg, "Tree: the file holds 6 boxes, its header says 7.");
%! unwind_protect_cleanup
%!   delete (file);
%! end_unwind_protect

%!error <^Tree.count: depth must be a whole number from 0 to 1\.$> T = Tree ([0 0], [1 1]); subdivide (T); count (T, 2)
%!error <^Tree.search: points must be a real 2-by-m matrix, one point per column\.$> search (Tree ([0 0], [1 1]), [1 2 3]')
%!error <^Tree.keep: the mask must hold one element per box at depth 0 \(1\)\.$> keep (Tree ([0 0], [1 1]), [true false])

%!demo
%! ## A tree over the unit square, halved four times, and the boxes of three points.
%! T = Tree ([0.5 0.5], [0.5 0.5]);
%! for k = 1:4
%!   subdivide (T);
%! end
%! disp (T)
%! k = search (T, [0.1 0.6 0.9; 0.1 0.6 0.2])
%! [c, r] = boxes (T);
%! c(:, k)
