#include "SparseMatrix.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "Alloc.h"
#include "Owner.h"

namespace {

// New zero-filled array of capacity slots holding the first count of old.
template <class T>
T* grownCopy(const T* old, int32_t count, int32_t capacity)
{
    T* array = static_cast<T*>(CHECKED_CALLOC(static_cast<size_t>(capacity), sizeof(T)));
    if (count > 0)
        memcpy(array, old, static_cast<size_t>(count) * sizeof(T));
    return array;
}

// Doubles the capacity of a full matrix. All three arrays are obtained before
// any is replaced, so a failure (which throws inside a host call) leaves the
// matrix as it was and releases what was obtained.
void grow(SparseMatrix* matrix)
{
    if (matrix->capacity == INT32_MAX)
        CHECKED_REFUSE();  // the count is a signed 32-bit number
    int64_t wanted = matrix->capacity == 0 ? 10 : 2 * static_cast<int64_t>(matrix->capacity);
    int32_t capacity = static_cast<int32_t>(wanted < INT32_MAX ? wanted : INT32_MAX);
    // Owned until all three are there; a failure ends the call, so what was
    // obtained goes back to the heap without counting back into the budget.
    Owner<int32_t, free> rows(grownCopy(matrix->rows, matrix->count, capacity));
    Owner<int32_t, free> cols(grownCopy(matrix->cols, matrix->count, capacity));
    double* values = grownCopy(matrix->values, matrix->count, capacity);
    const auto old = static_cast<size_t>(matrix->capacity);
    Alloc_free(matrix->rows, old * sizeof(int32_t));
    Alloc_free(matrix->cols, old * sizeof(int32_t));
    Alloc_free(matrix->values, old * sizeof(double));
    matrix->rows = rows.release();
    matrix->cols = cols.release();
    matrix->values = values;
    matrix->capacity = capacity;
}

}  // namespace

SparseMatrix* SparseMatrix_new(int32_t n)
{
    const int64_t wanted = n > 0 ? 10 * static_cast<int64_t>(n) : 0;
    return SparseMatrix_newSized(n, static_cast<int32_t>(wanted < INT32_MAX ? wanted : INT32_MAX));
}

SparseMatrix* SparseMatrix_newSized(int32_t n, int32_t entries)
{
    const size_t capacity = static_cast<size_t>(entries > 0 ? entries : 0);
    Owner<SparseMatrix, SparseMatrix_free> matrix(
        static_cast<SparseMatrix*>(CHECKED_CALLOC(1, sizeof(SparseMatrix))));
    matrix->rows = static_cast<int32_t*>(CHECKED_CALLOC(capacity, sizeof(int32_t)));
    matrix->cols = static_cast<int32_t*>(CHECKED_CALLOC(capacity, sizeof(int32_t)));
    matrix->values = static_cast<double*>(CHECKED_CALLOC(capacity, sizeof(double)));
    matrix->dimension = n > 0 ? n : 0;
    matrix->capacity = static_cast<int32_t>(capacity);
    return matrix.release();
}

void SparseMatrix_add(SparseMatrix* matrix, int32_t row, int32_t col, double value)
{
    if (matrix->count >= matrix->capacity)
        grow(matrix);
    // row + 1 and col + 1 as 64-bit: an index of INT32_MAX - 1 is the largest
    // whose dimension still fits.
    int64_t reach = (row > col ? row : col) + static_cast<int64_t>(1);
    if (reach > matrix->dimension)
        matrix->dimension = static_cast<int32_t>(reach < INT32_MAX ? reach : INT32_MAX);
    matrix->rows[matrix->count] = row;
    matrix->cols[matrix->count] = col;
    matrix->values[matrix->count] = value;
    ++matrix->count;
}

void SparseMatrix_free(SparseMatrix** matrix)
{
    if (matrix == nullptr || *matrix == nullptr)
        return;
    free((*matrix)->values);
    free((*matrix)->cols);
    free((*matrix)->rows);
    free(*matrix);
    *matrix = nullptr;
}
