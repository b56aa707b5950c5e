// Benchmark inputs in compressed-column form (a stored entry (i, j) in
// column j is an edge j -> i), with 32-bit row indices and 64-bit column
// starts as a 64-bit host hands them out.
#ifndef BOXGRAPH_BENCH_GRAPH_INPUTS_H
#define BOXGRAPH_BENCH_GRAPH_INPUTS_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

struct Csc {
    std::string name;
    int32_t n = 0;
    std::vector<size_t> jc;  // n + 1 column starts
    std::vector<size_t> ir;  // row index of each stored entry
};

// Builds columns from (source, target) pairs; sorts each column and drops
// duplicate entries.
inline Csc fromEdges(std::string name, int32_t n, std::vector<std::pair<int32_t, int32_t>> edges)
{
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    Csc g{std::move(name), n, std::vector<size_t>(static_cast<size_t>(n) + 1, 0), {}};
    g.ir.reserve(edges.size());
    for (const auto& e : edges) {
        ++g.jc[static_cast<size_t>(e.first) + 1];
        g.ir.push_back(static_cast<size_t>(e.second));
    }
    for (int32_t j = 0; j < n; ++j)
        g.jc[j + 1] += g.jc[j];
    return g;
}

inline Csc transpose(const Csc& g)
{
    Csc t{g.name + "^T", g.n, std::vector<size_t>(static_cast<size_t>(g.n) + 1, 0),
          std::vector<size_t>(g.ir.size())};
    for (size_t i : g.ir)
        ++t.jc[i + 1];
    for (int32_t i = 0; i < g.n; ++i)
        t.jc[i + 1] += t.jc[i];
    std::vector<size_t> next(t.jc.begin(), t.jc.end() - 1);
    for (int32_t j = 0; j < g.n; ++j)
        for (size_t p = g.jc[j]; p < g.jc[j + 1]; ++p)
            t.ir[next[g.ir[p]]++] = static_cast<size_t>(j);
    return t;
}

// Box transition matrix of the Henon map x' = 1 - 1.4 x^2 + y, y' = 0.3 x on
// a uniform k-by-k grid over [-1.5, 1.5] x [-0.4, 0.4], with s-by-s sample
// points per box; images that leave the grid are dropped. Box (ix, iy) is
// vertex iy * k + ix.
inline Csc henon(int32_t k = 1024, int32_t s = 3)
{
    const double lo[2] = {-1.5, -0.4};
    const double width[2] = {3.0 / k, 0.8 / k};
    std::vector<std::pair<int32_t, int32_t>> edges;
    edges.reserve(static_cast<size_t>(k) * k * 4);
    for (int32_t iy = 0; iy < k; ++iy) {
        for (int32_t ix = 0; ix < k; ++ix) {
            const int32_t source = iy * k + ix;
            for (int32_t a = 0; a < s; ++a) {
                for (int32_t b = 0; b < s; ++b) {
                    const double x = lo[0] + (ix + (a + 0.5) / s) * width[0];
                    const double y = lo[1] + (iy + (b + 0.5) / s) * width[1];
                    const double tx = std::floor((1 - 1.4 * x * x + y - lo[0]) / width[0]);
                    const double ty = std::floor((0.3 * x - lo[1]) / width[1]);
                    if (tx >= 0 && tx < k && ty >= 0 && ty < k)
                        edges.emplace_back(source, static_cast<int32_t>(ty) * k +
                                                       static_cast<int32_t>(tx));
                }
            }
        }
    }
    return fromEdges("henon" + std::to_string(k), k * k, std::move(edges));
}

// A random digraph with n vertices and about m edges (uniform endpoints).
inline Csc randomDigraph(int32_t n = 1000000, int64_t m = 5000000, uint32_t seed = 42)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> vertex(0, n - 1);
    std::vector<std::pair<int32_t, int32_t>> edges(static_cast<size_t>(m));
    for (auto& e : edges)
        e = {vertex(rng), vertex(rng)};
    return fromEdges("random", n, std::move(edges));
}

// 0 -> 1 -> ... -> n-1, closed into a cycle on request.
inline Csc chain(int32_t n = 10000000, bool closed = false)
{
    Csc g{closed ? "cycle" : "chain", n, std::vector<size_t>(static_cast<size_t>(n) + 1), {}};
    g.ir.reserve(static_cast<size_t>(n));
    for (int32_t j = 0; j < n; ++j) {
        g.jc[j] = g.ir.size();
        if (j + 1 < n || closed)
            g.ir.push_back(static_cast<size_t>((j + 1) % n));
    }
    g.jc[n] = g.ir.size();
    return g;
}

}  // namespace bench

#endif
