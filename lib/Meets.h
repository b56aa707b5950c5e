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

// Which boxes rectangles meet, in one of three forms. Lists: the boxes that
// rectangle j (0-based) meets are boxes[starts[j]] .. boxes[starts[j + 1] -
// 1], box numbers (1..n) ascending: the compressed columns of the n-by-count
// incidence. Any: met[k - 1] is 1 when some rectangle meets box k, else 0.
// Missing: the boxes at the depth that the rectangles meet and the tree
// lacks, those Tree_insert would make there, each by the lower corner of
// its faces (dim doubles, corners[q * dim ...]); a box's lower corner lies
// in it, so inserting the corners makes exactly these boxes (a box without
// interior, narrower than the doubles around it, holds no point and is not
// listed). Sorted by coordinates, each box once. Owned by the caller;
// release with BoxMeets_free.
typedef enum { BOX_MEETS_LISTS, BOX_MEETS_ANY, BOX_MEETS_MISSING } BoxMeetsForm;

typedef struct BoxMeets {
    int64_t boxCount;               // n, the boxes at the depth
    int64_t count;                  // rectangles
    CheckedVector<int64_t> starts;  // lists: count + 1 entries, starts[0] = 0
    CheckedVector<int32_t> boxes;   // lists: starts[count] entries
    CheckedVector<uint8_t> met;     // any: n entries
    CheckedVector<double> corners;  // missing: dim doubles per box
} BoxMeets;

// The boxes at depth that each of count rectangles meets. Rectangle j has
// the corners lower[j * dim ...] and upper[j * dim ...] (dim doubles each).
// Returns a new record (checked allocations; a failure releases what was
// made, changes nothing and throws). Interruptible.
//
// How: on a level whose boxes split along one coordinate per depth (as
// subdivision and insertion make them; at most 64 deep, with cell tables no
// larger than the search's index allows), the boxes are cells of a grid
// whose cut points along each coordinate are the walk's centres. A
// rectangle meeting at most 256 cells has the lower corner of each cell
// searched (Tree_search, whose index finds a point's box by arithmetic),
// many rectangles' corners in one call; every box found is met. Larger
// rectangles, and every rectangle on other levels, are answered by a
// descent from the deepest box whose hull holds the rectangle strictly
// (reached from where the last rectangle left it), entering only boxes
// whose hulls the rectangle meets.
//
// Cost: a breadth-first pass over the boxes above depth, then per small
// rectangle on a regular level the search of its cells' corners (the cells
// its bounding cells span, so a little more than the boxes met, each about
// a search of one point); per other rectangle a few levels of climbing and
// descending plus O(1) per box met, O(depth) per box met at worst, and one
// walk numbering the level when the first such rectangle comes. The missing
// boxes come from one descent per rectangle through the tree and the boxes
// insertion would add (split along sd where a box has no halves yet, as
// Tree_insert splits them; a depth down to 500 * dim): O(depth + boxes
// visited), where the boxes visited include every box the rectangle meets
// down to the depth, present or not, and sorting them. Working
// memory: the corners of up to about 2^18 cells at a time (dim + 1 doubles
// each), the boxes of two adjacent levels, and the cell tables.
BoxMeets* Tree_meets(Tree* tree, int32_t depth, const double* lower, const double* upper,
                     int64_t count, BoxMeetsForm form);

// Releases the record and nulls *meets; null does nothing. O(1).
void BoxMeets_free(BoxMeets** meets);

// The faces of the boxes numbered first to last (1-based, clamped to the
// level) at depth, in number order: box k's lower faces to lower[(k -
// first) * dim ...] and its upper faces to upper[(k - first) * dim ...].
// Allocates nothing. O(boxes down to depth up to box last, + depth per box
// written).
void Tree_faces(Tree* tree, int32_t depth, int64_t first, int64_t last, double* lower,
                double* upper);

#endif
