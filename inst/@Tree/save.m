% -*- texinfo -*-
% @deftypefn {} {} save (@var{T}, @var{file})
% Writes the tree @var{T} to a tree file that @code{Tree (@var{file})} reads
% back to the same tree: its dimension, centre, radius, every box with its
% split, and the split order @code{T.sd} whole, so a covering goes on
% subdividing as it would have.  The split order is a line after the boxes,
% where readers of tree files stop: older versions read the file as before
% and take @code{sd} from the leftmost path of boxes (a box without halves
% is written with the split @code{T.sd} gives its depth), agreeing down to
% the depth of that path's last box.  A tree lives in memory: save it this way, not with the workspace
% (a @code{Tree} loaded from a @code{.mat} file into another session is
% refused).  Also callable as @code{T.save(file)}.
%
% The tree is written to a new file in the same folder, which takes the
% place of @var{file} only once it is whole and on the disk: a save that
% fails (a full disk, Ctrl-C) leaves an old @var{file} as it was and no
% other file behind.  A link is followed (the file it leads to is replaced);
% a file saved over keeps its permissions.  The folder must let a new file
% be made in it.
%
% Errors: the file cannot be made or written; @var{file} exists and is no
% regular file (a folder, a device); the name holds a NUL character; the
% tree has no boxes.
%
% @example
% T = Tree ([0 0], [1 1]);
% subdivide (T);
% save (T, 'covering.tree');
% U = Tree ('covering.tree');
% count (U)
% @result{} 2
% @end example
% @seealso{Tree}
% @end deftypefn
function save(T, varargin)
  treeops(struct(T), 'save', varargin{:});
end

%!test
%! ## Saving over a file replaces it whole and leaves nothing else in its folder.
%! folder = tempname ();
%! mkdir (folder);
%! unwind_protect
%!   file = fullfile (folder, 'a.tree');
%!   T = Tree ([0 0], [1 1]);
%!   save (T, file);
%!   subdivide (T); subdivide (T);
%!   save (T, file);
%!   assert (count (Tree (file)), 4);
%!   d = dir (folder);
%!   assert (sort ({d(~[d.isdir]).name}), {'a.tree'});
%!   ## A folder and a name with a NUL are refused; nothing is written.
%!   fail ('save (T, folder)', '^Tree.save: the file exists and is not a regular file');
%!   fail ('save (T, [file char(0) ''x''])', '^Tree.save: the file name must not hold a NUL character\.$');
%!   assert (count (Tree (file)), 4);
%!   d = dir (folder);
%!   assert (sort ({d(~[d.isdir]).name}), {'a.tree'});
%! unwind_protect_cleanup
%!   confirm_recursive_rmdir (false, 'local');
%!   rmdir (folder, 's');
%! end_unwind_protect

%!test
%! ## The whole split order comes back, also below the deepest box and where
%! ## the leftmost boxes were removed.
%! file = [tempname() '.tree'];
%! unwind_protect
%!   T = Tree ([0 0], [1 1]);
%!   T.sd(1:20) = 1;
%!   T.sd(30) = 0;
%!   for k = 1:4
%!     subdivide (T);
%!   end
%!   keep (T, [false(1, 8) true(1, 8)]);
%!   save (T, file);
%!   U = Tree (file);
%!   assert (U.sd, T.sd);
%!   subdivide (T); subdivide (U);
%!   [c, r] = boxes (T);
%!   [cu, ru] = boxes (U);
%!   assert ([cu; ru], [c; r]);
%! unwind_protect_cleanup
%!   unlink (file);
%! end_unwind_protect
