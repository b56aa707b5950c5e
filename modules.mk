# The modules and their sources, written once. Read by the CMake build
# (cmake/Boxgraph.cmake), the fuzz build, the Octave package's src/Makefile
# and build.m (MATLAB). Paths are relative to the repository root; headers
# come from INCLUDE_DIRS. A module's MEX file is named after it and goes to
# the class path's root, or to <module>_DIR below it.

INCLUDE_DIRS = lib gateway

# The core library, by subsystem; it includes no host header.
LIB_ALLOC = lib/Alloc.cpp
LIB_TREE = lib/Tree.cpp lib/Box.cpp lib/Rectangle.cpp lib/Vec.cpp lib/Iter.cpp lib/Covering.cpp
LIB_SUBSHIFT = lib/SparseMatrix.cpp lib/Set.cpp lib/Node.cpp lib/IndSubshift.cpp

MODULES = strongcomp cyclereach subshift tree_ treeupdate treeprops treeops

strongcomp_SOURCES = strongcomp/strongcomp.cpp $(LIB_ALLOC)
cyclereach_SOURCES = cyclereach/cyclereach.cpp $(LIB_ALLOC)
subshift_SOURCES = subshift/subshift.cpp $(LIB_SUBSHIFT) $(LIB_ALLOC)
tree__SOURCES = tree_/tree_.cpp $(LIB_TREE) $(LIB_ALLOC)
treeupdate_SOURCES = treeupdate/treeupdate.cpp $(LIB_ALLOC)
treeupdate_DIR = @Tree/private
treeprops_SOURCES = treeprops/treeprops.cpp $(LIB_ALLOC)
treeprops_DIR = @Tree/private
treeops_SOURCES = treeops/treeops.cpp $(LIB_TREE) $(LIB_ALLOC)
treeops_DIR = @Tree/private
