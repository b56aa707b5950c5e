% -*- texinfo -*-
% @deftypefn {} {@var{value} =} subsref (@var{T}, @var{S})
% Property read @code{T.name} for @code{center}, @code{radius}, @code{sd},
% @code{verbose} and @code{dim}: the tree's current values.
% @end deftypefn
function value = subsref(T, S)
  if ~strcmp(S(1).type, '.')
    error('Tree: index a tree only by property name, as in T.center.');
  end
  value = treeprops(struct(T), S(1).subs);
  if numel(S) > 1
    value = subsref(value, S(2:end));
  end
end
