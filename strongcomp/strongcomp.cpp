// strongcomp(A, A^T): the strongly connected components of the graph of the
// sparse matrix A (a stored A(i, j) is an edge j -> i), as a 1-by-n int32 row:
// component numbers 0, 1, ... in topological order, -1 for a vertex on no cycle.
#include "Gateway.h"
#include "StrongComponents.h"

namespace {

const char outOfMemory[] = "allocation error in STRONGCOMP.";

graph::SparseGraph<mwIndex> viewOf(const gateway::SparseView& view)
{
    return {view.rows, view.jc, view.ir};
}

// Runs both passes with working arrays from the host allocator. Returns 0, or
// 1 after the console report when a working array was not obtained.
int strongComponents(const gateway::SparseView& a, const gateway::SparseView& at, int32_t* labels)
{
    const auto refused = [] {
        mexPrintf("ERROR...calloc!\n");
        return 1;
    };
    gateway::HostMemory<int32_t> mark(static_cast<size_t>(a.rows));
    if (!mark)
        return refused();
    gateway::HostMemory<int32_t> order(static_cast<size_t>(a.rows));
    if (!order)
        return refused();  // mark is released on the way out
    graph::strongComponents(viewOf(a), viewOf(at), labels, mark.get(), order.get());
    return 0;
}

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(outOfMemory, [&] {
        if (nrhs != 2)
            gateway::fail("usage: strongcomp(A, A^T).");
        const char tooLarge[] = "matrix is too large.";
        const gateway::SparseView a =
            gateway::sparseView(prhs[0], "first parameter must be sparse.", tooLarge);
        const gateway::SparseView at =
            gateway::sparseView(prhs[1], "second parameter must be sparse.", tooLarge);
        if (a.cols != a.rows)
            gateway::fail("first parameter must be square.");
        if (at.rows != a.rows || at.cols != a.rows)
            gateway::fail("second parameter must have the size of the first.");

        const mwSize dims[2] = {1, static_cast<mwSize>(a.rows)};
        plhs[0] = mxCreateNumericArray(2, dims, mxINT32_CLASS, mxREAL);
        if (strongComponents(a, at, static_cast<int32_t*>(mxGetData(plhs[0]))) != 0)
            gateway::fail(outOfMemory);
    });
}
