// The plain subset construction, kept beside the benchmark as its cost
// model: every (subset, symbol) pair scans every stored entry of the matrix
// for edges leaving the subset's members with that symbol, and subsets are
// numbered through an ordered map. Gives the same subsets and edges as
// IndSubshift (counted, not listed).
#ifndef BOXGRAPH_BENCH_SCANNING_SUBSHIFT_H
#define BOXGRAPH_BENCH_SCANNING_SUBSHIFT_H

#include <stdint.h>

#include <algorithm>
#include <map>
#include <vector>

#include "SparseMatrix.h"

struct ScanningResult {
    int32_t subsets = 0;
    int32_t edges = 0;
};

inline ScanningResult scanningSubshift(const SparseMatrix* a, const uint8_t* labels, int32_t start)
{
    const int32_t n = a->dimension;
    int symbols = 0;
    for (int32_t v = 0; v < n; ++v)
        symbols = std::max(symbols, labels[v] + 1);
    std::map<std::vector<int32_t>, int32_t> numbers;
    std::vector<const std::vector<int32_t>*> todo;
    todo.push_back(&numbers.emplace(std::vector<int32_t>{start}, 1).first->first);
    std::vector<uint8_t> member(static_cast<size_t>(n), 0);
    std::vector<uint8_t> seen(static_cast<size_t>(n), 0);
    ScanningResult result;
    result.subsets = 1;
    while (!todo.empty()) {
        const std::vector<int32_t>& subset = *todo.back();
        todo.pop_back();
        for (int32_t v : subset)
            member[v] = 1;
        for (int s = 0; s < symbols; ++s) {
            std::vector<int32_t> next;
            for (int32_t e = 0; e < a->count; ++e) {
                const int32_t j = a->cols[e];
                const int32_t i = a->rows[e];
                if (a->values[e] != 0 && member[j] && labels[j] == s && !seen[i]) {
                    seen[i] = 1;
                    next.push_back(i);
                }
            }
            if (next.empty())
                continue;
            for (int32_t i : next)
                seen[i] = 0;
            std::sort(next.begin(), next.end());
            ++result.edges;
            auto found = numbers.emplace(std::move(next), result.subsets + 1);
            if (found.second) {
                ++result.subsets;
                todo.push_back(&found.first->first);
            }
        }
        for (int32_t v : subset)
            member[v] = 0;
    }
    return result;
}

#endif
