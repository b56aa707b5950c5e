#include "Covering.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "Alloc.h"
#include "Box.h"
#include "Interrupt.h"
#include "LevelIndex.h"
#include "Owner.h"
#include "Portability.h"
#include "Tree.h"

namespace {

int32_t maxDepthOf(const Tree* tree)
{
    return TREE_DEPTH_PER_DIM * tree->rect->dim;
}

// Calls visit() with the walk standing at each box down to maxDepth, in
// pre-order. An interruptible walk may end at an interrupt (Interrupt_poll
// throws); one that changes the tree as it goes must not.
template <class Visit>
void forEachBox(Tree* tree, int32_t maxDepth, Visit visit, bool interruptible = true)
{
    Tree_reset(tree);
    if (tree->current == nullptr)
        return;
    do {
        if (interruptible)
            Interrupt_poll();
        visit();
    } while (Tree_next(tree, maxDepth));
}

// Calls visit() with the walk standing at each box at depth, in number order.
template <class Visit>
void forEachAt(Tree* tree, int32_t depth, Visit visit, bool interruptible = true)
{
    forEachBox(tree, depth, [&] {
        if (tree->depth == depth)
            visit();
    }, interruptible);
}

// Whether the point lies in the closed root rectangle (a NaN never does).
bool insideRectangle(const Rectangle* rect, const double* x)
{
    for (int k = 0; k < rect->dim; ++k) {
        const double lo = rect->center[k] - rect->radius[k];
        const double hi = rect->center[k] + rect->radius[k];
        if (!(x[k] >= lo && x[k] <= hi))
            return false;
    }
    return true;
}

// ---- the walk search, for any tree

// Box numbers at depth in Box.number.
void numberLevel(Tree* tree, int32_t depth)
{
    int32_t n = 0;
    forEachAt(tree, depth, [&] { tree->current->number = ++n; });
}

// The number of the box at depth containing x, by descending from the root:
// the upper half when x is at or above the centre along the box's split.
double walkTo(Tree* tree, int32_t depth, const double* x)
{
    Tree_reset(tree);
    if (tree->current == nullptr || !insideRectangle(tree->rect, x))
        return 0;
    while (tree->depth < depth) {
        const int k = tree->current->split;
        if (!Tree_down(tree, x[k] >= tree->c[k] ? 1 : 0))
            return 0;
    }
    return tree->current->number;
}

// ---- levels listed breadth first

// The boxes of each level in number order come from those of the level above
// in number order, each one's lower half before its upper half; the boxes
// are fetched this far ahead of their turn, so that their reads overlap.
constexpr size_t kListAhead = 32;

// The boxes at depth in number order, with each one's centre and radius
// computed as the walk computes them (radius halved, centre moved by it):
// cells[i * 2 * dim ...] holds box i + 1's centre, then its radius. Visits
// every box down to depth once; working memory the boxes and cells of two
// adjacent levels. Interruptible between levels.
void listLevel(const Tree* tree, int32_t depth, CheckedVector<const Box*>& boxes,
               CheckedVector<double>& cells)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    boxes.clear();
    cells.clear();
    if (tree->root == nullptr || depth < 0)
        return;
    boxes.assign(1, tree->root);
    cells.resize(2 * dim);
    memcpy(cells.data(), tree->rect->center, dim * sizeof(double));
    memcpy(cells.data() + dim, tree->rect->radius, dim * sizeof(double));
    CheckedVector<const Box*> nextBoxes;
    CheckedVector<double> nextCells;
    for (int32_t l = 0; l < depth && !boxes.empty(); ++l) {
        Interrupt_poll();
        const size_t n = boxes.size();
        nextBoxes.resize(2 * n);
        nextCells.resize(2 * n * 2 * dim);
        size_t at = 0;
        for (size_t i = 0; i < n; ++i) {
            if (i + kListAhead < n)
                BOXGRAPH_PREFETCH(boxes[i + kListAhead]);
            const Box* box = boxes[i];
            const int k = box->split;
            for (int half = 0; half < 2; ++half) {
                const Box* child = box->child[half];
                if (child == nullptr || k >= tree->rect->dim)
                    continue;
                double* cell = nextCells.data() + at * 2 * dim;
                memcpy(cell, cells.data() + i * 2 * dim, 2 * dim * sizeof(double));
                cell[dim + k] = cell[dim + k] * 0.5;
                cell[k] = half == 0 ? cell[k] - cell[dim + k] : cell[k] + cell[dim + k];
                nextBoxes[at++] = child;
            }
        }
        nextBoxes.resize(at);
        nextCells.resize(at * 2 * dim);
        boxes.swap(nextBoxes);
        cells.swap(nextCells);
    }
}

// ---- changes

// Releases a chain of boxes linked through child[0].
void freeChain(Box* chain)
{
    while (chain != nullptr) {
        Box* next = chain->child[0];
        Box_free(&chain);
        chain = next;
    }
}

// Insert marks the boxes it makes in Box.data (0 on every other box): bit 0
// says the box is new, bits 8 to 15 keep its parent's split from before the
// call, so a failure can undo every change. The marks are cleared when the
// call succeeds.
constexpr uint32_t kNew = 1;

uint32_t newMark(const Box* parent)
{
    return kNew | (static_cast<uint32_t>(parent->split) << 8);
}

// Removes every marked box (with what is below it) and gives back the splits
// it changed; clears every mark.
void undoInsert(Tree* tree)
{
    if (tree->root != nullptr && (tree->root->data & kNew) != 0) {
        Box_freeTree(&tree->root);
        Tree_reset(tree);
        return;
    }
    forEachBox(tree, INT32_MAX, [&] {
        Box* box = tree->current;
        for (int i = 0; i < 2; ++i) {
            Box*& child = box->child[i];
            if (child != nullptr && (child->data & kNew) != 0) {
                box->split = static_cast<uint8_t>(child->data >> 8);
                Box_freeTree(&child);
            }
        }
    }, false);
}

void clearMarks(Tree* tree)
{
    forEachBox(tree, INT32_MAX, [&] { tree->current->data = 0; }, false);
}

// The deepest level holding a box (-1 for none) and, if n is given, how many
// boxes it holds, in one walk.
int32_t deepestLevel(Tree* tree, int64_t* n = nullptr)
{
    int32_t deepest = -1;
    int64_t count = 0;
    forEachBox(tree, INT32_MAX, [&] {
        if (tree->depth > deepest) {
            deepest = tree->depth;
            count = 0;
        }
        count += tree->depth == deepest;
    });
    Tree_reset(tree);
    if (n != nullptr)
        *n = count;
    return deepest;
}

}  // namespace

int32_t Tree_depth(Tree* tree)
{
    return deepestLevel(tree);
}

int64_t Tree_count(Tree* tree, int32_t depth)
{
    int64_t n = 0;
    forEachAt(tree, depth, [&] { ++n; });
    Tree_reset(tree);
    return n;
}

void Tree_boxes(Tree* tree, int32_t depth, double* centers, double* radii)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    CheckedVector<const Box*> boxes;
    CheckedVector<double> cells;
    listLevel(tree, depth, boxes, cells);
    for (size_t i = 0; i < boxes.size(); ++i) {
        memcpy(centers + i * dim, cells.data() + i * 2 * dim, dim * sizeof(double));
        if (radii != nullptr)
            memcpy(radii + i * dim, cells.data() + i * 2 * dim + dim, dim * sizeof(double));
    }
}

void Tree_samples(Tree* tree, int32_t depth, int64_t first, int64_t last, const double* offsets,
                  int64_t count, double* points)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    CheckedVector<const Box*> boxes;
    CheckedVector<double> cells;
    listLevel(tree, depth, boxes, cells);
    const auto end = std::min<int64_t>(last, static_cast<int64_t>(boxes.size()));
    for (int64_t b = std::max<int64_t>(first, 1); b <= end; ++b) {
        const double* c = cells.data() + static_cast<size_t>(b - 1) * 2 * dim;
        const double* r = c + dim;
        const double* o = offsets;
        for (int64_t j = 0; j < count; ++j)
            for (size_t k = 0; k < dim; ++k)
                *points++ = c[k] + r[k] * *o++;
    }
}

TreeStatus Tree_subdivide(Tree* tree, int64_t* added)
{
    *added = 0;
    int64_t n = 0;
    const int32_t deepest = deepestLevel(tree, &n);
    if (deepest < 0)
        return TREE_OK;
    if (deepest >= maxDepthOf(tree))
        return TREE_TOO_DEEP;
    const int k = tree->sd[deepest];
    if (k >= tree->rect->dim)
        return TREE_BAD_SPLIT;
    if (2 * n > INT32_MAX)
        return TREE_TOO_MANY;

    // The new boxes, made before any is linked: a chain through child[0],
    // released whole when making one fails or an interrupt ends the call.
    Owner<Box, freeChain> made;
    for (int64_t i = 0; i < 2 * n; ++i) {
        Interrupt_poll();
        Box* box = Box_new();
        box->child[0] = made.release();
        made.reset(box);
    }
    Box* chain = made.release();
    forEachAt(tree, deepest, [&] {
        Box* box = tree->current;
        box->split = static_cast<uint8_t>(k);
        for (int i = 0; i < 2; ++i) {
            Box* half = chain;
            chain = half->child[0];
            half->child[0] = nullptr;
            box->child[i] = half;
        }
    }, false);
    Tree_reset(tree);
    *added = 2 * n;
    return TREE_OK;
}

void Tree_search(Tree* tree, int32_t depth, const double* points, int64_t count, double* numbers)
{
    const bool empty = depth < 0 || tree->root == nullptr;
    const Owner<LevelIndex, LevelIndex_free> index(empty ? nullptr : LevelIndex_new(tree, depth));
    if (empty) {
        for (int64_t i = 0; i < count; ++i)
            numbers[i] = 0;
    } else if (index) {
        LevelIndex_search(index.get(), points, count, numbers);
    } else {
        const size_t dim = static_cast<size_t>(tree->rect->dim);
        numberLevel(tree, depth);
        for (int64_t i = 0; i < count; ++i) {
            Interrupt_poll();
            numbers[i] = walkTo(tree, depth, points + static_cast<size_t>(i) * dim);
        }
    }
    Tree_reset(tree);
}

TreeStatus Tree_insert(Tree* tree, int32_t depth, const double* points, int64_t count,
                       int64_t* added)
{
    *added = 0;
    if (depth > maxDepthOf(tree))
        return TREE_TOO_DEEP;
    for (int32_t l = 0; l < depth; ++l)
        if (tree->sd[l] >= tree->rect->dim)
            return TREE_BAD_SPLIT;
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    int64_t made = 0;
    try {
        for (int64_t p = 0; p < count; ++p) {
            Interrupt_poll();  // undoInsert takes back what the call made so far
            const double* x = points + static_cast<size_t>(p) * dim;
            if (!insideRectangle(tree->rect, x))
                continue;
            if (tree->root == nullptr) {
                tree->root = Box_new();
                tree->root->data = kNew;
                made += depth == 0;
            }
            Tree_reset(tree);
            while (tree->depth < depth) {
                Box* box = tree->current;
                // A box that gets its first half is split along sd; its split
                // changes only once that half exists, so a failed allocation
                // leaves nothing to undo here.
                const bool bare = box->child[0] == nullptr && box->child[1] == nullptr;
                const int k = bare ? tree->sd[tree->depth] : box->split;
                const int i = x[k] >= tree->c[k] ? 1 : 0;
                if (box->child[i] == nullptr) {
                    Box* child = Box_new();
                    child->data = newMark(box);
                    box->split = static_cast<uint8_t>(k);
                    box->child[i] = child;
                    made += tree->depth + 1 == depth;
                }
                Tree_down(tree, i);
            }
        }
    } catch (...) {
        undoInsert(tree);
        Tree_reset(tree);
        throw;
    }
    clearMarks(tree);
    Tree_reset(tree);
    *added = made;
    return TREE_OK;
}

void Tree_keep(Tree* tree, int32_t depth, const uint8_t* mask, int64_t* kept)
{
    *kept = 0;
    // A frame is a box on the path, the child to look at next, and whether
    // the box had children when the walk came to it.
    struct Frame {
        Box* box;
        int next;
        bool hadChildren;
    };
    CheckedVector<Frame> path;
    path.reserve(static_cast<size_t>(depth) + 1);  // the one allocation, before any change
    Tree_reset(tree);
    if (tree->root == nullptr)
        return;
    // Unlinks the box on top of the path from its parent (or the root) and releases it.
    auto removeTop = [&] {
        Box* box = path.back().box;
        path.pop_back();
        if (path.empty())
            tree->root = nullptr;
        else
            path.back().box->child[path.back().next - 1] = nullptr;
        Box_freeTree(&box);
    };
    int64_t number = 0;
    path.push_back({tree->root, 0, tree->root->child[0] != nullptr || tree->root->child[1] != nullptr});
    while (!path.empty()) {
        Frame& top = path.back();
        if (static_cast<int32_t>(path.size()) - 1 == depth) {
            if (mask[number++] != 0) {
                ++*kept;
                path.pop_back();
            } else {
                removeTop();
            }
            continue;
        }
        if (top.next < 2) {
            Box* child = top.box->child[top.next++];
            if (child != nullptr)
                path.push_back({child, 0, child->child[0] != nullptr || child->child[1] != nullptr});
            continue;
        }
        if (top.hadChildren && top.box->child[0] == nullptr && top.box->child[1] == nullptr)
            removeTop();
        else
            path.pop_back();
    }
    Tree_reset(tree);
}

void Tree_coarsen(Tree* tree, int32_t depth, const uint8_t* mask, int64_t* count)
{
    int64_t n = 0;
    // The walk stays at depth: Tree_next goes no deeper, so the children
    // released under the box it stands at are never visited.
    forEachAt(tree, depth, [&] {
        Box* box = tree->current;
        if (mask == nullptr || mask[n] != 0) {
            Box_freeTree(&box->child[0]);
            Box_freeTree(&box->child[1]);
        }
        ++n;
    }, false);
    Tree_reset(tree);
    *count = n;
}
