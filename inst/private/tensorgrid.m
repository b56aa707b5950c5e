% G = tensorgrid(t): the grid of every combination of the values t{1} of
% coordinate 1, t{2} of coordinate 2, ..., one point per column, coordinate 1
% running fastest (dim-by-prod(numel(t{i}))).
function G = tensorgrid(t)
  dim = numel(t);
  k = cellfun(@numel, t);
  G = zeros(dim, prod(k));
  index = 0:size(G, 2) - 1;
  stride = 1;
  for i = 1:dim   % coordinate i runs through t{i} every stride points
    G(i, :) = t{i}(mod(floor(index / stride), k(i)) + 1);
    stride = stride * k(i);
  end
end
