#include "Set.h"

#include <stdlib.h>

#include <initializer_list>
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

namespace {

// The balance rule, with no field beyond the links (a scapegoat tree): a set
// of count entries holds no entry deeper than floor(log_{3/2} count), the
// root being at depth 0. An insert that would break it rebuilds, perfectly
// balanced, the subtree of the lowest ancestor of the new entry that breaks
// the rule within its own subtree; that ancestor has one side holding more
// than 2/3 of its entries, which pays for the rebuild over the inserts that
// made it so. Shapes within the rule are left exactly as the plain search
// tree makes them, so small sets keep the shape of their insertion order;
// ascending or descending keys no longer make a chain. Amortised O(log
// count) per insert, and every lookup costs O(log count) steps.
//
// The rule in integers: a path of k links is too long for a subtree of size
// entries when limit(k) > size, where limit runs 1, 2, 3, 4, 6, 9, 13, ...
// (from 2 on, each the last plus half of it, rounded down). limit(k) exceeds
// 1.5^k for k >= 1, hence the depth bound; limit(k) <= 1.5 limit(k - 1) for
// k >= 2, hence the unbalanced side; and limit(k) <= 2^k, so a rebuilt
// subtree is shallower than the path that broke the rule.
int64_t nextLimit(int64_t limit)
{
    if (limit == 1)
        return 2;
    return limit < (INT64_C(1) << 40) ? limit + limit / 2 : limit;  // past any size
}

// Entries in the subtree below top (null gives 0); walks the links, no stack.
int64_t subtreeSize(const SetEntry* top)
{
    if (top == nullptr)
        return 0;
    int64_t size = 0;
    const SetEntry* entry = top;
    while (entry->left != nullptr)
        entry = entry->left;
    for (;;) {
        ++size;
        // In-order successor within the subtree.
        if (entry->right != nullptr) {
            entry = entry->right;
            while (entry->left != nullptr)
                entry = entry->left;
            continue;
        }
        while (entry != top && entry->parent->right == entry)
            entry = entry->parent;
        if (entry == top)
            return size;
        entry = entry->parent;
    }
}

// One pass of the vine-to-tree step: rotates every second entry of the
// right spine below `scanner` to the left of its successor, `count` times.
void compress(SetEntry* scanner, int64_t count)
{
    for (int64_t k = 0; k < count; ++k) {
        SetEntry* child = scanner->right;
        scanner->right = child->right;
        scanner = scanner->right;
        child->right = scanner->left;
        scanner->left = child;
    }
}

// Rebuilds the subtree below top, of size entries, into a complete tree (depth
// floor(log2 size)) of the same entries in the same key order, in place: the
// subtree is first straightened into a chain of right links, then folded
// (Day, Stout and Warren). Allocates nothing. O(size).
void rebuild(Set* set, SetEntry* top, int64_t size)
{
    SetEntry* above = top->parent;
    SetEntry** link = above == nullptr ? &set->root
                      : above->left == top ? &above->left
                                           : &above->right;
    SetEntry head = {};  // stands above the subtree while it is rebuilt
    head.right = top;
    SetEntry* tail = &head;
    SetEntry* rest = top;
    while (rest != nullptr) {
        if (rest->left == nullptr) {
            tail = rest;
            rest = rest->right;
        } else {  // rotate right
            SetEntry* left = rest->left;
            rest->left = left->right;
            left->right = rest;
            rest = left;
            tail->right = left;
        }
    }
    int64_t full = 1;  // the largest 2^m - 1 <= size
    while (2 * full + 1 <= size)
        full = 2 * full + 1;
    compress(&head, size - full);
    for (int64_t spine = full; spine > 1; spine /= 2)
        compress(&head, spine / 2);

    // The parent links, top-down; the tree is at most 63 levels deep.
    SetEntry* newTop = head.right;
    *link = newTop;
    newTop->parent = above;
    SetEntry* pending[64];
    int depth = 0;
    pending[depth++] = newTop;
    while (depth > 0) {
        SetEntry* entry = pending[--depth];
        for (SetEntry* child : {entry->left, entry->right}) {
            if (child != nullptr) {
                child->parent = entry;
                pending[depth++] = child;
            }
        }
    }
}

// After entry was linked too deep: finds the lowest ancestor whose subtree is
// too deep for its size (one exists, the root at the latest) and rebuilds it.
void rebalanceAbove(Set* set, SetEntry* entry)
{
    int64_t size = 1;
    int64_t limit = 1;
    for (SetEntry* child = entry; child->parent != nullptr; child = child->parent) {
        SetEntry* node = child->parent;
        size += 1 + subtreeSize(node->left == child ? node->right : node->left);
        limit = nextLimit(limit);
        if (limit > size) {
            rebuild(set, node, size);
            return;
        }
    }
}

}  // namespace

int Set_insert(Set* set, SetEntry* entry)
{
    SetEntry* parent = nullptr;
    SetEntry** link = &set->root;
    int64_t limit = 1;  // of the link's depth
    while (*link != nullptr) {
        parent = *link;
        if (parent->key == entry->key)
            return 0;
        link = entry->key < parent->key ? &parent->left : &parent->right;
        limit = nextLimit(limit);
    }
    *link = entry;
    entry->parent = parent;
    ++set->count;
    if (limit > set->count)
        rebalanceAbove(set, entry);
    return 1;
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
