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

#endif
