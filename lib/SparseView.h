// A read-only view of a sparse matrix's compressed columns, borrowed from
// whoever owns the arrays (a host array, a test, a benchmark): column j holds
// the row indices ir[jc[j]] .. ir[jc[j+1]-1]. As a graph, those rows are the
// successors of vertex j, in stored order. Index is the owner's index type.
#ifndef BOXGRAPH_SPARSE_VIEW_H
#define BOXGRAPH_SPARSE_VIEW_H

#include <stdint.h>

template <class Index>
struct SparseView {
    int32_t rows;
    int32_t cols;
    const Index* jc;  // cols + 1 column starts
    const Index* ir;  // jc[cols] row indices
};

// Whether the column starts begin at 0 and never decrease, so that every
// column lies within the stored entries. O(cols).
template <class Index>
bool SparseView_columnStartsInOrder(const SparseView<Index>& view)
{
    if (static_cast<int64_t>(view.jc[0]) != 0)
        return false;
    bool ordered = true;
    for (int32_t j = 0; j < view.cols; ++j)
        ordered &= static_cast<int64_t>(view.jc[j + 1]) >= static_cast<int64_t>(view.jc[j]);
    return ordered;
}

// Whether the view is a well-formed matrix: column starts in order, and every
// stored row index from 0 to rows - 1. Rows within a column may come in any
// order and repeat. A correct host never hands out anything else; a faulty
// caller can, and reading such a matrix as a graph would index outside the
// arrays. One pass over the structure.
template <class Index>
bool SparseView_isWellFormed(const SparseView<Index>& view)
{
    if (!SparseView_columnStartsInOrder(view))
        return false;
    const auto count = static_cast<int64_t>(view.jc[view.cols]);
    const auto rows = static_cast<uint64_t>(view.rows);
    bool inRange = true;
    for (int64_t p = 0; p < count; ++p)
        inRange &= static_cast<uint64_t>(view.ir[p]) < rows;  // a negative index is a large unsigned one
    return inRange;
}

#endif
