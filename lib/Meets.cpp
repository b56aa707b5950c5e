#include "Meets.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <new>

#include "Covering.h"
#include "Interrupt.h"
#include "Portability.h"
#include "Tree.h"

namespace {

// A walk that finds, rectangle after rectangle, the boxes at depth whose
// hulls each meets, in number order. It computes centres exactly as the
// walk of Tree.h does (radius halved, centre moved by it) and keeps the hull
// of the box where it stands: its faces are the centres of the steps that
// made them. A child's hull is its parent's with one face moved to the
// parent's centre along the split, so entering a child takes one
// comparison: the lower half's hull ends at the centre (the rectangle must
// reach down to it), the upper half's begins there. Between rectangles the
// walk stays at the deepest box whose hull held the last one strictly
// inside (no box outside it can touch such a rectangle), and the next starts
// from there, climbing only as far as it must: the images of neighbouring
// boxes lie near each other, so most rectangles begin a few levels above the
// boxes they meet.
class Descent {
public:
    Descent(const Tree* tree, int32_t depth)
        : depth_(depth), dim_(static_cast<size_t>(tree->rect->dim)),
          c_(tree->rect->center, tree->rect->center + dim_), r_(tree->rect->radius, tree->rect->radius + dim_),
          lo_(dim_), hi_(dim_)
    {
        for (size_t k = 0; k < dim_; ++k) {
            lo_[k] = c_[k] - r_[k];
            hi_[k] = c_[k] + r_[k];
        }
        if (depth >= 0) {
            path_.resize(static_cast<size_t>(depth));
            box_ = tree->root;
        }
    }

    // Calls found(box) for each box at depth whose hull the closed
    // rectangle [lower, upper] meets, in number order.
    template <class Found>
    void find(const double* lower, const double* upper, Found found)
    {
        if (box_ == nullptr)
            return;
        for (size_t k = 0; k < dim_; ++k)
            if (!(lower[k] <= upper[k]))
                return;  // empty
        while (level_ > 0 && !strictlyInside(lower, upper))
            up();
        if (level_ == 0 && !meetsHull(lower, upper))
            return;
        // Down to the deepest box whose hull holds the rectangle strictly.
        while (level_ < depth_) {
            const auto k = static_cast<size_t>(box_->split);
            if (k >= dim_)
                break;
            if (lower[k] > c_[k] && box_->child[1] != nullptr)
                down(1);
            else if (upper[k] < c_[k] && box_->child[0] != nullptr)
                down(0);
            else
                break;
        }
        // Every box below it whose hull the rectangle meets, back up to it.
        const int32_t top = level_;
        for (;;) {
            if (level_ == depth_)
                found(box_);
            else if (enter(0, lower, upper) || enter(1, lower, upper))
                continue;
            for (;;) {
                if (level_ == top)
                    return;
                const int taken = path_[static_cast<size_t>(level_) - 1].child;
                up();
                if (taken == 0 && enter(1, lower, upper))
                    break;
            }
        }
    }

private:
    // A step down from box: the coordinate's centre and radius before it,
    // the face it replaced, the child taken.
    struct Step {
        Box* box;
        double c, r, face;
        int child;
    };

    // Whether the rectangle meets the closed hull of the box at the walk.
    bool meetsHull(const double* lower, const double* upper) const
    {
        for (size_t k = 0; k < dim_; ++k)
            if (!(lower[k] <= hi_[k] && upper[k] >= lo_[k]))
                return false;
        return true;
    }

    bool strictlyInside(const double* lower, const double* upper) const
    {
        for (size_t k = 0; k < dim_; ++k)
            if (!(lo_[k] < lower[k] && upper[k] < hi_[k]))
                return false;
        return true;
    }

    // Into child i when it exists and the rectangle meets its hull.
    bool enter(int i, const double* lower, const double* upper)
    {
        const auto k = static_cast<size_t>(box_->split);
        if (box_->child[i] == nullptr || k >= dim_)
            return false;  // a split past dim has no halves the walk can enter
        if (i == 0 ? !(lower[k] <= c_[k]) : !(upper[k] >= c_[k]))
            return false;
        down(i);
        return true;
    }

    void down(int i)
    {
        const auto k = static_cast<size_t>(box_->split);
        double& face = i == 0 ? hi_[k] : lo_[k];
        path_[static_cast<size_t>(level_)] = {box_, c_[k], r_[k], face, i};
        face = c_[k];
        r_[k] = r_[k] * 0.5;
        c_[k] = i == 0 ? c_[k] - r_[k] : c_[k] + r_[k];
        box_ = box_->child[i];
        ++level_;
    }

    void up()
    {
        const Step& step = path_[static_cast<size_t>(--level_)];
        box_ = step.box;
        const auto k = static_cast<size_t>(box_->split);
        c_[k] = step.c;
        r_[k] = step.r;
        (step.child == 0 ? hi_ : lo_)[k] = step.face;
    }

    int32_t depth_;
    size_t dim_;
    CheckedVector<double> c_, r_;    // centre and radius of the box at the walk
    CheckedVector<double> lo_, hi_;  // its faces
    CheckedVector<Step> path_;       // per level above it, the step taken from there
    Box* box_ = nullptr;
    int32_t level_ = 0;
};

// The boxes at depth whose hulls a rectangle meets, among those the tree has
// and those Tree_insert would make: a box without halves is split along
// sd[its depth], as insertion splits it, and a half the tree lacks stands
// for all the boxes below it. Centres, radii and faces are computed as the
// walk computes them, so a box's lower faces are those it will have.
class Cells {
public:
    Cells(const Tree* tree, int32_t depth)
        : tree_(tree), depth_(depth), dim_(static_cast<size_t>(tree->rect->dim)), c_(dim_), r_(dim_),
          lo_(dim_), hi_(dim_), path_(static_cast<size_t>(depth > 0 ? depth : 0))
    {
    }

    // Calls found(box, lower faces, upper faces) for each box at depth
    // whose hull the closed rectangle meets, box null for one the tree
    // lacks, in the order of box numbers.
    template <class Found>
    void find(const double* lower, const double* upper, Found found)
    {
        const Rectangle* rect = tree_->rect;
        if (depth_ < 0 || depth_ > TREE_DEPTH_PER_DIM * rect->dim)
            return;
        for (size_t k = 0; k < dim_; ++k) {
            c_[k] = rect->center[k];
            r_[k] = rect->radius[k];
            lo_[k] = c_[k] - r_[k];
            hi_[k] = c_[k] + r_[k];
            if (!(lower[k] <= upper[k] && lower[k] <= hi_[k] && upper[k] >= lo_[k]))
                return;
        }
        box_ = tree_->root;
        level_ = 0;
        for (;;) {
            if (level_ == depth_)
                found(box_, lo_.data(), hi_.data());
            else if (enter(0, lower, upper) || enter(1, lower, upper))
                continue;
            for (;;) {
                if (level_ == 0)
                    return;
                const int taken = path_[static_cast<size_t>(level_) - 1].child;
                up();
                if (taken == 0 && enter(1, lower, upper))
                    break;
            }
        }
    }

private:
    struct Step {
        const Box* box;
        double c, r, face;
        int split, child;
    };

    // The split of the box at the walk: its own once it has a half, else
    // the one insertion would give it; dim or more where no half can be.
    int split() const
    {
        if (box_ != nullptr && (box_->child[0] != nullptr || box_->child[1] != nullptr))
            return box_->split;
        return tree_->sd[level_];
    }

    bool enter(int i, const double* lower, const double* upper)
    {
        Interrupt_poll();
        const int k = split();
        if (k >= static_cast<int>(dim_))
            return false;
        const auto q = static_cast<size_t>(k);
        if (i == 0 ? !(lower[q] <= c_[q]) : !(upper[q] >= c_[q]))
            return false;
        double& face = i == 0 ? hi_[q] : lo_[q];
        path_[static_cast<size_t>(level_)] = {box_, c_[q], r_[q], face, k, i};
        face = c_[q];
        r_[q] = r_[q] * 0.5;
        c_[q] = i == 0 ? c_[q] - r_[q] : c_[q] + r_[q];
        box_ = box_ != nullptr ? box_->child[i] : nullptr;
        ++level_;
        return true;
    }

    void up()
    {
        const Step& step = path_[static_cast<size_t>(--level_)];
        const auto q = static_cast<size_t>(step.split);
        box_ = step.box;
        c_[q] = step.c;
        r_[q] = step.r;
        (step.child == 0 ? hi_ : lo_)[q] = step.face;
    }

    const Tree* tree_;
    int32_t depth_;
    size_t dim_;
    CheckedVector<double> c_, r_, lo_, hi_;
    CheckedVector<Step> path_;
    const Box* box_ = nullptr;
    int32_t level_ = 0;
};

// The lower corners of the boxes that the rectangles meet and the tree
// lacks, sorted by coordinates, each once. A box without interior (its
// lower corner is not inside it) is passed over.
void missingBoxes(const Tree* tree, int32_t depth, const double* lower, const double* upper, int64_t count,
                  CheckedVector<double>& corners)
{
    const auto dim = static_cast<size_t>(tree->rect->dim);
    Cells cells(tree, depth);
    CheckedVector<double> found;
    for (int64_t j = 0; j < count; ++j) {
        const size_t at = static_cast<size_t>(j) * dim;
        cells.find(lower + at, upper + at, [&](const Box* box, const double* lo, const double* hi) {
            if (box != nullptr)
                return;
            for (size_t k = 0; k < dim; ++k)
                if (!(lo[k] < hi[k]))
                    return;
            found.insert(found.end(), lo, lo + dim);
        });
    }
    // The corners in coordinate order, then each once.
    const size_t n = found.size() / dim;
    CheckedVector<size_t> order(n);
    for (size_t q = 0; q < n; ++q)
        order[q] = q;
    auto less = [&](size_t a, size_t b) {
        return std::lexicographical_compare(found.begin() + static_cast<ptrdiff_t>(a * dim),
                                            found.begin() + static_cast<ptrdiff_t>((a + 1) * dim),
                                            found.begin() + static_cast<ptrdiff_t>(b * dim),
                                            found.begin() + static_cast<ptrdiff_t>((b + 1) * dim));
    };
    std::sort(order.begin(), order.end(), less);
    corners.clear();
    for (size_t q = 0; q < n; ++q) {
        const double* x = found.data() + order[q] * dim;
        if (q > 0 && std::equal(x, x + dim, found.data() + order[q - 1] * dim))
            continue;
        corners.insert(corners.end(), x, x + dim);
    }
}

// The shape of a level: its boxes, and whether every box with children at
// each depth above it splits along the same coordinate (as subdivision and
// insertion make them), and which.
struct Level {
    int64_t count = 0;
    bool regular = true;
    CheckedVector<int> splits;  // per depth above the level; -1 where no box has children
};

// Boxes are fetched this far ahead of their turn, so that their reads overlap.
constexpr size_t kAhead = 32;

// The level's shape, level by level from the root, without reading the
// boxes at depth itself. Working memory: the boxes of two adjacent levels.
Level levelShape(const Tree* tree, int32_t depth)
{
    Level level;
    if (tree->root == nullptr || depth < 0)
        return level;
    level.splits.assign(static_cast<size_t>(depth), -1);
    CheckedVector<const Box*> boxes(1, tree->root), next;
    for (int32_t l = 0; l < depth && !boxes.empty(); ++l) {
        Interrupt_poll();
        const bool last = l + 1 == depth;
        next.clear();
        int& split = level.splits[static_cast<size_t>(l)];
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (i + kAhead < boxes.size())
                BOXGRAPH_PREFETCH(boxes[i + kAhead]);
            const Box* box = boxes[i];
            if (box->child[0] == nullptr && box->child[1] == nullptr)
                continue;
            if (box->split >= tree->rect->dim) {  // halves the walk cannot enter, nor the search
                level.regular = false;
                continue;
            }
            level.regular = level.regular && (split < 0 || split == box->split);
            split = box->split;
            for (const Box* child : box->child) {
                if (child == nullptr)
                    continue;
                if (last)
                    ++level.count;
                else
                    next.push_back(child);
            }
        }
        boxes.swap(next);
    }
    if (depth == 0)
        level.count = 1;
    return level;
}

// Box numbers 1..n at depth in Box.number, for the descent.
void numberLevel(Tree* tree, int32_t depth)
{
    int32_t n = 0;
    Tree_reset(tree);
    if (tree->current == nullptr || depth < 0)
        return;
    do {
        Interrupt_poll();
        if (tree->depth == depth)
            tree->current->number = ++n;
    } while (Tree_next(tree, depth));
    Tree_reset(tree);
}

// The cells of a regular level: along coordinate k, split m times above
// it, the boxes cut the rectangle at 2^m - 1 centres, computed as the walk
// computes them; bounds[0] and bounds[2^m] are the rectangle's faces c - r
// and c + r. A box at the level is the product of one cell per coordinate,
// and a point at a cell's lower corner lies in that cell for the search.
struct Axis {
    int64_t last = 0;  // 2^m - 1
    double lo = 0, scale = 0;
    CheckedVector<double> bounds;

    // The cell g with bounds[g] <= x < bounds[g + 1], for bounds[0] <= x <
    // bounds[last + 1]: a guess by arithmetic, settled by the bounds.
    int64_t cell(double x) const
    {
        const double t = (x - lo) * scale;
        int64_t g = t > 0 && t < static_cast<double>(last) ? static_cast<int64_t>(t) : t > 0 ? last : 0;
        const double* b = bounds.data();
        if (b[g] <= x && x < b[g + 1])
            return g;
        if (g > 0 && b[g - 1] <= x && x < b[g])
            return g - 1;
        if (g < last && b[g + 1] <= x && x < b[g + 2])
            return g + 1;
        return std::upper_bound(b + 1, b + last + 1, x) - (b + 1);
    }
};

// Rectangles meeting at most this many cells are answered by searching the
// cells' corners, larger ones by the descent.
constexpr int64_t kGridCells = 256;

// Corner points searched at once.
constexpr size_t kChunkPoints = size_t{1} << 18;

class Grid {
public:
    // The cells of a regular level down to 64 deep (where the search has its
    // index); false when it has none, or its tables would outweigh the boxes
    // (the same limits as the search's index), or its bounds do not
    // ascend strictly (boxes too thin for their centres to differ).
    bool build(const Tree* tree, int32_t depth, const Level& level)
    {
        const Rectangle* rect = tree->rect;
        const auto dim = static_cast<size_t>(rect->dim);
        if (!level.regular || level.count == 0 || depth > 64)
            return false;
        CheckedVector<int> m(dim, 0);
        for (const int k : level.splits) {
            if (k < 0)
                return false;
            ++m[static_cast<size_t>(k)];
        }
        uint64_t cells = 0;
        for (size_t k = 0; k < dim; ++k) {
            if (m[k] > 22 || !(rect->radius[k] > 0 && rect->radius[k] < INFINITY && fabs(rect->center[k]) < INFINITY))
                return false;
            cells += uint64_t{1} << m[k];
        }
        if (cells > 65536 && cells > 4 * static_cast<uint64_t>(level.count))
            return false;
        axes_.assign(dim, Axis{});
        first_.assign(dim, 0);
        lastCell_.assign(dim, 0);
        at_.assign(dim, 0);
        for (size_t k = 0; k < dim; ++k) {
            Axis& axis = axes_[k];
            const size_t g = size_t{1} << m[k];
            axis.last = static_cast<int64_t>(g) - 1;
            axis.bounds.assign(g + 1, 0.0);
            axis.bounds[0] = rect->center[k] - rect->radius[k];
            axis.bounds[g] = rect->center[k] + rect->radius[k];
            if (m[k] > 0)
                axis.bounds[g / 2] = rect->center[k];
            // Level by level: a centre is the centre it halves, moved by the
            // halved radius.
            double r = rect->radius[k];
            for (int j = 1; j < m[k]; ++j) {
                r = r * 0.5;
                const size_t h = g >> (j + 1);
                for (size_t q = h; q < g; q += 2 * h)
                    axis.bounds[q] = (q / h) % 4 == 1 ? axis.bounds[q + h] - r : axis.bounds[q - h] + r;
            }
            for (size_t q = 0; q < g; ++q)
                if (!(axis.bounds[q] < axis.bounds[q + 1]))
                    return false;
            axis.lo = axis.bounds[0];
            axis.scale = static_cast<double>(g) / (axis.bounds[g] - axis.bounds[0]);
            if (!(axis.scale < INFINITY))
                axis.scale = 0;
        }
        return true;
    }

    // The number of cells whose closed hulls the rectangle meets, or
    // kGridCells + 1 when that is more; remembers their range for corners().
    int64_t cells(const double* lower, const double* upper)
    {
        int64_t n = 1;
        for (size_t k = 0; k < axes_.size(); ++k) {
            const Axis& axis = axes_[k];
            const double* b = axis.bounds.data();
            if (!(lower[k] <= upper[k] && lower[k] <= b[axis.last + 1] && upper[k] >= b[0]))
                return 0;
            int64_t g = lower[k] <= b[0] ? 0 : axis.cell(std::min(lower[k], b[axis.last]));
            if (g > 0 && b[g] == lower[k])
                --g;  // the cell below touches it with its upper face
            first_[k] = g;
            lastCell_[k] = upper[k] >= b[axis.last + 1] ? axis.last : axis.cell(upper[k]);
            n *= lastCell_[k] - first_[k] + 1;
            if (n > kGridCells)
                return kGridCells + 1;
        }
        return n;
    }

    // Appends the lower corner of every cell counted by the last cells(),
    // n of them.
    void corners(int64_t n, CheckedVector<double>& points)
    {
        const size_t dim = axes_.size();
        size_t at = points.size();
        points.resize(at + static_cast<size_t>(n) * dim);
        double* p = points.data() + at;
        int64_t* g = at_.data();
        for (size_t k = 0; k < dim; ++k)
            g[k] = first_[k];
        for (;;) {
            for (size_t k = 0; k < dim; ++k)
                *p++ = axes_[k].bounds[static_cast<size_t>(g[k])];
            size_t k = 0;
            while (k < dim && g[k] == lastCell_[k]) {
                g[k] = first_[k];
                ++k;
            }
            if (k == dim)
                return;
            ++g[k];
        }
    }

private:
    CheckedVector<Axis> axes_;
    CheckedVector<int64_t> first_, lastCell_, at_;
};

// Calls found(number) for every box at depth that rectangle j meets, and
// then done(), for j = 0, 1, ..., count - 1; the numbers of one rectangle
// ascend. Small rectangles on a regular level go to the search, a chunk at
// a time, as the corners of the cells they meet; the others to the descent.
// Before the first, ready(n) with the number n of boxes at depth.
template <class Ready, class Found, class Done>
void meetAll(Tree* tree, int32_t depth, const double* lower, const double* upper, int64_t count,
             Ready ready, Found found, Done done)
{
    const auto dim = static_cast<size_t>(tree->rect->dim);
    const Level level = levelShape(tree, depth);
    ready(level.count);
    Grid grid;
    const bool gridded = grid.build(tree, depth, level);
    bool numbered = false;
    Descent walk(tree, depth);
    CheckedVector<double> points, numbers;
    CheckedVector<int64_t> ends;  // per rectangle of a chunk: where its corners end, -1 for the descent
    CheckedVector<int32_t> list;
    if (gridded && count > 0) {  // a guess; the buffers grow when it falls short
        const size_t guess = std::min<size_t>(kChunkPoints, static_cast<size_t>(count) * 8) + kGridCells;
        points.reserve(guess * dim);
        numbers.reserve(guess);
    }
    for (int64_t first = 0; first < count;) {
        points.clear();
        ends.clear();
        int64_t j = first;
        for (; j < count && points.size() < kChunkPoints * dim; ++j) {
            Interrupt_poll();
            const size_t at = static_cast<size_t>(j) * dim;
            const int64_t cells = gridded ? grid.cells(lower + at, upper + at) : kGridCells + 1;
            if (cells > kGridCells) {
                ends.push_back(-1);
                continue;
            }
            if (cells > 0)
                grid.corners(cells, points);
            ends.push_back(static_cast<int64_t>(points.size() / dim));
        }
        numbers.assign(points.size() / dim, 0.0);
        if (!numbers.empty())
            Tree_search(tree, depth, points.data(), static_cast<int64_t>(numbers.size()), numbers.data());
        size_t next = 0;
        for (int64_t q = first; q < j; ++q) {
            const int64_t end = ends[static_cast<size_t>(q - first)];
            if (end < 0) {
                if (!numbered)
                    numberLevel(tree, depth);
                numbered = true;
                const size_t at = static_cast<size_t>(q) * dim;
                walk.find(lower + at, upper + at, [&](const Box* box) { found(box->number); });
            } else {
                list.clear();
                for (; next < static_cast<size_t>(end); ++next)
                    if (numbers[next] > 0)
                        list.push_back(static_cast<int32_t>(numbers[next]));
                std::sort(list.begin(), list.end());
                for (const int32_t b : list)
                    found(b);
            }
            done();
        }
        first = j;
    }
}

}  // namespace

BoxMeets* Tree_meets(Tree* tree, int32_t depth, const double* lower, const double* upper,
                     int64_t count, BoxMeetsForm form)
{
    BoxMeets* meets = new (CHECKED_CALLOC(1, sizeof(BoxMeets))) BoxMeets();
    try {
        meets->count = count;
        auto ready = [&](int64_t n) {
            meets->boxCount = n;
            if (form == BOX_MEETS_ANY) {
                meets->met.assign(static_cast<size_t>(n), 0);
            } else {
                meets->starts.reserve(static_cast<size_t>(count) + 1);
                meets->starts.push_back(0);
            }
        };
        if (form == BOX_MEETS_MISSING) {
            missingBoxes(tree, depth, lower, upper, count, meets->corners);
            meets->boxCount = Tree_count(tree, depth);
        } else if (form == BOX_MEETS_ANY)
            meetAll(tree, depth, lower, upper, count, ready,
                    [&](int32_t number) { meets->met[static_cast<size_t>(number) - 1] = 1; }, [] {});
        else
            meetAll(tree, depth, lower, upper, count, ready, [&](int32_t number) { meets->boxes.push_back(number); },
                    [&] { meets->starts.push_back(static_cast<int64_t>(meets->boxes.size())); });
    } catch (...) {
        Tree_reset(tree);
        BoxMeets_free(&meets);
        throw;
    }
    Tree_reset(tree);
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
