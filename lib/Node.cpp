#include "Node.h"

#include <stdlib.h>

#include <vector>

#include "Alloc.h"

Node* Node_new(int32_t key)
{
    auto* node = static_cast<Node*>(CHECKED_CALLOC(1, sizeof(Node)));
    try {
        node->children = Set_new();
    } catch (...) {
        free(node);
        throw;
    }
    node->key = key;
    return node;
}

void Node_free(Node** node)
{
    if (node == nullptr || *node == nullptr)
        return;
    // Child entries are not destroyed through their callback (that would
    // recurse once per trie level) but collected on a list, linked through
    // their parent fields, and their nodes freed in turn here.
    SetEntry* pending = nullptr;
    Node* current = *node;
    *node = nullptr;
    while (current != nullptr) {
        Set_freeDeferring(&current->children, Node_destroyValue, &pending);
        free(current);
        current = nullptr;
        if (pending != nullptr) {
            SetEntry* entry = pending;
            pending = entry->parent;
            current = static_cast<Node*>(entry->value);
            free(entry);
        }
    }
}

void Node_destroyValue(void** value)
{
    Node* node = static_cast<Node*>(*value);
    Node_free(&node);
    *value = nullptr;
}

Node* Node_child(Node* node, int32_t key)
{
    SetEntry* found = Set_find(node->children, key);
    if (found != nullptr)
        return static_cast<Node*>(found->value);
    Node* child = Node_new(key);
    try {
        Set_insert(node->children,
                   SetEntry_new(key, child, Node_destroyValue, Node_printValue));
    } catch (...) {
        Node_free(&child);
        throw;
    }
    return child;
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
    // on top. Entries holding other values still get their own print callback.
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
        if (entry->print == Node_printValue && entry->value != nullptr)
            pending.push_back({static_cast<const Node*>(entry->value), nullptr, item.indent});
        else if (entry->print != nullptr && entry->print != Node_printValue)
            entry->print(stream, item.indent, entry->value);
    }
}

void Node_printValue(FILE* stream, int indent, void* value)
{
    Node_print(stream, indent, static_cast<const Node*>(value));
}
