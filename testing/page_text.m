## -*- texinfo -*-
## @deftypefn  {} {@var{text} =} page_text (@var{lines})
## @deftypefnx {} {@var{text} =} page_text (@var{lines}, @var{file})
## The text of a generated page (docs/errors.md, docs/reference.md): the
## lines, each ended by a newline.  With a file name, also writes it there.
## @end deftypefn
function text = page_text (lines, file)
  text = [strjoin(lines, "\n") "\n"];
  if (nargin > 1)
    fid = fopen (file, "w");
    if (fid < 0)
      error ("page_text: cannot write %s", file);
    endif
    fputs (fid, text);
    fclose (fid);
  endif
endfunction
