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
// needed after an operation that changed the tree through one of them. It
// counts the change (changes) and gives back what was kept of the tree.
// Nothing is allocated. O(dim).
void TreeHandle_reset(TreeHandle* handle);

// Releases the tree (both Tree records, every box, the rectangle and the
// tables) and what was kept of it, and leaves the handle record itself, with
// tree and iter null, so that host values still holding its address find a
// released tree instead of freed memory. The heap's free pages go back to
// the system (Memory_giveBack). Releasing twice does nothing. O(boxes).
void TreeHandle_release(TreeHandle* handle);

// ---- the operations that keep what they learn between calls
//
// So that a call costs what its own points and boxes cost, not what the
// tree does, the handle keeps (TreeKept) the deepest level, and the
// LevelIndex of one level: its boxes in number order (about 4 bytes a box,
// 8 for levels deeper than 32) once the level was listed or searched, the
// hash slots (about 10 bytes a box, 20 deeper) once it was searched, and
// tables of 8 bytes per cell along each coordinate. It is made from the
// checked allocation of the call that first needs it, within that call's
// budget like any working array, and is then held between calls, counted
// against nothing, until the tree changes: TreeHandle_reset (which every
// operation that changes boxes calls) and TreeHandle_release give it back
// at once, and a change of centre, radius or sd (counted in changes by
// treeupdate, which links no library code) makes it stale; a stale index,
// or one of another level, is given back by the next call that needs an
// index, before it makes its own. Each function here keeps what it made
// only when it succeeds; a caller that fails later gives it back with
// TreeHandle_forget. Levels that no index serves
// (LevelIndex.h) are walked, their box numbers written once per change.
// The results are those of the Tree_ operations of Covering.h.

// Gives back the kept index (nothing else changes): for a call that fails
// after it made one (kept.indexesMade counts them), so that it leaves
// nothing new behind. O(1).
void TreeHandle_forget(TreeHandle* handle);

// Tree_depth, kept. O(boxes) after a change, else O(1).
int32_t TreeHandle_depth(TreeHandle* handle);

// Tree_count, read from the level's index when one is kept; else counted by
// a walk, which allocates nothing (so that a count, and the size of a
// result taken from it, never fails for want of memory). O(1) with the
// index, else O(boxes down to depth).
int64_t TreeHandle_count(TreeHandle* handle, int32_t depth);

// Tree_boxes through the level's index, made and kept when it is missing.
// O(boxes at depth), plus O(boxes down to depth) to make the index.
void TreeHandle_boxes(TreeHandle* handle, int32_t depth, double* centers, double* radii);

// Tree_samples for the boxes first to last through the level's index, made
// and kept when it is missing. O(points written), plus O(boxes down to
// depth) to make the index (or walking, on a level no index serves).
void TreeHandle_samples(TreeHandle* handle, int32_t depth, int64_t first, int64_t last, const double* offsets,
                        int64_t count, double* points);

// Tree_faces (Meets.h) for the boxes first to last through the level's
// index, made and kept when it is missing. O(boxes written), plus O(boxes
// down to depth) to make the index (or walking, on a level no index
// serves: O(boxes down to depth up to box last)).
void TreeHandle_faces(TreeHandle* handle, int32_t depth, int64_t first, int64_t last, double* lower,
                      double* upper);

// Tree_search through the level's index, made (or given its hash slots)
// and kept when it is missing. O(count * dim), plus O(boxes down to depth)
// to make the index; on a level no index serves O(count * depth), plus
// O(boxes down to depth) to number it once.
void TreeHandle_search(TreeHandle* handle, int32_t depth, const double* points, int64_t count,
                       double* numbers);

// Releases both Tree records (and so the tree), then the handle, and nulls
// *handle; null does nothing. Only for handles no host value can reach. O(boxes).
void TreeHandle_free(TreeHandle** handle);

#endif
