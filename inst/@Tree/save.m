% -*- texinfo -*-
% @deftypefn {} {} save (@var{T}, @var{file})
% Writes the tree @var{T} to a tree file that @code{Tree (@var{file})} reads
% back to the same tree: its dimension, centre, radius and every box with its
% split; a box without halves is written with the split @code{T.sd} gives
% its depth, so the loaded tree's @code{sd} agrees down to the depth of its
% leftmost box at the bottom (deeper entries take their defaults), and a
% covering goes on subdividing as it would have.  A tree lives in memory: save it this way, not with the workspace
% (a @code{Tree} loaded from a @code{.mat} file into another session is
% refused).  Also callable as @code{T.save(file)}.
%
% Errors: the file cannot be opened or written (no partial file is left);
% the tree has no boxes.
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
