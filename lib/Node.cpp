#include "Node.h"

#include <stdlib.h>

#include <vector>

#include "Alloc.h"

namespace {

// A node made by Node_new, with its child set.
struct RootBlock {
    Node node;
    Set set;
};

// A node made by Node_child: the entry that holds it in its parent's child
// set, the node, and its child set, allocated (and released) together, which
// saves two allocations per trie node and keeps a trie level's records close.
struct ChildBlock {
    SetEntry entry;
    Node node;
    Set set;
};

// Releases the descendants of node, level by level: child entries are not
// destroyed through their callback (that would recurse once per trie level)
// but collected on a list, linked through their parent fields, and their
// blocks freed here once their own children are collected.
void releaseDescendants(Node* node)
{
    SetEntry* pending = nullptr;
    Set_clearDeferring(node->children, Node_destroyValue, &pending);
    while (pending != nullptr) {
        SetEntry* entry = pending;
        pending = entry->parent;
        Node* child = static_cast<Node*>(entry->value);
        if (child != nullptr)
            Set_clearDeferring(child->children, Node_destroyValue, &pending);
        free(entry);  // the ChildBlock
    }
}

}  // namespace

Node* Node_new(int32_t key)
{
    auto* block = static_cast<RootBlock*>(CHECKED_CALLOC(1, sizeof(RootBlock)));
    block->node.key = key;
    block->node.children = &block->set;
    return &block->node;
}

void Node_free(Node** node)
{
    if (node == nullptr || *node == nullptr)
        return;
    releaseDescendants(*node);
    free(*node);  // the RootBlock
    *node = nullptr;
}

void Node_destroyValue(void** value)
{
    if (*value == nullptr)
        return;
    releaseDescendants(static_cast<Node*>(*value));
    *value = nullptr;
}

Node* Node_child(Node* node, int32_t key)
{
    SetEntry* found = Set_find(node->children, key);
    if (found != nullptr)
        return static_cast<Node*>(found->value);
    auto* block = static_cast<ChildBlock*>(CHECKED_CALLOC(1, sizeof(ChildBlock)));
    block->node.key = key;
    block->node.children = &block->set;
    block->entry.key = key;
    block->entry.value = &block->node;
    block->entry.destroy = Node_destroyValue;
    block->entry.print = Node_printValue;
    Set_insert(node->children, &block->entry);
    return &block->node;
}

namespace {

void printLine(FILE* stream, int indent, const Node* node)
{
    for (int k = 0; k < indent; ++k)
        fputc(' ', stream);
    fprintf(stream, "(%d,%d,%lu)\n", node->key, node->id, static_cast<unsigned long>(node->mask));
}

}  // namespace

void Node_print(FILE* stream, int indent, const Node* node)
{
    if (node == nullptr)
        return;
    // The dump of Node_print and Set_print nested in each other, run from one
    // stack: an item is a node to print or a child-set entry to walk, the next
    // on top.
    struct Item {
        const Node* node;
        const SetEntry* entry;
        int indent;
    };
    std::vector<Item> pending{{node, nullptr, indent}};
    while (!pending.empty()) {
        Item item = pending.back();
        pending.pop_back();
        if (item.node != nullptr) {
            printLine(stream, item.indent, item.node);
            const Set* children = item.node->children;
            if (children != nullptr && children->root != nullptr)
                pending.push_back({nullptr, children->root, item.indent + 7});
            continue;
        }
        const SetEntry* entry = item.entry;
        if (entry == nullptr) {
            fputs("\n", stream);
            continue;
        }
        if (entry->left == nullptr && entry->right == nullptr) {
            pending.push_back({nullptr, nullptr, 0});  // the "\n" after the value's dump
        } else {
            if (entry->right != nullptr)
                pending.push_back({nullptr, entry->right, item.indent});
            if (entry->left != nullptr)
                pending.push_back({nullptr, entry->left, item.indent});
        }
        // Every entry of a node's child set is a child node (Node_child).
        if (entry->value != nullptr)
            pending.push_back({static_cast<const Node*>(entry->value), nullptr, item.indent});
    }
}

void Node_printValue(FILE* stream, int indent, void* value)
{
    Node_print(stream, indent, static_cast<const Node*>(value));
}
