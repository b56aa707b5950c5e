#include "Covering.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "Alloc.h"
#include "Box.h"
#include "Portability.h"
#include "Tree.h"

namespace {

int32_t maxDepthOf(const Tree* tree)
{
    return TREE_DEPTH_PER_DIM * tree->rect->dim;
}

// Calls visit() with the walk standing at each box at depth, in number order.
template <class Visit>
void forEachAt(Tree* tree, int32_t depth, Visit visit)
{
    Tree_reset(tree);
    if (tree->current == nullptr)
        return;
    do {
        if (tree->depth == depth)
            visit();
    } while (Tree_next(tree, depth));
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

// Box numbers at depth in Box.number; returns how many there are.
int64_t numberLevel(Tree* tree, int32_t depth)
{
    int64_t n = 0;
    forEachAt(tree, depth, [&] { tree->current->number = static_cast<int32_t>(++n); });
    return n;
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

// ---- the indexed search, for levels whose boxes split along one coordinate per depth

// What the indexed search knows of a level: per depth above it the one split
// coordinate, and the boxes' paths as d-bit keys (the child taken at depth 0
// as the highest bit). Keys come out of the pre-order walk already sorted,
// so a box's number is its key's position + 1.
struct Level {
    bool regular = true;
    CheckedVector<int> splits;  // per depth above the level; -1 where no box has children
    int64_t count = 0;        // boxes at the level
};

// One pass over the boxes down to depth: the level's split coordinates and
// whether every box above it that has children follows them.
Level surveyLevel(Tree* tree, int32_t depth)
{
    Level level;
    level.splits.assign(static_cast<size_t>(depth), -1);
    Tree_reset(tree);
    if (tree->current == nullptr)
        return level;
    do {
        const Box* box = tree->current;
        if (tree->depth == depth) {
            ++level.count;
        } else if (box->child[0] != nullptr || box->child[1] != nullptr) {
            int& split = level.splits[static_cast<size_t>(tree->depth)];
            if (split < 0)
                split = box->split;
            else if (split != box->split)
                level.regular = false;
        }
    } while (Tree_next(tree, depth));
    return level;
}

// Locating a point's cell, coordinate by coordinate: along a coordinate split
// m times above the level the boxes cut the rectangle into G = 2^m cells, and
// bounds[j] is the lower end of cell j exactly as the walk computes it (the
// centre of the box whose split created that end). A first guess by
// arithmetic is moved to the cell the walk would reach, so both searches
// agree to the last bit.
struct Axis {
    int m = 0;
    double lo = 0, hi = 0, scale = 0;
    CheckedVector<double> bounds;            // G + 1 entries
    CheckedVector<uint64_t> spread;          // per byte of the cell index: 256 key contributions

    // The walk reaches cell g when bounds[g] <= x < bounds[g + 1] (inner
    // bounds only: the rectangle's ends were checked before), that is g is
    // the number of inner bounds at or below x.
    int64_t cell(double x) const
    {
        const int64_t last = (static_cast<int64_t>(1) << m) - 1;
        // Clamped before the conversion: a side too long for a double gives
        // scale 0 and an infinite x - lo, so the guess can be NaN.
        const double guess = (x - lo) * scale;
        const int64_t g = guess > 0 ? (guess < static_cast<double>(last) ? static_cast<int64_t>(guess) : last) : 0;
        const double* b = bounds.data();
        if ((g == 0 || b[g] <= x) && (g == last || x < b[g + 1]))
            return g;
        if (g > 0 && x < b[g] && (g == 1 || b[g - 1] <= x))
            return g - 1;
        if (g < last && b[g + 1] <= x && (g + 1 == last || x < b[g + 2]))
            return g + 1;
        return std::upper_bound(b + 1, b + last + 1, x) - (b + 1);
    }
};

// A hash index from key to position in the sorted key array. A slot holds
// the position + 1 in its low 32 bits (0: empty) and the high 32 bits of the
// key's hash above them, so most probes that miss never read the key array.
struct Index {
    CheckedVector<uint64_t> keys;
    CheckedVector<uint64_t> slots;
    uint64_t mask = 0;

    static uint64_t mix(uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    static constexpr uint64_t kLow = 0xffffffffULL;
    uint64_t slotOf(uint64_t hash) const { return hash & mask; }

    void add(uint64_t key, uint32_t position)
    {
        const uint64_t hash = mix(key);
        uint64_t s = slotOf(hash);
        while (slots[s] != 0)
            s = (s + 1) & mask;
        slots[s] = (hash & ~kLow) | (static_cast<uint64_t>(position) + 1);
    }

    double find(uint64_t key, uint64_t hash) const
    {
        const uint64_t tag = hash & ~kLow;
        for (uint64_t s = slotOf(hash);; s = (s + 1) & mask) {
            const uint64_t slot = slots[s];
            if (slot == 0)
                return 0;
            const uint64_t position = (slot & kLow) - 1;
            if ((slot & ~kLow) == tag && keys[position] == key)
                return static_cast<double>(position + 1);
        }
    }
};

// Cells per axis that the index may tabulate: beyond this the level is
// walked, which needs no memory.
constexpr int kMaxAxisBits = 22;

// Builds the axes and the index of a regular level; false when the level is
// too deep for 64-bit keys or its cell tables would outweigh the boxes.
bool buildIndex(Tree* tree, int32_t depth, const Level& level, CheckedVector<Axis>& axes,
                Index& index)
{
    const Rectangle* rect = tree->rect;
    if (depth > 64)
        return false;
    for (int k = 0; k < rect->dim; ++k)
        if (!(rect->radius[k] > 0 && rect->radius[k] < INFINITY && fabs(rect->center[k]) < INFINITY))
            return false;  // such rectangles are walked: their bounds need not be ordered
    axes.assign(static_cast<size_t>(rect->dim), Axis{});
    CheckedVector<CheckedVector<int32_t>> levelsOf(static_cast<size_t>(rect->dim));
    for (int32_t l = 0; l < depth; ++l) {
        const int k = level.splits[static_cast<size_t>(l)];
        if (k < 0)
            return false;  // no box at depth: nothing to index (the caller checks count first)
        levelsOf[static_cast<size_t>(k)].push_back(l);
    }
    uint64_t cells = 0;
    for (const auto& levels : levelsOf) {
        if (levels.size() > static_cast<size_t>(kMaxAxisBits))
            return false;
        cells += static_cast<uint64_t>(1) << levels.size();
    }
    if (cells > 65536 && cells > 4 * static_cast<uint64_t>(level.count))
        return false;

    for (int k = 0; k < rect->dim; ++k) {
        Axis& axis = axes[static_cast<size_t>(k)];
        const CheckedVector<int32_t>& levels = levelsOf[static_cast<size_t>(k)];
        axis.m = static_cast<int>(levels.size());
        axis.lo = rect->center[k] - rect->radius[k];
        axis.hi = rect->center[k] + rect->radius[k];
        const size_t g = static_cast<size_t>(1) << axis.m;
        axis.scale = static_cast<double>(g) / (axis.hi - axis.lo);
        if (!(axis.scale < INFINITY))
            axis.scale = 0;  // a side too thin to divide: the bounds alone decide
        // Cell bounds: the centres of the boxes that split along k, level by
        // level, computed as the walk does (radius halved, centre moved by it).
        axis.bounds.assign(g + 1, 0.0);
        axis.bounds[0] = axis.lo;
        axis.bounds[g] = axis.hi;
        if (axis.m > 0)
            axis.bounds[g / 2] = rect->center[k];
        double r = rect->radius[k];
        for (int j = 1; j < axis.m; ++j) {
            r = r * 0.5;
            const size_t h = g >> (j + 1);
            for (size_t q = h; q < g; q += 2 * h)
                axis.bounds[q] = (q / h) % 4 == 1 ? axis.bounds[q + h] - r : axis.bounds[q - h] + r;
        }
        // Key contributions: bit i of the cell index is the child taken at the
        // (m - i)-th split along k, which is key bit depth - 1 - that level.
        const int bytes = (axis.m + 7) / 8;
        axis.spread.assign(static_cast<size_t>(bytes) * 256, 0);
        for (int b = 0; b < bytes; ++b) {
            for (int v = 0; v < 256; ++v) {
                uint64_t key = 0;
                for (int t = 0; t < 8; ++t) {
                    const int i = 8 * b + t;
                    if (i < axis.m && (v >> t) & 1) {
                        const int32_t l = levels[static_cast<size_t>(axis.m - 1 - i)];
                        key |= static_cast<uint64_t>(1) << (depth - 1 - l);
                    }
                }
                axis.spread[static_cast<size_t>(b) * 256 + static_cast<size_t>(v)] = key;
            }
        }
    }

    // The keys in pre-order, then the hash slots (at most half full).
    index.keys.reserve(static_cast<size_t>(level.count));
    size_t capacity = 16;
    while (capacity < 2 * static_cast<size_t>(level.count))
        capacity *= 2;
    index.slots.assign(capacity, 0);
    index.mask = capacity - 1;
    Tree_reset(tree);
    do {
        if (tree->depth == depth) {
            uint64_t key = 0;
            for (int32_t l = 0; l < depth; ++l)
                key = (key << 1) | static_cast<uint64_t>(tree->child_stack[l]);
            index.add(key, static_cast<uint32_t>(index.keys.size()));
            index.keys.push_back(key);
        }
    } while (Tree_next(tree, depth));
    return true;
}

// The key of the cell holding x, or false when x is outside the rectangle.
bool keyOf(const CheckedVector<Axis>& axes, const double* x, uint64_t* key)
{
    uint64_t k = 0;
    for (size_t a = 0; a < axes.size(); ++a) {
        const Axis& axis = axes[a];
        if (!(x[a] >= axis.lo && x[a] <= axis.hi))
            return false;
        if (axis.m == 0)
            continue;
        uint64_t g = static_cast<uint64_t>(axis.cell(x[a]));
        for (const uint64_t* table = axis.spread.data(); g != 0; g >>= 8, table += 256)
            k |= table[g & 255];
    }
    *key = k;
    return true;
}

void indexedSearch(const CheckedVector<Axis>& axes, const Index& index, const double* points,
                   int64_t count, double* numbers)
{
    // Points go in blocks: first every key and the slot it hashes to is
    // fetched, then the slots are probed, so the memory reads of a block
    // overlap instead of waiting one after another.
    constexpr int64_t kBlock = 16;
    const size_t dim = axes.size();
    uint64_t keys[kBlock];
    uint64_t hashes[kBlock];
    bool inside[kBlock];
    for (int64_t first = 0; first < count; first += kBlock) {
        const int64_t n = count - first < kBlock ? count - first : kBlock;
        for (int64_t i = 0; i < n; ++i) {
            inside[i] = keyOf(axes, points + static_cast<size_t>(first + i) * dim, &keys[i]);
            hashes[i] = Index::mix(keys[i]);
            BOXGRAPH_PREFETCH(&index.slots[index.slotOf(hashes[i])]);
        }
        for (int64_t i = 0; i < n; ++i)
            numbers[first + i] = inside[i] ? index.find(keys[i], hashes[i]) : 0;
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
    Tree_reset(tree);
    if (tree->current == nullptr)
        return;
    do {
        Box* box = tree->current;
        for (int i = 0; i < 2; ++i) {
            Box*& child = box->child[i];
            if (child != nullptr && (child->data & kNew) != 0) {
                box->split = static_cast<uint8_t>(child->data >> 8);
                Box_freeTree(&child);
            }
        }
    } while (Tree_next(tree, INT32_MAX));
}

void clearMarks(Tree* tree)
{
    Tree_reset(tree);
    if (tree->current == nullptr)
        return;
    do
        tree->current->data = 0;
    while (Tree_next(tree, INT32_MAX));
}

}  // namespace

int32_t Tree_depth(Tree* tree)
{
    Tree_reset(tree);
    if (tree->current == nullptr)
        return -1;
    int32_t deepest = 0;
    do {
        if (tree->depth > deepest)
            deepest = tree->depth;
    } while (Tree_next(tree, INT32_MAX));
    Tree_reset(tree);
    return deepest;
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
    size_t at = 0;
    forEachAt(tree, depth, [&] {
        memcpy(centers + at, tree->c, dim * sizeof(double));
        if (radii != nullptr)
            memcpy(radii + at, tree->r, dim * sizeof(double));
        at += dim;
    });
    Tree_reset(tree);
}

TreeStatus Tree_subdivide(Tree* tree, int64_t* added)
{
    *added = 0;
    const int32_t deepest = Tree_depth(tree);
    if (deepest < 0)
        return TREE_OK;
    if (deepest >= maxDepthOf(tree))
        return TREE_TOO_DEEP;
    const int k = tree->sd[deepest];
    if (k >= tree->rect->dim)
        return TREE_BAD_SPLIT;
    const int64_t n = Tree_count(tree, deepest);
    if (2 * n > INT32_MAX)
        return TREE_TOO_MANY;

    Box* chain = nullptr;
    try {
        for (int64_t i = 0; i < 2 * n; ++i) {
            Box* box = Box_new();
            box->child[0] = chain;
            chain = box;
        }
    } catch (...) {
        freeChain(chain);
        throw;
    }
    forEachAt(tree, deepest, [&] {
        Box* box = tree->current;
        box->split = static_cast<uint8_t>(k);
        for (int i = 0; i < 2; ++i) {
            Box* half = chain;
            chain = half->child[0];
            half->child[0] = nullptr;
            box->child[i] = half;
        }
    });
    Tree_reset(tree);
    *added = 2 * n;
    return TREE_OK;
}

void Tree_search(Tree* tree, int32_t depth, const double* points, int64_t count, double* numbers)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    const Level level = surveyLevel(tree, depth);
    if (level.count == 0) {
        for (int64_t i = 0; i < count; ++i)
            numbers[i] = 0;
    } else {
        CheckedVector<Axis> axes;
        Index index;
        if (level.regular && buildIndex(tree, depth, level, axes, index)) {
            indexedSearch(axes, index, points, count, numbers);
        } else {
            numberLevel(tree, depth);
            for (int64_t i = 0; i < count; ++i)
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
                if (box->child[0] == nullptr && box->child[1] == nullptr)
                    box->split = tree->sd[tree->depth];
                const int k = box->split;
                const int i = x[k] >= tree->c[k] ? 1 : 0;
                if (box->child[i] == nullptr) {
                    Box* child = Box_new();
                    child->data = newMark(box);
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
