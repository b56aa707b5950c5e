// Induced subshift of a labelled directed graph, by subset construction.
//
// The graph is a SparseMatrix: an entry (row i, column j, value x) with x != 0
// (NaN included) is an edge j -> i whose symbol is labels[j]. From the subset
// {start}, every (subset, symbol) pair with a non-empty successor subset gives
// one edge (successor number - 1, subset number - 1, 1.0) of the result;
// subsets are numbered 1, 2, ... in order of discovery and recognised through
// the subset trie (Node). The edges come in depth-first pre-order: the edge
// into a successor precedes every edge found while expanding it, and a nested
// expansion that meets a subset already on the path expands that subset's
// remaining symbols, so each (subset, symbol) pair is expanded exactly once.
#ifndef BOXGRAPH_IND_SUBSHIFT_H
#define BOXGRAPH_IND_SUBSHIFT_H

#include <stdint.h>

#include "Node.h"
#include "Owner.h"
#include "SparseMatrix.h"

// Per numbered subset: its member list and the expansion marks of symbols 32
// to 255 (IndSubshift.cpp).
struct IndSubshiftSubsets;

typedef struct IndSubshift {
    uint32_t vertexCount;    // n: the matrix's dimension at creation
    int32_t subsetCount;     // subsets numbered so far (= the last number given)
    int32_t largestSubset;   // most members of any subset expanded so far
    SparseMatrix* matrix;    // the graph; referred to, not owned
    uint8_t* labels;         // own copy of the n labels
    int32_t symbolCount;     // largest label + 1 (0 when n = 0)
    Node* root;              // subset trie; the empty subset, id -1
    // Edges by source, built at creation. When the matrix's entries are in
    // column order (as the gateway makes them), targets is null and the edges
    // leaving j are its entries sourceStart[j] .. sourceStart[j+1]-1 with a
    // non-zero value; otherwise they are targets[sourceStart[j] ..
    // sourceStart[j+1]-1], copied out in stored order.
    int32_t* sourceStart;
    int32_t* targets;
    struct IndSubshiftSubsets* subsets;  // owned
} IndSubshift;

// New construction state for matrix (which must outlive it) and labels (at
// least matrix->dimension bytes, copied); caller owns it. Checked allocations;
// a failure releases what was made. O(n + entries).
IndSubshift* IndSubshift_new(SparseMatrix* matrix, const uint8_t* labels);

// Frees the label copy, the index, the subset tables, the whole trie and the
// record, and clears the caller's pointer; null is ignored. The matrix is
// left to its creator. O(trie size).
void IndSubshift_free(IndSubshift** state);

// The trie node of the subset whose count members are given in increasing
// order (0 <= member < n), numbering it (subsetCount + 1) and recording its
// member list when it is new; an empty subset returns the root. Prefix nodes
// are created on the way and keep id 0. Checked allocations; more than
// INT32_MAX subsets fail like one. O(count x child-set depth + symbols).
Node* IndSubshift_number(IndSubshift* state, const int32_t* members, int32_t count);

// Runs the construction from vertex start (0 <= start < n; any other start
// gives an empty result) and returns the edge list, a new SparseMatrix of
// dimension >= 1 owned by the caller. A state is built from once. Expansion
// runs on an explicit stack of (subset, next symbol) entries. Checked
// allocations. Cost: the successors touch each source's out-edges once per
// expanded (subset, symbol) pair, plus sorting and a trie walk per successor.
SparseMatrix* IndSubshift_build(IndSubshift* state, int32_t start);

// The whole construction on the graph of a matrix's compressed columns
// (SparseMatrix_fromColumns(view, values); a stored zero is no edge here,
// unlike in the other graph modules) with labels (one per vertex, at least
// SparseMatrix_dimensionOf(view)) from vertex start. Returns the edge list,
// owned by the caller; everything else is released, also on failure.
template <class Index, class Values>
SparseMatrix* IndSubshift_induced(const SparseView<Index>& view, const Values& values,
                                  const uint8_t* labels, int32_t start)
{
    const Owner<SparseMatrix, SparseMatrix_free> matrix(SparseMatrix_fromColumns(view, values));
    // Declared after the matrix, which it refers to: released before it.
    const Owner<IndSubshift, IndSubshift_free> state(IndSubshift_new(matrix.get(), labels));
    return IndSubshift_build(state.get(), start);
}

#endif
