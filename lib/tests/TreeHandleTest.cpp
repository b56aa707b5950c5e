// The handle's operations keep the index of a level between calls: their
// results are those of the Tree_ operations on the tree as it stands, what
// is kept goes when the tree changes, and a call on a kept level allocates
// nothing.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "Covering.h"
#include "LevelIndex.h"
#include "Meets.h"
#include "Owner.h"
#include "Rectangle.h"
#include "ThrowingAlloc.h"
#include "TreeHandle.h"

namespace {

using V = std::vector<double>;
using HandlePtr = Owner<TreeHandle, TreeHandle_free>;

HandlePtr makeHandle(const V& c, const V& r)
{
    Rectangle* rect = Rectangle_new(c.data(), r.data(), static_cast<uint8_t>(c.size()));
    HandlePtr handle(TreeHandle_new(rect));
    Rectangle_free(&rect);
    return handle;
}

// Changes the tree as the Tree class does: the change, then TreeHandle_reset.
void subdivide(TreeHandle* handle, int times)
{
    int64_t added = 0;
    for (int k = 0; k < times; ++k) {
        ASSERT_EQ(Tree_subdivide(handle->tree, &added), TREE_OK);
        TreeHandle_reset(handle);
    }
}

V randomPoints(std::mt19937& rng, const TreeHandle* handle, int count)
{
    const Rectangle* rect = handle->tree->rect;
    std::uniform_real_distribution<double> unit(-1.1, 1.1);
    V points;
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < rect->dim; ++k)
            points.push_back(rect->center[k] + rect->radius[k] * unit(rng));
    return points;
}

V kept(TreeHandle* handle, int32_t depth, const V& points)
{
    V numbers(points.size() / static_cast<size_t>(handle->tree->rect->dim), -1);
    TreeHandle_search(handle, depth, points.data(), static_cast<int64_t>(numbers.size()), numbers.data());
    return numbers;
}

V fresh(TreeHandle* handle, int32_t depth, const V& points)
{
    V numbers(points.size() / static_cast<size_t>(handle->tree->rect->dim), -1);
    Tree_search(handle->tree, depth, points.data(), static_cast<int64_t>(numbers.size()), numbers.data());
    return numbers;
}

// Whether f runs without a single checked allocation.
bool allocatesNothing(const std::function<void()>& f)
{
    try {
        alloc_testing::ThrowingAlloc failing(1);
        f();
    } catch (const alloc_testing::AllocFailed&) {
        return false;
    }
    return true;
}

TEST(TreeHandle, KeepsTheIndexOfALevelUntilTheTreeChanges)
{
    std::mt19937 rng(4);
    HandlePtr h = makeHandle({0, 0}, {1, 2});
    subdivide(h.get(), 8);
    const V points = randomPoints(rng, h.get(), 500);
    EXPECT_EQ(kept(h.get(), 8, points), fresh(h.get(), 8, points));
    ASSERT_NE(h->kept.index, nullptr);
    EXPECT_EQ(h->kept.indexDepth, 8);

    // On the kept level nothing is made again.
    V numbers(500), centers(2 * 256), radii(2 * 256), samples(2 * 3), lower(2 * 3), upper(2 * 3);
    const double offsets[2] = {0.5, -0.5};
    EXPECT_TRUE(allocatesNothing([&] {
        TreeHandle_search(h.get(), 8, points.data(), 500, numbers.data());
        EXPECT_EQ(TreeHandle_count(h.get(), 8), 256);
        EXPECT_EQ(TreeHandle_depth(h.get()), 8);
        TreeHandle_boxes(h.get(), 8, centers.data(), radii.data());
        TreeHandle_samples(h.get(), 8, 7, 9, offsets, 1, samples.data());
        TreeHandle_faces(h.get(), 8, 7, 9, lower.data(), upper.data());
    }));
    V walkedLower(2 * 3), walkedUpper(2 * 3);
    Tree_faces(h->tree, 8, 7, 9, walkedLower.data(), walkedUpper.data());
    EXPECT_EQ(lower, walkedLower);
    EXPECT_EQ(upper, walkedUpper);
    EXPECT_EQ(numbers, fresh(h.get(), 8, points));
    for (size_t b = 0; b < 3; ++b)
        for (size_t k = 0; k < 2; ++k)
            EXPECT_EQ(samples[2 * b + k], centers[2 * (6 + b) + k] + radii[2 * (6 + b) + k] * offsets[k]);

    // A change of boxes gives it back at once; the next call makes it anew.
    std::vector<uint8_t> mask(256);
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = i % 3 == 0;
    int64_t n = 0;
    Tree_keep(h->tree, 8, mask.data(), &n);
    TreeHandle_reset(h.get());
    EXPECT_EQ(h->kept.index, nullptr);
    // Counting without a kept index walks: nothing made, nothing kept.
    EXPECT_TRUE(allocatesNothing([&] { EXPECT_EQ(TreeHandle_count(h.get(), 8), n); }));
    EXPECT_EQ(h->kept.index, nullptr);
    EXPECT_FALSE(allocatesNothing([&] { TreeHandle_search(h.get(), 8, points.data(), 500, numbers.data()); }));
    EXPECT_EQ(kept(h.get(), 8, points), fresh(h.get(), 8, points));
    EXPECT_EQ(TreeHandle_count(h.get(), 8), n);

    // A change of the rectangle (counted by treeupdate, which cannot give
    // the index back): the kept one is stale and not used.
    h->tree->rect->center[0] += 0.25;
    ++h->changes;
    const V moved = fresh(h.get(), 8, points);
    EXPECT_EQ(kept(h.get(), 8, points), moved);
    V listed(2 * static_cast<size_t>(n)), walked(listed.size());
    TreeHandle_boxes(h.get(), 8, listed.data(), nullptr);
    Tree_boxes(h->tree, 8, walked.data(), nullptr);
    EXPECT_EQ(listed, walked);

    // Another level replaces it; the deepest level follows insertions.
    EXPECT_EQ(kept(h.get(), 3, points), fresh(h.get(), 3, points));
    EXPECT_EQ(h->kept.indexDepth, 3);
    ASSERT_EQ(Tree_insert(h->tree, 11, points.data(), 1, &n), TREE_OK);
    TreeHandle_reset(h.get());
    EXPECT_EQ(TreeHandle_depth(h.get()), 11);
    EXPECT_EQ(kept(h.get(), 11, points), fresh(h.get(), 11, points));
}

// Levels no index serves are walked; their boxes are numbered once, and a
// later search of the same level allocates nothing.
TEST(TreeHandle, WalksLevelsNoIndexServes)
{
    std::mt19937 rng(9);
    HandlePtr h = makeHandle({0, 0}, {1, 1});
    subdivide(h.get(), 5);
    h->tree->root->child[1]->split ^= 1;  // depth 1 split two ways
    TreeHandle_reset(h.get());
    const V points = randomPoints(rng, h.get(), 300);
    const V expected = fresh(h.get(), 5, points);
    EXPECT_EQ(kept(h.get(), 5, points), expected);
    EXPECT_EQ(h->kept.index, nullptr);
    V numbers(300);
    EXPECT_TRUE(allocatesNothing([&] { TreeHandle_search(h.get(), 5, points.data(), 300, numbers.data()); }));
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(TreeHandle_count(h.get(), 5), 32);
    V listed(64), walked(64);
    TreeHandle_boxes(h.get(), 5, listed.data(), nullptr);
    Tree_boxes(h->tree, 5, walked.data(), nullptr);
    EXPECT_EQ(listed, walked);
    // No level: nothing found, nothing numbered.
    EXPECT_EQ(kept(h.get(), 9, points), V(300, 0));
    EXPECT_EQ(kept(h.get(), -1, points), V(300, 0));
}

// Every allocation of a search that makes the index fails in turn: the
// failed call keeps nothing, and the one that succeeds keeps the index.
TEST(TreeHandle, AFailedCallKeepsNothing)
{
    std::mt19937 rng(1);
    HandlePtr h = makeHandle({0, 0, 0}, {1, 1, 1});
    subdivide(h.get(), 6);
    const V points = randomPoints(rng, h.get(), 100);
    const V expected = fresh(h.get(), 6, points);
    V numbers(100), centers(3 * 64);
    for (const bool list : {false, true}) {
        int failures = 0;
        for (long k = 1;; ++k) {
            try {
                alloc_testing::ThrowingAlloc failing(k);
                if (list)  // a listing first, then the slots the search adds
                    TreeHandle_boxes(h.get(), 6, centers.data(), nullptr);
                TreeHandle_search(h.get(), 6, points.data(), 100, numbers.data());
            } catch (const alloc_testing::AllocFailed&) {
                ++failures;
                if (!list) {
                    EXPECT_EQ(h->kept.index, nullptr) << k;
                } else if (h->kept.index != nullptr) {
                    EXPECT_FALSE(LevelIndex_searchable(h->kept.index)) << k;
                }
                continue;
            }
            break;
        }
        EXPECT_GT(failures, 1);
        EXPECT_EQ(numbers, expected);
        ASSERT_NE(h->kept.index, nullptr);
        EXPECT_TRUE(LevelIndex_searchable(h->kept.index));
        TreeHandle_forget(h.get());
        EXPECT_EQ(h->kept.index, nullptr);
    }
}

// A released tree gives back what was kept with it; the handle record stays.
TEST(TreeHandle, ReleaseGivesBackTheKeptIndex)
{
    HandlePtr h = makeHandle({0}, {1});
    subdivide(h.get(), 4);
    const double x = 0.3;
    double k = 0;
    TreeHandle_search(h.get(), 4, &x, 1, &k);
    EXPECT_EQ(k, 11);
    ASSERT_NE(h->kept.index, nullptr);
    TreeHandle_release(h.get());
    EXPECT_EQ(h->kept.index, nullptr);
    EXPECT_EQ(h->tree, nullptr);
    TreeHandle_release(h.get());
}

}  // namespace
