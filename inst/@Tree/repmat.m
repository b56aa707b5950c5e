% -*- texinfo -*-
% @deftypefn {} {} repmat (@dots{})
% Refused: a @code{Tree} stands for one tree in memory, and arrays of trees
% are not supported.  Keep several trees in a cell array, @code{@{T1, T2@}}.
% @end deftypefn
function varargout = repmat(varargin)
  error('boxgraph:Tree:array', 'Tree: arrays of trees are not supported; keep trees in a cell array, as in {T1, T2}.');
end
