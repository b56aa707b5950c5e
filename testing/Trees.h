// Test-side trees: owning pointers to Tree records, and building boxes by hand.
#ifndef BOXGRAPH_TESTING_TREES_H
#define BOXGRAPH_TESTING_TREES_H

#include <vector>

#include "Box.h"
#include "Owner.h"
#include "Rectangle.h"
#include "Tree.h"

namespace trees {

using TreePtr = Owner<Tree, Tree_free>;

// A one-box tree over the rectangle with centre c and radius r.
inline TreePtr makeTree(const std::vector<double>& c, const std::vector<double>& r)
{
    Rectangle* rect = Rectangle_new(c.data(), r.data(), static_cast<uint8_t>(c.size()));
    TreePtr tree(Tree_new(rect));
    Rectangle_free(&rect);
    return tree;
}

// Gives parent a new child i and returns it; split is the child's own split.
inline Box* addChild(Box* parent, int i, uint8_t split)
{
    parent->child[i] = Box_new();
    parent->child[i]->split = split;
    return parent->child[i];
}

}  // namespace trees

#endif
