## build.m compiles every module of modules.mk with the host's mex (here
## Octave's), and the modules it makes work.

%!test
%! out = tempname ();
%! unwind_protect
%!   evalc ("build (out)");
%!   mk = fileread (fullfile (fileparts (which ("build")), "modules.mk"));
%!   modules = strsplit (regexp (mk, '^MODULES = (.*?)$', "tokens", "once", "lineanchors", "dotexceptnewline"){1});
%!   for name = modules
%!     dir = regexp (mk, ['^' name{1} '_DIR = (.*?)$'], "tokens", "once", "lineanchors", "dotexceptnewline");
%!     assert (exist (fullfile (out, dir{:}, [name{1} ".mex"]), "file") > 0, name{1});
%!   endfor
%!   addpath (out);
%!   A = sparse ([2 1 4 3 3], [1 2 3 4 2], 1, 4, 4);
%!   assert (strongcomp (A, A'), int32 ([0 0 1 1]));
%!   assert (cyclereach (A), [1 1 1 1]);
%!   assert (subshift (A, uint8 ([0 0 0 0]), 0), [2; 3; 4; 3]);
%!   rmpath (out);
%! unwind_protect_cleanup
%!   confirm_recursive_rmdir (false, "local");
%!   if (exist (out, "dir"))
%!     rmdir (out, "s");
%!   endif
%! end_unwind_protect
