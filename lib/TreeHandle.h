// TreeHandle: the record a host pointer handle addresses (the host array
// that carries its address is gateway/HandleArray.h): the tree and a second
// walk over it.
#ifndef BOXGRAPH_TREE_HANDLE_H
#define BOXGRAPH_TREE_HANDLE_H

#include <stdio.h>

#include "Tree.h"
#include "TreeRecords.h"

// New handle over a one-box tree made from a copy of rect (which stays the
// caller's), with iter = Tree_copy(tree) and verbose 1. O(dim).
TreeHandle* TreeHandle_new(const Rectangle* rect);

// New handle over the tree read from stream (Tree_read), iter a copy of it,
// verbose 0; or null, with nothing left allocated. O(boxes).
TreeHandle* TreeHandle_load(FILE* stream);

// TreeHandle_load, filling *counts (when not null) as Tree_readCounted does.
TreeHandle* TreeHandle_loadCounted(FILE* stream, TreeFileCounts* counts);

// Puts the iter record on the tree record's root and both walks at the root:
// needed after an operation that changed the tree through one of them.
// Nothing is allocated. O(dim).
void TreeHandle_reset(TreeHandle* handle);

// Releases the tree (both Tree records, every box, the rectangle and the
// tables) and leaves the handle record itself, with tree and iter null, so
// that host values still holding its address find a released tree instead
// of freed memory. The heap's free pages go back to the system
// (Memory_giveBack). Releasing twice does nothing. O(boxes).
void TreeHandle_release(TreeHandle* handle);

// Releases both Tree records (and so the tree), then the handle, and nulls
// *handle; null does nothing. Only for handles no host value can reach. O(boxes).
void TreeHandle_free(TreeHandle** handle);

#endif
