// The graph algorithms on their own, at both index widths a host hands out
// (32-bit and 64-bit column starts and row indices), with working arrays and
// results that hold garbage when they are handed over.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "CycleReach.h"
#include "RandomGraphs.h"
#include "StrongComponents.h"

namespace {

using testing_graphs::Adjacency;

template <class Index>
struct Columns {
    std::vector<Index> jc{0};
    std::vector<Index> ir;
    int32_t n = 0;

    explicit Columns(const Adjacency& succ) : n(static_cast<int32_t>(succ.size()))
    {
        for (const auto& column : succ) {
            ir.insert(ir.end(), column.begin(), column.end());
            jc.push_back(static_cast<Index>(ir.size()));
        }
        ir.push_back(0);  // so that data() is never null
    }
    SparseView<Index> view() const { return {n, n, jc.data(), ir.data()}; }
};

template <class Index>
std::vector<int32_t> components(const Adjacency& succ)
{
    const Columns<Index> a(succ);
    const size_t n = succ.size() + 1;
    std::vector<int32_t> labels(n, 0x5a5a5a5a);
    std::vector<uint32_t> stack(n, 0xa5a5a5a5u);
    std::vector<uint32_t> resume(n, 0xffffffffu);
    graph::strongComponents(a.view(), labels.data(), stack.data(), resume.data());
    EXPECT_EQ(labels.back(), 0x5a5a5a5a);  // nothing past the n labels
    labels.pop_back();
    return labels;
}

template <class Index>
std::vector<double> cycleReach(const Adjacency& succ)
{
    const Columns<Index> a(succ);
    const size_t n = succ.size() + 1;
    std::vector<double> reach(n, std::nan(""));
    std::vector<uint8_t> state(n, 0);
    graph::reachCycles(a.view(), reach.data(), state.data());
    EXPECT_TRUE(std::isnan(reach.back()));
    reach.pop_back();
    return reach;
}

TEST(StrongComponents, MatchTheTwoPassNumberingAtBothIndexWidths)
{
    std::mt19937 rng(31122026);
    for (int round = 0; round < 120; ++round) {
        const size_t n = std::uniform_int_distribution<size_t>(1, 3000)(rng);
        const Adjacency succ = round % 2 == 0 ? testing_graphs::necklace(rng, n)
                                              : testing_graphs::randomGraph(rng, n % 400);
        const std::vector<int32_t> expected = testing_graphs::kosarajuLabels(succ);
        ASSERT_EQ(components<uint32_t>(succ), expected) << "round " << round;
        ASSERT_EQ(components<uint64_t>(succ), expected) << "round " << round;
    }
}

TEST(StrongComponents, SelfLoopBeforeOrAfterADescentCounts)
{
    // 0's column holds its self-loop before or after the edge to 1, which
    // the search enters and completes (alone, -1) in between.
    EXPECT_EQ(components<uint32_t>({{0, 1}, {}}), std::vector<int32_t>({0, -1}));
    EXPECT_EQ(components<uint32_t>({{1, 0}, {}}), std::vector<int32_t>({0, -1}));
    // And as the root of a larger component, with a branch completed in between.
    EXPECT_EQ(components<uint32_t>({{1, 2, 0}, {0}, {}}), std::vector<int32_t>({0, 0, -1}));
    // A component entered from a completed one keeps its own number.
    EXPECT_EQ(components<uint32_t>({{1, 0}, {2}, {3}, {2}}), std::vector<int32_t>({0, -1, 1, 1}));
}

TEST(CycleReach, MatchesThePeelingAtBothIndexWidthsAndWritesEveryResult)
{
    std::mt19937 rng(1122026);
    for (int round = 0; round < 120; ++round) {
        const size_t n = std::uniform_int_distribution<size_t>(1, 2000)(rng);
        Adjacency succ = round % 2 == 0 ? testing_graphs::necklace(rng, n)
                                        : testing_graphs::randomGraph(rng, n % 400);
        if (round % 4 == 0) {
            // Cycles only at the ends of long paths: vertices reach them late or never.
            for (auto& column : succ)
                if (!column.empty() && std::bernoulli_distribution(0.7)(rng))
                    column.resize(1);
        }
        const std::vector<double> expected = testing_graphs::greatestSelfFeedingSet(succ);
        ASSERT_EQ(cycleReach<uint32_t>(succ), expected) << "round " << round;
        ASSERT_EQ(cycleReach<uint64_t>(succ), expected) << "round " << round;
    }
}

}  // namespace
