// Box coverings: subdivision, search, insertion, removal and writing, checked
// against direct arithmetic and against a plain walk of the same tree.
#include <gtest/gtest.h>

#include <float.h>
#include <math.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Checks.h"
#include "Covering.h"
#include "LevelIndex.h"
#include "Meets.h"
#include "Owner.h"
#include "ThrowingAlloc.h"
#include "TreeFiles.h"
#include "TreeHandle.h"
#include "Trees.h"

namespace {

using trees::makeTree;
using trees::TreePtr;
using V = std::vector<double>;

V search(Tree* tree, int32_t depth, const V& points)
{
    V numbers(points.size() / static_cast<size_t>(tree->rect->dim), -1);
    Tree_search(tree, depth, points.data(), static_cast<int64_t>(numbers.size()), numbers.data());
    return numbers;
}

std::pair<V, V> boxesAt(Tree* tree, int32_t depth)
{
    const size_t n = static_cast<size_t>(Tree_count(tree, depth)) * static_cast<size_t>(tree->rect->dim);
    V c(n), r(n);
    Tree_boxes(tree, depth, c.data(), r.data());
    return {c, r};
}

// Checks points, the samples of boxes first to last at depth for the count
// offsets (the last of them all -1), against the boxes' faces (Tree_faces,
// the bounds search places points by) and their centres and radii (c, r as
// Tree_boxes lists them): every sample lies within the faces and within
// rounding of c + r .* o, and the all -1 sample is the lower corner, which
// search finds in the box itself (unless the box holds no point at all).
void expectSamples(Tree* tree, int32_t depth, int64_t first, int64_t last, const V& offsets, size_t count,
                   const V& points, const std::pair<V, V>& listed, const std::string& where)
{
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    if (last < first)
        return;
    const size_t n = static_cast<size_t>(last - first + 1);
    V lower(n * dim), upper(n * dim);
    Tree_faces(tree, depth, first, last, lower.data(), upper.data());
    V corners;
    for (size_t b = 0; b < n; ++b)
        for (size_t j = 0; j < count; ++j)
            for (size_t k = 0; k < dim; ++k) {
                const size_t box = (static_cast<size_t>(first - 1) + b) * dim + k;
                const double x = points[(b * count + j) * dim + k];
                const double c = listed.first[box], r = listed.second[box];
                ASSERT_GE(x, lower[b * dim + k]) << where << " box " << first + static_cast<int64_t>(b);
                ASSERT_LE(x, upper[b * dim + k]) << where << " box " << first + static_cast<int64_t>(b);
                ASSERT_NEAR(x, c + r * offsets[j * dim + k], 8 * DBL_EPSILON * (fabs(c) + r)) << where;
                if (j + 1 == count) {
                    ASSERT_EQ(x, lower[b * dim + k]) << where;
                    corners.push_back(x);
                }
            }
    const V found = search(tree, depth, corners);
    for (size_t b = 0; b < n; ++b) {
        bool inner = true;  // a box narrower than the doubles around it holds no point
        for (size_t k = 0; k < dim; ++k)
            inner = inner && lower[b * dim + k] < upper[b * dim + k];
        if (inner) {
            ASSERT_EQ(found[b], static_cast<double>(first + static_cast<int64_t>(b))) << where;
        }
    }
}

// The reference search: descend from the root comparing with the walk's
// centres, and name the box by its centre among those Tree_boxes lists.
struct WalkReference {
    Tree* tree;
    int32_t depth;
    std::map<V, double> numberOf;

    WalkReference(Tree* t, int32_t d) : tree(t), depth(d)
    {
        const auto listed = boxesAt(t, d);
        const size_t dim = static_cast<size_t>(t->rect->dim);
        for (size_t b = 0; b * dim < listed.first.size(); ++b)
            numberOf[V(listed.first.begin() + b * dim, listed.first.begin() + (b + 1) * dim)] = b + 1;
    }
    double operator()(const double* x) const
    {
        for (int k = 0; k < tree->rect->dim; ++k)
            if (!(x[k] >= tree->rect->center[k] - tree->rect->radius[k] &&
                  x[k] <= tree->rect->center[k] + tree->rect->radius[k]))
                return 0;
        Tree_reset(tree);
        if (tree->current == nullptr)
            return 0;
        while (tree->depth < depth) {
            const int k = tree->current->split;
            if (!Tree_down(tree, x[k] >= tree->c[k] ? 1 : 0))
                return 0;
        }
        const auto found = numberOf.find(V(tree->c, tree->c + tree->rect->dim));
        return found == numberOf.end() ? -1 : found->second;
    }
};

std::string nodesOf(const Tree* tree)
{
    return tree->root == nullptr ? std::string("<empty>") : treefiles::nodes(tree->root);
}

TEST(Covering, SubdivisionTilesTheRectangleInPreOrder)
{
    TreePtr tree = makeTree({0, 0}, {1, 2});
    EXPECT_EQ(Tree_depth(tree.get()), 0);
    for (int k = 1; k <= 6; ++k) {
        int64_t added = 0;
        ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
        EXPECT_EQ(added, int64_t{1} << k);
    }
    EXPECT_EQ(Tree_depth(tree.get()), 6);
    EXPECT_EQ(Tree_count(tree.get(), 6), 64);
    EXPECT_EQ(Tree_count(tree.get(), 3), 8);
    EXPECT_EQ(Tree_count(tree.get(), 7), 0);
    // Depth 6 alternates x, y: 8 by 8 boxes of radius 1/8 by 2/8. Box numbers
    // read the path bits (x at even depths, y at odd ones) as a binary number.
    const auto listed = boxesAt(tree.get(), 6);
    for (int b = 0; b < 64; ++b) {
        int gx = 0, gy = 0;
        for (int l = 0; l < 6; ++l) {
            const int bit = (b >> (5 - l)) & 1;
            (l % 2 == 0 ? gx : gy) = 2 * (l % 2 == 0 ? gx : gy) + bit;
        }
        EXPECT_EQ(listed.first[2 * b], -1 + (2 * gx + 1) * 0.125) << b;
        EXPECT_EQ(listed.first[2 * b + 1], -2 + (2 * gy + 1) * 0.25) << b;
        EXPECT_EQ(listed.second[2 * b], 0.125);
        EXPECT_EQ(listed.second[2 * b + 1], 0.25);
    }
}

TEST(Covering, SearchAgreesWithGridArithmeticOnAFullTree)
{
    TreePtr tree = makeTree({0.5, -1}, {1.5, 3});
    const int depth = 10;  // 32 by 32 cells
    for (int k = 0; k < depth; ++k) {
        int64_t added = 0;
        ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
    }
    // The box of a point in the closed rectangle by grid arithmetic: its
    // column and row, read as path bits (x at even depths, y at odd ones).
    auto expectedOf = [&](double x, double y) -> double {
        if (!(x >= -1 && x <= 2 && y >= -4 && y <= 2))
            return 0;
        const int gx = std::min(31, static_cast<int>(floor((x + 1) / 3 * 32)));
        const int gy = std::min(31, static_cast<int>(floor((y + 4) / 6 * 32)));
        int key = 0;
        for (int l = 0; l < depth; ++l) {
            const int g = l % 2 == 0 ? gx : gy;
            key = 2 * key + ((g >> (4 - l / 2)) & 1);
        }
        return key + 1;
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ux(-1.1, 2.1), uy(-4.2, 2.2);
    V points;
    V expected;
    auto add = [&](double x, double y) {
        points.push_back(x);
        points.push_back(y);
        expected.push_back(expectedOf(x, y));
    };
    for (int i = 0; i < 20000; ++i)
        add(ux(rng), uy(rng));
    // The corners and faces of the rectangle, its centre, and NaNs.
    add(-1, -4);
    add(2, 2);
    add(2, -4);
    add(-1, 2);
    add(0.5, -1);
    add(0.5, NAN);
    add(NAN, -1);
    EXPECT_EQ(search(tree.get(), depth, points), expected);
    EXPECT_EQ(expectedOf(-1, -4), 1);
    EXPECT_EQ(expectedOf(2, 2), 1024);
    // No level lies above the root: nothing is found there, and nothing is asked of the heap.
    EXPECT_EQ(search(tree.get(), -1, {0.5, -1, 2, 2}), V({0, 0}));
}

// A side of 2e308 does not fit a double: the distance from its lower end to
// a point near the upper end is infinite, while the cell arithmetic's scale
// is 0. The search must still find the boxes the walk finds.
TEST(Covering, SearchOnARectangleWhoseSideOverflows)
{
    TreePtr tree = makeTree({0}, {1e308});
    for (int k = 0; k < 2; ++k) {
        int64_t added = 0;
        ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
    }
    const V points = {-1e308, -6e307, 1e-300, 7e307, 1e308};
    EXPECT_EQ(search(tree.get(), 2, points), V({1, 1, 3, 4, 4}));
    for (double x : points)
        EXPECT_EQ(WalkReference(tree.get(), 2)(&x), search(tree.get(), 2, {x})[0]) << x;
}

// A rectangle whose faces c -+ r round to infinity holds the infinite
// points: the walk puts them in the first and last boxes, and the search's
// bounds, whose outer ends are infinite too, must not be read past their end.
TEST(Covering, SearchOnARectangleWhoseFacesAreInfinite)
{
    TreePtr tree = makeTree({1e308}, {1e308});  // [0, inf]
    for (int k = 0; k < 3; ++k) {
        int64_t added = 0;
        ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
    }
    const V points = {INFINITY, 0, 1e308, 1.7e308, INFINITY, -INFINITY, NAN};
    const V found = search(tree.get(), 3, points);
    for (size_t p = 0; p < points.size(); ++p)
        EXPECT_EQ(WalkReference(tree.get(), 3)(&points[p]), found[p]) << points[p];
    EXPECT_EQ(found[0], 8);
    EXPECT_EQ(found[5], 0);
}

// A random tree: inserted points at random depths, some boxes removed, and
// (unless regular) sd changed between rounds so that some levels split along
// more than one coordinate, which the search walks instead of indexing.
TreePtr randomTree(std::mt19937& rng, int dim, bool regular)
{
    std::vector<double> c(static_cast<size_t>(dim)), r(static_cast<size_t>(dim));
    std::uniform_real_distribution<double> u(-3, 3);
    for (int k = 0; k < dim; ++k) {
        c[static_cast<size_t>(k)] = u(rng);
        r[static_cast<size_t>(k)] = 0.1 + fabs(u(rng));
    }
    TreePtr tree = makeTree(c, r);
    std::uniform_int_distribution<int> depthOf(0, 9);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int round = 0; round < 4; ++round) {
        if (!regular) {
            std::uniform_int_distribution<int> coordinate(0, dim - 1);
            for (int l = 0; l < 12; ++l)
                tree->sd[l] = static_cast<uint8_t>(coordinate(rng));
        }
        V points;
        for (int i = 0; i < 30 * dim; ++i)
            points.push_back(c[static_cast<size_t>(i % dim)] + r[static_cast<size_t>(i % dim)] * unit(rng));
        int64_t added = 0;
        EXPECT_EQ(Tree_insert(tree.get(), depthOf(rng), points.data(),
                              static_cast<int64_t>(points.size()) / dim, &added),
                  TREE_OK);
        const int32_t d = depthOf(rng);
        std::vector<uint8_t> mask(static_cast<size_t>(Tree_count(tree.get(), d)));
        for (auto& m : mask)
            m = std::bernoulli_distribution(0.8)(rng);
        int64_t kept = 0;
        Tree_keep(tree.get(), d, mask.data(), &kept);
    }
    return tree;
}

TEST(Covering, SearchAgreesWithAWalkOnRandomTrees)
{
    std::mt19937 rng(2026);
    for (int round = 0; round < 60; ++round) {
        const int dim = 1 + round % 3;
        TreePtr tree = randomTree(rng, dim, round % 2 == 0);
        const int32_t deepest = Tree_depth(tree.get());
        for (int32_t d = 0; d <= deepest; ++d) {
            V points;
            // Random points, and every box's centre and lower corner.
            for (int i = 0; i < 50 * dim; ++i)
                points.push_back(std::uniform_real_distribution<double>(-7, 7)(rng));
            const auto listed = boxesAt(tree.get(), d);
            for (size_t i = 0; i < listed.first.size(); ++i)
                points.push_back(listed.first[i]);
            for (size_t i = 0; i < listed.first.size(); ++i)
                points.push_back(listed.first[i] - listed.second[i]);
            const V found = search(tree.get(), d, points);
            const WalkReference reference(tree.get(), d);
            for (size_t p = 0; p < found.size(); ++p)
                ASSERT_EQ(found[p], reference(&points[p * static_cast<size_t>(dim)]))
                    << "round " << round << " depth " << d << " point " << p;
        }
    }
}

// Sample points come from the same listing of a level as Tree_boxes: box by
// box in number order, on trees with removed boxes and mixed splits.
// Samples follow the faces that search uses, on rectangles whose centres and
// radii are not binary fractions, on indexed and walked levels alike.
TEST(Covering, SamplesLieWithinTheFacesSearchUses)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int round = 0; round < 20; ++round) {
        const int dim = 1 + round % 3;
        const size_t d = static_cast<size_t>(dim);
        TreePtr tree = randomTree(rng, dim, round % 2 == 0);
        V offsets(3 * d, -1);
        for (size_t i = 0; i < 2 * d; ++i)
            offsets[i] = unit(rng);
        offsets[0] = 1;  // the upper face, where rounding could leave the box
        for (int32_t depth = 0; depth <= Tree_depth(tree.get()); ++depth) {
            const auto listed = boxesAt(tree.get(), depth);
            const int64_t n = static_cast<int64_t>(listed.first.size() / d);
            const int64_t first = n / 3 + 1, last = n - n / 3;  // the middle third, or all of a short level
            V points(3 * d * static_cast<size_t>(last - first + 1), NAN);
            Tree_samples(tree.get(), depth, first, last, offsets.data(), 3, points.data());
            expectSamples(tree.get(), depth, first, last, offsets, 3, points, listed,
                          "round " + std::to_string(round) + " depth " + std::to_string(depth));
        }
    }
}

// Points within a few rounding errors of the boxes' faces, where arithmetic
// alone could put them in the neighbouring box: search must still agree with
// the walk, for rectangles at the origin, far from it relative to their size
// (large rounding errors), and so small that their cells leave the normal
// doubles.
TEST(Covering, SearchAgreesWithAWalkNextToFaces)
{
    struct Case {
        V c, r;
        int depth;
    };
    const std::vector<Case> cases = {
        {{0, 0}, {1.5, 0.4}, 14},         {{1e6, -3e5}, {1e-3, 7e-4}, 12},
        {{0.1, 0.3}, {1e-300, 3e-301}, 10}, {{-2.5}, {0.7}, 12},
        {{0.5, -1, 2}, {0.3, 1.1, 4}, 12}, {{12345.678, 0.001}, {0.0625, 1e-5}, 16},
    };
    for (const Case& c : cases) {
        TreePtr tree = makeTree(c.c, c.r);
        int64_t n = 0;
        for (int d = 0; d < c.depth; ++d)
            ASSERT_EQ(Tree_subdivide(tree.get(), &n), TREE_OK);
        const size_t dim = c.c.size();
        const auto listed = boxesAt(tree.get(), c.depth);
        V points;
        // Each box's lower corner, moved along one coordinate by 0 to 3 ulps
        // either way and by small fractions of the box's width.
        for (size_t b = 0; b < listed.first.size(); b += dim) {
            for (size_t k = 0; k < dim; ++k) {
                V corner(listed.first.begin() + b, listed.first.begin() + b + dim);
                for (size_t i = 0; i < dim; ++i)
                    corner[i] -= listed.second[b + i] * (i == k ? 1 : 0.5);
                const double face = corner[k];
                const double width = 2 * listed.second[b + k];
                std::vector<double> at = {face};
                double up = face, down = face;
                for (int u = 0; u < 3; ++u) {
                    up = nextafter(up, INFINITY);
                    down = nextafter(down, -INFINITY);
                    at.push_back(up);
                    at.push_back(down);
                }
                for (const double f : {1e-13, 1e-11, 1e-9, 1e-6})
                    for (const double sign : {-1.0, 1.0})
                        at.push_back(face + sign * f * width);
                for (const double v : at) {
                    corner[k] = v;
                    points.insert(points.end(), corner.begin(), corner.end());
                }
            }
        }
        const V found = search(tree.get(), c.depth, points);
        const WalkReference walk(tree.get(), c.depth);
        for (size_t p = 0; p < found.size(); ++p)
            ASSERT_EQ(found[p], walk(&points[p * dim]))
                << "centre " << c.c[0] << ", point " << p << " at " << points[p * dim];
    }
}

// Levels deeper than 32 have keys of more than 32 bits, which the index
// holds beside wider hashes; levels whose cells would outnumber the boxes
// are walked instead. Both must agree with the walk.
TEST(Covering, SearchAgreesWithAWalkOnDeepLevels)
{
    std::mt19937 rng(33);
    struct Case {
        V c, r;
        int depth;
    };
    const std::vector<Case> cases = {
        {{0, 0, 0}, {1, 2, 3}, 33}, {{0.5, -1, 7}, {0.25, 1, 2}, 39},
        {{1, 2, 3, 4}, {1, 1, 1, 1}, 48}, {{0, 0}, {1, 1}, 34},
    };
    for (const Case& c : cases) {
        const size_t dim = c.c.size();
        TreePtr tree = makeTree(c.c, c.r);
        std::uniform_real_distribution<double> unit(-1, 1);
        V points;
        for (int i = 0; i < 3000; ++i)
            for (size_t k = 0; k < dim; ++k)
                points.push_back(c.c[k] + c.r[k] * unit(rng));
        int64_t added = 0;
        ASSERT_EQ(Tree_insert(tree.get(), c.depth, points.data(), 3000, &added), TREE_OK);
        // The inserted points, as many new ones, and each box's lower corner.
        for (int i = 0; i < 3000; ++i)
            for (size_t k = 0; k < dim; ++k)
                points.push_back(c.c[k] + 1.01 * c.r[k] * unit(rng));
        const auto listed = boxesAt(tree.get(), c.depth);
        for (size_t i = 0; i < listed.first.size(); ++i)
            points.push_back(listed.first[i] - listed.second[i]);
        const V found = search(tree.get(), c.depth, points);
        const WalkReference walk(tree.get(), c.depth);
        int hits = 0;
        for (size_t p = 0; p < found.size(); ++p) {
            ASSERT_EQ(found[p], walk(&points[p * dim])) << "depth " << c.depth << ", point " << p;
            hits += found[p] > 0 ? 1 : 0;
        }
        EXPECT_GE(hits, 6000) << "depth " << c.depth;
    }
}

// The boxes of a level as a plain walk gives them: centres and radii as the
// walk computes them, in pre-order.
std::pair<V, V> walkedBoxes(Tree* tree, int32_t depth)
{
    V c, r;
    Tree_reset(tree);
    if (tree->current != nullptr) {
        do {
            if (tree->depth == depth) {
                c.insert(c.end(), tree->c, tree->c + tree->rect->dim);
                r.insert(r.end(), tree->r, tree->r + tree->rect->dim);
            }
        } while (Tree_next(tree, depth));
    }
    Tree_reset(tree);
    return {c, r};
}

// An index lists its level, any range of it, to the last bit as the walk
// does: on random trees, on rectangles far from the origin or so small that
// their cells leave the normal doubles, and on levels deeper than 32.
TEST(LevelIndex, ListsItsLevelAsTheWalkDoes)
{
    using Index = Owner<LevelIndex, LevelIndex_free>;
    std::mt19937 rng(18);
    std::vector<TreePtr> trees;
    for (int round = 0; round < 12; ++round)
        trees.push_back(randomTree(rng, 1 + round % 4, true));
    const std::vector<std::pair<V, V>> rectangles = {
        {{1e6, -3e5}, {1e-3, 7e-4}}, {{0.1, 0.3}, {1e-300, 3e-301}}, {{12345.678, 0.001}, {0.0625, 1e-5}},
        {{-7, 0, 1e15}, {3, 1e-9, 1}}, {{0.1, 0.3}, {1e-305, 3e-306}},
    };
    std::uniform_real_distribution<double> unit(-1, 1);
    for (const auto& [c, r] : rectangles) {
        trees.push_back(makeTree(c, r));
        V points;
        for (int i = 0; i < 400; ++i)
            for (size_t k = 0; k < c.size(); ++k)
                points.push_back(c[k] + r[k] * unit(rng));
        int64_t added = 0;
        ASSERT_EQ(Tree_insert(trees.back().get(), 40, points.data(), 400, &added), TREE_OK);
    }
    for (size_t t = 0; t < trees.size(); ++t) {
        Tree* tree = trees[t].get();
        const size_t dim = static_cast<size_t>(tree->rect->dim);
        for (int32_t depth = 0; depth <= Tree_depth(tree); ++depth) {
            const Index index(LevelIndex_newList(tree, depth));
            if (!index)
                continue;  // a level of more cells than boxes: Tree_boxes walks it
            ASSERT_FALSE(LevelIndex_searchable(index.get()) && LevelIndex_count(index.get()) > 0);
            const auto walked = walkedBoxes(tree, depth);
            const auto n = static_cast<int64_t>(walked.first.size() / dim);
            ASSERT_EQ(LevelIndex_count(index.get()), n) << "tree " << t << " depth " << depth;
            V c(walked.first.size(), NAN), r(c.size(), NAN);
            LevelIndex_boxes(index.get(), c.data(), r.data());
            ASSERT_EQ(c, walked.first) << "tree " << t << " depth " << depth;
            ASSERT_EQ(r, walked.second) << "tree " << t << " depth " << depth;
            EXPECT_EQ(boxesAt(tree, depth), walked);
            // The faces, as the walk gives them.
            V lower(c.size(), NAN), upper(c.size(), NAN), walkedLower(c.size()), walkedUpper(c.size());
            LevelIndex_faces(index.get(), 1, n, lower.data(), upper.data());
            Tree_faces(tree, depth, 1, n, walkedLower.data(), walkedUpper.data());
            ASSERT_EQ(lower, walkedLower) << "tree " << t << " depth " << depth;
            ASSERT_EQ(upper, walkedUpper) << "tree " << t << " depth " << depth;
            // A range, three offsets a box, the last the lower corner.
            V offsets(3 * dim, -1);
            for (size_t i = 0; i < 2 * dim; ++i)
                offsets[i] = unit(rng);
            const int64_t first = std::uniform_int_distribution<int64_t>(1, std::max<int64_t>(n, 1))(rng);
            const int64_t last = std::uniform_int_distribution<int64_t>(first - 1, n)(rng);
            V points(3 * dim * static_cast<size_t>(last - first + 1), NAN);
            LevelIndex_samples(index.get(), first, last, offsets.data(), 3, points.data());
            expectSamples(tree, depth, first, last, offsets, 3, points, walked,
                          "tree " + std::to_string(t) + " depth " + std::to_string(depth));
        }
    }
}

// Which levels the index serves: a regular level is indexed (else every
// search would walk, slower but with the same results, and no other test
// would notice), and the levels that arithmetic cannot locate are left to
// the walk.
TEST(LevelIndex, ServesRegularLevelsAndLeavesTheRestToTheWalk)
{
    using Index = Owner<LevelIndex, LevelIndex_free>;
    TreePtr tree = makeTree({0, 0}, {1, 2});
    int64_t added = 0;
    for (int k = 0; k < 5; ++k)
        ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
    for (int32_t depth : {0, 3, 5, 9}) {
        const Index index(LevelIndex_new(tree.get(), depth));
        ASSERT_TRUE(index) << depth;
        const V points = {0.1, 0.1, -0.9, 1.9, 1, 2, -1, -2, 1.5, 0, NAN, 0};
        V numbers(6, -1);
        LevelIndex_search(index.get(), points.data(), 6, numbers.data());
        EXPECT_EQ(numbers, search(tree.get(), depth, points)) << depth;
        if (depth == 9) {
            EXPECT_EQ(numbers, V(6, 0));  // no boxes that deep: 0 everywhere
        }
    }
    EXPECT_FALSE(Index(LevelIndex_new(tree.get(), -1)));
    EXPECT_FALSE(Index(LevelIndex_new(tree.get(), 65)));

    // Boxes at depth 1 halved along different coordinates: the level below is walked.
    tree->root->child[0]->split ^= 1;
    EXPECT_FALSE(Index(LevelIndex_new(tree.get(), 5)));
    EXPECT_TRUE(Index(LevelIndex_new(tree.get(), 1)));  // the splits below it do not count
    tree->root->child[0]->split ^= 1;

    // A coordinate halved more than 22 times would need a table of its 2^23
    // cells or more, and one of more than 65536 cells must not outweigh the
    // boxes four times: such levels are walked.
    TreePtr line = makeTree({0}, {1});
    const double x = 0.3;
    ASSERT_EQ(Tree_insert(line.get(), 30, &x, 1, &added), TREE_OK);
    EXPECT_TRUE(Index(LevelIndex_new(line.get(), 16)));
    EXPECT_FALSE(Index(LevelIndex_new(line.get(), 17)));
    EXPECT_FALSE(Index(LevelIndex_new(line.get(), 23)));
    EXPECT_EQ(search(line.get(), 30, {x, -x}), V({1, 0}));

    // A tree without boxes has an index that finds nothing.
    TreePtr none = makeTree({0}, {1});
    Box_freeTree(&none->root);
    const Index empty(LevelIndex_new(none.get(), 4));
    ASSERT_TRUE(empty);
    double found = -1;
    LevelIndex_search(empty.get(), &x, 1, &found);
    EXPECT_EQ(found, 0);

    // A side that is not a positive finite number cannot be divided by arithmetic.
    for (double r : {0.0, double(INFINITY)}) {
        tree->rect->radius[1] = r;
        EXPECT_FALSE(Index(LevelIndex_new(tree.get(), 3))) << r;
    }
}

// Boxes whose hashes all fall at the end of the index: their run of slots
// goes past the slots the index made at first, which then grow. Every box
// must still be found.
TEST(LevelIndex, FindsBoxesWhoseSlotsRunPastTheEnd)
{
    // The 200 cells of 2^16 along a line (the most a level of 200 boxes is
    // indexed with) whose hashes, the cell key times Knuth's factor in 32
    // bits, are largest: they all want the last homes.
    const uint32_t cells = 1u << 16;
    std::vector<std::pair<uint32_t, uint32_t>> byHash;
    for (uint32_t key = 0; key < cells; ++key)
        byHash.emplace_back(key * 0x9E3779B1u, key);
    std::partial_sort(byHash.begin(), byHash.begin() + 200, byHash.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    TreePtr tree = makeTree({0.5}, {0.5});
    V points;
    for (size_t i = 0; i < 200; ++i)
        points.push_back((byHash[i].second + 0.5) / cells);
    int64_t added = 0;
    ASSERT_EQ(Tree_insert(tree.get(), 16, points.data(), 200, &added), TREE_OK);
    ASSERT_EQ(added, 200);
    ASSERT_TRUE((Owner<LevelIndex, LevelIndex_free>(LevelIndex_new(tree.get(), 16))));
    const V found = search(tree.get(), 16, points);
    const WalkReference walk(tree.get(), 16);
    for (size_t p = 0; p < points.size(); ++p) {
        EXPECT_GT(found[p], 0) << p;
        EXPECT_EQ(found[p], walk(&points[p])) << p;
    }
}

TEST(Covering, InsertMakesWhatSearchFinds)
{
    TreePtr tree = makeTree({0, 0, 0}, {1, 1, 1});
    const V points = {0.1, 0.2, 0.3, -0.9, 0.5, 0.99, 0.1, 0.2, 0.31, 5, 0, 0, 1, 1, 1};
    int64_t added = 0;
    ASSERT_EQ(Tree_insert(tree.get(), 12, points.data(), 5, &added), TREE_OK);
    EXPECT_EQ(added, 3);  // two points share a box at depth 12; one lies outside
    EXPECT_EQ(Tree_count(tree.get(), 12), 3);
    const V found = search(tree.get(), 12, points);
    EXPECT_GT(found[0], 0);
    EXPECT_EQ(found[0], found[2]);
    EXPECT_GT(found[1], 0);
    EXPECT_EQ(found[3], 0);
    EXPECT_EQ(found[4], 3);  // the upper corner is the last box in pre-order
    const std::string before = nodesOf(tree.get());
    ASSERT_EQ(Tree_insert(tree.get(), 12, points.data(), 5, &added), TREE_OK);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(nodesOf(tree.get()), before);
    // Boxes lie along sd: depth 1 halves coordinate 1 when sd says so.
    tree->sd[0] = 1;
    TreePtr other = makeTree({0, 0, 0}, {1, 1, 1});
    other->sd[0] = 1;
    ASSERT_EQ(Tree_insert(other.get(), 1, points.data(), 1, &added), TREE_OK);
    EXPECT_EQ(boxesAt(other.get(), 1).first, V({0, 0.5, 0}));
}

TEST(Covering, KeepRemovesBoxesAndBareAncestorsAndRenumbers)
{
    TreePtr tree = makeTree({0}, {1});
    int64_t n = 0;
    for (int k = 0; k < 3; ++k)
        Tree_subdivide(tree.get(), &n);
    // Depth 3: eight boxes; keep 2, 3 and 8.
    const std::vector<uint8_t> mask = {0, 1, 1, 0, 0, 0, 0, 1};
    Tree_keep(tree.get(), 3, mask.data(), &n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(boxesAt(tree.get(), 3).first, V({-0.625, -0.375, 0.875}));
    EXPECT_EQ(Tree_count(tree.get(), 2), 3);  // [-1, -0.5), [-0.5, 0), [0.5, 1)
    EXPECT_EQ(Tree_count(tree.get(), 1), 2);
    EXPECT_EQ(search(tree.get(), 3, {-0.4, 0.9, 0.1}), V({2, 3, 0}));
    // A shallower leaf stays: keep at depth 1 does not touch boxes below.
    TreePtr shallow = makeTree({0}, {1});
    const V point = {0.7};
    Tree_insert(shallow.get(), 1, point.data(), 1, &n);
    Tree_insert(shallow.get(), 3, point.data(), 1, &n);
    const std::vector<uint8_t> one = {1};
    Tree_keep(shallow.get(), 1, one.data(), &n);
    EXPECT_EQ(Tree_depth(shallow.get()), 3);
    // Removing everything leaves a tree without boxes, which insert can refill.
    const std::vector<uint8_t> none = {0, 0, 0};
    Tree_keep(tree.get(), 3, none.data(), &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(tree->root, nullptr);
    EXPECT_EQ(Tree_depth(tree.get()), -1);
    EXPECT_EQ(Tree_count(tree.get(), 0), 0);
    EXPECT_EQ(search(tree.get(), 0, {0.5}), V({0}));
    EXPECT_EQ(Tree_subdivide(tree.get(), &n), TREE_OK);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(Tree_insert(tree.get(), 2, point.data(), 1, &n), TREE_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Tree_count(tree.get(), 0), 1);
}

// The node stream Tree_write gives: treefiles::nodes with every box that has
// no children written with the split sd gives its depth.
std::string nodesWithLeafSplits(const Tree* tree)
{
    std::string bytes;
    std::vector<std::pair<const Box*, int>> stack{{tree->root, 0}};
    while (!stack.empty()) {
        const auto [box, depth] = stack.back();
        stack.pop_back();
        if (box == nullptr) {
            bytes += '\0';
            continue;
        }
        const bool leaf = box->child[0] == nullptr && box->child[1] == nullptr;
        bytes += static_cast<char>(box->flags);
        bytes += static_cast<char>(leaf ? tree->sd[depth] : box->split);
        bytes += static_cast<char>(box->aux);
        stack.push_back({box->child[1], depth + 1});
        stack.push_back({box->child[0], depth + 1});
    }
    return bytes;
}

TEST(Covering, WrittenTreesReadBackTheSame)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 10; ++round) {
        TreePtr tree = randomTree(rng, 1 + round % 4, round % 2 == 0);
        if (tree->root == nullptr)
            continue;
        tree->root->aux = 26;  // any byte survives
        treefiles::Stream file("");
        ASSERT_EQ(Tree_write(tree.get(), file.get()), 0);
        rewind(file.get());
        Tree* read = Tree_read(file.get());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->rect->dim, tree->rect->dim);
        EXPECT_EQ(checks::values(read->rect->center, read->rect->dim),
                  checks::values(tree->rect->center, tree->rect->dim));
        EXPECT_EQ(checks::values(read->rect->radius, read->rect->dim),
                  checks::values(tree->rect->radius, tree->rect->dim));
        // Boxes without children carry the split sd gives their depth.
        EXPECT_EQ(treefiles::nodes(read->root), nodesWithLeafSplits(tree.get()));
        // The split table reads back whole.
        const size_t entries = static_cast<size_t>(TREE_DEPTH_PER_DIM) * tree->rect->dim + 1;
        EXPECT_EQ(std::vector<uint8_t>(read->sd, read->sd + entries),
                  std::vector<uint8_t>(tree->sd, tree->sd + entries));
        Tree_free(&read);
        // A reader that stops after the node stream (an older one) takes the
        // split table from the leftmost path's splits, and at its last box
        // the split a subdivision would use there.
        rewind(file.get());
        std::string bytes;
        for (int c; (c = fgetc(file.get())) != EOF;)
            bytes += static_cast<char>(c);
        const size_t trailer = bytes.rfind("  sd =");
        ASSERT_NE(trailer, std::string::npos);
        treefiles::Stream older(bytes.substr(0, trailer));
        read = Tree_read(older.get());
        ASSERT_NE(read, nullptr);
        Tree_reset(read);
        Tree_reset(tree.get());
        for (;;) {
            const Box* box = tree->current;
            const bool leaf = box->child[0] == nullptr && box->child[1] == nullptr;
            EXPECT_EQ(read->sd[read->depth], leaf ? tree->sd[tree->depth] : box->split)
                << "depth " << read->depth;
            if (!Tree_down(read, 0) && !Tree_down(read, 1))
                break;
            if (!Tree_down(tree.get(), 0))
                Tree_down(tree.get(), 1);
        }
        Tree_free(&read);
    }
    // A leaf is written with the split sd gives its depth, unless that is not
    // a coordinate: the file must stay readable.
    TreePtr odd = makeTree({0, 0}, {1, 1});
    int64_t made = 0;
    Tree_subdivide(odd.get(), &made);
    odd->sd[1] = 7;
    treefiles::Stream oddFile("");
    ASSERT_EQ(Tree_write(odd.get(), oddFile.get()), 0);
    rewind(oddFile.get());
    Tree* back = Tree_read(oddFile.get());
    ASSERT_NE(back, nullptr);
    Tree_free(&back);

    TreePtr empty = makeTree({0}, {1});
    const std::vector<uint8_t> none = {0};
    int64_t n = 0;
    Tree_keep(empty.get(), 0, none.data(), &n);
    treefiles::Stream file("");
    EXPECT_EQ(Tree_write(empty.get(), file.get()), -1);
}

TEST(Covering, RefusalsChangeNothing)
{
    TreePtr tree = makeTree({0, 0}, {1, 1});
    const std::string before = nodesOf(tree.get());
    int64_t n = 0;
    tree->sd[0] = 2;  // not a coordinate of a 2-d tree
    EXPECT_EQ(Tree_subdivide(tree.get(), &n), TREE_BAD_SPLIT);
    const V point = {0.5, 0.5};
    EXPECT_EQ(Tree_insert(tree.get(), 3, point.data(), 1, &n), TREE_BAD_SPLIT);
    EXPECT_EQ(nodesOf(tree.get()), before);
    EXPECT_EQ(Tree_depth(tree.get()), 0);
    tree->sd[0] = 0;
    EXPECT_EQ(Tree_insert(tree.get(), 1001, point.data(), 1, &n), TREE_TOO_DEEP);
    // A 1-d tree can be 500 levels deep and no deeper.
    TreePtr line = makeTree({0}, {1});
    ASSERT_EQ(Tree_insert(line.get(), 500, V{0.3}.data(), 1, &n), TREE_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Tree_depth(line.get()), 500);
    EXPECT_EQ(Tree_subdivide(line.get(), &n), TREE_TOO_DEEP);
    EXPECT_EQ(search(line.get(), 500, {0.3, 0.31}), V({1, 0}));
}

// Coarsening removes what lies below the chosen boxes of a level and nothing
// else: on random trees (mixed splits, shallower boxes without halves), every
// level down to d lists the same boxes as before, and each deeper box stays
// exactly when its ancestor at d was not chosen. It allocates nothing.
TEST(Covering, CoarsenRemovesOnlyWhatLiesBelowTheChosenBoxes)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 40; ++round) {
        const int dim = 1 + round % 3;
        TreePtr tree = randomTree(rng, dim, round % 2 == 0);
        const int32_t deepest = Tree_depth(tree.get());
        if (deepest < 0)
            continue;
        const int32_t d = std::uniform_int_distribution<int32_t>(0, deepest)(rng);
        const int64_t n = Tree_count(tree.get(), d);
        std::vector<uint8_t> mask(static_cast<size_t>(n));
        const bool all = round % 4 == 0;
        for (auto& m : mask)
            m = all ? 1 : std::bernoulli_distribution(0.5)(rng);
        std::vector<std::pair<V, V>> before;
        for (int32_t l = 0; l <= deepest; ++l)
            before.push_back(boxesAt(tree.get(), l));
        // The deeper boxes that stay: those whose ancestor at d is not chosen.
        const size_t udim = static_cast<size_t>(dim);
        std::vector<V> staying(static_cast<size_t>(deepest) + 1);
        for (int32_t l = d + 1; l <= deepest; ++l) {
            const V& c = before[static_cast<size_t>(l)].first;
            const V ancestors = search(tree.get(), d, c);
            for (size_t b = 0; b < ancestors.size(); ++b)
                if (mask[static_cast<size_t>(ancestors[b]) - 1] == 0)
                    staying[static_cast<size_t>(l)].insert(staying[static_cast<size_t>(l)].end(),
                                                           c.begin() + b * udim, c.begin() + (b + 1) * udim);
        }
        int64_t left = -1;
        {
            alloc_testing::ThrowingAlloc failing(1);  // the first allocation would throw
            Tree_coarsen(tree.get(), d, all ? nullptr : mask.data(), &left);
        }
        EXPECT_EQ(left, n);
        for (int32_t l = 0; l <= d; ++l)
            EXPECT_EQ(boxesAt(tree.get(), l), before[static_cast<size_t>(l)]) << "round " << round << " depth " << l;
        for (int32_t l = d + 1; l <= deepest; ++l)
            EXPECT_EQ(boxesAt(tree.get(), l).first, staying[static_cast<size_t>(l)]) << "round " << round << " depth " << l;
        if (all) {
            EXPECT_LE(Tree_depth(tree.get()), d);
        }
    }
}

// A subdivision coarsened again is the tree it was, as its file says: the
// boxes, and the splits a later subdivision takes.
TEST(Covering, CoarsenUndoesASubdivision)
{
    std::mt19937 rng(8);
    for (int round = 0; round < 10; ++round) {
        TreePtr tree = randomTree(rng, 1 + round % 3, round % 2 == 0);
        const int32_t deepest = Tree_depth(tree.get());
        if (deepest < 0 || deepest >= 11)
            continue;
        const std::string before = nodesWithLeafSplits(tree.get());
        int64_t n = 0;
        ASSERT_EQ(Tree_subdivide(tree.get(), &n), TREE_OK);
        Tree_coarsen(tree.get(), deepest, nullptr, &n);
        EXPECT_EQ(n, Tree_count(tree.get(), deepest));
        EXPECT_EQ(nodesWithLeafSplits(tree.get()), before) << "round " << round;
    }
    TreePtr empty = makeTree({0}, {1});
    const std::vector<uint8_t> none = {0};
    int64_t n = -1;
    Tree_keep(empty.get(), 0, none.data(), &n);
    Tree_coarsen(empty.get(), 0, nullptr, &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(empty->root, nullptr);
}

// Every allocation of each operation fails in turn: the failed operation
// leaves the tree as it was (and, under the leak checker, nothing behind).
TEST(Covering, FailedAllocationLeavesTheTreeAsItWas)
{
    std::mt19937 rng(5);
    TreePtr tree = randomTree(rng, 2, true);
    int64_t n = 0;
    V points;  // inside the rectangle, but for one
    for (const double f : {0.1, 0.1, -0.4, 0.8, 2.5, -0.1, 0.9, 0.9})
        points.push_back(tree->rect->center[points.size() % 2] + f * tree->rect->radius[points.size() % 2]);
    const std::vector<std::function<void()>> operations = {
        [&] { Tree_subdivide(tree.get(), &n); },
        [&] { Tree_insert(tree.get(), 14, points.data(), 4, &n); },
        [&] {
            V numbers(4);
            Tree_search(tree.get(), Tree_depth(tree.get()), points.data(), 4, numbers.data());
        },
        [&] {
            std::vector<uint8_t> mask(static_cast<size_t>(Tree_count(tree.get(), 3)), 0);
            Tree_keep(tree.get(), 3, mask.data(), &n);  // removes every box
        },
        [&] {
            Tree_keep(tree.get(), 0, nullptr, &n);  // nothing to remove
            EXPECT_EQ(n, 0);
        },
        [&] { Tree_insert(tree.get(), 5, points.data(), 4, &n); },  // the root is new too
    };
    for (size_t op = 0; op < operations.size(); ++op) {
        int failures = 0;
        for (long k = 1;; ++k) {
            const std::string before = nodesOf(tree.get());
            try {
                alloc_testing::ThrowingAlloc failing(k);
                operations[op]();
            } catch (const alloc_testing::AllocFailed&) {
                ++failures;
                EXPECT_EQ(nodesOf(tree.get()), before) << "operation " << op << ", allocation " << k;
                continue;
            }
            break;
        }
        EXPECT_GT(failures, 0) << "operation " << op;
    }
}

TEST(TreeWalk, NextVisitsInPreOrderAndUpRestoresTheBox)
{
    TreePtr tree = makeTree({0, 0}, {1, 1});
    Box* root = tree->root;
    root->split = 0;
    Box* lower = trees::addChild(root, 0, 1);
    trees::addChild(lower, 1, 0);
    trees::addChild(root, 1, 0);
    std::vector<std::pair<int32_t, V>> visits;
    Tree_reset(tree.get());
    do
        visits.push_back({tree->depth, V(tree->c, tree->c + 2)});
    while (Tree_next(tree.get(), INT32_MAX));
    ASSERT_EQ(visits.size(), 4u);
    EXPECT_EQ(visits[0], (std::pair<int32_t, V>{0, {0, 0}}));
    EXPECT_EQ(visits[1], (std::pair<int32_t, V>{1, {-0.5, 0}}));
    EXPECT_EQ(visits[2], (std::pair<int32_t, V>{2, {-0.5, 0.5}}));
    EXPECT_EQ(visits[3], (std::pair<int32_t, V>{1, {0.5, 0}}));
    EXPECT_EQ(tree->depth, 0);
    EXPECT_EQ(Tree_up(tree.get()), 0);
    // The limit keeps the walk above a depth.
    int visited = 0;
    Tree_reset(tree.get());
    do
        ++visited;
    while (Tree_next(tree.get(), 1));
    EXPECT_EQ(visited, 3);
}

}  // namespace
