% -*- texinfo -*-
% @deftypefn {} {@var{value} =} subsref (@var{T}, @var{S})
% Property reads @code{T.name} for @code{center}, @code{radius}, @code{sd},
% @code{verbose}, @code{dim} and @code{depth}, and method calls
% @code{T.method(args)} for every operation of the tree (the table that
% @code{treeops} keeps of them).
% @end deftypefn
function varargout = subsref(T, S)
  % The operations and what they give come from treeops' own table.
  persistent operations
  if isempty(operations)
    operations = treeops('operations');
  end
  if ~strcmp(S(1).type, '.')
    error('boxgraph:Tree:badIndex', 'Tree: index a tree only by name, as in T.center or T.count(d).');
  end
  name = S(1).subs;
  rest = S(2:end);
  op = operations(strcmp(name, {operations.name}));
  if isempty(op)
    varargout = {treeprops(struct(T), name)};
  elseif strcmp(op.form, 'property')
    varargout = {treeops(struct(T), name)};
  else
    args = {};
    if ~isempty(rest) && strcmp(rest(1).type, '()')
      args = rest(1).subs;
      rest = rest(2:end);
    end
    % Octave asks old-style classes for one result even in [c, r] = T.boxes():
    % give every result the method has, the caller takes what it needs.
    varargout = cell(1, op.results);
    [varargout{:}] = feval(name, T, args{:});
  end
  if ~isempty(rest)
    varargout = {subsref(varargout{1}, rest)};
  end
end

%!test
%! ## Every operation of the table is reached as T.name or T.name(...).
%! T = Tree ([0 0], [1 1]);
%! assert (T.subdivide (), 2);
%! assert (T.depth, 1);
%! assert (T.count, 2);
%! [c, r] = T.boxes (1);
%! assert ([c; r], [-0.5 0.5; 0 0; 0.5 0.5; 1 1]);
%! assert (T.samples ([1; 1], 1, [2 2]), [1; 1]);
%! assert (T.search ([0.1; 0.1]), 2);
%! assert (T.insert ([0.1; 0.1], 3), 1);
%! assert (T.keep ([true false], 1), 1);
%! assert (T.count (1), 1);
%! T.release ();
%! fail ("T.depth", "^Tree: the tree was released\\.$");
