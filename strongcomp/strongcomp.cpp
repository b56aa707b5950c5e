// strongcomp(A, A^T): the strongly connected components of the graph of the
// sparse matrix A (a stored A(i, j) is an edge j -> i), as a 1-by-n int32 row:
// component numbers 0, 1, ... in topological order, -1 for a vertex on no cycle.
#include "HostArrays.h"
#include "StrongComponents.h"

namespace {

// The console line before the error is the host's fixed report of a refused
// working array; callers may match on it.
const gateway::Function strongcomp{"strongcomp", "allocation error in STRONGCOMP.",
                                   "ERROR...calloc!\n"};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(strongcomp, [&] {
        if (nrhs != 2)
            gateway::fail("usage", "usage: strongcomp(A, A^T).");
        if (nlhs > 1)
            gateway::fail("tooManyResults", "one result only: c = strongcomp(A, A^T).");
        const gateway::Refusal tooLarge{"tooLarge", "matrix is too large."};
        const gateway::Refusal malformedA{"malformed", "first parameter is not a well-formed sparse matrix."};
        const gateway::Refusal malformedAT{"malformed", "second parameter is not a well-formed sparse matrix."};
        const SparseView<mwIndex> a = gateway::borrowSparse(
            prhs[0], {"notSparse", "first parameter must be sparse."}, tooLarge, malformedA);
        const SparseView<mwIndex> at = gateway::borrowSparse(
            prhs[1], {"secondNotSparse", "second parameter must be sparse."}, tooLarge, malformedAT);
        if (a.cols != a.rows)
            gateway::fail("notSquare", "first parameter must be square.");
        if (at.rows != a.rows || at.cols != a.rows)
            gateway::fail("sizeMismatch", "second parameter must have the size of the first.");
        // One pass over each structure checks it and compares the patterns: a
        // second argument that is not the transpose would give labels that
        // mean nothing (a chain with A for AT is "one cycle").
        uint64_t digestA = 0;
        uint64_t digestAT = 0;
        if (!graph::checkPattern(a, false, &digestA))
            gateway::fail(malformedA);
        if (!graph::checkPattern(at, true, &digestAT))
            gateway::fail(malformedAT);
        if (a.jc[a.cols] != at.jc[at.cols] || digestA != digestAT)
            gateway::fail("notTranspose", "second parameter must be the transpose of the first.");

        // The search reads A alone. It writes every label and every entry of
        // its working arrays before it reads one, so none is cleared first,
        // and large ones go on large pages.
        const auto n = static_cast<size_t>(a.rows);
        int32_t* labels = nullptr;
        plhs[0] = gateway::rowToFill(n, mxINT32_CLASS, &labels);
        // Both working arrays in one block: one large page of slack, not two.
        gateway::HostMemory<uint32_t> work(2 * n, gateway::Contents::Garbage, gateway::Pages::Large);
        graph::strongComponents(a, labels, work.get(), work.get() + n);
    });
}
