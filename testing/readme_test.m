## Every Octave example of the README runs as shown: each ```octave block is
## run on its own, in a fresh workspace and an empty folder, with the
## toolbox on the path, and must not fail.

%!function run_example (code)
%!  evalc (code);
%!endfunction

%!test
%! root = fileparts (fileparts (which ("refusals")));
%! text = fileread (fullfile (root, "README.md"));
%! blocks = regexp (text, '```octave\n(.*?)```', "tokens");
%! assert (numel (blocks) > 0, "the README has no Octave examples");
%! here = pwd ();
%! folder = tempname ();
%! mkdir (folder);
%! unwind_protect
%!   cd (folder);
%!   for k = 1:numel (blocks)
%!     code = strrep (blocks{k}{1}, 'addpath("build/octave/octave")', "");
%!     try
%!       run_example (code);
%!     catch err
%!       error ("README example %d failed: %s\n%s", k, err.message, code);
%!     end_try_catch
%!   endfor
%! unwind_protect_cleanup
%!   cd (here);
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (folder, "s");
%! end_unwind_protect
