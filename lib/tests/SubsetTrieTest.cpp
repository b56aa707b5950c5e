#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
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
    // Ascending keys make a chain as deep as the set is large.
    Set* set = Set_new();
    const int count = 30000;
    for (int key = 0; key < count; ++key)
        Set_insert(set, SetEntry_new(key, nullptr, nullptr, nullptr));
    EXPECT_EQ(set->count, count);
    EXPECT_EQ(captured([&](FILE* f) { Set_print(f, 0, set); }), "\n");
    Set_free(&set);
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
