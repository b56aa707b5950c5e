% n = subdivision(who, T, f, steps, points, options): the step loop of the
% subdivision algorithms attractor, chainrecurrentset and
% maximalinvariantset (who names the one called). steps times: halve every
% box at the deepest level, map the boxes and keep those that who's rule
% selects; with options {"settle"}, then select at the deepest level without
% halving until the collection stops changing. With T.verbose not 0 a line
% per step (and one for settling). n: the boxes left at the deepest level.
%
% The rules, on the boxes of the deepest level and their images:
%   attractor             the boxes that an image hits; settled, the limit of
%                         repeating that, the boxes reached from a cycle of
%                         the transition graph (a box is hit again and again
%                         exactly when paths of every length end in it)
%   chainrecurrentset     the boxes on a cycle of the graph (in a strongly
%                         connected component with an edge)
%   maximalinvariantset   the boxes on a path infinite both ways
% The last two keep a collection that the same rule keeps whole: without
% halving, they stop changing at once.
%
% A step that fails (an error of f, a refusal, memory running out, Ctrl-C)
% leaves the tree as it was before the step, the steps before it done: the
% level it made is removed again (coarsen). Settling changes the tree only
% in its last call, keep, which changes all or nothing.
%
% Errors: "<who>: steps must be a whole number, 0 or more.", "<who>: the
% only option is "settle".", and those of samplepoints and imagehits.
function n = subdivision(who, T, f, steps, points, options)
  f = maphandle(who, f);
  if ~(isnumeric(steps) && isreal(steps) && isscalar(steps) && steps >= 0 && steps == fix(steps))
    error(['boxgraph:' who ':badSteps'], '%s: steps must be a whole number, 0 or more.', who);
  end
  settle = false;
  for k = 1:numel(options)
    if ischar(options{k}) && strcmp(options{k}, 'settle')
      settle = true;
    else
      error(['boxgraph:' who ':badOption'], '%s: the only option is "settle".', who);
    end
  end
  P = samplepoints(who, T.dim, points, true);
  verbose = T.verbose ~= 0;
  for step = 1:steps
    started = tic;
    if T.depth < 0   % no boxes left
      break;
    end
    [kept, d] = onestep(who, T, f, P);
    if verbose
      fprintf('%s: step %d of %d, depth %d, %d boxes kept, %.2f s\n', ...
              who, step, steps, d, kept, toc(started));
      flushoutput();
    end
  end
  if settle && T.depth >= 0
    started = tic;
    d = T.depth;
    before = count(T, d);
    kept = selection(who, T, f, d, P, true);
    if verbose
      fprintf('%s: settled at depth %d, %d of %d boxes kept, %.2f s\n', ...
              who, d, kept, before, toc(started));
      flushoutput();
    end
  end
  n = count(T);
end

% One step: halves the deepest level and keeps the boxes of the new level d
% that who's rule selects; kept is their number. Until the step is over, a
% cleanup stands ready to remove level d again.
function [kept, d] = onestep(who, T, f, P)
  d = T.depth + 1;
  made = 2 * count(T, d - 1);
  over = containers.Map({'step'}, {false});
  undo = onCleanup(@() undivide(T, d, made, over));
  subdivide(T);
  kept = selection(who, T, f, d, P, false);
  over('step') = true;
end

% Removes level d again after a step that failed, unless the step is over.
% Only a level of halved boxes alone (made boxes at d) is removed: one that
% keep has already thinned means that the step ended in keep and an
% interrupt came just after it, and the tree is as the step leaves it. (A
% level that keep left whole is removed, as if the step had not run.)
function undivide(T, d, made, over)
  if ~over('step') && T.depth == d && count(T, d) == made
    coarsen(T, d - 1);
  end
end

% Keeps the boxes at depth d that who's rule selects; their number.
function kept = selection(who, T, f, d, P, settle)
  if strcmp(who, 'attractor') && ~settle
    mask = imagehits(T, f, d, P, 'hits', who);
  else
    A = imagehits(T, f, d, P, 'graph', who);
    switch who
      case 'attractor'
        mask = cyclereach(A') > 0;
      case 'chainrecurrentset'
        mask = strongcomp(A, A') >= 0;
      case 'maximalinvariantset'
        mask = cyclereach(A) > 0 & cyclereach(A') > 0;
    end
  end
  kept = keep(T, mask, d);
end
