// Random sparse graphs and plain reference algorithms for the graph tests.
#ifndef BOXGRAPH_TESTS_RANDOM_GRAPHS_H
#define BOXGRAPH_TESTS_RANDOM_GRAPHS_H

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "Harness.h"

namespace testing_graphs {

// Adjacency in stored order: succ[j] lists the rows of column j.
using Adjacency = std::vector<std::vector<size_t>>;

// A random graph: duplicate-free columns in random stored order, some
// self-loops, and an edge density that varies from graph to graph.
inline Adjacency randomGraph(std::mt19937& rng, size_t n)
{
    Adjacency succ(n);
    if (n == 0)
        return succ;
    const double density = std::uniform_real_distribution<double>(0.0, 3.0)(rng) / n;
    std::bernoulli_distribution edge(std::min(1.0, density));
    for (size_t j = 0; j < n; ++j) {
        for (size_t i = 0; i < n; ++i)
            if (edge(rng))
                succ[j].push_back(i);
        std::shuffle(succ[j].begin(), succ[j].end(), rng);
    }
    return succ;
}

// The host sparse matrix of a graph, keeping each column's stored order;
// some entries are stored zeros.
inline host::Array toSparse(const Adjacency& succ, std::mt19937& rng)
{
    std::vector<mwIndex> jc{0};
    std::vector<mwIndex> ir;
    std::vector<double> values;
    std::bernoulli_distribution zero(0.1);
    for (const auto& column : succ) {
        for (size_t i : column) {
            ir.push_back(i);
            values.push_back(zero(rng) ? 0.0 : 1.0);
        }
        jc.push_back(ir.size());
    }
    return host::sparse(succ.size(), succ.size(), jc, ir, values);
}

inline Adjacency reversed(const Adjacency& succ)
{
    Adjacency pred(succ.size());
    for (size_t j = 0; j < succ.size(); ++j)
        for (size_t i : succ[j])
            pred[i].push_back(j);
    return pred;
}

// reach[u][v]: v can be reached from u by a path of one edge or more.
inline std::vector<std::vector<bool>> transitiveClosure(const Adjacency& succ)
{
    const size_t n = succ.size();
    std::vector<std::vector<bool>> reach(n, std::vector<bool>(n, false));
    for (size_t u = 0; u < n; ++u) {
        std::vector<size_t> todo(succ[u].begin(), succ[u].end());
        while (!todo.empty()) {
            size_t v = todo.back();
            todo.pop_back();
            if (reach[u][v])
                continue;
            reach[u][v] = true;
            todo.insert(todo.end(), succ[v].begin(), succ[v].end());
        }
    }
    return reach;
}

// The path 0 -> 1 -> ... -> n-1, whose last vertex has the one successor
// `last` when that is a vertex (a cycle for 0, a self-loop for n-1).
inline host::Array path(size_t n, long last = -1)
{
    std::vector<mwIndex> jc(n + 1);
    std::vector<mwIndex> ir;
    ir.reserve(n);
    for (size_t j = 0; j < n; ++j) {
        jc[j] = ir.size();
        if (j + 1 < n)
            ir.push_back(j + 1);
        else if (last >= 0)
            ir.push_back(static_cast<mwIndex>(last));
    }
    jc[n] = ir.size();
    return host::sparse(n, n, jc, ir);
}

}  // namespace testing_graphs

#endif
