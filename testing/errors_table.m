## -*- texinfo -*-
## @deftypefn  {} {@var{text} =} errors_table ()
## @deftypefnx {} {} errors_table (@var{file})
## The table of every refusal (refusals.m) as Markdown, as docs/errors.md
## holds it; with a file name, writes it there:
## @code{octave-cli --path testing --path <build>/octave --eval "errors_table ('docs/errors.md')"}.
## @end deftypefn
function text = errors_table (file)
  list = refusals ();
  lines = {"# Errors", "", ...
           "Every input the functions refuse, with the message as Octave shows it (after", ...
           "\"error: \") and the identifier that `try ... catch e` finds in `e.identifier`.", ...
           "MATLAB shows the same text after \"Error using <function>\", without the", ...
           "function's name in front where the text below adds it.", ...
           "This file is checked against the functions by testing/errors_test.m.", "", ...
           "| function | refused | message | identifier |", "|---|---|---|---|"};
  for k = 1:numel (list)
    r = list(k);
    lines{end+1} = sprintf ("| `%s` | %s | %s | `%s` |", r.fn, r.input, ...
                            strrep (r.message, "|", "\\|"), r.id);
  endfor
  text = [strjoin(lines, "\n") "\n"];
  if (nargin > 0)
    fid = fopen (file, "w");
    fputs (fid, text);
    fclose (fid);
  endif
endfunction
