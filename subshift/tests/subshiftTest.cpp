#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "Checks.h"
#include "RandomGraphs.h"
#include "WindowsApi.h"

namespace {

using V = std::vector<double>;

const host::Module& subshift()
{
    return host::Module::at(MODULE_PATH);
}

host::CallResult call(int nlhs, const std::vector<const mxArray*>& args)
{
    return checks::cleanCall(subshift(), nlhs, args);
}

// The worked example: edges 1->2, 1->3, 2->1, 3->3 in host numbering.
host::Array example()
{
    return host::sparse(3, 3, {0, 2, 3, 4}, {1, 2, 0, 2});
}

void expectColumn(const mxArray* a, const V& values)
{
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(mxIsDouble(a));
    EXPECT_EQ(mxGetM(a), values.size());
    EXPECT_EQ(mxGetN(a), 1u);
    EXPECT_EQ(host::doubles(a), values);
}

TEST(Subshift, WorkedExampleGivesThreeColumns)
{
    host::Array a = example();
    host::Array labels = host::uint8Row({0, 1, 0});
    host::Array start = host::scalar(0);
    host::CallResult r = call(3, {a.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {2, 3, 3, 1});
    expectColumn(r.outputs[1].get(), {1, 2, 3, 2});
    expectColumn(r.outputs[2].get(), {1, 1, 1, 1});
    EXPECT_EQ(r.console, "");
}

TEST(Subshift, FillsOnlyTheSlotsAskedFor)
{
    host::Array a = example();
    host::Array labels = host::uint8Row({0, 1, 0});
    host::Array start = host::scalar(0);
    for (int nlhs : {0, 1, 2}) {
        host::CallResult r = call(nlhs, {a.get(), labels.get(), start.get()});
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.outputs.size(), static_cast<size_t>(nlhs > 0 ? nlhs : 1));
        expectColumn(r.outputs[0].get(), {2, 3, 3, 1});
        if (nlhs == 2)
            expectColumn(r.outputs[1].get(), {1, 2, 3, 2});
    }
    host::CallResult r = call(4, {a.get(), labels.get(), start.get()});
    EXPECT_EQ(r.error, "subshift: at most three results: [i, j, v].");
}

TEST(Subshift, StartIsAWholeNumberOfAnyRealNumericClass)
{
    host::Array a = example();
    host::Array labels = host::uint8Row({0, 1, 0, 7});  // extra labels are ignored
    host::Array start = host::scalar(1);
    host::CallResult r = call(3, {a.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    // {1} -> {0} -> {1, 2} -> {2} -> {2}, then {1, 2} -> {0} under symbol 1.
    expectColumn(r.outputs[0].get(), {2, 3, 4, 4, 2});
    expectColumn(r.outputs[1].get(), {1, 2, 3, 4, 3});

    host::Array two = host::int32Row({2});
    r = call(2, {a.get(), labels.get(), two.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {1});  // {2} has its loop only
    expectColumn(r.outputs[1].get(), {1});
    host::Array zero = host::int32Row({0});
    EXPECT_TRUE(call(1, {a.get(), labels.get(), zero.get()}).ok);
}

TEST(Subshift, EdgeValuesLogicalMatricesAndNonSquareShapes)
{
    host::Array labels = host::uint8Row({0, 0, 0, 0, 0, 0});
    host::Array start = host::scalar(0);
    // A start whose only stored entry is 0: three empty columns.
    host::Array zero = host::sparse(2, 2, {0, 1, 1}, {1}, {0.0});
    host::CallResult r = call(3, {zero.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    for (int k = 0; k < 3; ++k)
        expectColumn(r.outputs[k].get(), {});

    // A NaN value is an edge; a stored false of a logical matrix is not.
    host::Array nan = host::sparse(2, 2, {0, 1, 1}, {1}, {NAN});
    r = call(1, {nan.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {2});
    host::Array logical = host::sparseLogical(2, 2, {0, 2, 2}, {0, 1}, {false, true});
    r = call(1, {logical.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {2});

    // Four columns and a stored element in host row 6: six vertices, six labels.
    host::Array wide = host::sparse(6, 4, {0, 1, 1, 1, 1}, {5});
    host::Array five = host::uint8Row({0, 0, 0, 0, 0});
    r = call(1, {wide.get(), five.get(), start.get()});
    EXPECT_EQ(r.error, "subshift: second parameter must hold a label for each of the 6 vertices.");
    host::Array last = host::scalar(5);
    r = call(1, {wide.get(), labels.get(), last.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {});
}

TEST(Subshift, ChainOfAMillionVerticesFinishes)
{
    // 1 -> 2 -> ... -> n, one symbol: n singleton subsets found in increasing
    // vertex order, each new one a child of the same trie node.
    const size_t n = 1000000;
    host::Array a = testing_graphs::path(n);
    host::Array labels = host::uint8Row(std::vector<unsigned char>(n, 0));
    host::Array start = host::scalar(0);
    host::CallResult r = call(2, {a.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<double> targets = host::doubles(r.outputs[0].get());
    std::vector<double> sources = host::doubles(r.outputs[1].get());
    ASSERT_EQ(targets.size(), n - 1);
    ASSERT_EQ(sources.size(), n - 1);
    for (size_t k = 0; k + 1 < n; ++k) {
        ASSERT_EQ(sources[k], static_cast<double>(k + 1)) << k;
        ASSERT_EQ(targets[k], static_cast<double>(k + 2)) << k;
    }
}

// Working memory goes by the edges and the subsets made, not by the vertex
// count alone: ten million vertices with two edges take about 6 bytes a
// vertex (labels, edge index, marks), well within a 200 MB cap.
TEST(Subshift, ManyVerticesAndFewEdgesTakeLittle)
{
    const size_t n = 10000000;
    std::vector<mwIndex> jc(n + 1, 2);
    jc[0] = 0;
    jc[1] = 1;  // 0 -> 1 and 1 -> 0
    host::Array a = host::sparse(n, n, jc, {1, 0});
    host::Array labels = host::uint8Row(std::vector<unsigned char>(n, 0));
    host::Array start = host::scalar(0);
    checks::MemoryCap cap("2e8");
    host::CallResult r = call(3, {a.get(), labels.get(), start.get()});
    ASSERT_TRUE(r.ok) << r.error;
    expectColumn(r.outputs[0].get(), {2, 1});
    expectColumn(r.outputs[1].get(), {1, 2});
}

TEST(Subshift, RefusesBadArgumentsWithClearErrors)
{
    host::Array a = example();
    host::Array labels = host::uint8Row({0, 1, 0});
    host::Array start = host::scalar(0);
    host::Array full = host::dense(3, 3, {0, 1, 1, 1, 0, 0, 0, 0, 1});
    auto refused = [&](const std::vector<const mxArray*>& args) {
        return checks::refusal(subshift(), args, 3);
    };
    EXPECT_EQ(refused({full.get(), labels.get()}),
              "subshift: usage: [i, j, v] = subshift(A, labels, start).");
    EXPECT_EQ(refused({full.get(), labels.get(), start.get()}),
              "subshift: first parameter must be sparse.");
    host::Array empty = host::sparse(0, 0, {0}, {});
    host::Array noColumns = host::sparse(3, 0, {0}, {});
    EXPECT_EQ(refused({empty.get(), labels.get(), start.get()}),
              "subshift: first parameter must not be empty.");
    EXPECT_EQ(refused({noColumns.get(), labels.get(), start.get()}),
              "subshift: first parameter must not be empty.");

    host::Array doubles = host::row({0, 1, 0});
    host::Array few = host::uint8Row({0, 1});
    EXPECT_EQ(refused({a.get(), doubles.get(), start.get()}),
              "subshift: second parameter must be a uint8 array of labels.");
    EXPECT_EQ(refused({a.get(), few.get(), start.get()}),
              "subshift: second parameter must hold a label for each of the 3 vertices.");

    const std::string range = "subshift: third parameter must be a vertex index from 0 to 2.";
    // fractions are refused, not truncated to a vertex the caller did not name
    for (double bad : std::vector<double>{3.0, -1.0, NAN, INFINITY, 1e300, 1.7, 0.5, -0.9, 2.0000001}) {
        host::Array s = host::scalar(bad);
        EXPECT_EQ(refused({a.get(), labels.get(), s.get()}), range) << bad;
    }
    const std::string scalar = "subshift: third parameter must be a real numeric scalar.";
    host::Array pair = host::row({0, 1});
    host::Array text = host::text("a");
    host::Array none = host::row({});
    for (const mxArray* bad : {pair.get(), text.get(), none.get(), a.get()})
        EXPECT_EQ(refused({a.get(), labels.get(), bad}), scalar);
    host::Array broken = host::sparse(3, 3, {0, 1, 1, 1}, {3});  // a row past the row count
    host::Array overfull = host::sparse(3, 3, {0, 1, 1, 40}, {0});  // 40 entries, room for one
    for (const mxArray* bad : {broken.get(), overfull.get()})
        EXPECT_EQ(refused({bad, labels.get(), start.get()}),
                  "subshift: first parameter is not a well-formed sparse matrix.");
}

// An interrupt (Ctrl-C) in a long construction ends the call with its own
// error and leaves nothing behind.
TEST(Subshift, AnInterruptEndsTheCall)
{
    // "The 12th symbol from the end is 1": 4097 subsets, thousands of steps.
    const int k = 12;
    std::vector<std::pair<size_t, size_t>> edges = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {1, 3}};
    for (int q = 1; q < k; ++q)
        for (int a = 0; a < 2; ++a)
            for (size_t r : {2 * (q + 1) + 0, 2 * (q + 1) + 1})
                edges.push_back({static_cast<size_t>(2 * q + a), r});
    const size_t n = 2 * (k + 1);
    host::Array g = host::graph(n, edges);
    std::vector<unsigned char> symbols(n);
    for (size_t v = 0; v < n; ++v)
        symbols[v] = static_cast<unsigned char>(v % 2);
    host::Array labels = host::uint8Row(symbols);
    host::Array start = host::scalar(0);
    ASSERT_TRUE(call(1, {g.get(), labels.get(), start.get()}).ok);
    host::interruptAt(2);
    host::CallResult r = call(1, {g.get(), labels.get(), start.get()});
    EXPECT_EQ(r.error, "subshift: interrupted.");
    EXPECT_EQ(r.errorId, "boxgraph:subshift:interrupted");
}

// The user's cap on what a call may take (the environment variable that
// memorycap sets) ends a construction that needs more with the out-of-memory
// error, read afresh at every call; a value that is no positive number caps
// nothing.
void setMemoryCap(const char* value)  // null: unset
{
#if defined(_WIN32)
    SetEnvironmentVariableA("BOXGRAPH_MEMORY_CAP", value);
#else
    if (value != nullptr)
        setenv("BOXGRAPH_MEMORY_CAP", value, 1);
    else
        unsetenv("BOXGRAPH_MEMORY_CAP");
#endif
}

TEST(Subshift, TheUsersMemoryCapEndsTheCall)
{
    host::Array g = example();
    host::Array labels = host::uint8Row({0, 1, 0});
    host::Array start = host::scalar(0);
    struct Restore {
        ~Restore() { setMemoryCap(nullptr); }
    } restore;
    for (const char* none : {"", "abc", "0", "-5", "inf", "nan", "12x"}) {
        setMemoryCap(none);
        EXPECT_TRUE(call(1, {g.get(), labels.get(), start.get()}).ok) << none;
    }
    setMemoryCap("100");
    host::CallResult r = call(1, {g.get(), labels.get(), start.get()});
    EXPECT_EQ(r.error, "subshift: out of memory.");
    EXPECT_EQ(r.errorId, "boxgraph:subshift:outOfMemory");
    setMemoryCap("1e8");
    EXPECT_TRUE(call(1, {g.get(), labels.get(), start.get()}).ok);
}

}  // namespace
