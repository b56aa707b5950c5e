% -*- texinfo -*-
% @deftypefn {} {@var{value} =} subsref (@var{T}, @var{S})
% Property reads @code{T.name} for @code{center}, @code{radius}, @code{sd},
% @code{verbose}, @code{dim} and @code{depth}, and method calls
% @code{T.method(args)} for @code{subdivide}, @code{count}, @code{boxes}, @code{samples},
% @code{search}, @code{meets}, @code{faces}, @code{insert}, @code{keep}, @code{save} and
% @code{release}.
% @end deftypefn
function varargout = subsref(T, S)
  if ~strcmp(S(1).type, '.')
    error('boxgraph:Tree:badIndex', 'Tree: index a tree only by name, as in T.center or T.count(d).');
  end
  name = S(1).subs;
  rest = S(2:end);
  if any(strcmp(name, {'subdivide', 'count', 'boxes', 'samples', 'search', 'meets', 'faces', 'insert', 'keep', 'save', 'release'}))
    args = {};
    if ~isempty(rest) && strcmp(rest(1).type, '()')
      args = rest(1).subs;
      rest = rest(2:end);
    end
    % Octave asks old-style classes for one result even in [c, r] = T.boxes():
    % give every result the method has, the caller takes what it needs.
    results = 1;
    if any(strcmp(name, {'save', 'release'}))
      results = 0;
    elseif any(strcmp(name, {'boxes', 'faces'}))
      results = 2;
    end
    varargout = cell(1, results);
    [varargout{:}] = feval(name, T, args{:});
  elseif strcmp(name, 'depth')
    varargout = {treeops(struct(T), 'depth')};
  else
    varargout = {treeprops(struct(T), name)};
  end
  if ~isempty(rest)
    varargout = {subsref(varargout{1}, rest)};
  end
end
