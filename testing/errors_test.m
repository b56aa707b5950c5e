## Every refusal of refusals.m, met as a user meets it in Octave: the whole
## message (so a doubled or internal prefix fails) and the identifier; and
## docs/errors.md is the table made of that list.

%!function [message, id] = meet (code)
%!  message = "<no error>";
%!  id = "";
%!  try
%!    evalc (code);
%!  catch err
%!    message = err.message;
%!    id = err.identifier;
%!  end_try_catch
%!endfunction

%!test
%! list = refusals ();
%! for k = 1:numel (list)
%!   r = list(k);
%!   if (isempty (r.code))
%!     continue;  # not reachable from Octave code; the hostless tests check the text
%!   endif
%!   [message, id] = meet (r.code);
%!   assert (message, r.message, sprintf ("message of: %s", r.code));
%!   assert (id, r.id, sprintf ("identifier of: %s", r.code));
%! endfor

%!test
%! root = fileparts (fileparts (which ("refusals")));
%! documented = fileread (fullfile (root, "docs", "errors.md"));
%! assert (documented, errors_table (),
%!         "docs/errors.md is out of date: regenerate it with errors_table ('docs/errors.md')");
