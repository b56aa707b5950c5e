% -*- texinfo -*-
% @deftypefn {} {} horzcat (@dots{})
% Refused: a @code{Tree} stands for one tree in memory, and arrays of trees
% are not supported.  Keep several trees in a cell array, @code{@{T1, T2@}}.
% @end deftypefn
function varargout = horzcat(varargin)
  message = 'Tree: arrays of trees are not supported; keep trees in a cell array, as in {T1, T2}.';
  % Octave replaces the message of an error raised while it concatenates
  % ("Tree/horzcat method failed"): say it on the error stream first.
  fprintf(2, '%s\n', message);
  error('boxgraph:Tree:array', message);
end
