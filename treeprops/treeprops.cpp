// treeprops(object, name): reads a property of the tree behind a Tree
// object's handle: center, radius (1-by-dim), sd (1-by-(500*dim+1)), verbose
// or dim. Changes nothing; uses the tree's records only, no tree code.
#include <string.h>

#include "TreeHost.h"

namespace {

mxArray* row(const double* values, size_t n)
{
    mxArray* a = mxCreateDoubleMatrix(1, static_cast<mwSize>(n), mxREAL);
    double* pr = mxGetPr(a);
    for (size_t i = 0; i < n; ++i)
        pr[i] = values[i];
    return a;
}

mxArray* property(const TreeHandle* handle, const char* name)
{
    const Tree* tree = handle->tree;
    const size_t dim = static_cast<size_t>(tree->rect->dim);
    if (strcmp(name, "center") == 0)
        return row(tree->rect->center, dim);
    if (strcmp(name, "radius") == 0)
        return row(tree->rect->radius, dim);
    if (strcmp(name, "verbose") == 0)
        return mxCreateDoubleScalar(handle->verbose);
    if (strcmp(name, "dim") == 0)
        return mxCreateDoubleScalar(static_cast<double>(dim));
    if (strcmp(name, "sd") == 0) {
        const size_t n = static_cast<size_t>(TREE_DEPTH_PER_DIM) * dim + 1;
        mxArray* a = mxCreateDoubleMatrix(1, static_cast<mwSize>(n), mxREAL);
        double* pr = mxGetPr(a);
        for (size_t i = 0; i < n; ++i)
            pr[i] = tree->sd[i];
        return a;
    }
    gateway::fail(std::string("Tree: no property '") + name + "'.");
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run("Tree: out of memory.", [&] {
        if (nrhs < 2)
            gateway::fail("Tree: treeprops needs an object and a property name.");
        const TreeHandle* handle = treehost::handleOf(prhs[0]);
        if (!mxIsChar(prhs[1]))
            gateway::fail("Tree: property name must be text.");
        treehost::HostText name(mxArrayToString(prhs[1]));
        if (!name)
            throw gateway::OutOfMemory{};
        plhs[0] = property(handle, name.get());
    });
}
