#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Capture.h"
#include "IndSubshift.h"
#include "ThrowingAlloc.h"

namespace {

using alloc_testing::AllocFailed;
using capture::captured;
using alloc_testing::ThrowingAlloc;

using Edges = std::vector<std::pair<int32_t, int32_t>>;  // (row, column) of the result

struct Entry {
    int32_t row;
    int32_t col;
    double value;
};

struct Graph {
    std::vector<Entry> entries;  // stored order; column = source
    std::vector<uint8_t> labels;
};

SparseMatrix* matrixOf(const Graph& g)
{
    SparseMatrix* m = SparseMatrix_new(static_cast<int32_t>(g.labels.size()));
    for (const Entry& e : g.entries)
        SparseMatrix_add(m, e.row, e.col, e.value);
    return m;
}

struct Built {
    Edges edges;
    int32_t dimension = 0;
    int32_t subsets = 0;
    int32_t largest = 0;
    std::string dump;
};

// Builds from start; optionally checks every numbered node against the
// expected subsets (in numbering order) through IndSubshift_number.
Built build(const Graph& g, int32_t start, const std::vector<std::set<int32_t>>* numbers = nullptr)
{
    SparseMatrix* a = matrixOf(g);
    IndSubshift* state = IndSubshift_new(a, g.labels.data());
    SparseMatrix* e = IndSubshift_build(state, start);
    Built result;
    for (int32_t k = 0; k < e->count; ++k) {
        EXPECT_EQ(e->values[k], 1.0);
        result.edges.push_back({e->rows[k], e->cols[k]});
    }
    result.dimension = e->dimension;
    result.subsets = state->subsetCount;
    result.largest = state->largestSubset;
    if (g.labels.size() < 40)
        result.dump = captured([&](FILE* f) { Node_print(f, 0, state->root); });
    if (numbers != nullptr) {
        uint32_t lowBits = state->symbolCount >= 32 ? 0xffffffffu
                                                     : (uint32_t{1} << state->symbolCount) - 1;
        for (size_t k = 0; k < numbers->size(); ++k) {
            std::vector<int32_t> members((*numbers)[k].begin(), (*numbers)[k].end());
            Node* node = IndSubshift_number(state, members.data(),
                                            static_cast<int32_t>(members.size()));
            EXPECT_EQ(node->id, static_cast<int32_t>(k + 1));
            EXPECT_EQ(node->mask, lowBits);
        }
        EXPECT_EQ(state->subsetCount, result.subsets);
    }
    SparseMatrix_free(&e);
    IndSubshift_free(&state);
    EXPECT_EQ(state, nullptr);
    SparseMatrix_free(&a);
    return result;
}

// The plain recursive subset construction over std::set, every symbol 0 to
// 255 expanded once per subset.
struct Reference {
    const Graph& g;
    int symbolCount = 0;
    std::map<std::set<int32_t>, int32_t> number;
    std::vector<std::set<int32_t>> subsets;
    std::set<std::pair<int32_t, int>> expanded;
    Edges edges;

    Reference(const Graph& graph, int32_t start) : g(graph)
    {
        for (uint8_t label : g.labels)
            symbolCount = std::max(symbolCount, label + 1);
        expand(numberOf({start}));
    }

    int32_t numberOf(const std::set<int32_t>& s)
    {
        auto found = number.find(s);
        if (found != number.end())
            return found->second;
        subsets.push_back(s);
        return number[s] = static_cast<int32_t>(subsets.size());
    }

    void expand(int32_t id)
    {
        for (int s = 0; s < symbolCount; ++s) {
            if (!expanded.insert({id, s}).second)
                continue;
            std::set<int32_t> next;
            for (const Entry& e : g.entries)
                if (e.value != 0 && subsets[id - 1].count(e.col) && g.labels[e.col] == s)
                    next.insert(e.row);
            if (next.empty())
                continue;
            int32_t to = numberOf(next);
            edges.push_back({to - 1, id - 1});
            expand(to);
        }
    }
};

Graph workedExample()
{
    return {{{1, 0, 1}, {2, 0, 1}, {0, 1, 1}, {2, 2, 1}}, {0, 1, 0}};
}

TEST(IndSubshift, WorkedExampleGivesEdgesInPreOrderAndTheTrie)
{
    std::vector<std::set<int32_t>> numbers{{0}, {1, 2}, {2}};
    Built b = build(workedExample(), 0, &numbers);
    EXPECT_EQ(b.edges, Edges({{1, 0}, {2, 1}, {2, 2}, {0, 1}}));
    EXPECT_EQ(b.dimension, 3);
    EXPECT_EQ(b.subsets, 3);
    EXPECT_EQ(b.largest, 2);
    EXPECT_EQ(b.dump,
              "(0,-1,0)\n"
              "       (1,1,3)\n"
              "       (2,0,0)\n"
              "              (3,2,3)\n"
              "\n"
              "       (3,3,3)\n"
              "\n");
}

TEST(IndSubshift, SeveralSymbolsToOneSuccessorGiveDuplicates)
{
    Graph g{{{2, 0, 1}, {2, 1, 1}, {0, 2, 1}, {1, 2, 1}}, {0, 1, 0}};
    std::vector<std::set<int32_t>> numbers{{2}, {0, 1}};
    Built b = build(g, 2, &numbers);
    EXPECT_EQ(b.edges, Edges({{1, 0}, {0, 1}, {0, 1}}));
    EXPECT_EQ(b.dimension, 2);
}

TEST(IndSubshift, NamedCases)
{
    // A start without out-edges of non-zero value: one subset, no edge.
    Graph lonely{{{1, 0, 0.0}, {0, 1, 1}}, {0, 0}};
    Built b = build(lonely, 0);
    EXPECT_EQ(b.edges, Edges());
    EXPECT_EQ(b.subsets, 1);
    EXPECT_EQ(b.dimension, 1);
    EXPECT_EQ(b.dump, "(0,-1,0)\n       (1,1,1)\n\n");

    // A NaN value is an edge; -0 is not (zeros and NaNs also come in the
    // random graphs below).
    Graph values{{{1, 0, NAN}, {2, 0, -0.0}, {0, 1, 1}}, {0, 0, 0}};
    EXPECT_EQ(build(values, 0).edges, Edges({{1, 0}, {0, 1}}));

    // A self-loop on the start comes first.
    Graph loop{{{0, 0, 1}, {1, 0, 0.0}, {0, 1, 1}}, {0, 1}};
    EXPECT_EQ(build(loop, 0).edges.front(), std::make_pair(0, 0));

    // A start outside the graph gives nothing and numbers nothing.
    b = build(workedExample(), 3);
    EXPECT_EQ(b.edges, Edges());
    EXPECT_EQ(b.subsets, 0);
    EXPECT_EQ(build(workedExample(), -1).subsets, 0);
}

TEST(IndSubshift, SymbolsAbove31AreExpanded)
{
    // 0 -> 1 -> 2 -> 0 with labels 0, 33, 1: the edge leaving vertex 1 counts.
    Graph g{{{1, 0, 1}, {2, 1, 1}, {0, 2, 1}}, {0, 33, 1}};
    Built b = build(g, 0);
    EXPECT_EQ(b.edges, Edges({{1, 0}, {2, 1}, {0, 2}}));
    // Symbols 33 and 1 share a bit of the 32-bit mask; both must be expanded.
    Graph shared{{{1, 0, 1}, {2, 0, 1}, {0, 1, 1}, {0, 2, 1}}, {1, 1, 33}};
    shared.entries.push_back({1, 2, 1});
    EXPECT_EQ(build(shared, 0).edges, Reference(shared, 0).edges);
    Graph top{{{1, 0, 1}, {0, 1, 1}}, {255, 224}};
    EXPECT_EQ(build(top, 0).edges, Edges({{1, 0}, {0, 1}}));
}

TEST(IndSubshift, LongPathsFinishWhateverTheVertexOrder)
{
    // A path through every vertex, all labelled 0: subset k + 1 is the k-th
    // vertex on it, and all of them hang below the trie's root. Ascending
    // vertex numbers (keys arriving in increasing order), descending ones,
    // and a random order.
    auto path = [](const std::vector<int32_t>& order) {
        Graph g;
        g.labels.assign(order.size(), 0);
        for (size_t k = 0; k + 1 < order.size(); ++k)
            g.entries.push_back({order[k + 1], order[k], 1.0});
        std::stable_sort(g.entries.begin(), g.entries.end(),
                         [](const Entry& a, const Entry& b) { return a.col < b.col; });
        return g;
    };
    std::vector<int32_t> ascending(1000000);
    std::iota(ascending.begin(), ascending.end(), 0);
    std::vector<int32_t> descending(ascending.rend() - 100000, ascending.rend());
    std::vector<int32_t> shuffled(ascending.begin(), ascending.begin() + 100000);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
    for (const auto* order : {&ascending, &descending, &shuffled}) {
        const int32_t n = static_cast<int32_t>(order->size());
        Built b = build(path(*order), order->front());
        EXPECT_EQ(b.subsets, n);
        EXPECT_EQ(b.dimension, n);
        ASSERT_EQ(b.edges.size(), static_cast<size_t>(n - 1));
        for (int32_t k = 0; k + 1 < n; ++k)
            ASSERT_EQ(b.edges[static_cast<size_t>(k)], std::make_pair(k + 1, k)) << "edge " << k;
    }
}

Graph randomGraph(std::mt19937& rng)
{
    std::uniform_int_distribution<int> size(2, 12);
    std::uniform_int_distribution<int> symbols(1, 4);
    int n = size(rng);
    int sigma = symbols(rng);
    // Symbols spread over the byte range now and then, so that labels share
    // mask bits with each other (s and s + 32).
    std::vector<uint8_t> alphabet;
    int shape = std::uniform_int_distribution<int>(0, 2)(rng);
    for (int s = 0; s < sigma; ++s)
        alphabet.push_back(static_cast<uint8_t>(shape == 0 ? s : shape == 1 ? 30 + 32 * s % 226 : 255 - 32 * s));
    Graph g;
    for (int v = 0; v < n; ++v)
        g.labels.push_back(alphabet[std::uniform_int_distribution<int>(0, sigma - 1)(rng)]);
    double density = std::uniform_real_distribution<double>(0.5, 3.5)(rng) / n;
    std::bernoulli_distribution edge(std::min(1.0, density));
    std::uniform_int_distribution<int> kind(0, 19);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            if (!edge(rng))
                continue;
            int k = kind(rng);
            g.entries.push_back({i, j, k == 0 ? 0.0 : k == 1 ? NAN : 1.0});
            if (k == 2)
                g.entries.push_back({i, j, 1.0});  // a duplicate entry
        }
    }
    // Stored order: shuffled, or by column as the gateway makes it (a
    // different way of indexing the edges by source).
    std::shuffle(g.entries.begin(), g.entries.end(), rng);
    if (std::bernoulli_distribution(0.5)(rng))
        std::stable_sort(g.entries.begin(), g.entries.end(),
                         [](const Entry& a, const Entry& b) { return a.col < b.col; });
    return g;
}

TEST(IndSubshift, AgreesWithThePlainConstructionOnRandomGraphs)
{
    std::mt19937 rng(4711);
    int withEdges = 0;
    for (int round = 0; round < 400; ++round) {
        Graph g = randomGraph(rng);
        int32_t n = static_cast<int32_t>(g.labels.size());
        int32_t start = std::uniform_int_distribution<int32_t>(0, n - 1)(rng);
        Reference ref(g, start);
        Built b = build(g, start, &ref.subsets);
        ASSERT_EQ(b.edges, ref.edges) << "round " << round;
        ASSERT_EQ(b.subsets, static_cast<int32_t>(ref.subsets.size())) << "round " << round;
        size_t largest = 0;
        for (const auto& s : ref.subsets)
            largest = std::max(largest, s.size());
        EXPECT_EQ(b.largest, static_cast<int32_t>(largest));
        withEdges += !ref.edges.empty();
    }
    EXPECT_GT(withEdges, 300);
}

TEST(IndSubshift, EveryAllocationFailureIsReportedAndReleasesEverything)
{
    Graph g = workedExample();
    SparseMatrix* a = matrixOf(g);
    bool completed = false;
    for (long failAt = 1; !completed; ++failAt) {
        ThrowingAlloc alloc(failAt);
        IndSubshift* state = nullptr;
        SparseMatrix* e = nullptr;
        try {
            state = IndSubshift_new(a, g.labels.data());
            e = IndSubshift_build(state, 0);
            completed = true;
            EXPECT_EQ(e->count, 4);
        } catch (const AllocFailed&) {
            EXPECT_EQ(ThrowingAlloc::report().rfind("calloc of ", 0), 0u);
        }
        SparseMatrix_free(&e);
        IndSubshift_free(&state);
        ASSERT_LT(failAt, 1000);
    }
    SparseMatrix_free(&a);
}

// The subset numbers are signed 32-bit: one past the last is refused as a
// failed allocation, not wrapped to a negative number.
TEST(IndSubshift, SubsetNumbersBeyondInt32AreRefusedNotWrapped)
{
    Graph g = workedExample();
    SparseMatrix* a = matrixOf(g);
    IndSubshift* state = IndSubshift_new(a, g.labels.data());
    state->subsetCount = INT32_MAX;  // as if that many had been found
    const int32_t members[] = {1, 2};
    {
        ThrowingAlloc alloc;
        EXPECT_THROW(IndSubshift_number(state, members, 2), AllocFailed);
        EXPECT_EQ(ThrowingAlloc::report().rfind("calloc of " + std::to_string(SIZE_MAX) + " bytes", 0), 0u);
    }
    EXPECT_EQ(state->subsetCount, INT32_MAX);
    IndSubshift_free(&state);
    SparseMatrix_free(&a);
}

}  // namespace
