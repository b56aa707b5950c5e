% A = markovmatrix(who, A): A as a sparse double matrix of transition
% probabilities in the column convention of transitions: A(i, j) >= 0 is the
% share of box j that maps into box i, so every column sums to at most 1
% (less where mass leaves the covering). Refuses anything else, naming the
% calling function, who; a full or logical matrix is converted.
function A = markovmatrix(who, A)
  A = squaregraph(who, A);
  A = double(A);
  v = nonzeros(A);
  if ~all(v >= 0 & v <= 1)   % also refuses NaN
    error(['boxgraph:' who ':notStochastic'], ...
          '%s: A must hold probabilities, 0 <= A(i, j) <= 1 (the share of box j mapped into box i).', who);
  end
  if any(full(sum(A, 1)) > 1 + 1e-12)
    error(['boxgraph:' who ':notStochastic'], ...
          '%s: the columns of A must sum to at most 1 (A(i, j) is the share of box j mapped into box i; for a row-stochastic P give P'').', who);
  end
  if isempty(A)
    error(['boxgraph:' who ':empty'], '%s: A has no boxes, so there is no measure on them.', who);
  end
end
