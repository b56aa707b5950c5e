// [i, j, v] = subshift(A, labels, start): the induced subshift of the graph of
// the sparse matrix A (a non-zero A(i, j) is an edge j -> i whose symbol is
// labels(j), a uint8) from the zero-based vertex start, by subset
// construction. Subsets are numbered 1, 2, ... in order of discovery, the
// start subset {start} being 1; each (subset, symbol) pair with a non-empty
// successor gives one edge j(k) -> i(k) with v(k) = 1, in depth-first
// pre-order, so sparse(i, j, v) counts the symbols leading from j to i.
#include <math.h>
#include <stdint.h>
#include <stdio.h>

#include "Gateway.h"
#include "IndSubshift.h"
#include "SparseMatrix.h"

namespace {

const char outOfMemory[] = "subshift: out of memory.";

// Owners that release the library records however the call ends.
struct MatrixOwner {
    SparseMatrix* matrix = nullptr;
    ~MatrixOwner() { SparseMatrix_free(&matrix); }
};

struct StateOwner {
    IndSubshift* state = nullptr;
    ~StateOwner() { IndSubshift_free(&state); }
};

// The host sparse matrix (real double or logical) as triplets in the host's
// column-major order, stored zeros included. Its dimension, the larger of the
// column count and the largest stored row + 1, is the vertex count.
SparseMatrix* readSparseMatrix(const mxArray* a, const gateway::SparseView& view)
{
    MatrixOwner owner;
    owner.matrix = SparseMatrix_new(view.cols);
    const double* pr = mxIsLogical(a) ? nullptr : mxGetPr(a);
    const mxLogical* logicals = mxIsLogical(a) ? mxGetLogicals(a) : nullptr;
    for (int32_t j = 0; j < view.cols; ++j) {
        for (mwIndex p = view.jc[j]; p < view.jc[j + 1]; ++p) {
            double value = pr != nullptr ? pr[p] : (logicals[p] ? 1.0 : 0.0);
            SparseMatrix_add(owner.matrix, static_cast<int32_t>(view.ir[p]), j, value);
        }
    }
    SparseMatrix* matrix = owner.matrix;
    owner.matrix = nullptr;
    return matrix;
}

// The value of a real numeric scalar of any class, as a double.
double scalarValue(const mxArray* a)
{
    const void* data = mxGetData(a);
    switch (mxGetClassID(a)) {
    case mxDOUBLE_CLASS: return *static_cast<const double*>(data);
    case mxSINGLE_CLASS: return *static_cast<const float*>(data);
    case mxINT8_CLASS: return *static_cast<const int8_t*>(data);
    case mxUINT8_CLASS: return *static_cast<const uint8_t*>(data);
    case mxINT16_CLASS: return *static_cast<const int16_t*>(data);
    case mxUINT16_CLASS: return *static_cast<const uint16_t*>(data);
    case mxINT32_CLASS: return *static_cast<const int32_t*>(data);
    case mxUINT32_CLASS: return *static_cast<const uint32_t*>(data);
    case mxINT64_CLASS: return static_cast<double>(*static_cast<const int64_t*>(data));
    case mxUINT64_CLASS: return static_cast<double>(*static_cast<const uint64_t*>(data));
    default: return NAN;
    }
}

// A new real double column holding values[k] + offset.
mxArray* column(const int32_t* values, int32_t count, double offset)
{
    mxArray* a = mxCreateDoubleMatrix(static_cast<mwSize>(count), 1, mxREAL);
    double* pr = mxGetPr(a);
    for (int32_t k = 0; k < count; ++k)
        pr[k] = values[k] + offset;
    return a;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(outOfMemory, [&] {
        if (nrhs < 3)
            gateway::fail("subshift: usage: [i, j, v] = subshift(A, labels, start).");
        if (nlhs > 3)
            gateway::fail("subshift: at most three results: [i, j, v].");
        const mxArray* a = prhs[0];
        const gateway::SparseView view = gateway::sparseView(
            a, "subshift: first parameter must be sparse.", "subshift: matrix is too large.");
        if (!(mxIsDouble(a) && !mxIsComplex(a)) && !mxIsLogical(a))
            gateway::fail("subshift: first parameter must be a real double or logical matrix.");

        MatrixOwner matrix;
        matrix.matrix = readSparseMatrix(a, view);
        const int32_t n = matrix.matrix->dimension;
        if (n == 0)
            gateway::fail("subshift: first parameter must not be empty.");

        const mxArray* labels = prhs[1];
        if (!mxIsUint8(labels) || mxIsSparse(labels))
            gateway::fail("subshift: second parameter must be a uint8 array of labels.");
        char message[160];
        if (mxGetNumberOfElements(labels) < static_cast<size_t>(n)) {
            snprintf(message, sizeof message,
                     "subshift: second parameter must hold a label for each of the %d vertices.",
                     static_cast<int>(n));
            gateway::fail(message);
        }

        const mxArray* start = prhs[2];
        if (!mxIsNumeric(start) || mxIsComplex(start) || mxIsSparse(start) ||
            mxGetNumberOfElements(start) != 1)
            gateway::fail("subshift: third parameter must be a real numeric scalar.");
        const double first = trunc(scalarValue(start));
        if (!(first >= 0 && first < n)) {  // NaN fails too
            snprintf(message, sizeof message,
                     "subshift: third parameter must be a vertex index from 0 to %d.",
                     static_cast<int>(n - 1));
            gateway::fail(message);
        }

        StateOwner state;
        state.state = IndSubshift_new(matrix.matrix,
                                      static_cast<const uint8_t*>(mxGetData(labels)));
        MatrixOwner edges;
        edges.matrix = IndSubshift_build(state.state, static_cast<int32_t>(first));

        // Octave hands out exactly max(nargout, 1) slots: fill only those.
        const SparseMatrix* e = edges.matrix;
        plhs[0] = column(e->rows, e->count, 1.0);
        if (nlhs > 1)
            plhs[1] = column(e->cols, e->count, 1.0);
        if (nlhs > 2) {
            plhs[2] = mxCreateDoubleMatrix(static_cast<mwSize>(e->count), 1, mxREAL);
            double* pr = mxGetPr(plhs[2]);
            for (int32_t k = 0; k < e->count; ++k)
                pr[k] = e->values[k];
        }
    });
}
