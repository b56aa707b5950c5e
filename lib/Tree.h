// Tree: a box tree with one walk position, the walk, and the tree-file reader.
#ifndef BOXGRAPH_TREE_H
#define BOXGRAPH_TREE_H

#include <stdio.h>

#include "TreeRecords.h"

// New one-box tree over a copy of rect (which stays the caller's): refs 1,
// walk at the root, sd[i] = i mod dim. Allocates stacks of 500 * dim entries.
// Release with Tree_free. O(dim).
Tree* Tree_new(const Rectangle* rect);

// New Tree record sharing source's rect, root, refs (incremented) and sd, with
// its own walk stacks and its walk at the root. O(dim).
Tree* Tree_copy(Tree* source);

// Puts the walk back at the root with c, r copied from the rectangle. O(dim).
void Tree_reset(Tree* tree);

// Moves the walk into current->child[i] (i 0 or 1), halving the box along
// current->split. Returns 1 if it moved, 0 (nothing changed) if that child is
// absent, i is not 0 or 1, the walk is already 500 * dim levels deep, the
// split is not below dim, or the tree has no boxes. O(1), never allocates.
int Tree_down(Tree* tree, int i);

// Moves the walk back to the parent of current, restoring its centre and
// radius from the stacks. Returns 1 if it moved, 0 at the root. O(1).
int Tree_up(Tree* tree);

// Moves the walk to the next box in pre-order (a box, then its lower subtree,
// then its upper one) that lies at most maxDepth levels deep. Returns 1 if it
// moved, 0 when the walk is over (it then stands at the root). O(1) amortised.
int Tree_next(Tree* tree, int32_t maxDepth);

// Reads a tree file. Returns a new tree whose sd is the split order written
// after the node stream (Tree_write), or, in a file without one, filled
// along its leftmost path; its walk stands at that path's leaf. Or null (releasing all it
// read) when the header does not match, the dimension is not 1 to 255, the
// node stream is empty, a split is not below dim, or a box lies deeper than
// 500 * dim. O(boxes).
// Give it a stream opened in binary mode. On Windows a file whose count line
// ends in 13 10 was written in text mode: its node bytes are read with every
// 13 10 as 10 (Box_readTreeWithinCrLf). Elsewhere the bytes are taken as
// they are.
Tree* Tree_read(FILE* stream);

// What a tree file says it holds and what it does hold: the box count of its
// header, and the boxes read (fewer when the file was cut short).
typedef struct TreeFileCounts {
    uint64_t declared;        // 2^64 - 1 for any count at least that large
    double declaredNumber;    // the header's count as a double: its magnitude past 2^64
    int64_t read;
} TreeFileCounts;

// Tree_read, filling *counts (when not null) for a tree it returns.
Tree* Tree_readCounted(FILE* stream, TreeFileCounts* counts);

// Writes the tree as a tree file that Tree_read reads back to the same tree:
// the header (the record addresses, dim, centre and radius with 17 digits, the
// box count) and every box's record in pre-order, a box without children
// with sd at its depth as its split (so that a reader that takes sd from
// the leftmost path agrees with this tree's down to that path's last box),
// then the whole sd table on a line after the node stream, which readers
// of the node stream never read. Returns 0, or -1 when a write failed or the tree has no boxes (no file
// can say that). O(boxes).
int Tree_write(Tree* tree, FILE* stream);

// Releases tree's own vectors and stacks and the record, and nulls *tree; the
// shared rectangle, boxes, sd and count go with the last record of the tree.
// Null does nothing. O(boxes) for the last record, else O(1).
void Tree_free(Tree** tree);

#endif
