// tree_(center, radius), tree_(dim, center, radius), tree_(file name): makes a
// one-box tree over a rectangle, or loads a tree file, and returns the tree's
// pointer handle. The tree lives until it is released or the process ends.
#include <stdio.h>

#include <cmath>

#include "HandleArray.h"
#include "HostArrays.h"
#include "Owner.h"
#include "Rectangle.h"
#include "TreeHandle.h"

namespace {

using HandleOwner = Owner<TreeHandle, TreeHandle_free>;

// The tree in the file named by the text argument.
HandleOwner loadTree(const mxArray* fileName)
{
    const gateway::HostText name =
        gateway::fileName(fileName, {"fileNameNotText", "Tree: file name must be text."},
                          {"badFileName", "Tree: file name must not hold a NUL character."});
    // Binary mode: on Windows text mode would end the node bytes at a byte
    // 26 and drop the 13 of every 13 10; the reader undoes the line ends of a
    // file written in text mode itself. Elsewhere "rb" is "r".
    const treehandle::File file(fopen(name.get(), "rb"));
    if (!file || treehandle::isFolder(file.get()))  // a folder opens where the system allows it
        gateway::fail("cannotOpen", "Tree: could not open file.");
    TreeFileCounts counts{0, 0, 0};
    HandleOwner handle(TreeHandle_loadCounted(file.get(), &counts));
    if (!handle)
        gateway::fail("loadFailed", "failed to load tree.");
    // Files cut short load as far as they go (files in use may rely on it),
    // but not without a word.
    if (counts.declared != static_cast<uint64_t>(counts.read)) {
        char said[64];
        // A count past 2^53 is said by its magnitude (1e+23): its digits
        // beyond a double's are not worth a message, and past 2^64 they were
        // not kept.
        if (counts.declaredNumber < 9007199254740992.0)
            snprintf(said, sizeof said, "%llu", static_cast<unsigned long long>(counts.declared));
        else if (std::isfinite(counts.declaredNumber))
            snprintf(said, sizeof said, "%.3g", counts.declaredNumber);
        else
            snprintf(said, sizeof said, "a number of more than 300 digits");
        char message[160];
        snprintf(message, sizeof message, "Tree: the file holds %lld boxes, its header says %s.",
                 static_cast<long long>(counts.read), said);
        gateway::warn(treehandle::kTree, "boxCount", message);
    }
    // Files whose rectangle no box can be found in load as they are (they may
    // hold a tree worth reading), with a word on what to set.
    const Rectangle* rect = handle->tree->rect;
    if (!treehandle::centerUsable(rect->center, rect->dim) || !treehandle::radiusUsable(rect->radius, rect->dim))
        gateway::warn(treehandle::kTree, "badRectangle",
                      "Tree: the file's rectangle has a radius that is not positive and finite or a center "
                      "that is not finite, so no point lies in its boxes; set T.center and T.radius.");
    return handle;
}

// The first dim elements of a real double vector that has at least that many.
const double* vectorOf(const mxArray* a, int dim, const gateway::Refusal& notDouble,
                       const gateway::Refusal& tooShort)
{
    const gateway::Doubles v = gateway::realDoubles(a, notDouble);
    if (v.count < static_cast<size_t>(dim))
        gateway::fail(tooShort);
    return v.data;
}

// A one-box tree; dim 1 to 255 from the element count of the centre (two
// arguments) or from the first argument truncated toward zero (three or more).
HandleOwner makeTree(int nrhs, const mxArray* prhs[])
{
    const mxArray* center = prhs[nrhs == 2 ? 0 : 1];
    const mxArray* radius = prhs[nrhs == 2 ? 1 : 2];
    const gateway::Refusal centerNotDouble{"centerNotDouble", "Tree: center must be a real double array."};
    const gateway::Refusal dimNotNumber{"dimensionNotNumber", "Tree: dimension must be a real double number."};
    double dim = 0;
    if (nrhs == 2) {
        dim = static_cast<double>(gateway::realDoubles(center, centerNotDouble).count);
    } else {
        const gateway::Doubles d = gateway::realDoubles(prhs[0], dimNotNumber);
        if (d.count == 0)
            gateway::fail(dimNotNumber);
        dim = d.data[0];
    }
    if (!(dim >= 1 && dim < 256))
        gateway::fail("badDimension", "Tree: dimension must be between 1 and 255.");
    const int n = static_cast<int>(dim);
    const double* c =
        vectorOf(center, n, centerNotDouble,
                 {"centerTooShort", "Tree: center has fewer elements than the dimension."});
    const double* r =
        vectorOf(radius, n, {"radiusNotDouble", "Tree: radius must be a real double array."},
                 {"radiusTooShort", "Tree: radius has fewer elements than the dimension."});
    if (!treehandle::centerUsable(c, n))
        gateway::fail("badCenter", "Tree: center must be finite.");
    if (!treehandle::radiusUsable(r, n))
        gateway::fail("badRadius", "Tree: radius must be positive and finite.");

    const Owner<Rectangle, Rectangle_free> rect(
        Rectangle_new(c, r, static_cast<uint8_t>(n)));
    return HandleOwner(TreeHandle_new(rect.get()));
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(treehandle::kTree, [&] {
        if (nrhs < 1)
            gateway::fail("usage", "Tree: give a center and a radius, or a file name.");
        // The tree is the result: a file's tree may take what is available
        // but a reserve, not half of it.
        gateway::keepsWhatItMakes();
        HandleOwner handle = nrhs == 1 ? loadTree(prhs[0]) : makeTree(nrhs, prhs);
        plhs[0] = treehandle::makeHandle(handle.get());
        handle.release();  // the tree now belongs to the host value
    });
}
