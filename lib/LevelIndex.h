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
// read. Checked allocations: about 14 bytes per box at depth (levels up to 32
// deep; 28 deeper) for the index, and on the way down at most 36 per box of
// the widest level above it, given back before it returns. Release with
// LevelIndex_free. O(boxes above depth + boxes at depth).
LevelIndex* LevelIndex_new(const Tree* tree, int32_t depth);

// For each of count points (dim doubles each, point k at points[k*dim]), the
// number of the box at the index's level that contains it, or 0 when there
// is none (outside the rectangle, in a removed box, a NaN coordinate),
// written to numbers[k]. Allocates nothing; interruptible (Interrupt_poll).
// O(count * dim).
void LevelIndex_search(const LevelIndex* index, const double* points, int64_t count, double* numbers);

// Releases the index and nulls *index; null does nothing. O(1).
void LevelIndex_free(LevelIndex** index);

#endif
