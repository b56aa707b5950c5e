// Tree records and the walk.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "Alloc.h"
#include "Box.h"
#include "Checks.h"
#include "LevelIndex.h"
#include "Rectangle.h"
#include "ThrowingAlloc.h"
#include "Tree.h"
#include "TreeHandle.h"
#include "Trees.h"

namespace {

using trees::addChild;
using trees::makeTree;
using trees::TreePtr;

TEST(TreeRecords, NewRecordsHoldTheirCreationValues)
{
    Box* box = Box_new();
    EXPECT_EQ(box->split, 0);
    EXPECT_EQ(box->aux, 0);
    EXPECT_EQ(box->flags, 1);
    EXPECT_EQ(box->child[0], nullptr);
    EXPECT_EQ(box->child[1], nullptr);
    EXPECT_EQ(box->number, -1);
    EXPECT_EQ(box->data, 0u);
    Box_free(&box);
    EXPECT_EQ(box, nullptr);

    double c[] = {1, 2, 3}, r[] = {4, 5, 6};
    Rectangle* rect = Rectangle_new(c, r, 2);
    c[0] = 9;
    EXPECT_EQ(rect->dim, 2);
    EXPECT_EQ(checks::values(rect->center, 2), (std::vector<double>{1, 2}));
    EXPECT_EQ(checks::values(rect->radius, 2), (std::vector<double>{4, 5}));
    Rectangle_free(&rect);
    EXPECT_EQ(rect, nullptr);
    Rectangle_free(&rect);  // null: nothing happens
    Rectangle_free(nullptr);
    Box_free(&box);
    Box_free(nullptr);
    Box_freeTree(&box);
    Box_freeTree(nullptr);
    Tree* tree = nullptr;
    Tree_free(&tree);
    Tree_free(nullptr);
    TreeHandle* handle = nullptr;
    TreeHandle_free(&handle);
    TreeHandle_free(nullptr);
    LevelIndex* index = nullptr;
    LevelIndex_free(&index);
    LevelIndex_free(nullptr);
}

// A tree without boxes (all removed) walks nowhere; a released handle keeps
// its record, and resetting it does nothing.
TEST(TreeRecords, EmptyTreesAndReleasedHandlesStayStill)
{
    const double c[] = {0, 0}, r[] = {1, 1};
    Rectangle* rect = Rectangle_new(c, r, 2);
    TreeHandle* handle = TreeHandle_new(rect);
    Rectangle_free(&rect);
    Box_freeTree(&handle->tree->root);
    TreeHandle_reset(handle);
    EXPECT_EQ(Tree_next(handle->tree, 10), 0);
    EXPECT_EQ(Tree_down(handle->iter, 0), 0);
    EXPECT_EQ(Tree_up(handle->iter), 0);
    TreeHandle_release(handle);
    EXPECT_EQ(handle->tree, nullptr);
    EXPECT_EQ(handle->iter, nullptr);
    TreeHandle_reset(handle);
    TreeHandle_release(handle);  // twice: nothing
    TreeHandle_free(&handle);
    EXPECT_EQ(handle, nullptr);
}

TEST(TreeRecords, SdTableCyclesThroughTheCoordinates)
{
    TreePtr one = makeTree({0}, {1});
    for (int i = 0; i <= 500; ++i)
        ASSERT_EQ(one->sd[i], 0) << i;

    TreePtr three = makeTree({1, 2, 3}, {4, 5, 6});
    for (int i = 0; i <= 1500; ++i)
        ASSERT_EQ(three->sd[i], i % 3) << i;
    EXPECT_EQ(*three->refs, 1);
    EXPECT_EQ(three->current, three->root);
    EXPECT_EQ(three->depth, 0);
    EXPECT_EQ(checks::values(three->c, 3), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(checks::values(three->r, 3), (std::vector<double>{4, 5, 6}));
}

TEST(TreeRecords, TreeCopiesTheRectangleItIsGiven)
{
    double c[] = {1, 2}, r[] = {3, 4};
    Rectangle* rect = Rectangle_new(c, r, 2);
    TreeHandle* handle = TreeHandle_new(rect);
    Rectangle_free(&rect);
    EXPECT_EQ(checks::values(handle->tree->rect->center, 2), (std::vector<double>{1, 2}));
    EXPECT_EQ(checks::values(handle->iter->rect->radius, 2), (std::vector<double>{3, 4}));
    EXPECT_EQ(handle->verbose, 1);
    EXPECT_EQ(*handle->tree->refs, 2);
    TreeHandle_free(&handle);
    EXPECT_EQ(handle, nullptr);
}

TEST(TreeRecords, CopySharesTheTreeAndStartsAtTheRoot)
{
    TreePtr tree = makeTree({0, 0}, {1, 1});
    addChild(addChild(tree->root, 1, 0), 0, 1);
    tree->root->split = 1;
    ASSERT_EQ(Tree_down(tree.get(), 1), 1);
    ASSERT_EQ(Tree_down(tree.get(), 0), 1);

    TreePtr copy(Tree_copy(tree.get()));
    EXPECT_EQ(*tree->refs, 2);
    EXPECT_EQ(copy->refs, tree->refs);
    EXPECT_EQ(copy->rect, tree->rect);
    EXPECT_EQ(copy->root, tree->root);
    EXPECT_EQ(copy->sd, tree->sd);
    EXPECT_NE(copy->c, tree->c);
    EXPECT_EQ(copy->current, copy->root);
    EXPECT_EQ(copy->depth, 0);
    EXPECT_EQ(checks::values(copy->c, 2), (std::vector<double>{0, 0}));
    EXPECT_EQ(checks::values(copy->r, 2), (std::vector<double>{1, 1}));

    copy->sd[7] = 42;
    EXPECT_EQ(tree->sd[7], 42);
    copy.reset();
    EXPECT_EQ(*tree->refs, 1);  // the tree outlives its copy
    EXPECT_EQ(tree->root->child[1]->split, 0);
}

TEST(TreeWalk, DownHalvesTheSplitCoordinate)
{
    TreePtr tree = makeTree({0}, {1});
    Box* lower = addChild(tree->root, 0, 0);
    addChild(tree->root, 1, 0);
    addChild(lower, 1, 0);

    EXPECT_EQ(Tree_down(tree.get(), 0), 1);
    EXPECT_EQ(tree->c[0], -0.5);
    EXPECT_EQ(tree->r[0], 0.5);
    EXPECT_EQ(tree->depth, 1);
    EXPECT_EQ(tree->box_stack[0], tree->root);
    EXPECT_EQ(tree->child_stack[0], 0);
    EXPECT_EQ(tree->c_stack[0], 0.0);
    EXPECT_EQ(tree->r_stack[0], 1.0);

    EXPECT_EQ(Tree_down(tree.get(), 1), 1);
    EXPECT_EQ(tree->c[0], -0.25);
    EXPECT_EQ(tree->r[0], 0.25);
    EXPECT_EQ(tree->depth, 2);
    EXPECT_EQ(tree->current, lower->child[1]);
}

TEST(TreeWalk, AbsentChildOrBadIndexChangesNothing)
{
    TreePtr tree = makeTree({0, 0}, {1, 1});
    addChild(tree->root, 0, 1);
    tree->c_stack[0] = 7;
    for (int i : {1, 2, -1}) {
        EXPECT_EQ(Tree_down(tree.get(), i), 0);
        EXPECT_EQ(tree->current, tree->root);
        EXPECT_EQ(tree->depth, 0);
        EXPECT_EQ(tree->c_stack[0], 7);
        EXPECT_EQ(checks::values(tree->c, 2), (std::vector<double>{0, 0}));
    }
}

TEST(TreeWalk, OnlyTheSplitCoordinateChangesAndResetSeesTheRectangle)
{
    TreePtr tree = makeTree({0, 4}, {1, 2});
    tree->root->split = 1;
    addChild(tree->root, 1, 0);
    ASSERT_EQ(Tree_down(tree.get(), 1), 1);
    EXPECT_EQ(checks::values(tree->c, 2), (std::vector<double>{0, 5}));
    EXPECT_EQ(checks::values(tree->r, 2), (std::vector<double>{1, 1}));

    tree->rect->center[0] = 10;  // as a property assignment does
    EXPECT_EQ(tree->c[0], 0);
    Tree_reset(tree.get());
    EXPECT_EQ(tree->current, tree->root);
    EXPECT_EQ(tree->depth, 0);
    EXPECT_EQ(checks::values(tree->c, 2), (std::vector<double>{10, 4}));
    EXPECT_EQ(checks::values(tree->r, 2), (std::vector<double>{1, 2}));
}

TEST(TreeWalk, StopsAtTheDeepestLevelAndAtSplitsPastTheDimension)
{
    TreePtr tree = makeTree({0}, {1});
    Box* box = tree->root;
    for (int d = 0; d < 600; ++d)
        box = addChild(box, 0, 0);
    int steps = 0;
    while (Tree_down(tree.get(), 0))
        ++steps;
    EXPECT_EQ(steps, 500);
    EXPECT_EQ(tree->depth, 500);

    TreePtr bad = makeTree({0}, {1});
    bad->root->split = 1;
    addChild(bad->root, 0, 0);
    EXPECT_EQ(Tree_down(bad.get(), 0), 0);
    EXPECT_EQ(bad->depth, 0);
}

TEST(TreeRecords, FailedAllocationReleasesWhatWasMade)
{
    double c[] = {1, 2}, r[] = {3, 4};
    Rectangle* rect = Rectangle_new(c, r, 2);
    int failures = 0;
    for (long k = 1;; ++k) {
        try {
            alloc_testing::ThrowingAlloc failing(k);
            TreeHandle* handle = TreeHandle_new(rect);
            Alloc_failAfter(0);
            TreeHandle_free(&handle);
            break;
        } catch (const alloc_testing::AllocFailed&) {
            ++failures;
            const std::string& printed = alloc_testing::ThrowingAlloc::report();
            EXPECT_NE(printed.find("calloc of "), std::string::npos);
            EXPECT_NE(printed.find(" failed on line "), std::string::npos);
            EXPECT_NE(printed.find("\nptr"), std::string::npos);
        }
    }
    Rectangle_free(&rect);
    EXPECT_EQ(failures, 21);  // the tree's 13 allocations, the handle's, the copy's 7
}

}  // namespace
