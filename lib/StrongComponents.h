// Strongly connected components by Kosaraju's two passes, on host-free views
// of a sparse matrix A and its transpose AT (edge j -> i for a stored A(i, j)).
#ifndef BOXGRAPH_STRONG_COMPONENTS_H
#define BOXGRAPH_STRONG_COMPONENTS_H

#include <cstdint>

#include "DepthFirst.h"
#include "Portability.h"
#include "SparseView.h"

namespace graph {

namespace detail {

// Pass 1 state. mark[v] is 0 while v is unreached, ~p (negative) while v is on
// the search path with resume position p, and 1 once v is finished. The
// search stack grows from the front of `order`, the finished vertices are
// written from its back, so one array of n serves both (together they never
// hold more than n vertices), and order[tail..n-1] lists the vertices in
// decreasing finishing order.
struct FinishPass {
    int32_t* mark;
    int32_t* order;
    int32_t tail;

    Step examine(int32_t w) const { return mark[w] == 0 ? Step::Descend : Step::Skip; }
    void prefetch(int32_t w) const { BOXGRAPH_PREFETCH(&mark[w]); }
    void enter(int32_t v) { mark[v] = ~0; }
    void save(int32_t v, int32_t p) { mark[v] = ~p; }
    int32_t resume(int32_t v) const { return ~mark[v]; }
    void finish(int32_t v)
    {
        mark[v] = 1;
        order[--tail] = v;
    }
};

constexpr int32_t unlabelled = INT32_MIN;

}  // namespace detail

// One sequential pass over a matrix's structure: whether it is well formed
// (column starts from 0 in order, every row index from 0 to rows - 1) and,
// in *digest, the sum over its stored entries of a 64-bit mix of (row,
// column), or of (column, row) when transposed. The sum does not depend on
// the order of the entries, so a matrix and its transpose have the same
// digest however each stores its columns; two different patterns share one
// by accident with a chance of about 2^-64. O(cols + stored entries).
template <class Index>
bool checkPattern(const SparseView<Index>& m, bool transposed, uint64_t* digest)
{
    if (static_cast<int64_t>(m.jc[0]) != 0)
        return false;
    const auto count = static_cast<int64_t>(m.jc[m.cols]);
    const auto rows = static_cast<uint64_t>(m.rows);
    uint64_t sum = 0;
    bool wellFormed = true;
    for (int32_t j = 0; j < m.cols; ++j) {
        const auto begin = static_cast<int64_t>(m.jc[j]);
        const auto end = static_cast<int64_t>(m.jc[j + 1]);
        if (end < begin || end > count)
            return false;  // before reading a column that would leave the stored entries
        const auto column = static_cast<uint64_t>(j);
        for (int64_t p = begin; p < end; ++p) {
            const auto i = static_cast<uint64_t>(m.ir[p]);
            wellFormed &= i < rows;  // a negative index is a large unsigned one
            uint64_t z = transposed ? i * 0x9e3779b97f4a7c15ULL + column
                                    : column * 0x9e3779b97f4a7c15ULL + i;
            z = (z ^ (z >> 29)) * 0xbf58476d1ce4e5b9ULL;
            sum += z ^ (z >> 32);
        }
    }
    *digest = sum;
    return wellFormed;
}

// Numbers the strongly connected components of A. labels[v] becomes v's
// component number, or -1 when v's component is v alone without a self-loop.
// Components with a cycle are numbered 0, 1, ... in the order the second pass
// meets their roots (decreasing finishing time of the first pass), which is a
// topological order of the component graph: an edge between two numbered
// components always goes from the lower number to the higher.
// The caller supplies AT (the host's own interface asks for it), which is
// searched as given: check first that it is A's transpose (checkPattern), or
// the labels mean nothing. Only the patterns count: a stored zero is an edge.
// The vertex count is A's row count.
// mark and order are the caller's working arrays of n entries each, contents
// ignored. Costs O(n + stored entries of A and AT); no allocation.
template <class Index>
void strongComponents(const SparseView<Index>& a, const SparseView<Index>& at, int32_t* labels,
                      int32_t* mark, int32_t* order)
{
    const int32_t n = a.rows;

    // Pass 1: finishing order over A, starting searches in increasing vertex order.
    for (int32_t v = 0; v < n; ++v)
        mark[v] = 0;
    detail::FinishPass pass{mark, order, n};
    for (int32_t v = 0; v < n; ++v)
        if (mark[v] == 0)
            depthFirst(a.jc, a.ir, v, order, pass);

    // Pass 2: over AT, roots in decreasing finishing order. Which vertices a
    // root collects does not depend on the visiting order, so a plain stack
    // suffices; `labels` marks what is collected and `mark`, free now, is the
    // stack. A root is numbered when its own column meets a still unlabelled
    // vertex (itself included, through a self-loop); otherwise it gets -1.
    for (int32_t v = 0; v < n; ++v)
        labels[v] = detail::unlabelled;
    int32_t* stack = mark;
    int32_t number = 0;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t root = order[k];
        if (labels[root] != detail::unlabelled)
            continue;
        int32_t top = 0;
        bool found = false;
        for (Index p = at.jc[root]; p < at.jc[root + 1]; ++p) {
            const auto w = static_cast<int32_t>(at.ir[p]);
            if (labels[w] != detail::unlabelled)
                continue;
            found = true;
            if (w != root) {
                labels[w] = number;
                stack[top++] = w;
            }
        }
        labels[root] = found ? number : -1;
        // Breadth first: the queue lets the column of a vertex be fetched
        // from memory well before the vertex is scanned.
        for (int32_t head = 0; head < top; ++head) {
            if (head + 8 < top)
                BOXGRAPH_PREFETCH(&at.ir[at.jc[stack[head + 8]]]);
            const int32_t v = stack[head];
            for (Index p = at.jc[v]; p < at.jc[v + 1]; ++p) {
                const auto w = static_cast<int32_t>(at.ir[p]);
                if (labels[w] == detail::unlabelled) {
                    labels[w] = number;
                    BOXGRAPH_PREFETCH(&at.jc[w]);
                    stack[top++] = w;
                }
            }
        }
        if (found)
            ++number;
    }
}

}  // namespace graph

#endif
