#include "Meets.h"

#include <stdlib.h>

#include <new>

#include "Interrupt.h"
#include "Tree.h"

namespace {

// Whether the closed rectangle is not empty and meets the closed root
// rectangle, whose faces are c - r and c + r as the search computes them.
bool meetsRoot(const Rectangle* rect, const double* lower, const double* upper)
{
    for (int k = 0; k < rect->dim; ++k) {
        const double lo = rect->center[k] - rect->radius[k];
        const double hi = rect->center[k] + rect->radius[k];
        if (!(lower[k] <= upper[k] && lower[k] <= hi && upper[k] >= lo))
            return false;
    }
    return true;
}

// Calls found(box) for every box at depth whose hull the rectangle meets,
// in number order, with the walk standing at the box; the walk ends at the
// root. A box's hull is its parent's with one face moved to the parent's
// centre along the split, so entering a child takes one comparison: the
// lower half's hull ends at the centre (the rectangle must reach down to
// it), the upper half's begins there. The centre is the walk's own, so the
// faces compared are exactly those the search uses.
template <class Found>
void descend(Tree* tree, int32_t depth, const double* lower, const double* upper, Found found)
{
    Tree_reset(tree);
    if (tree->current == nullptr || depth < 0 || !meetsRoot(tree->rect, lower, upper))
        return;
    const int dim = tree->rect->dim;
    auto enter = [&](int i) {
        const Box* box = tree->current;
        const int k = box->split;
        if (box->child[i] == nullptr || k >= dim)
            return false;  // a split past dim has no halves the walk can enter
        const double centre = tree->c[k];
        if (i == 0 ? !(lower[k] <= centre) : !(upper[k] >= centre))
            return false;
        return Tree_down(tree, i) != 0;
    };
    for (;;) {
        if (tree->depth == depth)
            found(tree->current);
        else if (enter(0) || enter(1))
            continue;
        // Back up to the nearest box whose upper half is still to be tried.
        for (;;) {
            if (tree->depth == 0)
                return;
            const int32_t taken = tree->child_stack[tree->depth - 1];
            Tree_up(tree);
            if (taken == 0 && enter(1))
                break;
        }
    }
}

// Box numbers 1..n at depth in Box.number; returns n.
int64_t numberLevel(Tree* tree, int32_t depth)
{
    int64_t n = 0;
    Tree_reset(tree);
    if (tree->current == nullptr || depth < 0)
        return 0;
    do {
        Interrupt_poll();
        if (tree->depth == depth)
            tree->current->number = static_cast<int32_t>(++n);
    } while (Tree_next(tree, depth));
    return n;
}

}  // namespace

BoxMeets* Tree_meets(Tree* tree, int32_t depth, const double* lower, const double* upper,
                     int64_t count)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    numberLevel(tree, depth);
    BoxMeets* meets = new (CHECKED_CALLOC(1, sizeof(BoxMeets))) BoxMeets();
    try {
        meets->count = count;
        meets->starts.reserve(static_cast<size_t>(count) + 1);
        meets->starts.push_back(0);
        for (int64_t j = 0; j < count; ++j) {
            Interrupt_poll();
            const size_t at = static_cast<size_t>(j) * dim;
            descend(tree, depth, lower + at, upper + at,
                    [&](const Box* box) { meets->boxes.push_back(box->number); });
            meets->starts.push_back(static_cast<int64_t>(meets->boxes.size()));
        }
    } catch (...) {
        Tree_reset(tree);
        BoxMeets_free(&meets);
        throw;
    }
    return meets;
}

void BoxMeets_free(BoxMeets** meets)
{
    if (meets == nullptr || *meets == nullptr)
        return;
    (*meets)->~BoxMeets();
    free(*meets);
    *meets = nullptr;
}

void Tree_meetsAny(Tree* tree, int32_t depth, const double* lower, const double* upper,
                   int64_t count, uint8_t* met)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    numberLevel(tree, depth);
    try {
        for (int64_t j = 0; j < count; ++j) {
            Interrupt_poll();
            const size_t at = static_cast<size_t>(j) * dim;
            descend(tree, depth, lower + at, upper + at, [&](const Box* box) { met[box->number - 1] = 1; });
        }
    } catch (...) {
        Tree_reset(tree);
        throw;
    }
}

void Tree_faces(Tree* tree, int32_t depth, int64_t first, int64_t last, double* lower, double* upper)
{
    const Rectangle* rect = tree->rect;
    const size_t dim = static_cast<size_t>(rect->dim);
    Tree_reset(tree);
    if (tree->current == nullptr || depth < 0 || last < first)
        return;
    int64_t n = 0;
    try {
        do {
            Interrupt_poll();
            if (tree->depth != depth || ++n < first)
                continue;
            double* lo = lower + static_cast<size_t>(n - first) * dim;
            double* hi = upper + static_cast<size_t>(n - first) * dim;
            for (size_t k = 0; k < dim; ++k) {
                lo[k] = rect->center[k] - rect->radius[k];
                hi[k] = rect->center[k] + rect->radius[k];
            }
            // Each step down moved one face to the centre it left; the
            // deepest such step along a coordinate gives that face.
            for (int32_t l = 0; l < depth; ++l) {
                const int k = tree->box_stack[l]->split;
                (tree->child_stack[l] == 0 ? hi : lo)[k] = tree->c_stack[l];
            }
            if (n == last)
                break;
        } while (Tree_next(tree, depth));
    } catch (...) {
        Tree_reset(tree);
        throw;
    }
    Tree_reset(tree);
}
