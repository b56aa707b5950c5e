% -*- texinfo -*-
% @deftypefn {} {} disp (@var{T})
% Shows the tree's dimension, center, radius, depth and box count.
% @end deftypefn
function disp(T)
  s = struct(T);
  try
    d = treeops(s, 'depth');
  catch err
    fprintf('  Tree (%s)\n', err.message);
    return;
  end
  fprintf('  Tree of dimension %d\n', treeprops(s, 'dim'));
  fprintf('    center = [%s]\n', num2str(treeprops(s, 'center')));
  fprintf('    radius = [%s]\n', num2str(treeprops(s, 'radius')));
  if d < 0
    fprintf('    no boxes\n');
  else
    fprintf('    depth %d, %d boxes at that depth\n', d, treeops(s, 'count', d));
  end
end
