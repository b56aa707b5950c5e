% -*- texinfo -*-
% @deftypefn  {} {@var{T} =} Tree (@var{center}, @var{radius})
% @deftypefnx {} {@var{T} =} Tree (@var{dim}, @var{center}, @var{radius})
% @deftypefnx {} {@var{T} =} Tree (@var{filename})
% A box tree: a binary subdivision of the rectangle with the given
% @var{center} and @var{radius} (real double vectors), kept in native memory.
%
% With @var{dim} first, only the first @var{dim} entries of @var{center} and
% @var{radius} are used.  With a file name, the tree is loaded from a tree
% file.  Every copy of @var{T} reaches the same tree: after @code{U = T;
% U.radius = r}, @code{T.radius} is @var{r} as well.
%
% Properties: @code{center}, @code{radius} (1-by-dim), @code{sd} (split
% coordinate by depth, 1-by-(500*dim+1)), @code{verbose} can be read and set;
% @code{dim} can be read.
%
% @example
% T = Tree ([0 0], [1 1]);
% T.radius = [0.5 2];
% T.center
% @result{} 0 0
% @end example
% @end deftypefn
function T = Tree(varargin)
  if nargin == 1 && isa(varargin{1}, 'Tree')
    T = varargin{1};
    return;
  end
  T = class(struct('handle', tree_(varargin{:})), 'Tree');
end
