# The modules and their sources, written once. Read by the CMake build
# (cmake/Boxgraph.cmake), the fuzz build, the Octave package's src/Makefile
# and build.m (MATLAB). Paths are relative to the repository root; headers
# come from INCLUDE_DIRS. A module's MEX file is named after it and goes to
# the class path's root, or to <module>_DIR below it.

INCLUDE_DIRS = lib gateway

# The core library, by subsystem; it includes no host header. BASE is what
# every module shares: the checked allocation, the memory a call may take,
# interrupting long loops.
LIB_BASE = lib/Alloc.cpp lib/Memory.cpp lib/Interrupt.cpp
LIB_TREE = lib/Tree.cpp lib/Box.cpp lib/Rectangle.cpp lib/Vec.cpp lib/TreeHandle.cpp lib/Covering.cpp lib/LevelIndex.cpp lib/FileReplacement.cpp lib/Meets.cpp
LIB_SUBSHIFT = lib/SparseMatrix.cpp lib/Set.cpp lib/Node.cpp lib/IndSubshift.cpp

MODULES = strongcomp cyclereach subshift tree_ treeupdate treeprops treeops

strongcomp_SOURCES = strongcomp/strongcomp.cpp $(LIB_BASE)
cyclereach_SOURCES = cyclereach/cyclereach.cpp $(LIB_BASE)
subshift_SOURCES = subshift/subshift.cpp $(LIB_SUBSHIFT) $(LIB_BASE)
tree__SOURCES = tree_/tree_.cpp $(LIB_TREE) $(LIB_BASE)
treeupdate_SOURCES = treeupdate/treeupdate.cpp $(LIB_BASE)
treeupdate_DIR = @Tree/private
treeprops_SOURCES = treeprops/treeprops.cpp $(LIB_BASE)
treeprops_DIR = @Tree/private
treeops_SOURCES = treeops/treeops.cpp $(LIB_TREE) $(LIB_BASE)
treeops_DIR = @Tree/private
