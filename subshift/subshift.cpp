// [i, j, v] = subshift(A, labels, start): the induced subshift of the graph of
// the sparse matrix A (a non-zero A(i, j) is an edge j -> i whose symbol is
// labels(j), a uint8) from the zero-based vertex start, by subset
// construction. Subsets are numbered 1, 2, ... in order of discovery, the
// start subset {start} being 1; each (subset, symbol) pair with a non-empty
// successor gives one edge j(k) -> i(k) with v(k) = 1, in depth-first
// pre-order, so sparse(i, j, v) counts the symbols leading from j to i.
#include <math.h>
#include <stdio.h>

#include "HostArrays.h"
#include "IndSubshift.h"
#include "Owner.h"

namespace {

const gateway::Function subshift{"subshift", "subshift: out of memory.", nullptr, true};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(subshift, [&] {
        if (nrhs < 3)
            gateway::fail("usage", "subshift: usage: [i, j, v] = subshift(A, labels, start).");
        if (nlhs > 3)
            gateway::fail("tooManyResults", "subshift: at most three results: [i, j, v].");

        const SparseView<mwIndex> a = gateway::sparseArgument(
            prhs[0], {"notSparse", "subshift: first parameter must be sparse."},
            {"tooLarge", "subshift: matrix is too large."},
            {"malformed", "subshift: first parameter is not a well-formed sparse matrix."});
        const gateway::SparseValues values = gateway::sparseValues(
            prhs[0], {"notRealOrLogical", "subshift: first parameter must be a real double or logical matrix."});
        // The vertex count covers every stored row: a non-square matrix is read whole.
        const int32_t n = SparseMatrix_dimensionOf(a);
        if (n == 0)
            gateway::fail("empty", "subshift: first parameter must not be empty.");
        const gateway::Bytes labels = gateway::uint8s(
            prhs[1], {"labelsNotUint8", "subshift: second parameter must be a uint8 array of labels."});
        char message[160];
        if (labels.count < static_cast<size_t>(n)) {
            snprintf(message, sizeof message,
                     "subshift: second parameter must hold a label for each of the %d vertices.",
                     static_cast<int>(n));
            gateway::fail("tooFewLabels", message);
        }
        const double start = gateway::realScalar(
            prhs[2], {"startNotScalar", "subshift: third parameter must be a real numeric scalar."});
        if (!(start >= 0 && start < n && start == trunc(start))) {  // NaN and 1.5 fail too
            snprintf(message, sizeof message,
                     "subshift: third parameter must be a vertex index from 0 to %d.",
                     static_cast<int>(n - 1));
            gateway::fail("startOutOfRange", message);
        }

        const Owner<SparseMatrix, SparseMatrix_free> edges(
            IndSubshift_induced(a, values, labels.data, static_cast<int32_t>(start)));

        // Octave hands out exactly max(nargout, 1) slots: fill only those.
        const auto count = static_cast<size_t>(edges->count);
        using gateway::Shape;
        plhs[0] = gateway::doubleVector(Shape::Column, edges->rows, count, 1.0);
        if (nlhs > 1)
            plhs[1] = gateway::doubleVector(Shape::Column, edges->cols, count, 1.0);
        if (nlhs > 2)
            plhs[2] = gateway::doubleVector(Shape::Column, edges->values, count);
    });
}
