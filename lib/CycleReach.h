// Which vertices of a graph in compressed-column form can reach a cycle.
#ifndef BOXGRAPH_CYCLE_REACH_H
#define BOXGRAPH_CYCLE_REACH_H

#include <cstdint>

#include "DepthFirst.h"
#include "Portability.h"
#include "SparseView.h"

namespace graph {

// The search state of one cycle search, in two arrays of n doubles: a vertex
// is unvisited (reach 0, dead 0), open (reach 1: on the current path, or known
// to reach a cycle) or closed (dead 1: reaches no cycle). While an open vertex
// waits on the path for a successor's search, dead holds its resume position
// as a negative value, which never counts as a mark.
struct CycleSearch {
    double* reach;
    double* dead;

    Step examine(int32_t w) const
    {
        if (reach[w] > 0.0)
            return Step::Stop;  // the path closes a cycle, or w already reaches one
        return dead[w] > 0.0 ? Step::Skip : Step::Descend;
    }
    void prefetch(int32_t w) const
    {
        BOXGRAPH_PREFETCH(&reach[w]);
        BOXGRAPH_PREFETCH(&dead[w]);
    }
    void enter(int32_t v) { reach[v] = 1.0; }
    void save(int32_t v, int32_t p) { dead[v] = -1.0 - p; }
    int32_t resume(int32_t v) const { return static_cast<int32_t>(-1.0 - dead[v]); }
    void finish(int32_t v)
    {
        reach[v] = 0.0;
        dead[v] = 1.0;
    }
};

// Returns 1 when v is open or a cycle can be reached from v, 0 otherwise.
// A result of 1 leaves every vertex on the search path open; vertices proven
// to reach no cycle are closed. stack holds up to n vertices.
// Costs one scan of each column entered; no allocation.
template <class Index>
int reachesCycle(const Index* jc, const Index* ir, CycleSearch& search, int32_t* stack, int32_t v)
{
    if (search.reach[v] > 0.0)
        return 1;
    if (search.dead[v] > 0.0)
        return 0;
    return depthFirst(jc, ir, v, stack, search) ? 1 : 0;
}

// Sets reach[v] = 1 for every vertex v from which a cycle can be reached (v on
// a cycle, with a self-loop, or with a path to such a vertex) and 0 for every
// other; these are the largest vertex set in which every member has a
// successor inside it. reach and dead must start all 0. Searches start at
// 0, 1, ..., n-1 and follow successors in stored order; the order decides only
// the work done. n is A's row count; only the pattern counts, a stored zero
// is an edge. Costs O(n + stored entries); no allocation.
template <class Index>
void reachCycles(const SparseView<Index>& a, double* reach, double* dead, int32_t* stack)
{
    CycleSearch search{reach, dead};
    for (int32_t v = 0; v < a.rows; ++v)
        reachesCycle(a.jc, a.ir, search, stack, v);
}

}  // namespace graph

#endif
