// LevelIndex: the search index of one level of a box tree. It finds the
// number of the box at that depth holding a point by arithmetic on the point
// and one hash lookup, where a walk goes down from the root box by box.
//
// It serves levels at most 64 deep whose boxes split along one coordinate per
// depth (as subdivision and insertion make them): along a coordinate split m
// times above the level the boxes cut the rectangle into 2^m cells, and a
// box is known by the cells it spans. The index gives the same numbers as
// the walk to the last bit: a point near a cell's end is settled against the
// ends exactly as the walk computes them.
//
// It also lists the level: a box's cells give its centre and radius as the
// walk computes them, so that the boxes of any range of numbers are had
// without going through the tree.
//
// The index keeps nothing of the tree (no pointer into it): it answers for
// the level as it was when it was made, until the tree's boxes, rectangle or
// sd change.
#ifndef BOXGRAPH_LEVEL_INDEX_H
#define BOXGRAPH_LEVEL_INDEX_H

#include <stdint.h>

#include "TreeRecords.h"

typedef struct LevelIndex LevelIndex;

// New index of the boxes at depth of tree, or null when the level is not one
// it serves (the caller walks instead): a depth below 0 or past 64, a depth
// above the level with boxes split along different coordinates, a rectangle
// side that is not a positive finite number, more than INT32_MAX boxes, cell
// tables that would outweigh the boxes, or a build that may keep doubles
// wider than 64 bits (x87 without SSE2), where the arithmetic would not round
// as the walk does. An index of a level without boxes answers 0 everywhere.
// Reads every box above depth once, breadth first; the boxes at depth are not
// read. What it holds: each box's cells in number order (4 bytes a box for
// levels up to 32 deep, 8 deeper), which list the boxes, and the hash slots
// that find them (about 10 bytes a box, 20 deeper), and per coordinate a
// table of 8 bytes per cell along it; on the way down it takes at most 36
// bytes per box of the widest level above, given back before it returns.
// Checked allocations. Release with LevelIndex_free. O(boxes above depth +
// boxes at depth).
LevelIndex* LevelIndex_new(const Tree* tree, int32_t depth);

// LevelIndex_new without the hash slots: an index that lists the level (count,
// boxes, samples) and searches once LevelIndex_addSearch has made them.
LevelIndex* LevelIndex_newList(const Tree* tree, int32_t depth);

// Makes the hash slots of an index that has none (nothing when it has them).
// A failed allocation leaves the index as it was. O(boxes).
void LevelIndex_addSearch(LevelIndex* index);

// 1 when the index has its hash slots (LevelIndex_search may be called), else 0.
int LevelIndex_searchable(const LevelIndex* index);

// The number of boxes of the level. O(1).
int64_t LevelIndex_count(const LevelIndex* index);

// For each of count points (dim doubles each, point k at points[k*dim]), the
// number of the box at the index's level that contains it, or 0 when there
// is none (outside the rectangle, in a removed box, a NaN coordinate),
// written to numbers[k]. Needs the hash slots (LevelIndex_searchable).
// Allocates nothing; interruptible (Interrupt_poll). O(count * dim).
void LevelIndex_search(const LevelIndex* index, const double* points, int64_t count, double* numbers);

// Tree_samples (Covering.h) for the boxes first to last (1 <= first, last <=
// the count) of the index's level: the same points to the last bit, since
// the faces are the cell bounds, which are the walk's centres. Allocates
// nothing; interruptible. O(points written).
void LevelIndex_samples(const LevelIndex* index, int64_t first, int64_t last, const double* offsets,
                        int64_t count, double* points);

// Tree_faces (Meets.h) for the boxes first to last (1 <= first, last <= the
// count) of the index's level: the cell bounds, which are the walk's
// centres, so the same faces to the last bit. Allocates nothing;
// interruptible. O(boxes written * dim).
void LevelIndex_faces(const LevelIndex* index, int64_t first, int64_t last, double* lower, double* upper);

// Tree_boxes for the index's level: centres (and radii, unless null) of every
// box, dim doubles each, in number order. Allocates nothing; interruptible.
// O(boxes).
void LevelIndex_boxes(const LevelIndex* index, double* centers, double* radii);

// Releases the index and nulls *index; null does nothing. O(1).
void LevelIndex_free(LevelIndex** index);

#endif
