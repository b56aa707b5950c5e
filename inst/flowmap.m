% -*- texinfo -*-
% @deftypefn  {} {@var{g} =} flowmap (@var{v}, @var{tau})
% @deftypefnx {} {@var{g} =} flowmap (@var{v}, @var{tau}, @var{steps})
% The time-@var{tau} map of the ordinary differential equation x' = v(x), as
% a function handle that @code{attractor}, @code{transitions} and the other
% functions of maps take: @code{g (X)} integrates from every column of
% @var{X} (dim-by-m) at once and returns the dim-by-m end points.
%
% @itemize
% @item @var{v}: the vector field, a function handle (or name) that maps a
% dim-by-m matrix of points to the dim-by-m matrix of their velocities,
% column by column (write it with @code{.*} and row indexing, as
% @code{@@(x) [x(2,:); -x(1,:)]}).
% @item @var{tau}: the time, a real finite number (negative: backwards).
% @item @var{steps}: the steps of classical Runge-Kutta (fourth order, step
% @var{tau}/@var{steps}); default 10.  The error per step is of order
% (@var{tau}/@var{steps})^5 times the size of v's fifth derivatives: halve the
% step and compare when the flow is fast.
% @end itemize
%
% Cost: 4 @var{steps} evaluations of @var{v}, each on all the columns.
%
% Errors: "flowmap: v must be a function handle or name.", "flowmap: tau must
% be a real finite number.", "flowmap: steps must be a whole number, 1 or
% more.".
%
% @example
% lorenz = @@(x) [10 * (x(2,:) - x(1,:)); 28 * x(1,:) - x(2,:) - x(1,:) .* x(3,:);
%                 x(1,:) .* x(2,:) - 8/3 * x(3,:)];
% g = flowmap (lorenz, 0.2, 20);
% g ([1; 1; 1])
% @end example
% @seealso{attractor, transitions}
% @end deftypefn
function g = flowmap(v, tau, steps)
  if nargin < 2
    error('boxgraph:flowmap:usage', 'flowmap: usage: g = flowmap(v, tau, steps).');
  end
  if ischar(v)
    v = str2func(v);
  end
  if ~isa(v, 'function_handle')
    error('boxgraph:flowmap:badField', 'flowmap: v must be a function handle or name.');
  end
  if ~(isnumeric(tau) && isreal(tau) && isscalar(tau) && isfinite(tau))
    error('boxgraph:flowmap:badTime', 'flowmap: tau must be a real finite number.');
  end
  if nargin < 3
    steps = 10;
  end
  if ~(isnumeric(steps) && isreal(steps) && isscalar(steps) && steps >= 1 && steps == fix(steps))
    error('boxgraph:flowmap:badSteps', 'flowmap: steps must be a whole number, 1 or more.');
  end
  h = double(tau) / double(steps);
  g = @(x) rungekutta(v, double(x), h, double(steps));
end

% steps classical Runge-Kutta steps of size h from every column of x.
function x = rungekutta(v, x, h, steps)
  for k = 1:steps
    k1 = v(x);
    k2 = v(x + (h / 2) * k1);
    k3 = v(x + (h / 2) * k2);
    k4 = v(x + h * k3);
    x = x + (h / 6) * (k1 + 2 * (k2 + k3) + k4);
  end
end

%!test
%! ## x' = A x: the flow is expm (tau A); fourth order, so 10 steps on a
%! ## rotation with a little decay agree to 1e-8, and the error falls by
%! ## about 2^4 when the steps double.
%! A = [-0.1 1; -1 -0.1];
%! X = [1 0 -2; 0 1 0.5];
%! exact = expm (1.5 * A) * X;
%! e10 = max (abs (flowmap (@(x) A * x, 1.5, 10) (X) - exact)(:));
%! e20 = max (abs (flowmap (@(x) A * x, 1.5, 20) (X) - exact)(:));
%! assert (e10 < 1e-4);
%! assert (e10 / e20 > 12 && e10 / e20 < 20);
%! ## backwards undoes forwards; one column alone gives the same
%! g = flowmap (@(x) A * x, 1.5, 40);
%! back = flowmap (@(x) A * x, -1.5, 40);
%! assert (back (g (X)), X, 1e-8);
%! assert (g (X(:, 2)), g (X)(:, 2), 1e-15);

%!function y = sqrfield (x)
%!  y = x .^ 2;
%!endfunction

%!test
%! ## A nonlinear field by name, columns independent: x' = x^2 has
%! ## x(t) = x0 / (1 - t x0).
%! g = flowmap ("sqrfield", 0.5, 50);
%! x0 = [0.1 0.5 -1 1];
%! assert (g (x0), x0 ./ (1 - 0.5 * x0), 1e-8);

%!error <usage> flowmap (@(x) x)
%!error <v must be a function handle or name> flowmap (3, 1)
%!error <tau must be a real finite number> flowmap (@(x) x, Inf)
%!error <tau must be a real finite number> flowmap (@(x) x, [1 2])
%!error <steps must be a whole number, 1 or more> flowmap (@(x) x, 1, 0)
%!error <steps must be a whole number, 1 or more> flowmap (@(x) x, 1, 2.5)

%!demo
%! ## The Lorenz system's time-0.2 map, and where a point goes in 1, 2, 3
%! ## steps of it.
%! lorenz = @(x) [10 * (x(2,:) - x(1,:)); 28 * x(1,:) - x(2,:) - x(1,:) .* x(3,:);
%!                x(1,:) .* x(2,:) - 8/3 * x(3,:)];
%! g = flowmap (lorenz, 0.2, 20);
%! x = [1; 1; 1];
%! for k = 1:3
%!   x = g (x)
%! end
