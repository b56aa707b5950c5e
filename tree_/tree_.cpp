// tree_(center, radius), tree_(dim, center, radius), tree_(file name): makes a
// one-box tree over a rectangle, or loads a tree file, and returns the tree's
// pointer handle. The tree lives until the process ends.
#include <stdio.h>

#include "Iter.h"
#include "Rectangle.h"
#include "TreeHost.h"

namespace {

struct RectangleFree {
    void operator()(Rectangle* rect) const { Rectangle_free(&rect); }
};
struct HandleFree {
    void operator()(TreeHandle* handle) const { TreeHandle_free(&handle); }
};
struct FileClose {
    void operator()(FILE* file) const { fclose(file); }
};
using HandleOwner = std::unique_ptr<TreeHandle, HandleFree>;

TreeHandle* loadTree(const mxArray* fileName)
{
    if (!mxIsChar(fileName))
        gateway::fail("Tree: file name must be text.");
    treehost::HostText name(mxArrayToString(fileName));
    if (!name)
        throw gateway::OutOfMemory{};
    std::unique_ptr<FILE, FileClose> file(fopen(name.get(), "r"));
    if (!file)
        gateway::fail("Tree: could not open file.");
    TreeHandle* handle = TreeHandle_load(file.get());
    if (handle == nullptr)
        gateway::fail("failed to load tree.");
    return handle;
}

const double* vectorOf(const mxArray* a, int dim, const char* notDouble, const char* tooShort)
{
    if (!treehost::isRealDouble(a))
        gateway::fail(notDouble);
    if (mxGetNumberOfElements(a) < static_cast<size_t>(dim))
        gateway::fail(tooShort);
    return mxGetPr(a);
}

// dim 1 to 255 from the element count of the centre (two arguments) or from
// the first argument truncated toward zero (three or more).
TreeHandle* makeTree(int nrhs, const mxArray* prhs[])
{
    const char badDim[] = "Tree: dimension must be between 1 and 255.";
    const mxArray* center = prhs[nrhs == 2 ? 0 : 1];
    const mxArray* radius = prhs[nrhs == 2 ? 1 : 2];
    double dim = 0;
    if (nrhs == 2) {
        if (!treehost::isRealDouble(center))
            gateway::fail("Tree: center must be a real double array.");
        dim = static_cast<double>(mxGetNumberOfElements(center));
    } else {
        if (!treehost::isRealDouble(prhs[0]) || mxGetNumberOfElements(prhs[0]) == 0)
            gateway::fail("Tree: dimension must be a real double number.");
        dim = mxGetPr(prhs[0])[0];
    }
    if (!(dim >= 1 && dim < 256))
        gateway::fail(badDim);
    const int n = static_cast<int>(dim);

    const double* c = vectorOf(center, n, "Tree: center must be a real double array.",
                               "Tree: center has fewer elements than the dimension.");
    const double* r = vectorOf(radius, n, "Tree: radius must be a real double array.",
                               "Tree: radius has fewer elements than the dimension.");
    std::unique_ptr<Rectangle, RectangleFree> rect(Rectangle_new(c, r, static_cast<uint8_t>(n)));
    return TreeHandle_new(rect.get());
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run("Tree: out of memory.", [&] {
        if (nrhs < 1)
            gateway::fail("Tree: give a center and a radius, or a file name.");
        HandleOwner handle(nrhs == 1 ? loadTree(prhs[0]) : makeTree(nrhs, prhs));
        plhs[0] = treehost::makeHandle(handle.get());
        handle.release();  // the tree now belongs to the host value
    });
}
