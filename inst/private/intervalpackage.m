% intervalpackage(who): makes the interval package's functions available
% (infsup, inf, sup and the interval arithmetic), loading the package when
% it is installed but not loaded. Where it is not installed, the error says
% how to install it and names the calling function, who.
function intervalpackage(who)
  if exist('infsup') == 2
    return;
  end
  try
    pkg('load', 'interval');
  catch
  end
  if exist('infsup') ~= 2
    error(['boxgraph:' who ':noIntervalPackage'], ...
          ['%s: interval mode needs Octave''s interval package, which is not installed: ' ...
           'on Debian or Ubuntu "sudo apt-get install octave-interval", elsewhere ' ...
           '"pkg install -forge interval" in Octave; then call again.'], who);
  end
end
