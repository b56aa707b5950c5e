## Every %!demo of the toolbox runs without error (as `demo <name>` runs it).

%!test
%! names = {"strongcomp", "cyclereach", "subshift", "@Tree/Tree", "attractor", ...
%!          "transitions", "entropy", "morsesets", "chainrecurrentset", ...
%!          "maximalinvariantset", "unstableset", "boxdimension", "flowmap", ...
%!          "checkcovering", "invariantmeasure", "almostinvariant", "entropybound", ...
%!          "@Tree/meets"};
%! for k = 1:numel (names)
%!   [code, idx] = test (names{k}, "grabdemo");
%!   assert (numel (idx) > 1, ["no demo for " names{k}]);
%!   for d = 1:numel (idx) - 1
%!     try
%!       evalc (code(idx(d):idx(d + 1) - 1));
%!     catch err
%!       error ("demo %d of %s failed: %s", d, names{k}, err.message);
%!     end_try_catch
%!   endfor
%! endfor
