#include "Set.h"

#include <stdlib.h>

#include <vector>

#include "Alloc.h"

Set* Set_new(void)
{
    return static_cast<Set*>(CHECKED_CALLOC(1, sizeof(Set)));
}

SetEntry* SetEntry_new(int32_t key, void* value, SetDestroyFn destroy, SetPrintFn print)
{
    auto* entry = static_cast<SetEntry*>(CHECKED_CALLOC(1, sizeof(SetEntry)));
    entry->key = key;
    entry->value = value;
    entry->destroy = destroy;
    entry->print = print;
    return entry;
}

int Set_insert(Set* set, SetEntry* entry)
{
    int linked = 0;
    if (set->root == nullptr) {
        set->root = entry;
        linked = 1;
    } else {
        SetEntry* current = set->root;
        while (current->key != entry->key) {
            SetEntry** side = entry->key < current->key ? &current->left : &current->right;
            if (*side == nullptr) {
                *side = entry;
                entry->parent = current;
                linked = 1;
                break;
            }
            current = *side;
        }
    }
    set->count += linked;
    return linked;
}

SetEntry* Set_find(const Set* set, int32_t key)
{
    SetEntry* current = set->root;
    while (current != nullptr && current->key != key)
        current = key < current->key ? current->left : current->right;
    return current;
}

void Set_clearDeferring(Set* set, SetDestroyFn deferred, SetEntry** list)
{
    SetEntry* entry = set->root;
    bool arriving = true;  // entry is met for the first time (else its subtrees are gone)
    while (entry != nullptr) {
        bool defer = deferred != nullptr && entry->destroy == deferred;
        if (arriving && !defer && entry->destroy != nullptr)
            entry->destroy(&entry->value);
        if (entry->left != nullptr) {
            entry = entry->left;
            arriving = true;
        } else if (entry->right != nullptr) {
            entry = entry->right;
            arriving = true;
        } else {
            // Both subtrees done: release the entry, clear the link to it, and
            // go back up to its parent, which may still have a right subtree.
            SetEntry* parent = entry->parent;
            if (parent != nullptr) {
                if (parent->left == entry)
                    parent->left = nullptr;
                else
                    parent->right = nullptr;
            }
            if (defer) {
                entry->parent = *list;
                *list = entry;
            } else {
                free(entry);
            }
            entry = parent;
            arriving = false;
        }
    }
    set->root = nullptr;
    set->count = 0;
}

void Set_free(Set** set)
{
    if (set == nullptr || *set == nullptr)
        return;
    Set_clearDeferring(*set, nullptr, nullptr);
    free(*set);
    *set = nullptr;
}

void Set_print(FILE* stream, int indent, const Set* set)
{
    if (set == nullptr)
        return;
    // Entries still to dump, the next on top: the left subtree of an entry is
    // dumped before its right one.
    std::vector<const SetEntry*> pending;
    if (set->root != nullptr)
        pending.push_back(set->root);
    while (!pending.empty()) {
        const SetEntry* entry = pending.back();
        pending.pop_back();
        if (entry->print != nullptr)
            entry->print(stream, indent, entry->value);
        if (entry->left == nullptr && entry->right == nullptr) {
            fputs("\n", stream);
            continue;
        }
        if (entry->right != nullptr)
            pending.push_back(entry->right);
        if (entry->left != nullptr)
            pending.push_back(entry->left);
    }
}
