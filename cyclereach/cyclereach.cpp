// cyclereach(A): a 1-by-n double row, 1 where a cycle of the graph of the
// sparse matrix A (a stored A(i, j) is an edge j -> i) can be reached from the
// vertex, 0 elsewhere.
#include "CycleReach.h"
#include "HostArrays.h"

namespace {

const gateway::Function cyclereach{"cyclereach", "allocation error in CYCLEREACH."};

// The search state is module-wide by design (calls must not overlap): it is
// assigned afresh by every call before it searches and cleared when the call
// ends, however it ends, so no call sees anything of the one before.
SparseView<mwIndex> a{};
double* reach = nullptr;
double* dead = nullptr;
int32_t* stack = nullptr;

struct ClearState {
    ~ClearState()
    {
        a = SparseView<mwIndex>{};
        reach = dead = nullptr;
        stack = nullptr;
    }
};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(cyclereach, [&] {
        if (nrhs < 1)
            gateway::fail("usage", "usage: cyclereach(A).");
        if (nlhs > 1)
            gateway::fail("tooManyResults", "one result only: r = cyclereach(A).");
        const SparseView<mwIndex> view = gateway::sparseArgument(
            prhs[0], {"notSparse", "first parameter must be sparse."}, {"tooLarge", "matrix is too large."},
            {"malformed", "first parameter is not a well-formed sparse matrix."});
        if (view.cols < view.rows)
            gateway::fail("tooFewColumns", "first parameter must have at least as many columns as rows.");

        ClearState clear;
        a = view;
        const auto n = static_cast<size_t>(a.rows);
        plhs[0] = gateway::doubleVector(gateway::Shape::Row, n, &reach);
        gateway::HostMemory<double> deadMemory(n);
        gateway::HostMemory<int32_t> stackMemory(n);
        dead = deadMemory.get();
        stack = stackMemory.get();
        graph::reachCycles(a, reach, dead, stack);
    });
}
