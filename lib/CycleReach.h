// Which vertices of a graph in compressed-column form can reach a cycle.
#ifndef BOXGRAPH_CYCLE_REACH_H
#define BOXGRAPH_CYCLE_REACH_H

#include <cstdint>
#include <cstring>

#include "Portability.h"
#include "SparseView.h"

namespace graph {

// Sets reach[v] = 1 for every vertex v from which a cycle can be reached (v on
// a cycle, with a self-loop, or with a path to such a vertex) and 0 for every
// other; these are the largest vertex set in which every member has a
// successor inside it. Every entry of reach is written; what it held is
// ignored. n is A's row count (A needs at least that many columns); only the
// pattern counts, a stored zero is an edge.
// state is the caller's working array of n bytes, all 0.
// Depth-first searches start at 0, 1, ..., n-1 and follow successors in
// stored order. A vertex is open while it is on the search path and stays
// open when the search meets an open vertex (the path closes a cycle, or
// joins one known to reach a cycle): then every vertex on the path reaches a
// cycle, and the search ends. A vertex whose successors are all closed is
// closed. The order decides only the work done.
// Costs O(n + stored entries): each vertex entered once, each column scanned
// at most once; no allocation, no recursion.
template <class Index>
void reachCycles(const SparseView<Index>& a, double* reach, uint8_t* state)
{
    const int32_t n = a.rows;
    const Index* const jc = a.jc;
    const Index* const ir = a.ir;
    constexpr uint8_t open = 1;
    constexpr uint8_t closed = 2;

    // Until the results are written from the states at the end, reach holds
    // the search path: reach[d] is the ancestor at depth d with the position
    // at which it goes on, as the bytes of a 64-bit integer (position << 32 |
    // vertex; both are below 2^31). A step back up the path finds its entry
    // from the depth alone, not from a value it has yet to load.
    static_assert(sizeof(double) == sizeof(uint64_t), "a path entry fits a result");
    auto push = [reach](int32_t depth, int32_t v, int64_t p) {
        const uint64_t entry = static_cast<uint64_t>(p) << 32 | static_cast<uint32_t>(v);
        std::memcpy(&reach[depth], &entry, sizeof entry);
    };
    auto pop = [reach](int32_t depth, int32_t* v, int64_t* p) {
        uint64_t entry;
        std::memcpy(&entry, &reach[depth], sizeof entry);
        *v = static_cast<int32_t>(entry & 0xffffffffu);
        *p = static_cast<int64_t>(entry >> 32);
    };

    for (int32_t start = 0; start < n; ++start) {
        if (state[start] != 0)
            continue;
        int32_t depth = 0;
        int32_t v = start;
        state[v] = open;
        int64_t p = static_cast<int64_t>(jc[v]);
        int64_t end = static_cast<int64_t>(jc[v + 1]);
        for (;;) {
            int32_t next = -1;
            bool found = false;
            while (p < end) {
                const auto w = static_cast<int32_t>(ir[p++]);
                const uint8_t s = state[w];
                if (s == 0) {
                    next = w;
                    break;
                }
                if (s == open) {
                    found = true;
                    break;
                }
            }
            if (found)
                break;  // the path's vertices stay open
            if (next >= 0) {
                push(depth++, v, p);
                v = next;
                state[v] = open;
                p = static_cast<int64_t>(jc[v]);
                end = static_cast<int64_t>(jc[v + 1]);
                // The successors' states are read next, in random places: ask for them early.
                for (int64_t q = p; q < end; ++q)
                    BOXGRAPH_PREFETCH(&state[ir[q]]);
                continue;
            }
            state[v] = closed;  // its successors are all closed
            if (depth == 0)
                break;
            pop(--depth, &v, &p);
            end = static_cast<int64_t>(jc[v + 1]);
        }
    }
    for (int32_t v = 0; v < n; ++v)
        reach[v] = state[v] == open ? 1.0 : 0.0;
}

}  // namespace graph

#endif
