% Shows the output printed so far at once (Octave buffers it; MATLAB does not).
function flushoutput()
  if exist('OCTAVE_VERSION', 'builtin')
    fflush(stdout);
  end
end
