// Random sparse graphs and plain reference algorithms for the graph tests.
#ifndef BOXGRAPH_TESTS_RANDOM_GRAPHS_H
#define BOXGRAPH_TESTS_RANDOM_GRAPHS_H

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
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

// Many small components: cycles of 1 to 5 vertices (a vertex alone without
// a self-loop now and then), each joined by an edge to one of the next few
// and, less often, back to an earlier one, which merges everything between;
// vertex numbers are shuffled and each column's stored order is random. A
// depth-first search over it completes components all the time and then goes
// on into new ones, and its paths get long.
inline Adjacency necklace(std::mt19937& rng, size_t n)
{
    std::vector<size_t> name(n);
    std::iota(name.begin(), name.end(), size_t{0});
    std::shuffle(name.begin(), name.end(), rng);
    Adjacency succ(n);
    std::vector<size_t> firsts;
    for (size_t first = 0; first < n;) {
        const size_t size = std::min(n - first, std::uniform_int_distribution<size_t>(1, 5)(rng));
        const bool alone = size == 1 && std::bernoulli_distribution(0.5)(rng);
        for (size_t k = 0; k < size && !alone; ++k)
            succ[name[first + k]].push_back(name[first + (k + 1) % size]);
        firsts.push_back(first);
        first += size;
    }
    for (size_t c = 0; c + 1 < firsts.size(); ++c) {
        const size_t ahead = std::min(firsts.size() - 1, c + std::uniform_int_distribution<size_t>(1, 3)(rng));
        succ[name[firsts[c]]].push_back(name[firsts[ahead]]);
        if (c > 0 && std::bernoulli_distribution(0.05)(rng)) {
            const size_t back = std::uniform_int_distribution<size_t>(0, c - 1)(rng);
            succ[name[firsts[c]]].push_back(name[firsts[back]]);
        }
    }
    for (auto& column : succ) {
        std::sort(column.begin(), column.end());
        column.erase(std::unique(column.begin(), column.end()), column.end());
        std::shuffle(column.begin(), column.end(), rng);
    }
    return succ;
}

// The component numbers of a plain recursive implementation of Kosaraju's
// two passes: the first over the graph from 0, 1, ..., n-1, successors in
// stored order, the second over the reversed graph, roots in decreasing
// finishing time; -1 for a vertex alone without a self-loop.
inline std::vector<int32_t> kosarajuLabels(const Adjacency& succ)
{
    const size_t n = succ.size();
    const Adjacency pred = reversed(succ);
    std::vector<int> mark(n, 0);
    std::vector<size_t> finished;
    std::function<void(size_t)> finishSearch = [&](size_t v) {
        mark[v] = 1;
        for (size_t w : succ[v])
            if (mark[w] == 0)
                finishSearch(w);
        finished.push_back(v);
    };
    for (size_t v = 0; v < n; ++v)
        if (mark[v] == 0)
            finishSearch(v);
    std::vector<int32_t> labels(n, -1);
    std::function<void(size_t, int32_t)> labelSearch = [&](size_t w, int32_t number) {
        mark[w] = 0;
        labels[w] = number;
        for (size_t x : pred[w])
            if (mark[x] == 1)
                labelSearch(x, number);
    };
    int32_t next = 0;
    for (size_t k = n; k-- > 0;) {
        const size_t v = finished[k];
        if (mark[v] != 1)
            continue;
        bool found = false;
        for (size_t w : pred[v]) {
            if (mark[w] == 1) {
                labelSearch(w, next);
                found = true;
            }
        }
        mark[v] = 0;
        labels[v] = found ? next++ : -1;
    }
    return labels;
}

// The greatest vertex set in which every member has a successor inside it
// (1 for a member, 0 otherwise), by peeling off vertices with none until
// nothing changes.
inline std::vector<double> greatestSelfFeedingSet(const Adjacency& succ)
{
    std::vector<double> in(succ.size(), 1.0);
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t v = 0; v < succ.size(); ++v) {
            if (in[v] == 0.0)
                continue;
            bool kept = false;
            for (size_t w : succ[v])
                kept = kept || in[w] == 1.0;
            if (!kept) {
                in[v] = 0.0;
                changed = true;
            }
        }
    }
    return in;
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
