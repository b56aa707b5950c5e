% -*- texinfo -*-
% @deftypefn {} {} disp (@var{T})
% Shows the tree's dimension, center and radius.
% @end deftypefn
function disp(T)
  s = struct(T);
  fprintf('  Tree of dimension %d\n', treeprops(s, 'dim'));
  fprintf('    center = [%s]\n', num2str(treeprops(s, 'center')));
  fprintf('    radius = [%s]\n', num2str(treeprops(s, 'radius')));
end
