#include <gtest/gtest.h>

#include "Checks.h"
#include "RandomGraphs.h"

namespace {

using Edges = std::vector<std::pair<size_t, size_t>>;

const host::Module& strongcomp()
{
    return host::Module::at(MODULE_PATH);
}

host::CallResult run(const mxArray* a, const mxArray* at, int nlhs = 1)
{
    return strongcomp().call(nlhs, {a, at});
}

// Labels of the graph with the given edges (from, to) on n vertices.
std::vector<int32_t> labelsOf(size_t n, const Edges& edges)
{
    host::Array a = host::graph(n, edges);
    host::Array at = host::transpose(a.get());
    host::CallResult r = run(a.get(), at.get());
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.callocLeft, 0u);
    EXPECT_EQ(r.console, "");
    if (!r.ok)
        return {};
    EXPECT_EQ(mxGetClassID(r.outputs[0].get()), mxINT32_CLASS);
    EXPECT_EQ(mxGetM(r.outputs[0].get()), 1u);
    return host::int32s(r.outputs[0].get());
}

using V = std::vector<int32_t>;

TEST(Strongcomp, NamedGraphs)
{
    EXPECT_EQ(labelsOf(4, {}), V({-1, -1, -1, -1}));
    EXPECT_EQ(labelsOf(0, {}), V({}));
    EXPECT_EQ(labelsOf(3, {{0, 1}, {1, 1}}), V({-1, 0, -1}));
    EXPECT_EQ(labelsOf(3, {{0, 1}, {1, 2}}), V({-1, -1, -1}));
    // Two 2-cycles joined one way or the other: numbering follows the edge.
    EXPECT_EQ(labelsOf(4, {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {1, 2}}), V({0, 0, 1, 1}));
    EXPECT_EQ(labelsOf(4, {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {2, 1}}), V({1, 1, 0, 0}));
    // An unrelated self-loop component is met first in the second pass.
    EXPECT_EQ(labelsOf(6, {{0, 1}, {1, 2}, {2, 0}, {3, 3}, {4, 0}, {2, 5}}),
              V({1, 1, 1, 0, -1, -1}));
}

TEST(Strongcomp, StoredZeroIsAnEdge)
{
    host::Array a = host::sparse(2, 2, {0, 1, 1}, {0}, {0.0});
    host::Array at = host::transpose(a.get());
    host::CallResult r = run(a.get(), at.get());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(host::int32s(r.outputs[0].get()), V({0, -1}));
}

TEST(Strongcomp, RefusesASecondArgumentThatIsNotTheTranspose)
{
    const std::string notTranspose = "second parameter must be the transpose of the first.";
    host::Array cycle = host::graph(2, {{0, 1}, {1, 0}});
    host::Array empty = host::graph(2, {});
    EXPECT_EQ(checks::refusal(strongcomp(), {cycle.get(), empty.get()}), notTranspose);
    // A chain with itself for its transpose would be one big cycle.
    host::Array chain = testing_graphs::path(5);
    EXPECT_EQ(checks::refusal(strongcomp(), {chain.get(), chain.get()}), notTranspose);
    // One entry in the wrong row; the right count in every column but not the rows.
    host::Array a = host::graph(3, {{0, 1}, {1, 2}, {2, 0}});
    host::Array moved = host::graph(3, {{1, 0}, {2, 1}, {1, 2}});
    EXPECT_EQ(checks::refusal(strongcomp(), {a.get(), moved.get()}), notTranspose);
    // The transpose with a column's rows in another order is the transpose.
    host::Array star = host::graph(3, {{1, 0}, {2, 0}, {0, 1}});
    host::Array unsorted = host::sparse(3, 3, {0, 2, 3, 3}, {2, 1, 0});
    host::CallResult r = run(star.get(), unsorted.get());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(host::int32s(r.outputs[0].get()), V({0, 0, -1}));
}

TEST(Strongcomp, RefusesMalformedSparseArrays)
{
    // What a faulty caller (not a host) can hand over: row indices past the
    // row count, column starts that go down or do not start at 0 (one far
    // past the stored entries), and more stored entries than the array has
    // room for (one here), small or huge.
    host::Array good = host::graph(3, {{0, 1}});
    host::Array goodT = host::transpose(good.get());
    const std::vector<std::pair<std::vector<mwIndex>, std::vector<mwIndex>>> bad = {
        {{0, 1, 1, 1}, {3}},
        {{0, 2, 1, 2}, {0, 1}},
        {{1, 1, 1, 1}, {0}},
        {{0, 1, 1, 40}, {0}},
        {{0, 0, 0, mwIndex(1) << 31}, {0}},
        {{0, mwIndex(1) << 30, 0, 0}, {0}},
    };
    for (const auto& structure : bad) {
        host::Array m = host::sparse(3, 3, structure.first, structure.second);
        EXPECT_EQ(checks::refusal(strongcomp(), {m.get(), goodT.get()}),
                  "first parameter is not a well-formed sparse matrix.");
        EXPECT_EQ(checks::refusal(strongcomp(), {good.get(), m.get()}),
                  "second parameter is not a well-formed sparse matrix.");
    }
}

TEST(Strongcomp, ResultIsSetWithNoOutputRequested)
{
    host::Array a = host::graph(1, {{0, 0}});
    host::CallResult r = run(a.get(), a.get(), 0);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.outputs.size(), 1u);
    EXPECT_EQ(host::int32s(r.outputs[0].get()), V({0}));
}

TEST(Strongcomp, Refusals)
{
    host::Array square = host::graph(3, {{0, 1}});
    host::Array dense = host::dense(3, 3);
    host::Array wide = host::sparse(3, 4, {0, 0, 0, 0, 0}, {});
    host::Array small = host::graph(2, {});
    const struct {
        std::vector<const mxArray*> args;
        const char* message;
    } cases[] = {
        {{square.get()}, "usage: strongcomp(A, A^T)."},
        {{square.get(), square.get(), square.get()}, "usage: strongcomp(A, A^T)."},
        {{}, "usage: strongcomp(A, A^T)."},
        {{dense.get(), square.get()}, "first parameter must be sparse."},
        {{square.get(), dense.get()}, "second parameter must be sparse."},
        {{wide.get(), square.get()}, "first parameter must be square."},
        {{square.get(), wide.get()}, "second parameter must have the size of the first."},
        {{square.get(), small.get()}, "second parameter must have the size of the first."},
        {{small.get(), square.get()}, "second parameter must have the size of the first."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checks::refusal(strongcomp(), c.args), c.message);
}

TEST(Strongcomp, RandomGraphsMatchReference)
{
    std::mt19937 rng(20261208);
    for (int round = 0; round < 300; ++round) {
        const size_t n = std::uniform_int_distribution<size_t>(0, 200)(rng);
        const testing_graphs::Adjacency succ = testing_graphs::randomGraph(rng, n);
        host::Array a = testing_graphs::toSparse(succ, rng);
        host::Array at = host::transpose(a.get());
        host::CallResult r = run(a.get(), at.get());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.callocLeft, 0u);
        const std::vector<int32_t> labels = host::int32s(r.outputs[0].get());
        ASSERT_EQ(labels, testing_graphs::kosarajuLabels(succ)) << "round " << round;

        // Independently of any visiting order: the partition is mutual
        // reachability, -1 marks exactly the acyclic singletons, and numbers
        // are topological and without gaps.
        const auto reach = testing_graphs::transitiveClosure(succ);
        int32_t count = 0;
        for (size_t u = 0; u < n; ++u) {
            ASSERT_EQ(labels[u] == -1, !reach[u][u]) << "round " << round << " vertex " << u;
            count = std::max(count, labels[u] + 1);
            for (size_t v = 0; v < n; ++v) {
                if (u != v && labels[u] != -1) {
                    ASSERT_EQ(labels[u] == labels[v], reach[u][v] && reach[v][u]);
                }
            }
            for (size_t v : succ[u]) {
                if (labels[u] != -1 && labels[v] != -1 && labels[u] != labels[v]) {
                    ASSERT_LT(labels[u], labels[v]);
                }
            }
        }
        for (int32_t c = 0; c < count; ++c)
            ASSERT_NE(std::find(labels.begin(), labels.end(), c), labels.end());
    }
}

TEST(Strongcomp, LongChainAndCycleNeedNoRecursion)
{
    const size_t n = 10000000;
    for (long last : {0L, -1L}) {
        host::Array a = testing_graphs::path(n, last);
        host::Array at = host::transpose(a.get());
        host::CallResult r = run(a.get(), at.get());
        ASSERT_TRUE(r.ok) << r.error;
        const int32_t expected = last == 0 ? 0 : -1;  // one cycle, or no cycle at all
        const std::vector<int32_t> labels = host::int32s(r.outputs[0].get());
        EXPECT_TRUE(std::all_of(labels.begin(), labels.end(),
                                [&](int32_t label) { return label == expected; }));
    }
}

}  // namespace

namespace {

// Under a MATLAB-like host the fixed text comes as it stands, with the
// identifier boxgraph:<function>:<reason> beside it.
TEST(Strongcomp, RefusalsCarryIdentifiers)
{
    host::Array dense = host::dense(2, 2);
    host::Array a = host::graph(2, {});
    host::CallResult r = checks::cleanCall(strongcomp(), 1, {dense.get(), a.get()});
    EXPECT_EQ(r.error, "first parameter must be sparse.");
    EXPECT_EQ(r.errorId, "boxgraph:strongcomp:notSparse");
    r = checks::cleanCall(strongcomp(), 2, {a.get(), a.get()});
    EXPECT_EQ(r.error, "one result only: c = strongcomp(A, A^T).");
    EXPECT_EQ(r.errorId, "boxgraph:strongcomp:tooManyResults");
}

}  // namespace
