% -*- texinfo -*-
% @deftypefn {} {} vertcat (@dots{})
% Refused: a @code{Tree} stands for one tree in memory, and arrays of trees
% are not supported.  Keep several trees in a cell array, @code{@{T1, T2@}}.
% @end deftypefn
function varargout = vertcat(varargin)
  refusearray(true);
end
