// Coordinate sparse matrix: a growable list of (row, column, value) triplets
// of a square matrix whose dimension widens to cover every index stored.
// Appended to, then read entry by entry in insertion order; no lookup, no
// sorting, no merging. Readers use the fields directly.
#ifndef BOXGRAPH_SPARSE_MATRIX_H
#define BOXGRAPH_SPARSE_MATRIX_H

#include <stddef.h>
#include <stdint.h>

#include "Alloc.h"
#include "Owner.h"
#include "SparseView.h"

typedef struct SparseMatrix {
    int32_t dimension;  // dimension by dimension; never below the value at creation
    int32_t count;      // number of triplets stored
    int32_t* rows;      // row of each entry, zero-based
    int32_t* cols;      // column of each entry, zero-based
    double* values;     // value of each entry (zeros are stored like any other)
    int32_t capacity;   // slots in each of the three arrays
} SparseMatrix;

// New empty matrix of dimension n (n >= 0) with capacity 10n (at most INT32_MAX)
// and three zero-filled arrays; caller owns it. Checked allocations. O(n).
SparseMatrix* SparseMatrix_new(int32_t n);

// New empty matrix of dimension n (n >= 0) with room for capacity entries
// (>= 0), for a caller that knows how many it will add: memory by the
// entries, not by the dimension. Checked allocations. O(capacity).
SparseMatrix* SparseMatrix_newSized(int32_t n, int32_t capacity);

// Appends (row, col, value), row and col >= 0, and widens the dimension to
// cover them. A full matrix doubles its capacity (a capacity of 0 becomes 10,
// the doubling stops at INT32_MAX); the new arrays are checked allocations,
// and a matrix already holding INT32_MAX entries fails like one (a request of
// SIZE_MAX bytes). On failure the matrix is unchanged. Amortised O(1).
void SparseMatrix_add(SparseMatrix* matrix, int32_t row, int32_t col, double value);

// Releases the value, column and row arrays and the record, and clears the
// caller's pointer; null (or a null pointer) is ignored. O(1).
void SparseMatrix_free(SparseMatrix** matrix);

// The dimension of the matrix that SparseMatrix_fromColumns(view) gives: the
// larger of view's column count and its largest stored row + 1. Allocates
// nothing, so arguments sized by it can be checked first. O(stored entries).
template <class Index>
int32_t SparseMatrix_dimensionOf(const SparseView<Index>& view)
{
    int64_t dimension = view.cols;
    const auto count = static_cast<int64_t>(view.jc[view.cols]);
    for (int64_t p = 0; p < count; ++p)
        if (static_cast<int64_t>(view.ir[p]) >= dimension)
            dimension = static_cast<int64_t>(view.ir[p]) + 1;
    return static_cast<int32_t>(dimension < INT32_MAX ? dimension : INT32_MAX);
}

// New matrix of dimension view.cols holding view's stored entries in
// column-major order, stored zeros included; values[p] is the value of stored
// entry p. Its dimension widens to the largest stored row + 1
// (SparseMatrix_dimensionOf); its capacity is the stored entries, so a graph
// of many vertices and few edges takes little. Checked allocations; a failure
// releases what was made. O(cols + stored entries).
template <class Index, class Values>
SparseMatrix* SparseMatrix_fromColumns(const SparseView<Index>& view, const Values& values)
{
    const auto stored = static_cast<uint64_t>(view.jc[view.cols]);
    if (stored > static_cast<uint64_t>(INT32_MAX))
        CHECKED_REFUSE();  // entries are counted in 32 bits
    Owner<SparseMatrix, SparseMatrix_free> matrix(
        SparseMatrix_newSized(view.cols, static_cast<int32_t>(stored)));
    for (int32_t j = 0; j < view.cols; ++j) {
        const auto end = static_cast<size_t>(view.jc[j + 1]);
        for (auto p = static_cast<size_t>(view.jc[j]); p < end; ++p)
            SparseMatrix_add(matrix.get(), static_cast<int32_t>(view.ir[p]), j, values[p]);
    }
    return matrix.release();
}

#endif
