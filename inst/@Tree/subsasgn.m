% -*- texinfo -*-
% @deftypefn {} {@var{T} =} subsasgn (@var{T}, @var{S}, @var{value})
% Property assignment @code{T.name = value} for @code{center}, @code{radius},
% @code{sd} and @code{verbose}; it changes the tree that every copy of
% @var{T} shares.  Other names and @code{T(...) = value} change nothing.
% @code{T.center(2) = v} changes one entry of the current value.
% @end deftypefn
function T = subsasgn(T, S, value)
  if numel(S) > 1 && strcmp(S(1).type, '.')
    value = subsasgn(treeprops(struct(T), S(1).subs), S(2:end), value);
  end
  % An old-style object cannot be handed to a MEX file: pass its struct.
  treeupdate(struct(T), S(1), value);
end
