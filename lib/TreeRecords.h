// The records of a box tree, shared by every module that reaches a tree:
// tree_ makes them, treeupdate and treeprops write and read them and treeops
// works on the boxes, all through the pointer handle. All of these are compiled from this one definition, field
// for field and in this order, because they meet in one process and one heap.
#ifndef BOXGRAPH_TREE_RECORDS_H
#define BOXGRAPH_TREE_RECORDS_H

#include <stdint.h>

// The deepest walk below the root is TREE_DEPTH_PER_DIM * dim levels; the
// walk stacks hold that many entries and the sd table one more.
#define TREE_DEPTH_PER_DIM 500

// The axis-parallel box { x : center[i] - radius[i] <= x[i] <= center[i] + radius[i] }.
typedef struct Rectangle {
    int32_t dim;     // number of coordinates, 0 to 255
    double* center;  // dim doubles, owned
    double* radius;  // dim doubles, owned: half the side length per coordinate
} Rectangle;

// One node of a tree. A box with children is halved along split into
// child[0] (lower half) and child[1] (upper half); either may be absent.
typedef struct Box {
    uint8_t split;         // coordinate along which the box is halved
    uint8_t aux;           // carried from the tree file, not interpreted
    uint8_t flags;         // first byte of the box's file record; never 0
    struct Box* child[2];  // null = absent
    int32_t number;        // -1 at creation
    uint32_t data;         // 0 at creation
} Box;

// A tree and one walk position over it. rect, root, refs and sd are shared by
// every Tree record made from one tree; the rest belongs to this record.
typedef struct Tree {
    Rectangle* rect;       // shared: the root rectangle
    Box* root;             // shared: the root box
    int32_t* refs;         // shared: number of Tree records of this tree
    Box* current;          // the box at which the walk stands
    double* c;             // dim doubles: centre of current
    double* r;             // dim doubles: radius of current
    double* c_stack;       // per depth: centre coordinate before the step down
    double* r_stack;       // per depth: radius coordinate before the step down
    Box** box_stack;       // per depth: the box that was left
    int32_t* child_stack;  // per depth: the child index taken
    int32_t depth;         // descents from root to current
    uint8_t* sd;           // shared: split coordinate by depth, 500*dim + 1 entries
} Tree;

struct LevelIndex;  // LevelIndex.h

// What the library keeps of a tree between calls (TreeHandle.h). Each part
// holds while its stamp equals the handle's changes + 1; 0 is never such.
typedef struct TreeKept {
    struct LevelIndex* index;  // owned, or null: the index of level indexDepth
    int32_t indexDepth;
    uint64_t indexStamp;
    uint64_t indexesMade;      // indexes kept so far
    int32_t walked;            // a level no index serves, its boxes numbered
    uint64_t walkedStamp;
    int32_t deepest;           // the deepest level holding a box, -1 for none
    uint64_t deepestStamp;
} TreeKept;

// What a pointer handle addresses: the tree, a second walk over it, and what
// is kept of the tree between calls.
typedef struct TreeHandle {
    Tree* tree;
    Tree* iter;        // Tree_copy of tree
    int32_t verbose;   // 1 for a made tree, 0 for a loaded one
    uint64_t changes;  // changes of the boxes, rectangle or sd so far: every
                       // module that changes them adds one (treeupdate
                       // itself, the rest through TreeHandle_reset)
    TreeKept kept;
} TreeHandle;

#endif
