function build(outdir)
% BUILD  Compiles every boxgraph module with the host's own mex.
%
%   build            puts the MEX files into inst/ (beside the Tree class)
%   build(outdir)    puts them into outdir, which then needs a copy of inst/
%
% The modules and their sources are read from modules.mk, the one source list
% every build of boxgraph uses. Run it from any folder; then add the output
% folder to the path (addpath).
%
% MATLAB (not tested here): the 64-bit index API (-R2017b) and C++17.
%   Linux, macOS: g++ or clang++, as set up by 'mex -setup C++'.
%   Windows: MinGW-w64 (the 'MATLAB Support for MinGW-w64 C/C++ Compiler'
%   add-on) or Microsoft Visual C++ 2017 or newer; 'mex -setup C++' picks
%   one. The sources keep to standard C++ and lib/Portability.h, so both work
%   (scripts/test.sh cross-builds them with MinGW-w64 and tests them under
%   Wine; MSVC is not tested).
% GNU Octave: uses mkoctfile --mex with the compiler Octave was built with.

root = fileparts(mfilename('fullpath'));
if nargin < 1
  outdir = fullfile(root, 'inst');
end
mk = readSourceList(fullfile(root, 'modules.mk'));
includes = strcat('-I', fullfile(root, strsplit(mk.INCLUDE_DIRS)));
isOctave = exist('OCTAVE_VERSION', 'builtin') ~= 0;

for name = strsplit(mk.MODULES)
  name = name{1};
  sources = fullfile(root, strsplit(expand(mk, mk.([name '_SOURCES']))));
  target = outdir;
  if isfield(mk, [name '_DIR'])
    target = fullfile(outdir, mk.([name '_DIR']));
  end
  if ~exist(target, 'dir')
    mkdir(target);
  end
  fprintf('building %s\n', name);
  if isOctave
    mex(includes{:}, '-o', fullfile(target, name), sources{:});
  elseif ispc && ~isempty(strfind(lower(mex.getCompilerConfigurations('C++').ShortName), 'msvc'))
    mex('-R2017b', 'COMPFLAGS=$COMPFLAGS /std:c++17', '-outdir', target, includes{:}, sources{:}, '-lut');
  else
    % libut gives utIsInterruptPending, through which long calls stop at Ctrl-C.
    mex('-R2017b', 'CXXFLAGS=$CXXFLAGS -std=c++17', '-outdir', target, includes{:}, sources{:}, '-lut');
  end
end
end

% The assignments of a Make-syntax source list, as a struct of strings.
function mk = readSourceList(file)
  text = fileread(file);
  mk = struct();
  lines = regexp(text, '^([A-Za-z_]+) *= *(.*?) *$', 'tokens', 'lineanchors', 'dotexceptnewline');
  for k = 1:numel(lines)
    mk.(lines{k}{1}) = lines{k}{2};
  end
end

% value with every $(NAME) replaced by that variable's value.
function value = expand(mk, value)
  while true
    ref = regexp(value, '\$\(([A-Za-z_]+)\)', 'tokens', 'once');
    if isempty(ref)
      break;
    end
    value = strrep(value, ['$(' ref{1} ')'], mk.(ref{1}));
  end
  value = strtrim(regexprep(value, '\s+', ' '));
end
