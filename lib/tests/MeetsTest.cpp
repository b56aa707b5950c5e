// Boxes against rectangles: the faces agree with the search to the last bit,
// and the rectangle query agrees with testing every box's closed hull.
#include <gtest/gtest.h>

#include <math.h>

#include <algorithm>
#include <random>
#include <vector>

#include "Covering.h"
#include "Meets.h"
#include "ThrowingAlloc.h"
#include "Trees.h"

namespace {

using trees::makeTree;
using trees::TreePtr;
using V = std::vector<double>;
using Lists = std::vector<std::vector<int32_t>>;

struct Faces {
    V lower, upper;
};

Faces facesAt(Tree* tree, int32_t depth)
{
    const size_t n = static_cast<size_t>(Tree_count(tree, depth)) * static_cast<size_t>(tree->rect->dim);
    Faces f{V(n), V(n)};
    Tree_faces(tree, depth, 1, INT64_MAX, f.lower.data(), f.upper.data());
    return f;
}

double searchOne(Tree* tree, int32_t depth, const double* x)
{
    double number = -1;
    Tree_search(tree, depth, x, 1, &number);
    return number;
}

// The boxes each rectangle meets, as lists.
Lists meets(Tree* tree, int32_t depth, const V& lower, const V& upper)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    const auto count = static_cast<int64_t>(lower.size() / dim);
    BoxMeets* m = Tree_meets(tree, depth, lower.data(), upper.data(), count, BOX_MEETS_LISTS);
    EXPECT_EQ(m->count, count);
    EXPECT_EQ(m->boxCount, Tree_count(tree, depth));
    EXPECT_EQ(m->starts.size(), static_cast<size_t>(count) + 1);
    Lists lists;
    for (int64_t j = 0; j < count; ++j)
        lists.emplace_back(m->boxes.begin() + m->starts[static_cast<size_t>(j)],
                           m->boxes.begin() + m->starts[static_cast<size_t>(j) + 1]);
    BoxMeets_free(&m);
    EXPECT_EQ(m, nullptr);
    return lists;
}

// Whether each box at depth is met by some rectangle.
std::vector<uint8_t> metAny(Tree* tree, int32_t depth, const V& lower, const V& upper)
{
    const auto count = static_cast<int64_t>(lower.size() / static_cast<size_t>(tree->rect->dim));
    BoxMeets* m = Tree_meets(tree, depth, lower.data(), upper.data(), count, BOX_MEETS_ANY);
    EXPECT_EQ(m->boxCount, Tree_count(tree, depth));
    EXPECT_TRUE(m->starts.empty() && m->boxes.empty());
    std::vector<uint8_t> met(m->met.begin(), m->met.end());
    BoxMeets_free(&m);
    return met;
}

// The reference: every box whose closed hull (its faces) meets the rectangle.
Lists byEveryBox(const Faces& f, size_t dim, const V& lower, const V& upper)
{
    Lists lists;
    const size_t n = f.lower.size() / dim;
    for (size_t j = 0; j * dim < lower.size(); ++j) {
        std::vector<int32_t> list;
        bool empty = false;
        for (size_t k = 0; k < dim; ++k)
            empty = empty || !(lower[j * dim + k] <= upper[j * dim + k]);
        for (size_t b = 0; b < n && !empty; ++b) {
            bool meet = true;
            for (size_t k = 0; k < dim; ++k)
                meet = meet && lower[j * dim + k] <= f.upper[b * dim + k] &&
                       upper[j * dim + k] >= f.lower[b * dim + k];
            if (meet)
                list.push_back(static_cast<int32_t>(b + 1));
        }
        lists.push_back(list);
    }
    return lists;
}

TEST(Meets, NamedCasesOnALine)
{
    TreePtr tree = makeTree({0}, {1});  // [-1, 1], depth 3: eight boxes of width 1/4
    int64_t n = 0;
    for (int k = 0; k < 3; ++k)
        Tree_subdivide(tree.get(), &n);
    const V lower = {0, 0.9, 1, -3, -3, 0.5, -INFINITY, 1, -0.3, -0.25, NAN, 0};
    const V upper = {0, 2, 5, -1, nextafter(-1.0, -2.0), 0.4, INFINITY, 1, -0.26, -0.25, 0, NAN};
    const Lists expected = {
        {4, 5},                    // a point on a shared face: both neighbours
        {8},                       // beyond the rectangle's upper face
        {8},                       // from the upper face on
        {1},                       // up to the lower face
        {},                        // short of it by one ulp
        {},                        // empty: lower above upper
        {1, 2, 3, 4, 5, 6, 7, 8},  // everything
        {8},                       // the upper corner itself
        {3},                       // inside one box
        {3, 4},                    // a point on the face between 3 and 4
        {},                        // NaN corners: empty
        {},
    };
    EXPECT_EQ(meets(tree.get(), 3, lower, upper), expected);
    EXPECT_EQ(meets(tree.get(), 1, {0.25}, {0.5}), Lists({{2}}));
    EXPECT_EQ(meets(tree.get(), 0, {0.25}, {0.5}), Lists({{1}}));
    EXPECT_EQ(meets(tree.get(), 4, {-1}, {1}), Lists({{}}));  // below the deepest level
    EXPECT_EQ(meets(tree.get(), 3, {}, {}), Lists());
    // Removed boxes are not found; the others keep their numbers in order.
    const std::vector<uint8_t> mask = {1, 0, 1, 1, 0, 0, 1, 1};
    Tree_keep(tree.get(), 3, mask.data(), &n);
    EXPECT_EQ(meets(tree.get(), 3, {-0.8, -1}, {0.1, 1}), Lists({{1, 2, 3}, {1, 2, 3, 4, 5}}));
    EXPECT_EQ(metAny(tree.get(), 3, {-0.8, 0.8}, {-0.7, 0.9}), std::vector<uint8_t>({1, 0, 0, 0, 1}));
    // Halves along a split that is not a coordinate are no boxes for the
    // walk, nor for the query.
    TreePtr odd = makeTree({0}, {1});
    odd->root->split = 3;
    trees::addChild(odd->root, 0, 0);
    trees::addChild(odd->root, 1, 0);
    EXPECT_EQ(meets(odd.get(), 1, {-1}, {1}), Lists({{}}));
    EXPECT_EQ(metAny(odd.get(), 1, {-1}, {1}), std::vector<uint8_t>());
    // A tree without boxes meets nothing.
    const std::vector<uint8_t> none(5, 0);
    Tree_keep(tree.get(), 3, none.data(), &n);
    EXPECT_EQ(meets(tree.get(), 0, {-1}, {1}), Lists({{}}));
}

// A tree over a rectangle whose centre and radius are not short binary
// fractions, so that c -+ r of a box and the centres the walk compared with
// differ by rounding: subdivided, with random boxes removed and (unless
// regular) the split coordinates changed between rounds.
TreePtr randomTree(std::mt19937& rng, int dim, bool regular, int depth)
{
    V c(static_cast<size_t>(dim)), r(static_cast<size_t>(dim));
    std::uniform_real_distribution<double> u(-3, 3);
    for (size_t k = 0; k < c.size(); ++k) {
        c[k] = u(rng);
        r[k] = 0.1 + fabs(u(rng));
    }
    TreePtr tree = makeTree(c, r);
    std::uniform_int_distribution<int> coordinate(0, dim - 1);
    int64_t n = 0;
    for (int d = 1; d <= depth; ++d) {
        if (!regular)
            tree->sd[d - 1] = static_cast<uint8_t>(coordinate(rng));
        Tree_subdivide(tree.get(), &n);
        std::vector<uint8_t> mask(static_cast<size_t>(Tree_count(tree.get(), d)));
        for (auto& m : mask)
            m = std::bernoulli_distribution(0.85)(rng);
        Tree_keep(tree.get(), d, mask.data(), &n);
    }
    return tree;
}

// The faces are the search's: a box's lower corner is found in it, the
// double just below its upper corner too, and its upper corner (unless on
// the rectangle's upper face) lies outside it.
TEST(Meets, FacesAreTheBoundsThatSearchUses)
{
    std::mt19937 rng(20);
    for (int round = 0; round < 24; ++round) {
        const int dim = 1 + round % 3;
        TreePtr tree = randomTree(rng, dim, round % 2 == 0, 4 + round % 9);
        const int32_t depth = Tree_depth(tree.get());
        if (depth < 0)
            continue;
        const Faces f = facesAt(tree.get(), depth);
        const size_t d = static_cast<size_t>(dim);
        for (size_t b = 0; b * d < f.lower.size(); ++b) {
            const double number = static_cast<double>(b + 1);
            V x(f.lower.begin() + b * d, f.lower.begin() + (b + 1) * d);
            ASSERT_EQ(searchOne(tree.get(), depth, x.data()), number) << "round " << round << " box " << number;
            for (size_t k = 0; k < d; ++k) {
                const double top = f.upper[b * d + k];
                ASSERT_LT(f.lower[b * d + k], top);
                x[k] = nextafter(top, -INFINITY);
                ASSERT_EQ(searchOne(tree.get(), depth, x.data()), number) << "round " << round << " box " << number;
                x[k] = top;
                if (top != tree->rect->center[k] + tree->rect->radius[k]) {
                    ASSERT_NE(searchOne(tree.get(), depth, x.data()), number) << "round " << round;
                }
                x[k] = f.lower[b * d + k];
            }
        }
        // A range of boxes is the same slice of the whole level.
        const int64_t n = Tree_count(tree.get(), depth);
        const int64_t first = 1 + n / 3, last = std::max<int64_t>(first, n - 2);
        V lo(static_cast<size_t>(last - first + 1) * d), hi(lo.size());
        Tree_faces(tree.get(), depth, first, last, lo.data(), hi.data());
        const size_t at = static_cast<size_t>(first - 1) * d;
        EXPECT_EQ(lo, V(f.lower.begin() + static_cast<ptrdiff_t>(at), f.lower.begin() + static_cast<ptrdiff_t>(at + lo.size())));
        EXPECT_EQ(hi, V(f.upper.begin() + static_cast<ptrdiff_t>(at), f.upper.begin() + static_cast<ptrdiff_t>(at + hi.size())));
    }
}

// On random trees, small and large rectangles, rectangles whose corners lie
// exactly on faces or one ulp beside them, points, empty and unbounded ones:
// the descent finds exactly the boxes whose hulls the rectangle meets, and
// every point's own box among them.
TEST(Meets, AgreesWithEveryBoxsHullOnRandomTrees)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const int dim = 1 + round % 3;
        const size_t d = static_cast<size_t>(dim);
        TreePtr tree = randomTree(rng, dim, round % 3 != 0, 3 + round % 10);
        const int32_t deepest = Tree_depth(tree.get());
        if (deepest < 0)
            continue;
        std::uniform_int_distribution<int32_t> level(0, deepest);
        const int32_t depth = level(rng);
        const Faces f = facesAt(tree.get(), depth);
        const size_t n = f.lower.size() / d;
        V lower, upper, points;
        std::uniform_real_distribution<double> unit(-1.2, 1.2), scale(0, 1);
        for (int j = 0; j < 300; ++j) {
            const int kind = j % 6;
            const size_t b = n == 0 ? 0 : static_cast<size_t>(rng() % n);
            for (size_t k = 0; k < d; ++k) {
                const double c = tree->rect->center[k], r = tree->rect->radius[k];
                double lo = c + r * unit(rng), hi = lo + r * pow(scale(rng), 4);
                if (n > 0 && kind == 1) {  // a box's own faces
                    lo = f.lower[b * d + k];
                    hi = f.upper[b * d + k];
                } else if (n > 0 && kind == 2) {  // a point on a face, or one ulp beside it
                    const double face = rng() % 2 ? f.lower[b * d + k] : f.upper[b * d + k];
                    lo = hi = rng() % 3 == 0 ? face : nextafter(face, rng() % 2 ? INFINITY : -INFINITY);
                } else if (kind == 3) {  // a point
                    hi = lo;
                } else if (kind == 4 && k == 0) {  // unbounded on one side
                    (rng() % 2 ? lo : hi) = rng() % 2 ? INFINITY : -INFINITY;
                    if (lo > hi)
                        std::swap(lo, hi);
                } else if (kind == 5 && k + 1 == d && rng() % 4 == 0) {  // empty
                    std::swap(lo, hi);
                    hi = nextafter(lo, -INFINITY);
                }
                lower.push_back(lo);
                upper.push_back(hi);
            }
        }
        const Lists found = meets(tree.get(), depth, lower, upper);
        ASSERT_EQ(found, byEveryBox(f, d, lower, upper)) << "round " << round;
        // Each point rectangle's own box, as search finds it, is among those found.
        for (size_t j = 0; j < found.size(); ++j) {
            if (!std::equal(lower.begin() + static_cast<ptrdiff_t>(j * d), lower.begin() + static_cast<ptrdiff_t>((j + 1) * d),
                            upper.begin() + static_cast<ptrdiff_t>(j * d)))
                continue;
            const double own = searchOne(tree.get(), depth, &lower[j * d]);
            if (own > 0) {
                ASSERT_NE(std::find(found[j].begin(), found[j].end(), static_cast<int32_t>(own)), found[j].end())
                    << "round " << round << " rectangle " << j;
            }
        }
        // Whether a box is met at all: the union of the lists.
        std::vector<uint8_t> expected(n, 0);
        for (const auto& list : found)
            for (const int32_t b : list)
                expected[static_cast<size_t>(b - 1)] = 1;
        ASSERT_EQ(metAny(tree.get(), depth, lower, upper), expected) << "round " << round;
    }
}

// More rectangles than one batch of cell corners, small ones (answered
// through the search) between large ones (by the descent), on a level with
// removed boxes: the same as testing every box.
TEST(Meets, ManyRectanglesOfEverySize)
{
    std::mt19937 rng(11);
    TreePtr tree = makeTree({0.1, -0.3}, {0.7, 1.3});
    const int32_t depth = 10;
    int64_t n = 0;
    for (int d = 0; d < depth; ++d)
        Tree_subdivide(tree.get(), &n);
    std::vector<uint8_t> mask(static_cast<size_t>(n));
    for (auto& m : mask)
        m = std::bernoulli_distribution(0.7)(rng);
    Tree_keep(tree.get(), depth, mask.data(), &n);
    const Faces f = facesAt(tree.get(), depth);
    std::uniform_real_distribution<double> unit(-1.1, 1.1), width(0, 0.2);
    V lower, upper;
    for (int j = 0; j < 40000; ++j)
        for (size_t k = 0; k < 2; ++k) {
            const double c = tree->rect->center[k], r = tree->rect->radius[k];
            const double lo = c + r * unit(rng);
            lower.push_back(lo);
            upper.push_back(lo + r * (j % 50 == 0 ? 1.5 : width(rng)));
        }
    const Lists found = meets(tree.get(), depth, lower, upper);
    size_t pairs = 0;
    for (const auto& list : found)
        pairs += list.size();
    EXPECT_GT(pairs, size_t{1} << 18);
    ASSERT_EQ(found, byEveryBox(f, 2, lower, upper));
}

V missing(Tree* tree, int32_t depth, const V& lower, const V& upper);

// Boxes narrower than the spacing of doubles at their centres: halving
// stops moving the centres, some boxes have no interior and faces repeat.
// Such a level is answered by the descent, still as the hulls say.
TEST(Meets, BoxesThinnerThanTheDoublesAroundThem)
{
    TreePtr tree = makeTree({1.0}, {ldexp(1.0, -50)});
    int64_t n = 0;
    for (int d = 0; d < 8; ++d)
        Tree_subdivide(tree.get(), &n);
    const Faces f = facesAt(tree.get(), 8);
    size_t empty = 0;
    for (size_t b = 0; b < f.lower.size(); ++b)
        empty += f.lower[b] == f.upper[b] ? 1 : 0;
    EXPECT_GT(empty, 0u);
    V lower, upper;
    for (double x = 1 - ldexp(1.0, -49); x <= 1 + ldexp(1.0, -49); x = nextafter(x, 2)) {
        lower.push_back(x);
        upper.push_back(x);
        lower.push_back(x);
        upper.push_back(nextafter(x, 2));
    }
    EXPECT_EQ(meets(tree.get(), 8, lower, upper), byEveryBox(f, 1, lower, upper));
    // With every other box removed, each missing box listed is one that
    // insertion makes: none without interior, whose corner lies elsewhere.
    std::vector<uint8_t> mask(f.lower.size());
    for (size_t b = 0; b < mask.size(); ++b)
        mask[b] = b % 2;
    Tree_keep(tree.get(), 8, mask.data(), &n);
    const V corners = missing(tree.get(), 8, {1 - ldexp(1.0, -49)}, {1 + ldexp(1.0, -49)});
    int64_t added = 0;
    ASSERT_EQ(Tree_insert(tree.get(), 8, corners.data(), static_cast<int64_t>(corners.size()), &added), TREE_OK);
    EXPECT_EQ(added, static_cast<int64_t>(corners.size()));
    EXPECT_GT(added, 0);
}

// The missing boxes of the rectangles, as lower corners.
V missing(Tree* tree, int32_t depth, const V& lower, const V& upper)
{
    const auto count = static_cast<int64_t>(lower.size() / static_cast<size_t>(tree->rect->dim));
    BoxMeets* m = Tree_meets(tree, depth, lower.data(), upper.data(), count, BOX_MEETS_MISSING);
    V corners(m->corners.begin(), m->corners.end());
    BoxMeets_free(&m);
    return corners;
}

TEST(Meets, MissingBoxesOnALine)
{
    TreePtr tree = makeTree({0}, {1});
    int64_t n = 0;
    Tree_subdivide(tree.get(), &n);
    Tree_subdivide(tree.get(), &n);  // [-1, -0.5) [-0.5, 0) [0, 0.5) [0.5, 1]
    const std::vector<uint8_t> mask = {1, 0, 1, 0};
    Tree_keep(tree.get(), 2, mask.data(), &n);
    // At depth 2 the rectangle [-0.6, 0.6] meets all four; two are missing.
    EXPECT_EQ(missing(tree.get(), 2, {-0.6}, {0.6}), V({-0.5, 0.5}));
    // At depth 4 it meets the boxes from [-0.625, -0.5) to [0.5, 0.625),
    // none present; overlapping rectangles give each box once, in order.
    EXPECT_EQ(missing(tree.get(), 4, {-0.6, 0.1}, {0.1, 0.6}),
              V({-0.625, -0.5, -0.375, -0.25, -0.125, 0, 0.125, 0.25, 0.375, 0.5}));
    // Present boxes are not missing; touching a face counts.
    int64_t added = 0;
    const V corners = missing(tree.get(), 3, {-0.25}, {0});
    EXPECT_EQ(corners, V({-0.5, -0.25, 0}));
    ASSERT_EQ(Tree_insert(tree.get(), 3, corners.data(), 3, &added), TREE_OK);
    EXPECT_EQ(added, 3);
    EXPECT_EQ(missing(tree.get(), 3, {-0.25}, {0}), V());
    // An empty tree lacks the whole level; an empty rectangle meets nothing.
    const std::vector<uint8_t> none(static_cast<size_t>(Tree_count(tree.get(), 2)), 0);
    Tree_keep(tree.get(), 2, none.data(), &n);
    EXPECT_EQ(missing(tree.get(), 1, {-1}, {1}), V({-1, 0}));
    EXPECT_EQ(missing(tree.get(), 1, {0.5}, {0.4}), V());
}

// On random trees and rectangles: the corners are distinct and sorted, each
// makes one new box, after which nothing is missing; on trees split along
// sd throughout, they are the lower faces of the boxes of the full level
// that the rectangles meet and the tree lacks.
TEST(Meets, MissingBoxesAreWhatInsertionMakes)
{
    std::mt19937 rng(41);
    size_t made = 0, checked = 0;
    for (int round = 0; round < 30; ++round) {
        const int dim = 1 + round % 3;
        const size_t d = static_cast<size_t>(dim);
        const bool regular = round % 3 != 0;
        TreePtr tree = randomTree(rng, dim, regular, 2 + round % 7);
        const int32_t depth = std::max(Tree_depth(tree.get()), 0) + static_cast<int32_t>(rng() % 3);
        V lower, upper;
        std::uniform_real_distribution<double> unit(-1.1, 1.1), width(0, 0.3);
        for (int j = 0; j < 6; ++j)
            for (size_t k = 0; k < d; ++k) {
                const double c = tree->rect->center[k], r = tree->rect->radius[k];
                const double lo = c + r * unit(rng);
                lower.push_back(lo);
                upper.push_back(j == 0 ? lo : lo + r * width(rng));
            }
        const V corners = missing(tree.get(), depth, lower, upper);
        const size_t n = corners.size() / d;
        for (size_t q = 1; q < n; ++q)
            ASSERT_TRUE(std::lexicographical_compare(corners.begin() + static_cast<ptrdiff_t>((q - 1) * d),
                                                     corners.begin() + static_cast<ptrdiff_t>(q * d),
                                                     corners.begin() + static_cast<ptrdiff_t>(q * d),
                                                     corners.begin() + static_cast<ptrdiff_t>((q + 1) * d)))
                << "round " << round;
        if (regular) {
            // The reference: a full level of the same splits.
            TreePtr full = makeTree(V(tree->rect->center, tree->rect->center + dim),
                                    V(tree->rect->radius, tree->rect->radius + dim));
            for (int l = 0; l < 16; ++l)
                full->sd[l] = tree->sd[l];
            int64_t made = 0;
            for (int32_t l = 0; l < depth; ++l)
                Tree_subdivide(full.get(), &made);
            const Faces f = facesAt(full.get(), depth);
            V expected;
            for (const auto& list : byEveryBox(f, d, lower, upper))
                for (const int32_t b : list) {
                    const double* corner = &f.lower[static_cast<size_t>(b - 1) * d];
                    if (searchOne(tree.get(), depth, corner) == 0)
                        expected.insert(expected.end(), corner, corner + d);
                }
            std::vector<V> rows;
            for (size_t q = 0; q * d < expected.size(); ++q)
                rows.emplace_back(expected.begin() + static_cast<ptrdiff_t>(q * d), expected.begin() + static_cast<ptrdiff_t>((q + 1) * d));
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            V sorted;
            for (const V& row : rows)
                sorted.insert(sorted.end(), row.begin(), row.end());
            ASSERT_EQ(corners, sorted) << "round " << round;
            ++checked;
        }
        made += n;
        int64_t added = 0;
        ASSERT_EQ(Tree_insert(tree.get(), depth, corners.data(), static_cast<int64_t>(n), &added), TREE_OK);
        ASSERT_EQ(added, static_cast<int64_t>(n)) << "round " << round;
        ASSERT_EQ(missing(tree.get(), depth, lower, upper), V()) << "round " << round;
    }
    EXPECT_GT(made, 500u);
    EXPECT_GT(checked, 15u);
}

// Every allocation of the query fails in turn: each failure gives back all
// it took (checked under the leak checker) and the walk ends at the root.
TEST(Meets, FailedAllocationLeavesNothing)
{
    std::mt19937 rng(3);
    TreePtr tree = randomTree(rng, 2, true, 10);
    V lower, upper;
    for (int j = 0; j < 200; ++j)
        for (size_t k = 0; k < 2; ++k) {
            const double x = tree->rect->center[k] + tree->rect->radius[k] * (j % 17 - 8) / 9.0;
            lower.push_back(x);
            upper.push_back(x + tree->rect->radius[k] * (j % 5) / 16.0);
        }
    const Lists whole = meets(tree.get(), 10, lower, upper);
    for (const BoxMeetsForm form : {BOX_MEETS_LISTS, BOX_MEETS_ANY, BOX_MEETS_MISSING}) {
        int failures = 0;
        for (long k = 1;; ++k) {
            BoxMeets* m = nullptr;
            try {
                alloc_testing::ThrowingAlloc failing(k);
                m = Tree_meets(tree.get(), 10, lower.data(), upper.data(), 200, form);
            } catch (const alloc_testing::AllocFailed&) {
                ++failures;
                EXPECT_EQ(tree->depth, 0);
                EXPECT_EQ(tree->current, tree->root);
                continue;
            }
            BoxMeets_free(&m);
            break;
        }
        EXPECT_GT(failures, 2) << "form " << form;
    }
    EXPECT_EQ(meets(tree.get(), 10, lower, upper), whole);
}

}  // namespace
