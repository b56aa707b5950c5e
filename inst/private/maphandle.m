% f = maphandle(who, f): the map f as a function handle; a name is looked up.
% Errors name the calling function, who.
function f = maphandle(who, f)
  if ischar(f)
    f = str2func(f);
  end
  if ~isa(f, 'function_handle')
    error(['boxgraph:' who ':badMap'], '%s: f must be a function handle or name.', who);
  end
end
