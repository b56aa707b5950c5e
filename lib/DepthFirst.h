// Depth-first search over a graph in compressed-column form, without recursion.
//
// The successors of vertex v are ir[jc[v]] .. ir[jc[v+1]-1], taken in stored
// order. The search keeps an explicit vertex stack plus one resume position
// per vertex on it, and follows an unvisited successor at once, before the
// next position of the same column is looked at: exactly the order of the
// recursive search, at any depth.
#ifndef BOXGRAPH_DEPTH_FIRST_H
#define BOXGRAPH_DEPTH_FIRST_H

#include <cstdint>

namespace graph {

// What a search does with a successor it meets.
enum class Step { Skip, Descend, Stop };

// Searches from start. The policy owns all per-vertex state:
//   Step examine(int32_t w)        successor w was met: skip it, descend into it, or stop the search;
//   void prefetch(int32_t w)       w will be examined soon (a cache hint, no effect on the result);
//   void enter(int32_t v)          v is entered (start, or a successor descended into);
//   void save(int32_t v, int32_t p) v is left for a successor; resume it at position p;
//   int32_t resume(int32_t v)      the position saved for v;
//   void finish(int32_t v)         v's column is exhausted.
// stack must hold as many vertices as the search can be deep (n suffices).
// Returns true when examine stopped the search; the vertices on the path
// then stay entered and unfinished. Costs one scan of each entered column.
template <class Index, class Policy>
bool depthFirst(const Index* jc, const Index* ir, int32_t start, int32_t* stack, Policy& policy)
{
    int32_t top = 0;
    int32_t v = start;
    int64_t p = static_cast<int64_t>(jc[v]);
    stack[0] = v;
    policy.enter(v);
    for (;;) {
        const int64_t end = static_cast<int64_t>(jc[v + 1]);
        int32_t next = -1;
        while (p < end) {
            const auto w = static_cast<int32_t>(ir[p++]);
            const Step step = policy.examine(w);
            if (step == Step::Stop)
                return true;
            if (step == Step::Descend) {
                next = w;
                break;
            }
        }
        if (next >= 0) {
            policy.save(v, static_cast<int32_t>(p));
            stack[++top] = next;
            policy.enter(next);
            v = next;
            p = static_cast<int64_t>(jc[next]);
            // The successors' states are read next, in random places: ask for them early.
            for (int64_t q = p, last = static_cast<int64_t>(jc[next + 1]); q < last; ++q)
                policy.prefetch(static_cast<int32_t>(ir[q]));
            continue;
        }
        policy.finish(v);
        if (top == 0)
            return false;
        v = stack[--top];
        p = policy.resume(v);
    }
}

}  // namespace graph

#endif
