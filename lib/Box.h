// Box: one node of a box tree, and the reader of a tree file's node stream.
#ifndef BOXGRAPH_BOX_H
#define BOXGRAPH_BOX_H

#include <stdio.h>

#include "TreeRecords.h"

// New box: split 0, aux 0, flags 1, no children, number -1, data 0.
// Release with Box_free (or with its tree). O(1).
Box* Box_new(void);

// Releases the one box *box (not its children) and nulls *box; null does nothing. O(1).
void Box_free(Box** box);

// Releases the box *box and every box below it, and nulls *box; null does
// nothing. Uses no stack (rotates the tree apart). O(boxes).
void Box_freeTree(Box** box);

// The number of boxes of the subtree at root (0 for null). Explicit stack. O(boxes).
int64_t Box_count(const Box* root);

// Reads a subtree in pre-order: a box record, the subtree of child[0], then
// that of child[1]; a missing box is a 0 byte or the end of the file.
// Returns its root, or null when the stream begins without a box. Keeps an
// explicit stack as deep as the subtree, never recursion. O(boxes).
Box* Box_readTree(FILE* stream);

// Box_readTree for a tree of dimension dim (1 to 255): returns null, and
// releases what it read, also when a box has split >= dim or lies deeper than
// 500 * dim below the subtree's root. Stack at most 500 * dim + 1 entries.
Box* Box_readTreeWithin(FILE* stream, int dim);

// Writes the subtree at root in the order Box_readTree reads it: each box as
// flags, split and aux, then its lower and its upper subtree, a 0 byte for an
// absent box. With sd (the split coordinate by depth, root at depth 0) and
// the dimension dim, a box without children is written with the split it
// would be halved along, sd[its depth], when that is a coordinate (below
// dim): the reader takes the table from the leftmost path down to its last
// box, so it reads back the splits a later subdivision uses. Otherwise, and
// without sd, every box's own split byte. Returns 0, or -1 when a write
// failed. Explicit stack. O(boxes).
int Box_writeTree(FILE* stream, const Box* root, const uint8_t* sd, int dim);

// Box_readTreeWithin for the node bytes of a file written through a Windows
// text-mode stream, which wrote each byte 10 as 13 10: reads every 13 10 pair
// as one 10, and every other byte (13 alone, 26) as itself. The first byte
// after the subtree stays unread. O(boxes).
Box* Box_readTreeWithinCrLf(FILE* stream, int dim);

#endif
