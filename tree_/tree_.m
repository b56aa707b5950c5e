% -*- texinfo -*-
% @deftypefn  {} {@var{handle} =} tree_ (@var{center}, @var{radius})
% @deftypefnx {} {@var{handle} =} tree_ (@var{dim}, @var{center}, @var{radius})
% @deftypefnx {} {@var{handle} =} tree_ (@var{filename})
% Make or load the native records of a box tree and return its handle.
%
% Internal: the @code{Tree} class calls it and keeps the handle; use
% @code{Tree} instead.
% @seealso{Tree}
% @end deftypefn
function varargout = tree_ (varargin)
  % Runs only where the compiled module is missing: the MEX file beside this
  % one takes precedence over it.
  error ('boxgraph:Tree:notBuilt', ...
         'Tree: the compiled module tree_ is missing; build boxgraph (see its README) or reinstall the package.');
end
