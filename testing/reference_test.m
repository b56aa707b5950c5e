## docs/reference.md is the help texts of the functions INDEX lists, as
## reference_page makes it: the help texts are its one source.

%!test
%! root = fileparts (fileparts (which ("reference_page")));
%! documented = fileread (fullfile (root, "docs", "reference.md"));
%! assert (documented, reference_page (),
%!         "docs/reference.md is out of date: regenerate it with reference_page ('docs/reference.md')");

%!test
%! ## Every function INDEX lists has a texinfo help text with a usage line.
%! root = fileparts (fileparts (which ("reference_page")));
%! names = regexp (fileread (fullfile (root, "INDEX")), '(?<=\n )\S+', 'match');
%! assert (numel (names) > 0);
%! for name = names
%!   [text, format] = get_help_text (name{1});
%!   assert (format, "texinfo", name{1});
%!   assert (! isempty (regexp (text, '@deftypefn', 'once')), name{1});
%! endfor
