% -*- texinfo -*-
% @deftypefn  {} {@var{bytes} =} memorycap ()
% @deftypefnx {} {@var{old} =} memorycap (@var{bytes})
% The most memory that one call of a function whose memory its input decides
% (@code{subshift}, and so @code{entropy} with labels; @code{subdivide},
% @code{insert}, @code{samples} and the other operations of a @code{Tree})
% may take, in bytes: read or set.
%
% Such a call takes at most half of the memory available when it starts
% (as the machine, its memory cgroup and @code{ulimit -v} allow), or
% @var{bytes} where that is less, and past it ends with its out-of-memory
% error ("subshift: out of memory.") instead of running on; a failed call
% leaves nothing behind.  Set it where the machine is shared or a call may
% explode: the subsets of @code{subshift} can grow exponentially in number
% and linearly in size with the graph.
%
% @itemize
% @item @var{bytes}: a number above 0; @code{Inf} removes the cap.  It holds
% for every later call in this session (it is the environment variable
% @code{BOXGRAPH_MEMORY_CAP}, which may also be set before Octave starts).
% @item @var{old}: the cap before the call, @code{Inf} for none.
% @end itemize
%
% Errors: "memorycap: bytes must be a number above 0 (Inf: no cap).".
%
% @example
% old = memorycap (2^30);       % at most 1 GiB a call from now on
% h = entropy (A, labels, 0);   % ends with "entropy: out of memory." past it
% memorycap (old);              % as before
% @end example
% @seealso{entropy, subshift}
% @end deftypefn
function old = memorycap(bytes)
  name = 'BOXGRAPH_MEMORY_CAP';
  current = str2double(getenv(name));   % NaN when unset, empty or not a number
  if ~(current > 0)
    current = Inf;
  end
  if nargin < 1 || nargout > 0
    old = current;
  end
  if nargin < 1
    return;
  end
  if ~(isnumeric(bytes) && isreal(bytes) && isscalar(bytes) && bytes > 0)
    error('boxgraph:memorycap:badBytes', 'memorycap: bytes must be a number above 0 (Inf: no cap).');
  end
  if isinf(bytes)
    setenv(name, '');   % read as no cap
  else
    setenv(name, sprintf('%.0f', ceil(double(bytes))));
  end
end

%!test
%! ## The cap is read and set, Inf removes it, and calls honour it: an
%! ## exploding subshift ends with its out-of-memory error, then runs again.
%! old = memorycap ();
%! unwind_protect
%!   memorycap (Inf);
%!   assert (memorycap (), Inf);
%!   assert (memorycap (2^20), Inf);
%!   assert (memorycap (), 2^20);
%!   assert (getenv ("BOXGRAPH_MEMORY_CAP"), "1048576");
%!   memorycap (1000.5);
%!   assert (memorycap (), 1001);
%!   k = 14;          # the k-th symbol from the end is 1: 2^k + 1 subsets
%!   from = [1 1 2 2 2 2]; to = [1 2 1 2 3 4];
%!   for q = 1:k-1
%!     for a = 0:1
%!       from(end+1:end+2) = 2*q + a + 1; to(end+1:end+2) = 2*(q+1) + [1 2];
%!     endfor
%!   endfor
%!   G = sparse (to, from, 1, 2*(k+1), 2*(k+1));
%!   l = uint8 (mod (0:2*k+1, 2));
%!   memorycap (2^20);
%!   fail ("evalc ('subshift (G, l, 0)')", "^subshift: out of memory\\.$");
%!   memorycap (Inf);
%!   assert (max (subshift (G, l, 0)), 2^k + 1);
%! unwind_protect_cleanup
%!   memorycap (old);
%! end_unwind_protect

%!test
%! ## The tree's operations honour it too: a subdivision past the cap ends
%! ## with the tree's out-of-memory error and leaves the tree as it was.
%! T = Tree (0, 1);
%! for k = 1:10
%!   subdivide (T);
%! endfor
%! old = memorycap (10000);
%! unwind_protect
%!   fail ("evalc ('subdivide (T)')", "^Tree: out of memory\\.$");
%! unwind_protect_cleanup
%!   memorycap (old);
%! end_unwind_protect
%! assert ([T.depth, count(T)], [10, 1024]);
%! assert (subdivide (T), 2048);

%!test
%! ## A value set before the session that is no positive number caps nothing.
%! old = getenv ("BOXGRAPH_MEMORY_CAP");
%! unwind_protect
%!   setenv ("BOXGRAPH_MEMORY_CAP", "lots");
%!   assert (memorycap (), Inf);
%!   assert (numel (subshift (sparse ([1 2], [2 1], 1), uint8 ([0 1]), 0)), 2);
%! unwind_protect_cleanup
%!   setenv ("BOXGRAPH_MEMORY_CAP", old);
%! end_unwind_protect

%!error <^memorycap: bytes must be a number above 0 \(Inf: no cap\)\.$> memorycap (0)
%!error <^memorycap: bytes must be a number above 0 \(Inf: no cap\)\.$> memorycap ([1 2])
%!error <^memorycap: bytes must be a number above 0 \(Inf: no cap\)\.$> memorycap ("1e9")
%!error <^memorycap: bytes must be a number above 0 \(Inf: no cap\)\.$> memorycap (NaN)
