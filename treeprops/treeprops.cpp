// treeprops(object, name): reads a property of the tree behind a Tree
// object's handle: center, radius (1-by-dim), sd (1-by-(500*dim+1)), verbose
// or dim. Changes nothing; uses the tree's records only, no tree code.
#include <string.h>

#include "HandleArray.h"
#include "HostArrays.h"

namespace {

mxArray* property(const TreeHandle* handle, const char* name)
{
    using gateway::Shape;
    const Tree* tree = handle->tree;
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    if (strcmp(name, "center") == 0)
        return gateway::doubleVector(Shape::Row, tree->rect->center, dim);
    if (strcmp(name, "radius") == 0)
        return gateway::doubleVector(Shape::Row, tree->rect->radius, dim);
    if (strcmp(name, "verbose") == 0)
        return gateway::doubleScalar(handle->verbose);
    if (strcmp(name, "dim") == 0)
        return gateway::doubleScalar(static_cast<double>(dim));
    if (strcmp(name, "sd") == 0)
        return gateway::doubleVector(Shape::Row, tree->sd, TREE_DEPTH_PER_DIM * dim + 1);
    gateway::fail("noProperty", std::string("Tree: no property '") + name + "'.");
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(treehandle::kTree, [&] {
        if (nrhs < 2)
            gateway::fail("usage", "Tree: treeprops needs an object and a property name.");
        const TreeHandle* handle = treehandle::handleOf(prhs[0]);
        const gateway::HostText name =
            gateway::text(prhs[1], {"propertyNotText", "Tree: property name must be text."});
        plhs[0] = property(handle, name.get());
    });
}
