// Coordinate sparse matrix: a growable list of (row, column, value) triplets
// of a square matrix whose dimension widens to cover every index stored.
// Appended to, then read entry by entry in insertion order; no lookup, no
// sorting, no merging. Readers use the fields directly.
#ifndef BOXGRAPH_SPARSE_MATRIX_H
#define BOXGRAPH_SPARSE_MATRIX_H

#include <stdint.h>

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

// Appends (row, col, value), row and col >= 0, and widens the dimension to
// cover them. A full matrix doubles its capacity (a capacity of 0 becomes 10,
// the doubling stops at INT32_MAX); the new arrays are checked allocations,
// and a matrix already holding INT32_MAX entries fails like one (a request of
// SIZE_MAX bytes). On failure the matrix is unchanged. Amortised O(1).
void SparseMatrix_add(SparseMatrix* matrix, int32_t row, int32_t col, double value);

// Releases the value, column and row arrays and the record, and clears the
// caller's pointer; null (or a null pointer) is ignored. O(1).
void SparseMatrix_free(SparseMatrix** matrix);

#endif
