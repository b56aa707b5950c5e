% A = squaregraph(who, A): A as a sparse matrix, refusing anything that is
% not a square real numeric or logical matrix. A stored A(i, j) that is not 0
% is an edge from vertex j to vertex i; a full matrix is made sparse, so its
% zeros are not edges. Errors name the calling function, who.
function A = squaregraph(who, A)
  if ~(isnumeric(A) || islogical(A)) || ~isreal(A) || ndims(A) ~= 2 || size(A, 1) ~= size(A, 2)
    error(['boxgraph:' who ':badMatrix'], '%s: A must be a square real matrix (n-by-n, sparse), A(i, j) an edge j -> i.', who);
  end
  if ~issparse(A)
    A = sparse(double(A));
  end
end
