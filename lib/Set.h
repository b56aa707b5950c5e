// Ordered set of keyed entries, held as a binary search tree on the entries'
// own links, kept no deeper than floor(log_{3/2} count) by rebuilding a
// subtree now and then (a scapegoat tree), whatever the order of the keys.
// Every entry carries its value with a destroy and a print callback; the set
// owns its entries and, through the destroy callbacks, their values.
#ifndef BOXGRAPH_SET_H
#define BOXGRAPH_SET_H

#include <stdint.h>
#include <stdio.h>

// Destroys the value whose address it gets and clears the pointer.
typedef void (*SetDestroyFn)(void** value);
// Writes the value for the dump, indented by indent blanks.
typedef void (*SetPrintFn)(FILE* stream, int indent, void* value);

typedef struct SetEntry {
    int32_t key;           // order key, unique within one set
    void* value;           // the stored object
    SetDestroyFn destroy;  // may be null
    SetPrintFn print;      // may be null
    struct SetEntry* parent;
    struct SetEntry* left;   // smaller keys
    struct SetEntry* right;  // greater keys
} SetEntry;

typedef struct Set {
    int32_t count;   // entries inserted
    SetEntry* root;  // null when empty
} Set;

// New empty set; caller owns it. Checked allocation. O(1).
Set* Set_new(void);

// New unlinked entry holding value; caller owns it until it is inserted.
// Checked allocation. O(1).
SetEntry* SetEntry_new(int32_t key, void* value, SetDestroyFn destroy, SetPrintFn print);

// Links entry into set and returns 1; returns 0 and changes nothing when an
// entry with an equal key is there (the entry stays the caller's). A shape
// within the depth bound is kept (the entry becomes a leaf where the plain
// search tree puts it); otherwise the subtree of the lowest ancestor too deep
// for its size is rebuilt perfectly balanced, in place, which may move any
// entry of that subtree. Allocates nothing. Amortised O(log count).
int Set_insert(Set* set, SetEntry* entry);

// The entry with that key, or null; set may be empty. O(log count).
SetEntry* Set_find(const Set* set, int32_t key);

// Destroys every entry in pre-order (destroy callback, left subtree, right
// subtree, then the entry itself), frees the set and clears the caller's
// pointer; null is ignored. No recursion: walks the parent links. O(count).
void Set_free(Set** set);

// Empties set like Set_free but keeps the record (count 0, no root), except
// that entries whose destroy callback is `deferred` are not destroyed: each
// is unlinked (left and right null) and pushed on *list, chained through its
// parent field, for the caller to finish. Lets a trie of sets be freed level
// by level without recursion. O(count).
void Set_clearDeferring(Set* set, SetDestroyFn deferred, SetEntry** list);

// Dump: walks the tree in pre-order; for each entry calls its print callback
// with (stream, indent, value), then writes "\n" when the entry has no
// subtree, else dumps its left subtree and goes on with its right one. A null
// or empty set writes nothing. O(count) plus the callbacks.
void Set_print(FILE* stream, int indent, const Set* set);

#endif
