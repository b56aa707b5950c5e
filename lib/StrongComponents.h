// Strongly connected components in one depth-first pass, on a host-free view
// of a sparse matrix A (edge j -> i for a stored A(i, j)), and the check that
// a second matrix is A's transpose.
#ifndef BOXGRAPH_STRONG_COMPONENTS_H
#define BOXGRAPH_STRONG_COMPONENTS_H

#include <cstdint>

#include "Portability.h"
#include "SparseView.h"

namespace graph {

namespace detail {

template <bool transposed, class Index>
bool checkPattern(const SparseView<Index>& m, uint64_t* digest)
{
    if (static_cast<int64_t>(m.jc[0]) != 0)
        return false;
    const auto count = static_cast<int64_t>(m.jc[m.cols]);
    const auto rows = static_cast<uint64_t>(m.rows);
    uint64_t sum = 0;
    uint64_t outside = 0;
    int64_t begin = 0;
    for (int32_t j = 0; j < m.cols; ++j) {
        const auto end = static_cast<int64_t>(m.jc[j + 1]);
        if (end < begin || end > count)
            return false;  // before reading a column that would leave the stored entries
        const auto column = static_cast<uint64_t>(j);
        const uint64_t columnPart = column * 0x9e3779b97f4a7c15ULL;
        for (int64_t p = begin; p < end; ++p) {
            const auto i = static_cast<uint64_t>(m.ir[p]);
            outside |= static_cast<uint64_t>(i >= rows);  // a negative index is a large unsigned one
            uint64_t z = transposed ? i * 0x9e3779b97f4a7c15ULL + column : columnPart + i;
            z = (z ^ (z >> 29)) * 0xbf58476d1ce4e5b9ULL;
            sum += z ^ (z >> 32);
        }
        begin = end;
    }
    *digest = sum;
    return outside == 0;
}

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
    return transposed ? detail::checkPattern<true>(m, digest) : detail::checkPattern<false>(m, digest);
}

// Numbers the strongly connected components of A. labels[v] becomes v's
// component number, or -1 when v's component is v alone without a self-loop.
// Components with a cycle are numbered 0, 1, ... in decreasing finishing time
// of their roots (the member a depth-first search enters first) in the search
// that starts at 0, 1, ..., n-1 in turn and follows each vertex's successors in
// stored order, each unvisited one at once: a topological order of the
// component graph, in which an edge between two numbered components always
// goes from the lower number to the higher. These are the numbers that the
// second pass of Kosaraju's method gives, roots taken in that order.
// One depth-first pass in the manner of Tarjan and Pearce: a component is
// complete when its root finishes, so components complete in increasing
// finishing time of their roots; one pass over the labels at the end reverses
// the count. Only the pattern counts: a stored zero is an edge. The vertex
// count is A's row count; A needs at least that many columns.
// stack and resume are the caller's working arrays of n entries each,
// contents ignored. Costs O(n + stored entries of A); no allocation, no
// recursion.
template <class Index>
void strongComponents(const SparseView<Index>& a, int32_t* labels, uint32_t* stack, uint32_t* resume)
{
    const int32_t n = a.rows;
    const Index* const jc = a.jc;
    const Index* const ir = a.ir;

    // While the search runs, labels holds unsigned values, one per vertex:
    //   0          not entered yet;
    //   1 .. n     entered, no component yet: 1 + the number of such vertices
    //              entered before it (its rank), lowered to the least rank it
    //              is known to reach among them (its low link);
    //   n - k      a member of the k'th component with a cycle to complete,
    //              counting from 0 (its code);
    //   acyclic    alone, without a self-loop.
    // Ranks are reused: when a component completes, its members are the
    // vertices entered from its root on, and the next vertex entered gets the
    // root's rank. So the vertices without a component always hold values
    // below every code given so far (each completed component took at least
    // one vertex out of the n), and no code or the acyclic mark can lower a
    // low link: one comparison serves for "still without a component, and
    // lower".
    static_assert(sizeof(int32_t) == sizeof(uint32_t), "labels are read as unsigned");
    uint32_t* const low = reinterpret_cast<uint32_t*>(labels);
    constexpr uint32_t acyclic = UINT32_MAX;
    constexpr uint32_t flag = 1u << 31;  // vertices and positions are below 2^31

    // stack holds the search path from the front, as ancestors of the vertex
    // being scanned (each with the flag set when it is not its component's
    // root, as far as is known), and from the back the finished vertices still
    // without a component, most recent first. Together they never hold more
    // than the n vertices. resume[d] is the position at which the ancestor at
    // depth d goes on, with the flag set when its column holds a self-loop.
    for (int32_t v = 0; v < n; ++v)
        low[v] = 0;
    uint32_t rank = 1;  // the rank the next vertex entered gets
    uint32_t code = static_cast<uint32_t>(n);  // the next component's code
    int32_t tail = n;  // the finished vertices are stack[tail .. n-1]

    for (int32_t start = 0; start < n; ++start) {
        if (low[start] != 0)
            continue;
        int32_t depth = 0;
        int32_t v = start;
        uint32_t lowV = rank++;  // v's low link, kept here while v is scanned
        low[v] = lowV;
        bool root = true;
        bool loop = false;
        int64_t p = static_cast<int64_t>(jc[v]);
        int64_t end = static_cast<int64_t>(jc[v + 1]);
        for (;;) {
            int32_t next = -1;
            while (p < end) {
                const auto w = static_cast<int32_t>(ir[p++]);
                const uint32_t lowW = low[w];
                if (lowW == 0) {
                    next = w;
                    break;
                }
                if (lowW < lowV) {
                    lowV = lowW;
                    root = false;
                }
                loop |= w == v;
            }
            if (next >= 0) {
                low[v] = lowV;
                stack[depth] = static_cast<uint32_t>(v) | (root ? 0 : flag);
                resume[depth] = static_cast<uint32_t>(p) | (loop ? flag : 0);
                ++depth;
                v = next;
                lowV = rank++;
                low[v] = lowV;
                root = true;
                loop = false;
                p = static_cast<int64_t>(jc[v]);
                end = static_cast<int64_t>(jc[v + 1]);
                // The successors' values are read next, in random places, and
                // the column starts of those not entered yet soon after: ask
                // for both early.
                for (int64_t q = p; q < end; ++q) {
                    BOXGRAPH_PREFETCH(&low[ir[q]]);
                    BOXGRAPH_PREFETCH(&jc[ir[q]]);
                }
                continue;
            }

            // v is finished. As a root it completes its component: v and the
            // finished vertices entered after it that have no component yet,
            // the ones on top of the stack whose low links reach no lower
            // than v's rank.
            uint32_t result = lowV;  // what v's parent takes into its low link
            if (root) {
                if (tail < n && low[stack[tail]] >= lowV) {
                    result = code--;
                    do
                        low[stack[tail++]] = result;
                    while (tail < n && low[stack[tail]] >= lowV);
                } else {
                    result = loop ? code-- : acyclic;
                }
                low[v] = result;
                rank = lowV;
            } else {
                low[v] = lowV;
                stack[--tail] = static_cast<uint32_t>(v);
            }
            if (depth == 0)
                break;
            --depth;
            v = static_cast<int32_t>(stack[depth] & ~flag);
            root = (stack[depth] & flag) == 0;
            loop = (resume[depth] & flag) != 0;
            p = static_cast<int64_t>(resume[depth] & ~flag);
            end = static_cast<int64_t>(jc[v + 1]);
            lowV = low[v];
            if (result < lowV) {
                lowV = result;
                root = false;
            }
        }
    }

    // The component that completed k'th (from 0) of count gets count - 1 - k.
    const uint32_t last = code;  // n - count
    for (int32_t v = 0; v < n; ++v)
        labels[v] = low[v] == acyclic ? -1 : static_cast<int32_t>(low[v] - last - 1);
}

}  // namespace graph

#endif
