% Refuses an array of trees. Octave replaces the message of an error raised
% while it concatenates ("Tree/horzcat method failed"), so the concatenating
% methods (say true) put it on the error stream first.
function refusearray(say)
  message = 'Tree: arrays of trees are not supported; keep trees in a cell array, as in {T1, T2}.';
  if say
    fprintf(2, '%s\n', message);
  end
  error('boxgraph:Tree:array', message);
end
