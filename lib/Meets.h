// Boxes against rectangles: which boxes at a depth meet which of many
// axis-parallel rectangles, and the exact faces of the boxes. These are the
// queries of certified (outer) images: the enclosure of a box's image is a
// rectangle, and every box that the enclosure touches must be found.
//
// Faces. The walk (Tree_down) computes each box's centre in floating point,
// and search sends a point to a box's upper half when it is at or above that
// computed centre. So the box that search assigns points to has as its faces
// exactly the computed centres of its ancestors (and the root rectangle's
// c - r and c + r, computed in double): the set of points that search puts
// into box k is the half-open product of [lower, upper) over the coordinates
// (with the root rectangle's own upper faces included), where lower and
// upper are those doubles. They can differ from the box's c -+ r (as boxes
// gives c and r) by a few rounding errors when the root's centre or radius
// is not a short binary fraction; these operations use the faces, so a
// rectangle holding a box's faces holds every point search assigns to it,
// and no comparison here rounds.
//
// Meeting. A rectangle is closed: { x : lower <= x <= upper }. It meets a box
// when it meets the box's closed hull, lower <= box upper face and upper >=
// box lower face in every coordinate. That counts a rectangle that only
// touches a box's upper face, which the half-open box does not hold, and so
// on a face shared by two neighbours both are found: the answer is outer,
// never missing a box that the rectangle holds a point of. A rectangle with
// lower > upper along some coordinate (or a NaN corner) is empty and meets
// nothing; infinite corners are allowed.
//
// Boxes at a depth are numbered 1..n in pre-order, as in Covering.h. Every
// operation walks with the record it is given and leaves its walk at the
// root; none changes the tree, but the query writes box numbers into the
// boxes' number fields (as the walking search does).
#ifndef BOXGRAPH_MEETS_H
#define BOXGRAPH_MEETS_H

#include <stdint.h>

#include "Alloc.h"
#include "TreeRecords.h"

// The incidence of boxes and rectangles in compressed columns: the boxes
// that rectangle j (0-based) meets are boxes[starts[j]] .. boxes[starts[j +
// 1] - 1], box numbers (1..n) ascending. Owned by the caller; release with
// BoxMeets_free.
typedef struct BoxMeets {
    int64_t count;                  // rectangles
    CheckedVector<int64_t> starts;  // count + 1 entries, starts[0] = 0
    CheckedVector<int32_t> boxes;   // starts[count] entries
} BoxMeets;

// The boxes at depth that each of count rectangles meets. Rectangle j has
// the corners lower[j * dim ...] and upper[j * dim ...] (dim doubles each).
// Returns a new record (checked allocations; a failure releases what was
// made, changes nothing and throws). Cost: one walk numbering the boxes down
// to depth, then per rectangle a descent that enters only boxes whose hull
// the rectangle meets: O(depth) for a rectangle meeting a few neighbouring
// boxes, O(boxes met) amortised for a large one, plus the boxes on the way
// that turn out to hold none (removed parts of the level). Interruptible
// between rectangles.
BoxMeets* Tree_meets(Tree* tree, int32_t depth, const double* lower, const double* upper,
                     int64_t count);

// Releases the record and nulls *meets; null does nothing. O(1).
void BoxMeets_free(BoxMeets** meets);

// Tree_meets, keeping only whether each box is met at all: met[k - 1] is set
// to 1 for every box k at depth that some rectangle meets and left as it was
// otherwise; met holds Tree_count(depth) bytes. No allocation beyond the
// walk's. Same cost.
void Tree_meetsAny(Tree* tree, int32_t depth, const double* lower, const double* upper,
                   int64_t count, uint8_t* met);

// The faces of the boxes numbered first to last (1-based, clamped to the
// level) at depth, in number order: box k's lower faces to lower[(k -
// first) * dim ...] and its upper faces to upper[(k - first) * dim ...].
// Allocates nothing. O(boxes down to depth up to box last, + depth per box
// written).
void Tree_faces(Tree* tree, int32_t depth, int64_t first, int64_t last, double* lower,
                double* upper);

#endif
