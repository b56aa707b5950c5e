// cyclereach(A): a 1-by-n double row, 1 where a cycle of the graph of the
// sparse matrix A (a stored A(i, j) is an edge j -> i) can be reached from the
// vertex, 0 elsewhere.
#include "CycleReach.h"
#include "Gateway.h"

namespace {

const char outOfMemory[] = "allocation error in CYCLEREACH.";

// The search state, assigned afresh by every call before it searches and
// cleared when the call ends, however it ends: calls must not overlap, and
// none sees anything of the one before.
int32_t n = 0;
const mwIndex* jc = nullptr;
const mwIndex* ir = nullptr;
double* reach = nullptr;
double* dead = nullptr;
int32_t* stack = nullptr;

struct ClearState {
    ~ClearState()
    {
        n = 0;
        jc = ir = nullptr;
        reach = dead = nullptr;
        stack = nullptr;
    }
};

}  // namespace

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(outOfMemory, [&] {
        if (nrhs < 1)
            gateway::fail("usage: cyclereach(A).");
        const gateway::SparseView a =
            gateway::sparseView(prhs[0], "first parameter must be sparse.", "matrix is too large.");
        if (a.cols < a.rows)
            gateway::fail("first parameter must have at least as many columns as rows.");

        ClearState clear;
        n = a.rows;
        jc = a.jc;
        ir = a.ir;
        plhs[0] = mxCreateDoubleMatrix(1, static_cast<mwSize>(n), mxREAL);
        reach = mxGetPr(plhs[0]);
        gateway::HostMemory<double> deadMemory(static_cast<size_t>(n));
        if (!deadMemory)
            gateway::fail(outOfMemory);
        gateway::HostMemory<int32_t> stackMemory(static_cast<size_t>(n));
        if (!stackMemory)
            gateway::fail(outOfMemory);
        dead = deadMemory.get();
        stack = stackMemory.get();
        graph::reachCycles(n, jc, ir, reach, dead, stack);
    });
}
