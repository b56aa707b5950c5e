// treeupdate(object, subscript, value): the Tree class's assignment method.
// Writes center (finite), radius (positive and finite), sd or verbose of the
// tree behind the object's handle and returns the object. Other names and ()/{} assignments change nothing.
// Uses the tree's records only, no tree code.
#include <string.h>

#include "HandleArray.h"
#include "HostArrays.h"

namespace {

// The value's doubles, refused unless it is a real double array.
gateway::Doubles valuesOf(const mxArray* value, const char* name)
{
    return gateway::realDoubles(
        value, {"notDouble", std::string("Tree.") + name + ": right hand side must be a real double array"});
}

// Copies the value into a vector of the root rectangle (center or radius),
// refusing values that the rectangle cannot have (usable, TreeHandle.h).
void assignVector(double* target, int dim, const mxArray* value, const char* name,
                  bool (*usable)(const double*, int), const gateway::Refusal& unusable)
{
    const gateway::Doubles v = valuesOf(value, name);
    if (v.count != static_cast<size_t>(dim))
        gateway::fail("wrongDimension", std::string("Tree.") + name + ": right hand side has wrong dimension");
    if (!usable(v.data, dim))
        gateway::fail(unusable);
    for (int i = 0; i < dim; ++i)
        target[i] = v.data[i];
}

void assign(TreeHandle* handle, const char* name, const mxArray* value)
{
    Tree* tree = handle->tree;
    const int dim = tree->rect->dim;
    if (strcmp(name, "radius") == 0) {
        assignVector(tree->rect->radius, dim, value, "radius", treehandle::radiusUsable,
                     {"badRadius", "Tree.radius: right hand side must be positive and finite"});
    } else if (strcmp(name, "center") == 0) {
        assignVector(tree->rect->center, dim, value, "center", treehandle::centerUsable,
                     {"badCenter", "Tree.center: right hand side must be finite"});
    } else if (strcmp(name, "verbose") == 0) {
        const gateway::Doubles v = valuesOf(value, "verbose");
        if (v.count == 0)
            gateway::fail("emptyValue", "Tree.verbose: right hand side is empty");
        handle->verbose = gateway::truncToInt32(v.data[0]);
    } else if (strcmp(name, "sd") == 0) {
        const gateway::Doubles v = valuesOf(value, "sd");
        if (v.count > static_cast<size_t>(TREE_DEPTH_PER_DIM) * static_cast<size_t>(dim) + 1)
            gateway::fail("sdTooLong", "Tree.sd: right hand side has more elements than the table");
        for (size_t i = 0; i < v.count; ++i)
            tree->sd[i] = static_cast<uint8_t>(gateway::truncToInt32(v.data[i]));
    }
}

// Field name of element 0 of the subscript description, or a refusal.
const mxArray* subscriptField(const mxArray* subscript, const char* name)
{
    const mxArray* field = nullptr;
    if (mxIsStruct(subscript) && mxGetNumberOfElements(subscript) > 0)
        field = mxGetField(subscript, 0, name);
    if (field == nullptr)
        gateway::fail("badSubscript", "Tree: subscript must have the fields type and subs.");
    return field;
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(treehandle::kTree, [&] {
        if (nrhs < 3)
            gateway::fail("usage", "Tree: treeupdate needs an object, a subscript and a value.");
        TreeHandle* handle = treehandle::handleOf(prhs[0]);
        const mxArray* typeField = subscriptField(prhs[1], "type");
        const mxArray* subsField = subscriptField(prhs[1], "subs");
        const gateway::HostText type =
            gateway::text(typeField, {"badSubscript", "Tree: subscript type must be text."});
        if (strcmp(type.get(), ".") == 0) {
            const gateway::HostText subs =
                gateway::text(subsField, {"propertyNotText", "Tree: property name must be text."});
            assign(handle, subs.get(), prhs[2]);
        }
        plhs[0] = const_cast<mxArray*>(prhs[0]);
    });
}
