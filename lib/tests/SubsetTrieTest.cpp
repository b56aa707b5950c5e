#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Capture.h"
#include "Node.h"
#include "Set.h"

namespace {

using capture::captured;

std::vector<int> destroyed;

void recordDestroy(void** value)
{
    destroyed.push_back(*static_cast<int*>(*value));
    free(*value);
    *value = nullptr;
}

void printInt(FILE* stream, int indent, void* value)
{
    fprintf(stream, "%d:%d ", indent, *static_cast<int*>(value));
}

SetEntry* intEntry(int key)
{
    int* value = static_cast<int*>(malloc(sizeof(int)));
    *value = key;
    return SetEntry_new(key, value, recordDestroy, printInt);
}

TEST(Set, InsertFindAndRefusedDuplicate)
{
    Set* set = Set_new();
    EXPECT_EQ(Set_find(set, 5), nullptr);
    EXPECT_EQ(Set_insert(set, intEntry(5)), 1);
    EXPECT_EQ(Set_insert(set, intEntry(3)), 1);
    EXPECT_EQ(Set_insert(set, intEntry(8)), 1);
    SetEntry* duplicate = intEntry(3);
    EXPECT_EQ(Set_insert(set, duplicate), 0);
    EXPECT_EQ(set->count, 3);
    EXPECT_EQ(set->root->key, 5);
    EXPECT_EQ(set->root->left->key, 3);
    EXPECT_EQ(set->root->right->key, 8);
    EXPECT_EQ(set->root->left->parent, set->root);
    EXPECT_EQ(duplicate->parent, nullptr);
    EXPECT_EQ(Set_find(set, 8), set->root->right);
    EXPECT_EQ(Set_find(set, 7), nullptr);
    // Negative keys order as signed integers.
    EXPECT_EQ(Set_insert(set, intEntry(-4)), 1);
    EXPECT_EQ(set->root->left->left->key, -4);

    destroyed.clear();
    recordDestroy(&duplicate->value);
    free(duplicate);
    destroyed.clear();
    Set_free(&set);
    EXPECT_EQ(set, nullptr);
    // Pre-order: each value is destroyed before its subtrees.
    EXPECT_EQ(destroyed, std::vector<int>({5, 3, -4, 8}));
    Set_free(&set);
}

TEST(Set, DumpWritesNewlineAfterEachLeaf)
{
    Set* set = Set_new();
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 2, set); }), "");
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 2, nullptr); }), "");
    for (int key : {5, 3, 8, 4, 9})
        Set_insert(set, intEntry(key));
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 2, set); }),
              "2:5 2:3 2:4 \n2:8 2:9 \n");
    Set_free(&set);
}

TEST(Set, DegenerateTreeIsFreedAndPrintedWithoutRecursion)
{
    // Inserts never make a chain any more; one linked by hand (ascending keys
    // down the right links) still has to be walked without recursion.
    Set* set = Set_new();
    const int count = 30000;
    SetEntry* last = nullptr;
    for (int key = 0; key < count; ++key) {
        SetEntry* entry = SetEntry_new(key, nullptr, nullptr, nullptr);
        entry->parent = last;
        (last == nullptr ? set->root : last->right) = entry;
        last = entry;
    }
    set->count = count;
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 0, set); }), "\n");
    EXPECT_EQ(Set_find(set, count - 1), last);
    Set_free(&set);
}

// What a walk over the links finds: keys in order, the deepest depth (root 0)
// and the leaf count; every parent link is checked on the way.
struct Shape {
    std::vector<int> keys;
    int depth = 0;
    int leaves = 0;
};

Shape shapeOf(const Set* set)
{
    Shape shape;
    EXPECT_TRUE(set->root == nullptr || set->root->parent == nullptr);
    std::vector<std::pair<const SetEntry*, int>> pending;  // (entry, depth), in-order
    const SetEntry* entry = set->root;
    int depth = 0;
    while (entry != nullptr || !pending.empty()) {
        for (; entry != nullptr; entry = entry->left, ++depth) {
            pending.push_back({entry, depth});
            if (entry->left != nullptr) {
                EXPECT_EQ(entry->left->parent, entry);
            }
            if (entry->right != nullptr) {
                EXPECT_EQ(entry->right->parent, entry);
            }
        }
        std::tie(entry, depth) = pending.back();
        pending.pop_back();
        shape.keys.push_back(entry->key);
        shape.depth = std::max(shape.depth, depth);
        shape.leaves += entry->left == nullptr && entry->right == nullptr;
        entry = entry->right;
        ++depth;
    }
    return shape;
}

// floor(log_{3/2} count): the deepest depth a set of count entries may have.
int depthBound(int count)
{
    int bound = 0;
    for (double reach = 1.5; reach <= count; reach *= 1.5)
        ++bound;
    return bound;
}

TEST(Set, StaysShallowWhateverTheInsertionOrder)
{
    const int count = 100000;
    std::vector<int> ascending(count);
    std::iota(ascending.begin(), ascending.end(), -count / 2);  // negative keys too
    std::vector<int> descending(ascending.rbegin(), ascending.rend());
    std::vector<int> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(17));
    std::vector<int> zigzag;  // smallest, largest, next smallest, ...
    for (int k = 0; k < count / 2; ++k) {
        zigzag.push_back(ascending[k]);
        zigzag.push_back(ascending[count - 1 - k]);
    }
    std::vector<int> runs;  // ascending runs of 1000 keys, the runs descending
    for (int k = count / 1000 - 1; k >= 0; --k)
        runs.insert(runs.end(), ascending.begin() + 1000 * k, ascending.begin() + 1000 * (k + 1));
    EXPECT_LE(depthBound(count), 4 * 17);  // 4 log2(count) + c, and far below count

    for (const auto* order : {&ascending, &descending, &shuffled, &zigzag, &runs}) {
        SCOPED_TRACE(order == &ascending ? "ascending" : order == &descending ? "descending"
                     : order == &shuffled ? "shuffled" : order == &zigzag ? "zigzag" : "runs");
        Set* set = Set_new();
        std::vector<SetEntry*> entries;
        for (int key : *order) {
            entries.push_back(SetEntry_new(key, nullptr, nullptr, nullptr));
            ASSERT_EQ(Set_insert(set, entries.back()), 1);
            int size = static_cast<int>(entries.size());
            if ((size & (size - 1)) == 0 || size == 1000 || size == 3) {
                Shape shape = shapeOf(set);
                ASSERT_EQ(static_cast<int>(shape.keys.size()), size);
                ASSERT_TRUE(std::is_sorted(shape.keys.begin(), shape.keys.end()));
                ASSERT_LE(shape.depth, depthBound(size)) << size << " entries";
            }
        }
        Shape shape = shapeOf(set);
        EXPECT_EQ(shape.keys, ascending);
        EXPECT_LE(shape.depth, depthBound(count));
        EXPECT_EQ(set->count, count);
        // Every entry is found where it was moved, and no key twice.
        for (SetEntry* entry : entries)
            ASSERT_EQ(Set_find(set, entry->key), entry);
        SetEntry* again = SetEntry_new(ascending[count / 3], nullptr, nullptr, nullptr);
        EXPECT_EQ(Set_insert(set, again), 0);
        EXPECT_EQ(again->parent, nullptr);
        free(again);
        EXPECT_EQ(Set_find(set, ascending.back() + 1), nullptr);
        // The dump walks the rebuilt shape: one newline per leaf.
        std::string dump = captured([&](FILE* f) { Set_print(f, 0, set); });
        EXPECT_EQ(dump, std::string(static_cast<size_t>(shape.leaves), '\n'));
        Set_free(&set);
    }
}

TEST(Set, ShallowShapesStayAsInsertedAndDeepOnesAreRebuilt)
{
    // Three ascending keys stay a chain (depth 2 is within the bound for 3);
    // a fifth makes depth 4 > floor(log_{3/2} 5) = 3, and the whole set is
    // rebuilt into a complete tree.
    Set* set = Set_new();
    for (int key = 1; key <= 4; ++key) {
        Set_insert(set, intEntry(key));
        EXPECT_EQ(shapeOf(set).depth, key - 1);
    }
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 0, set); }), "0:1 0:2 0:3 0:4 \n");
    Set_insert(set, intEntry(5));
    Shape shape = shapeOf(set);
    EXPECT_EQ(shape.keys, std::vector<int>({1, 2, 3, 4, 5}));
    EXPECT_EQ(shape.depth, 2);
    // Every value is destroyed once, each before its subtrees.
    destroyed.clear();
    std::vector<int> preOrder;
    std::vector<const SetEntry*> pending{set->root};
    while (!pending.empty()) {
        const SetEntry* entry = pending.back();
        pending.pop_back();
        preOrder.push_back(entry->key);
        for (const SetEntry* child : {entry->right, entry->left})
            if (child != nullptr)
                pending.push_back(child);
    }
    Set_free(&set);
    EXPECT_EQ(destroyed, preOrder);
}

TEST(Node, ChildIsCreatedOnceAndDumpMatchesTheFormat)
{
    Node* root = Node_new(0);
    root->id = -1;
    Node* child = Node_child(root, 1);
    EXPECT_EQ(Node_child(root, 1), child);
    EXPECT_EQ(root->children->count, 1);
    EXPECT_EQ(child->key, 1);
    EXPECT_EQ(child->id, 0);
    EXPECT_EQ(child->mask, 0u);
    child->id = 1;
    child->mask = 3;
    EXPECT_EQ(captured([&](FILE* f) { Node_print(f, 0, root); }),
              "(0,-1,0)\n       (1,1,3)\n\n");
    EXPECT_EQ(captured([&](FILE* f) { Node_print(f, -3, nullptr); }), "");
    // The child set dumped on its own, through the entries' print callbacks.
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 7, root->children); }), "       (1,1,3)\n\n");
    void* none = nullptr;
    Node_destroyValue(&none);  // an entry without a node: nothing to release
    Node_free(&root);
    EXPECT_EQ(root, nullptr);
    Node_free(&root);
}

TEST(Node, DeepTrieIsFreedAndDumpedWithoutRecursion)
{
    // One path as deep as a subset with that many members makes.
    auto path = [](int depth) {
        Node* root = Node_new(0);
        Node* node = root;
        for (int key = 1; key <= depth; ++key)
            node = Node_child(node, key);
        node->id = 1;
        return root;
    };
    Node* root = path(200000);
    Node_free(&root);
    // Emptying a child set through the entries' destroy callbacks releases
    // the subtrees too (the sanitizer build checks for leaks).
    root = path(1000);
    Set_clearDeferring(root->children, nullptr, nullptr);
    EXPECT_EQ(root->children->root, nullptr);
    Node_free(&root);

    const int depth = 3000;
    root = path(depth);
    std::string dump = captured([&](FILE* f) { Node_print(f, 0, root); });
    std::string last = std::string(7 * depth, ' ') + "(3000,1,0)\n" + std::string(depth, '\n');
    ASSERT_GE(dump.size(), last.size());
    EXPECT_EQ(dump.substr(0, 16), "(0,0,0)\n       (");
    EXPECT_EQ(dump.substr(dump.size() - last.size()), last);
    Node_free(&root);
}

}  // namespace
