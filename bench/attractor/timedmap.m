% The map f with the time spent in it counted: timedmap ('start', f) sets
% the map and zeroes the count, Y = timedmap (X) maps X with it, adding the
% time of the call, and t = timedmap ('total') gives the seconds counted.
% Passed to attractor as its map, it separates the map's own time from
% the toolbox's.
function out = timedmap(x, f)
  persistent map total
  if ischar(x)
    if strcmp(x, 'start')
      map = f;
      total = 0;
    end
    out = total;
    return;
  end
  started = tic;
  out = map(x);
  total = total + toc(started);
end
