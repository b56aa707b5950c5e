% -*- texinfo -*-
% @deftypefn {} {} cat (@dots{})
% Refused: a @code{Tree} stands for one tree in memory, and arrays of trees
% are not supported.  Keep several trees in a cell array, @code{@{T1, T2@}}.
% @end deftypefn
function varargout = cat(varargin)
  refusearray(false);
end
