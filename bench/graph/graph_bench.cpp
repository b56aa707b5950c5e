// strongcomp and cyclereach beside Boost.Graph's strong_components and a
// plain streaming pass over the column starts and row indices (the floor),
// on the same inputs. SciPy runs from scipy_scc.py on the arrays that
// `graph_bench --dump DIR` writes; run.sh puts both together as ratios.
#include <benchmark/benchmark.h>

#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/graph/strong_components.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "CycleReach.h"
#include "GraphInputs.h"
#include "Memory.h"
#define BOXGRAPH_PEAK_MEMORY_C_HEAP  // the arrays come from malloc, as the host's do
#include "PeakMemory.h"
#include "StrongComponents.h"

namespace {

using BoostGraph = boost::compressed_sparse_row_graph<boost::directedS>;

struct Input {
    bench::Csc a;
    bench::Csc at;
};

const Input& input(const std::string& name)
{
    static std::map<std::string, std::unique_ptr<Input>> cache;
    auto& slot = cache[name];
    if (!slot) {
        bench::Csc a = name == "henon"    ? bench::henon()
                       : name == "random" ? bench::randomDigraph()
                       : name == "chain"  ? bench::chain()
                                          : bench::chain(10000000, true);
        bench::Csc at = bench::transpose(a);
        slot = std::make_unique<Input>(Input{std::move(a), std::move(at)});
    }
    return *slot;
}

SparseView<size_t> view(const bench::Csc& g)
{
    return {g.n, g.n, g.jc.data(), g.ir.data()};
}

// Records the peak heap growth of the last iteration, in bytes per vertex
// (results included: strongcomp's labels, Boost's component map).
void setPeak(benchmark::State& state, size_t base, const bench::Csc& a)
{
    state.counters["peak_bytes_per_vertex"] =
        static_cast<double>(bench::heap.peak - base) / static_cast<double>(a.n);
}

void setCounters(benchmark::State& state, const bench::Csc& a)
{
    state.counters["n"] = a.n;
    state.counters["edges"] = static_cast<double>(a.ir.size());
}

void Floor(benchmark::State& state, const std::string& name)
{
    const bench::Csc& a = input(name).a;
    for (auto _ : state) {
        size_t sum = 0;
        for (size_t j = 0; j <= static_cast<size_t>(a.n); ++j)
            sum += a.jc[j];
        for (size_t i : a.ir)
            sum += i;
        benchmark::DoNotOptimize(sum);
    }
    setCounters(state, a);
}

// Memory as the gateways get it: a result that the host does not clear, with
// the whole large pages it lies on advised, and working arrays from the
// host's malloc, placed on large pages when large and cleared after that
// when the search needs zeros.
template <class T>
class CallMemory {
public:
    enum Use { Result, Working, Cleared };
    CallMemory(size_t n, Use use)
    {
        const size_t bytes = (n == 0 ? 1 : n) * sizeof(T);
        const size_t slack = use == Result ? 0 : Memory_largePageSlack(bytes);
        block_ = std::malloc(bytes + slack);
        if (block_ == nullptr)
            throw std::bad_alloc();
        data_ = static_cast<T*>(slack == 0 ? block_ : Memory_placeOnLargePages(block_, bytes + slack));
        if (use == Result)
            Memory_adviseLargePages(block_, bytes);
        if (use == Cleared)
            std::memset(data_, 0, bytes);
    }
    ~CallMemory() { std::free(block_); }
    CallMemory(const CallMemory&) = delete;
    CallMemory& operator=(const CallMemory&) = delete;
    T* get() const { return data_; }

private:
    void* block_;
    T* data_;
};

// What the gateways check before they search, on A alone (cyclereach) or on
// A and AT with the transpose's digest (strongcomp); true when it passes.
bool checked(const Input& in, bool transpose)
{
    if (!transpose)
        return SparseView_isWellFormed(view(in.a));
    uint64_t digestA = 0, digestAT = 0;
    return graph::checkPattern(view(in.a), false, &digestA) &&
           graph::checkPattern(view(in.at), true, &digestAT) && digestA == digestAT;
}

// The search alone, with its result and working memory, or the whole call
// (the gateway's checks first).
void StrongComp(benchmark::State& state, const std::string& name, bool call)
{
    const Input& in = input(name);
    const auto n = static_cast<size_t>(in.a.n);
    int32_t components = 0;
    size_t base = 0;
    bool ok = true;
    for (auto _ : state) {
        base = bench::resetPeak();
        if (call)
            ok &= checked(in, true);
        CallMemory<int32_t> labels(n, CallMemory<int32_t>::Result);
        CallMemory<uint32_t> work(2 * n, CallMemory<uint32_t>::Working);
        graph::strongComponents(view(in.a), labels.get(), work.get(), work.get() + n);
        components = *std::max_element(labels.get(), labels.get() + n) + 1;
        benchmark::DoNotOptimize(labels.get());
    }
    if (!ok)
        state.SkipWithError("the inputs failed the checks");
    setPeak(state, base, in.a);
    setCounters(state, in.a);
    state.counters["cyclic_components"] = components;
}

// The gateways' checks alone: the structure of A and AT (what cyclereach
// checks of its one matrix, and subshift), and the structure with the
// transpose's digest in the same pass (strongcomp).
void Checks(benchmark::State& state, const std::string& name, bool transpose)
{
    const Input& in = input(name);
    bool ok = true;
    for (auto _ : state) {
        ok = transpose ? checked(in, true)
                       : SparseView_isWellFormed(view(in.a)) && SparseView_isWellFormed(view(in.at));
        benchmark::DoNotOptimize(ok);
    }
    if (!ok)
        state.SkipWithError("the inputs failed the checks");
    setCounters(state, in.a);
}

void CycleReach(benchmark::State& state, const std::string& name, bool call)
{
    const Input& in = input(name);
    const auto n = static_cast<size_t>(in.a.n);
    size_t base = 0;
    bool ok = true;
    for (auto _ : state) {
        base = bench::resetPeak();
        if (call)
            ok &= checked(in, false);
        CallMemory<double> reach(n, CallMemory<double>::Result);
        CallMemory<uint8_t> state(n, CallMemory<uint8_t>::Cleared);
        graph::reachCycles(view(in.a), reach.get(), state.get());
        benchmark::DoNotOptimize(reach.get());
    }
    if (!ok)
        state.SkipWithError("the input failed the checks");
    setPeak(state, base, in.a);
    setCounters(state, in.a);
}

BoostGraph boostGraph(const bench::Csc& a)
{
    std::vector<std::pair<int32_t, int32_t>> edges;
    edges.reserve(a.ir.size());
    for (int32_t j = 0; j < a.n; ++j)
        for (size_t p = a.jc[j]; p < a.jc[j + 1]; ++p)
            edges.emplace_back(j, static_cast<int32_t>(a.ir[p]));
    return BoostGraph(boost::edges_are_sorted, edges.begin(), edges.end(),
                      static_cast<size_t>(a.n));
}

void BoostBuild(benchmark::State& state, const std::string& name)
{
    const bench::Csc& a = input(name).a;
    size_t base = 0;
    for (auto _ : state) {
        base = bench::resetPeak();
        BoostGraph g = boostGraph(a);
        benchmark::DoNotOptimize(&g);
    }
    setPeak(state, base, a);
    setCounters(state, a);
}

void BoostStrongComponents(benchmark::State& state, const std::string& name)
{
    const bench::Csc& a = input(name).a;
    const BoostGraph g = boostGraph(a);
    int components = 0;
    size_t base = 0;
    for (auto _ : state) {
        base = bench::resetPeak();
        std::vector<int> component(static_cast<size_t>(a.n));
        components = boost::strong_components(
            g, boost::make_iterator_property_map(component.begin(),
                                                 boost::get(boost::vertex_index, g)));
        benchmark::DoNotOptimize(component.data());
    }
    setPeak(state, base, a);
    setCounters(state, a);
    state.counters["all_components"] = components;
}

// Writes each input's column starts (int64) and row indices (int32).
void dump(const std::string& dir)
{
    for (const char* name : {"henon", "random", "chain", "cycle"}) {
        const bench::Csc& a = input(name).a;
        std::vector<int64_t> jc(a.jc.begin(), a.jc.end());
        std::vector<int32_t> ir(a.ir.begin(), a.ir.end());
        FILE* f = std::fopen((dir + "/" + name + ".jc").c_str(), "wb");
        std::fwrite(jc.data(), sizeof jc[0], jc.size(), f);
        std::fclose(f);
        f = std::fopen((dir + "/" + name + ".ir").c_str(), "wb");
        std::fwrite(ir.data(), sizeof ir[0], ir.size(), f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
        dump(argv[2]);
        return 0;
    }
    for (const char* name : {"henon", "random", "chain", "cycle"}) {
        const std::string input(name);
        benchmark::RegisterBenchmark(("floor/" + input).c_str(), Floor, input);
        benchmark::RegisterBenchmark(("strongcomp/" + input).c_str(), StrongComp, input, false);
        benchmark::RegisterBenchmark(("strongcomp_call/" + input).c_str(), StrongComp, input, true);
        benchmark::RegisterBenchmark(("wellformed/" + input).c_str(), Checks, input, false);
        benchmark::RegisterBenchmark(("transpose/" + input).c_str(), Checks, input, true);
        benchmark::RegisterBenchmark(("cyclereach/" + input).c_str(), CycleReach, input, false);
        benchmark::RegisterBenchmark(("cyclereach_call/" + input).c_str(), CycleReach, input, true);
        benchmark::RegisterBenchmark(("boost_build/" + input).c_str(), BoostBuild, input);
        benchmark::RegisterBenchmark(("boost_scc/" + input).c_str(), BoostStrongComponents, input);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
