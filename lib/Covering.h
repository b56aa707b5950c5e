// Box coverings: the boxes of a tree, depth by depth, as the sets that
// subdivision algorithms work on.
//
// The boxes at depth d are numbered 1, 2, ..., n in pre-order: depth first,
// the lower half (child 0) before the upper half (child 1), which is also the
// order of their paths from the root read as binary numbers. A box is the
// half-open product of [c - r, c + r) over its coordinates, where c and r are
// what the walk (Tree_down) computes; the root rectangle's own upper faces
// belong to it, so every point of the closed rectangle lies in exactly one
// box of each full level.
//
// Every operation walks with the record it is given, starting from the root;
// operations that change the tree leave that record's walk at the root, and
// the caller resets the tree's other records (TreeHandle_reset) before they
// walk again. No operation recurses; depth is at most 500 * dim throughout.
#ifndef BOXGRAPH_COVERING_H
#define BOXGRAPH_COVERING_H

#include <stdint.h>

#include "TreeRecords.h"

// Why a change was refused; nothing has changed then.
typedef enum {
    TREE_OK = 0,
    TREE_TOO_DEEP,   // the result would lie deeper than 500 * dim
    TREE_BAD_SPLIT,  // an sd entry the operation would use is not a coordinate (>= dim)
    TREE_TOO_MANY    // a level would hold more than INT32_MAX boxes
} TreeStatus;

// The deepest level holding a box; -1 for a tree without boxes. O(boxes).
int32_t Tree_depth(Tree* tree);

// The number of boxes at depth (0 for a level deeper than the tree).
// O(boxes down to depth).
int64_t Tree_count(Tree* tree, int32_t depth);

// Centre and radius of every box at depth, in number order: box k's dim
// values go to centers[(k-1)*dim ...] and radii[(k-1)*dim ...]; both hold
// Tree_count(depth) * dim doubles (radii may be null). O(boxes down to depth).
void Tree_boxes(Tree* tree, int32_t depth, double* centers, double* radii);

// Sample points of the boxes numbered first to last (1-based) at depth: for
// each box, in number order, and each of the count offsets o (dim doubles
// each, in [-1, 1]^dim as the caller chose them), the point c + r .* o,
// dim doubles, written one after another to points (dim * count * (last -
// first + 1) doubles). O(boxes down to depth + points written).
void Tree_samples(Tree* tree, int32_t depth, int64_t first, int64_t last, const double* offsets,
                  int64_t count, double* points);

// Gives every box at the deepest level both halves, split along sd[that
// depth]. *added is the number of boxes made (0 for a tree without boxes).
// Refuses TREE_TOO_DEEP, TREE_BAD_SPLIT or TREE_TOO_MANY. The new boxes are
// made before any is linked, so a failed allocation (checked, it throws
// inside a host call) leaves the tree as it was. O(boxes).
TreeStatus Tree_subdivide(Tree* tree, int64_t* added);

// For each of count points (dim doubles each, point k at points[k*dim]),
// the number of the box at depth that contains it, or 0 when there is none
// (outside the rectangle, in a removed box, a NaN coordinate), written to
// numbers[k]. A level that a LevelIndex serves (LevelIndex.h) is searched
// through one built for the call and released before it returns; any other
// is walked point by point. The results are the same. O(boxes down to depth
// + count * dim) with the index, O(boxes down to depth + count * depth)
// walking.
void Tree_search(Tree* tree, int32_t depth, const double* points, int64_t count, double* numbers);

// Creates the boxes at depth that contain the points (count points, dim
// doubles each), with every ancestor they need; a box that gets its first
// children is split along sd[its depth]. Points outside the rectangle or
// with a NaN coordinate are passed over. *added is the number of new boxes at
// depth. Refuses TREE_TOO_DEEP or TREE_BAD_SPLIT (checked for every sd entry
// above depth). A failed allocation undoes everything the call did before it
// throws. O(count * depth + boxes).
TreeStatus Tree_insert(Tree* tree, int32_t depth, const double* points, int64_t count,
                       int64_t* added);

// Removes every box at depth whose mask entry is 0 (mask[k-1] for box k;
// the mask holds Tree_count(depth) entries), with everything below it, and
// then every ancestor that had children and is left without any; the root
// goes too when nothing is left. *kept is the number of boxes left at depth.
// Reserves its stack first: a failed allocation changes nothing. O(boxes).
void Tree_keep(Tree* tree, int32_t depth, const uint8_t* mask, int64_t* kept);

// Removes everything below the boxes at depth whose mask entry is not 0
// (mask[k-1] for box k; a null mask selects every box at depth), so that
// those boxes have no children: the covering at depth as it was before they
// were subdivided, or had boxes inserted below them. Boxes at depth and
// above stay, and so does what lies below a box whose entry is 0. *count is
// the number of boxes at depth. It allocates nothing and never stops at an
// interrupt, so once called it cannot fail: it is what undoes a subdivision
// whose step failed. O(boxes down to depth + boxes removed).
void Tree_coarsen(Tree* tree, int32_t depth, const uint8_t* mask, int64_t* count);

#endif
