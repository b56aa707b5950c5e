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

// Reads one box record: a flags byte (end of file or 0 means no box), then
// the split and aux bytes, each left 0 at the end of the file. Returns the
// new box or null. O(1).
Box* Box_read(FILE* stream);

// Reads a subtree in pre-order: a box record, the subtree of child[0], then
// that of child[1]; a missing box is a 0 byte or the end of the file.
// Returns its root, or null when the stream begins without a box. Keeps an
// explicit stack as deep as the subtree, never recursion. O(boxes).
Box* Box_readTree(FILE* stream);

// Box_readTree for a tree of dimension dim (1 to 255): returns null, and
// releases what it read, also when a box has split >= dim or lies deeper than
// 500 * dim below the subtree's root. Stack at most 500 * dim + 1 entries.
Box* Box_readTreeWithin(FILE* stream, int dim);

// Box_readTreeWithin for the node bytes of a file written through a Windows
// text-mode stream, which wrote each byte 10 as 13 10: reads every 13 10 pair
// as one 10, and every other byte (13 alone, 26) as itself. The first byte
// after the subtree stays unread. O(boxes).
Box* Box_readTreeWithinCrLf(FILE* stream, int dim);

#endif
