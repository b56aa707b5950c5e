## The one list of the Tree's operations, treeops' own table, against every
## other place that names them: INDEX, the @Tree method files, and the rows
## of the refusal table (refusals.m, which makes docs/errors.md). Each check
## collects what is missing or left over and names all of it.

%!function ops = operations ()
%!  ## treeops is private to the class: ask it from its own folder.
%!  here = pwd ();
%!  unwind_protect
%!    cd (fullfile (fileparts (which ("Tree")), "private"));
%!    ops = treeops ("operations");
%!  unwind_protect_cleanup
%!    cd (here);
%!  end_unwind_protect
%!endfunction

%!function words = wordsOf (text)
%!  words = regexp (text, '\S+', 'match');
%!endfunction

%!function report (problems)
%!  assert (isempty (problems), ["\n" strjoin(problems, "\n")]);
%!endfunction

%!shared ops, root, classdir
%! ops = operations ();
%! root = fileparts (fileparts (which ("refusals")));
%! classdir = fullfile (root, "inst", "@Tree");

%!test
%! ## The table itself: names once each, a form and a number of results each.
%! names = {ops.name};
%! assert (numel (unique (names)), numel (names), "an operation is listed twice");
%! for op = ops
%!   assert (any (strcmp (op.form, {"method", "property"})), op.name);
%!   assert (op.results >= 0 && op.results == fix (op.results), op.name);
%! endfor

%!test
%! ## Every operation called as a method has its method file, which hands
%! ## the call to treeops under its own name, and its INDEX entry; every
%! ## @Tree entry of INDEX has its file.
%! index = fileread (fullfile (root, "INDEX"));
%! problems = {};
%! for op = ops(strcmp ({ops.form}, "method"))
%!   file = fullfile (classdir, [op.name ".m"]);
%!   if (! exist (file, "file"))
%!     problems{end+1} = sprintf ("no method file inst/@Tree/%s.m", op.name);
%!   elseif (isempty (regexp (fileread (file), ["treeops\\s*\\([^,]*,\\s*['\"]" op.name "['\"]"], "once")))
%!     problems{end+1} = sprintf ("inst/@Tree/%s.m does not call treeops (..., '%s', ...)", op.name, op.name);
%!   endif
%!   if (isempty (regexp (index, ["(^|\n) @Tree/" op.name "\\s*(\n|$)"], "once")))
%!     problems{end+1} = sprintf ("INDEX has no line ' @Tree/%s'", op.name);
%!   endif
%! endfor
%! for entry = regexp (index, '(?:^|\n) @Tree/(\w+)', 'tokens')
%!   if (! exist (fullfile (classdir, [entry{1}{1} ".m"]), "file"))
%!     problems{end+1} = sprintf ("INDEX names @Tree/%s, which has no method file", entry{1}{1});
%!   endif
%! endfor
%! report (problems);

%!test
%! ## Every operation a method file asks treeops for is in the table: a
%! ## method whose row is gone is found here.
%! problems = {};
%! for file = dir (fullfile (classdir, "*.m"))'
%!   code = regexprep (fileread (fullfile (classdir, file.name)), '(^|\n)\s*%[^\n]*', "\n");
%!   for call = regexp (code, 'treeops\s*\([^,()]*(\([^()]*\))?[^,()]*,\s*[''"](\w+)[''"]', 'tokens')
%!     if (! any (strcmp (call{1}{end}, {ops.name})))
%!       problems{end+1} = sprintf ("inst/@Tree/%s calls treeops (..., '%s'), which the table does not list", ...
%!                                  file.name, call{1}{end});
%!     endif
%!   endfor
%! endfor
%! report (problems);

%!test
%! ## Every refusal of a row has a row of the refusal table that names the
%! ## operation, and every row that names an operation is one of its
%! ## refusals; the table's rows name only functions of INDEX and operations.
%! list = refusals ();
%! index = regexp (fileread (fullfile (root, "INDEX")), '(?<=\n )[^@\s]\S*', 'match');
%! known = [index, {ops.name}, {"Tree methods"}];
%! problems = {};
%! for op = ops
%!   for reason = wordsOf (op.refusals)
%!     id = ["boxgraph:Tree:" reason{1}];
%!     found = arrayfun (@(r) strcmp (r.id, id) && any (strcmp (op.name, strsplit (r.fn, ", "))), list);
%!     if (! any (found))
%!       problems{end+1} = sprintf ("refusals.m has no row for %s with identifier %s", op.name, id);
%!     endif
%!   endfor
%! endfor
%! for r = list'
%!   for name = strsplit (r.fn, ", ")
%!     if (! any (strcmp (name{1}, known)))
%!       problems{end+1} = sprintf ("refusals.m names %s for %s, neither a function of INDEX nor an operation", ...
%!                                  name{1}, r.id);
%!     endif
%!     op = ops(strcmp ({ops.name}, name{1}));
%!     if (! isempty (op) && ! any (strcmp (strcat ("boxgraph:Tree:", wordsOf (op.refusals)), r.id)))
%!       problems{end+1} = sprintf ("refusals.m names %s for %s, not among its refusals in the table", ...
%!                                  name{1}, r.id);
%!     endif
%!   endfor
%! endfor
%! report (problems);
