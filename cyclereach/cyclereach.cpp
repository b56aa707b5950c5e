// cyclereach(A): a 1-by-n double row, 1 where a cycle of the graph of the
// sparse matrix A (a stored A(i, j) is an edge j -> i) can be reached from the
// vertex, 0 elsewhere.
#include "CycleReach.h"
#include "HostArrays.h"

namespace {

const gateway::Function cyclereach{"cyclereach", "allocation error in CYCLEREACH."};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(cyclereach, [&] {
        if (nrhs < 1)
            gateway::fail("usage", "usage: cyclereach(A).");
        if (nlhs > 1)
            gateway::fail("tooManyResults", "one result only: r = cyclereach(A).");
        const SparseView<mwIndex> a = gateway::sparseArgument(
            prhs[0], {"notSparse", "first parameter must be sparse."}, {"tooLarge", "matrix is too large."},
            {"malformed", "first parameter is not a well-formed sparse matrix."});
        if (a.cols < a.rows)
            gateway::fail("tooFewColumns", "first parameter must have at least as many columns as rows.");

        // Every call has its own state, nothing is kept between calls. The
        // search writes every result (not cleared first) and starts from a
        // cleared state; large arrays go on large pages.
        const auto n = static_cast<size_t>(a.rows);
        double* reach = nullptr;
        plhs[0] = gateway::rowToFill(n, mxDOUBLE_CLASS, &reach);
        gateway::HostMemory<uint8_t> state(n, gateway::Contents::Zeros, gateway::Pages::Large);
        graph::reachCycles(a, reach, state.get());
    });
}
