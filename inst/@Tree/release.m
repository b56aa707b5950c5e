% -*- texinfo -*-
% @deftypefn {} {} release (@var{T})
% Frees the boxes and records of the tree @var{T}.  Every copy of @var{T}
% then reports "Tree: the tree was released." when used.  A tree is
% otherwise kept until Octave ends.  Also callable as @code{T.release()}.
% @seealso{Tree}
% @end deftypefn
function release(T, varargin)
  treeops(struct(T), 'release', varargin{:});
end
