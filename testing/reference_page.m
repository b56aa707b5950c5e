## -*- texinfo -*-
## @deftypefn  {} {@var{text} =} reference_page ()
## @deftypefnx {} {} reference_page (@var{file})
## The help text of every function INDEX lists, in its order and under its
## headings, as Markdown: what docs/reference.md holds.  With a file name,
## writes it there:
## @code{octave-cli --path testing --path <build>/octave --eval "reference_page ('docs/reference.md')"}.
## The help texts are the one source; reference_test.m checks that the file
## is up to date.
## @end deftypefn
function text = reference_page (varargin)
  root = fileparts (fileparts (mfilename ("fullpath")));
  index = strsplit (fileread (fullfile (root, "INDEX")), "\n");
  lines = {"# Reference", "", ...
           "The help text of every function, which `help <function>` prints in Octave", ...
           "(`help Tree`, `help @Tree/search`). This file is made from those texts by", ...
           "testing/reference_page.m and checked against them by testing/reference_test.m.", ...
           "Every error message and identifier is in [errors.md](errors.md)."};
  for k = 2:numel (index)
    entry = index{k};
    if (isempty (strtrim (entry)))
      continue;
    elseif (entry(1) != " ")
      lines(end+1:end+2) = {"", ["## " entry]};
    else
      name = strtrim (entry);
      [help, format] = get_help_text (name);
      if (! strcmp (format, "texinfo"))
        error ("reference_page: %s has no texinfo help text", name);
      endif
      lines(end+1:end+3) = {"", ["### `" name "`"], ""};
      lines = [lines, markdown(help)];
    endif
  endfor
  text = page_text (lines, varargin{:});
endfunction

## The few texinfo commands the help texts use, as Markdown: the usage lines
## as a code block, examples as code, lists as bullets, @var as emphasis and
## @code as code.
function out = markdown (help)
  out = {};
  usage = {};
  inExample = false;
  inCode = false;  # within a code span that goes on from a line before
  help = regexprep (help, '^\n+', '');
  ## @code{...} as code first, across line ends; only @var can be in it.
  help = regexprep (help, '@pxref\{([^{}]*)\}', 'see @code{$1}');
  help = regexprep (help, '@code\{((?:[^{}@]|@var\{[^{}]*\}|@[@{}]|@dots\{\})*)\}', '`$1`');
  [codes, parts] = regexp (help, '`[^`]*`', 'match', 'split');
  help = parts{1};
  for k = 1:numel (codes)
    help = [help plain(codes{k}) parts{k+1}];
  endfor
  for line = strsplit (help, "\n", "CollapseDelimiters", false)
    s = regexprep (line{1}, '^ ', '');
    if (matches (s, '^\s*-\*- texinfo -\*-'))
      continue;
    elseif (matches (s, '^@deftypefnx? '))
      usage{end+1} = plain (regexprep (s, '^@deftypefnx?\s+\{[^}]*\}\s+(\{(.*?)\}\s+)?', '$2 '));
      continue;
    elseif (! isempty (usage))
      out = block (out, {"```", strjoin(strtrim (usage), "\n"), "```", ""});
      usage = {};
    endif
    if (inExample && ! matches (s, '^@end example'))
      out{end+1} = plain (s);
    elseif (matches (s, '^@end deftypefn'))
      continue;
    elseif (matches (s, '^@example'))
      out = block (out, {"```octave"});
      inExample = true;
    elseif (matches (s, '^@end example'))
      out{end+1} = "```";
      inExample = false;
    elseif (matches (s, '^@(end )?itemize') || isempty (strtrim (s)))
      out = block (out, {});
    elseif (matches (s, '^@seealso\{'))
      names = strtrim (strsplit (regexprep (s, '^@seealso\{(.*)\}\s*$', '$1'), ","));
      out = block (out, {["See also: " strjoin(strcat ("`", names, "`"), ", ") "."]});
    else
      [s, inCode] = escapeStars (s, inCode);
      if (matches (s, '^@item '))
        out{end+1} = ["- " inline(s(7:end))];
      elseif (! isempty (out) && matches (out{end}, '^(- |  )'))
        out{end+1} = ["  " inline(s)];  # an item's next lines
      else
        out{end+1} = inline (s);
      endif
    endif
  endfor
  while (! isempty (out) && isempty (out{end}))
    out(end) = [];
  endwhile
endfunction

## lines after one blank line (none at the start).
function out = block (out, lines)
  if (! isempty (out) && ! isempty (out{end}))
    out{end+1} = "";
  endif
  out = [out lines];
endfunction

## A "*" of the text (1-by-(500*dim+1)) as "\*", so that Markdown takes no
## two for emphasis; code spans, which may go on across lines, keep theirs.
function [s, inCode] = escapeStars (s, inCode)
  out = "";
  for c = s
    if (c == "`")
      inCode = ! inCode;
    elseif (c == "*" && ! inCode)
      out(end+1) = "\\";
    endif
    out(end+1) = c;
  endfor
  s = out;
endfunction

function t = matches (s, pattern)
  t = ! isempty (regexp (s, pattern, "once"));
endfunction

## Text without markup, for code: @var{x} is x, @@ is @.
function s = plain (s)
  s = regexprep (s, '@(var|code)\{([^{}]*)\}', '$2');
  s = regexprep (s, '@dots\{\}', '...');
  s = regexprep (s, '@result\{\}', '=>');
  s = regexprep (s, '@print\{\}', '-|');
  s = regexprep (s, '@([@{}])', '$1');
endfunction

## Running text: @var{x} as *x*, the rest as plain text.
function s = inline (s)
  s = plain (regexprep (s, '@var\{([^{}]*)\}', '*$1*'));
endfunction
