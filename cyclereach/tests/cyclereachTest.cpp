#include <gtest/gtest.h>

#include "Checks.h"
#include "RandomGraphs.h"

namespace {

using Edges = std::vector<std::pair<size_t, size_t>>;
using D = std::vector<double>;

const host::Module& cyclereach()
{
    return host::Module::at(MODULE_PATH);
}

D reachOf(const mxArray* a)
{
    host::CallResult r = cyclereach().call(1, {a});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.callocLeft, 0u);
    if (!r.ok)
        return {};
    EXPECT_EQ(mxGetM(r.outputs[0].get()), 1u);
    return host::doubles(r.outputs[0].get());
}

D reachOf(size_t n, const Edges& edges)
{
    return reachOf(host::graph(n, edges).get());
}

TEST(Cyclereach, NamedGraphs)
{
    EXPECT_EQ(reachOf(1, {}), D({0}));
    EXPECT_EQ(reachOf(1, {{0, 0}}), D({1}));
    EXPECT_EQ(reachOf(3, {{0, 1}, {1, 2}}), D({0, 0, 0}));
    EXPECT_EQ(reachOf(2, {{0, 1}, {1, 1}}), D({1, 1}));
    EXPECT_EQ(reachOf(3, {{0, 1}, {1, 1}}), D({1, 1, 0}));
    EXPECT_EQ(reachOf(4, {{0, 1}, {1, 0}, {2, 0}}), D({1, 1, 1, 0}));
    EXPECT_EQ(reachOf(5, {}), D(5, 0.0));
    EXPECT_EQ(reachOf(0, {}), D({}));
    // Successors settled by earlier searches: 1 is closed before 2 is
    // searched, 3 is open (it reaches the loop at 4).
    EXPECT_EQ(reachOf(5, {{2, 1}, {0, 3}, {3, 4}, {4, 4}, {1, 0}}), D({1, 1, 1, 1, 1}));
    EXPECT_EQ(reachOf(4, {{1, 0}, {2, 3}, {3, 3}}), D({0, 0, 1, 1}));
}

TEST(Cyclereach, StoredZeroIsAnEdgeAndExtraColumnsAreIgnored)
{
    EXPECT_EQ(reachOf(host::sparse(2, 2, {0, 1, 1}, {0}, {0.0}).get()), D({1, 0}));
    // Column 2 (beyond the row count) would make 1 reach a cycle if it were read.
    EXPECT_EQ(reachOf(host::sparse(2, 3, {0, 1, 1, 2}, {1, 0}).get()), D({0, 0}));
}

TEST(Cyclereach, NoOutputRequestedAndExtraArguments)
{
    host::Array a = host::graph(1, {{0, 0}});
    host::Array extra = host::scalar(7);
    host::CallResult r = cyclereach().call(0, {a.get(), extra.get()});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.outputs.size(), 1u);
    EXPECT_EQ(host::doubles(r.outputs[0].get()), D({1}));
}

TEST(Cyclereach, Refusals)
{
    host::Array dense = host::dense(2, 2);
    host::Array narrow = host::sparse(3, 2, {0, 0, 0}, {});
    const struct {
        std::vector<const mxArray*> args;
        const char* message;
    } cases[] = {
        {{}, "usage: cyclereach(A)."},
        {{dense.get()}, "first parameter must be sparse."},
        {{narrow.get()}, "first parameter must have at least as many columns as rows."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checks::refusal(cyclereach(), c.args), c.message);
}

TEST(Cyclereach, FailedAllocationEndsTheCallAndTheNextCallIsIndependent)
{
    host::Array loop = host::graph(3, {{0, 1}, {1, 0}, {2, 2}});
    host::failCallocAt(1);  // the search state
    EXPECT_EQ(checks::refusal(cyclereach(), {loop.get()}), "allocation error in CYCLEREACH.");
    EXPECT_EQ(reachOf(3, {{0, 1}}), D({0, 0, 0}));
    EXPECT_EQ(reachOf(loop.get()), D({1, 1, 1}));
}

TEST(Cyclereach, RandomGraphsMatchReference)
{
    std::mt19937 rng(8122026);
    for (int round = 0; round < 300; ++round) {
        const size_t n = std::uniform_int_distribution<size_t>(0, 200)(rng);
        const testing_graphs::Adjacency succ = testing_graphs::randomGraph(rng, n);
        host::Array a = testing_graphs::toSparse(succ, rng);
        ASSERT_EQ(reachOf(a.get()), testing_graphs::greatestSelfFeedingSet(succ)) << "round " << round;
    }
}

TEST(Cyclereach, LongChainNeedsNoRecursion)
{
    const size_t n = 10000000;
    for (long last : {static_cast<long>(n) - 1, -1L}) {  // ending in a self-loop, or not
        const D reach = reachOf(testing_graphs::path(n, last).get());
        const double expected = last >= 0 ? 1.0 : 0.0;
        EXPECT_TRUE(std::all_of(reach.begin(), reach.end(), [&](double x) { return x == expected; }));
    }
}

}  // namespace

namespace {

// What only a faulty caller hands over: a row index past the row count,
// column starts that go down, or more stored entries than the array has room
// for; read as a graph they would index outside the arrays.
TEST(Cyclereach, RefusesMalformedSparseArrays)
{
    for (const auto& structure : std::vector<std::pair<std::vector<mwIndex>, std::vector<mwIndex>>>{
             {{0, 1, 1, 1}, {7}}, {{0, 2, 1, 2}, {0, 1}}, {{0, 1, 1, 40}, {0}}}) {
        host::Array m = host::sparse(3, 3, structure.first, structure.second);
        EXPECT_EQ(checks::refusal(cyclereach(), {m.get()}),
                  "first parameter is not a well-formed sparse matrix.");
    }
}

}  // namespace
