// Trie node for subsets of vertices: the subset {a1 < ... < ak} is the node
// reached from the root through the children keyed a1 + 1, ..., ak + 1.
// Children are held in a Set keyed by their key; a node owns its child set,
// so freeing the root frees the whole trie.
#ifndef BOXGRAPH_NODE_H
#define BOXGRAPH_NODE_H

#include <stdint.h>
#include <stdio.h>

#include "Set.h"

typedef struct Node {
    int32_t key;       // vertex + 1 under which it hangs in its parent; 0 for the root
    int32_t id;        // subset number 1, 2, ...; 0 while unnumbered; -1 for the root
    uint32_t mask;     // bit s set once symbol s (0 to 31) has been expanded from the subset
    Set* children;     // child nodes by key; owned
} Node;

// New node with that key, id 0, mask 0 and an empty child set (one block
// with the node); caller owns it. Checked allocation. O(1).
Node* Node_new(int32_t key);

// Frees a node made by Node_new, its child set and every descendant, and
// clears the caller's pointer; null is ignored. Iterative: one level of the
// trie after another, however deep it is. O(nodes below).
void Node_free(Node** node);

// The child with that key, created when absent: the child set's entry, the
// child node and its (empty) child set are made in one checked allocation,
// owned by the set and released with the entry. O(log of the child count)
// (amortised when the child is new).
Node* Node_child(Node* node, int32_t key);

// Dump of the trie below node: indent blanks (none when indent <= 0), then
// "(%d,%d,%lu)\n" with key, id and mask, then the child set dumped with
// indent + 7 (Set_print's walk, each child dumped this way). A null node
// writes nothing. Iterative. O(nodes below).
void Node_print(FILE* stream, int indent, const Node* node);

// The destroy and print callbacks of the entries Node_child makes (and of no
// others): the first releases the node's descendants and clears the value
// (the node's memory goes with its entry); the second is Node_print.
void Node_destroyValue(void** value);
void Node_printValue(FILE* stream, int indent, void* value);

#endif
