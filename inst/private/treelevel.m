% A level of the tree T for the function who: the deepest one when d is
% empty, else d, which must be a whole number from 0 to the tree's depth.
function d = treelevel(who, T, d)
  depth = max(T.depth, 0);
  if isempty(d)
    d = depth;
  elseif ~(isnumeric(d) && isreal(d) && isscalar(d) && d >= 0 && d <= depth && d == fix(d))
    error(['boxgraph:' who ':badDepth'], '%s: d must be a whole number from 0 to %d (the tree''s depth).', who, depth);
  end
end
