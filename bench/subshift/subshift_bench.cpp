// subshift's construction beside OpenFst's Determinize and beside the
// scanning construction (every stored entry per successor), on the same labelled
// graphs: the Henon box transition matrix with x-stripe labels, the "k-th
// symbol from the end is 1" blow-up, and random graphs. Then how our
// construction scales where the order of discovery used to decide its cost:
// chains of up to 1e7 vertices (subsets found in increasing vertex order)
// and random graphs whose vertices carry symbols of their own.
//
// Each benchmark reports its peak heap growth (malloc is counted below) and
// the result's size; the OpenFst benchmark checks that the determinized
// automaton has as many states as we number subsets and as many arcs as we
// return edges.
#include <benchmark/benchmark.h>
#include <fst/fstlib.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "GraphInputs.h"
#include "IndSubshift.h"
#include "ScanningSubshift.h"

// ---- heap accounting: every malloc family call of the process is counted.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
size_t heapNow = 0;
size_t heapPeak = 0;

// A block's footprint: its usable size plus the allocator's size word.
size_t footprint(void* p)
{
    return malloc_usable_size(p) + sizeof(size_t);
}

void* counted(void* p)
{
    if (p != nullptr) {
        heapNow += footprint(p);
        if (heapNow > heapPeak)
            heapPeak = heapNow;
    }
    return p;
}

void uncount(void* p)
{
    if (p != nullptr)
        heapNow -= footprint(p);
}
}  // namespace

extern "C" {
void* malloc(size_t size) { return counted(__libc_malloc(size)); }
void* calloc(size_t n, size_t size) { return counted(__libc_calloc(n, size)); }
void free(void* p)
{
    uncount(p);
    __libc_free(p);
}
void* realloc(void* p, size_t size)
{
    size_t old = p != nullptr ? footprint(p) : 0;
    void* q = __libc_realloc(p, size);
    if (q == nullptr && size != 0)
        return nullptr;
    heapNow -= old;
    return counted(q);
}
void* memalign(size_t alignment, size_t size) { return counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size)
{
    void* p = memalign(alignment, size);
    if (p == nullptr)
        return 12;  // ENOMEM
    *out = p;
    return 0;
}
}

namespace {

// Peak heap growth over a region, in MB.
class HeapWatch {
public:
    HeapWatch() : base_(heapNow) { heapPeak = heapNow; }
    double peakMB() const { return static_cast<double>(heapPeak - base_) / (1 << 20); }

private:
    size_t base_;
};

struct Labelled {
    std::string name;
    SparseMatrix* matrix = nullptr;  // triplets in column order, as the gateway makes them
    std::vector<uint8_t> labels;
    int32_t start = 0;
    int32_t subsets = 0;  // our result, for the checks
    int32_t edges = 0;
};

SparseMatrix* matrixOf(const bench::Csc& g)
{
    SparseMatrix* m = SparseMatrix_new(g.n);
    for (int32_t j = 0; j < g.n; ++j)
        for (size_t p = g.jc[j]; p < g.jc[j + 1]; ++p)
            SparseMatrix_add(m, static_cast<int32_t>(g.ir[p]), j, 1.0);
    return m;
}

// Henon boxes labelled by `stripes` stripes in x, started from the box of a
// point on the attractor.
Labelled henon(int stripes)
{
    static const bench::Csc g = bench::henon(1024, 3);
    const int32_t k = 1024;
    Labelled l;
    l.name = "henon1024/" + std::to_string(stripes) + "stripes";
    l.matrix = matrixOf(g);
    for (int32_t v = 0; v < g.n; ++v)
        l.labels.push_back(static_cast<uint8_t>((v % k) * stripes / k));
    double x = 0.1, y = 0.1;
    for (int i = 0; i < 10000; ++i) {
        double nx = 1 - 1.4 * x * x + y;
        y = 0.3 * x;
        x = nx;
    }
    int32_t ix = static_cast<int32_t>((x + 1.5) / 3.0 * k);
    int32_t iy = static_cast<int32_t>((y + 0.4) / 0.8 * k);
    l.start = iy * k + ix;
    return l;
}

// "The k-th symbol from the end is 1" in vertex-labelled form: vertex 2q + a
// is automaton state q reading symbol a; q0 loops on both symbols and also
// moves to q1 on a 1; q1 .. q(k-1) move on, qk reads on but has no successor.
Labelled blowUp(int k)
{
    std::vector<std::pair<int32_t, int32_t>> edges;
    auto transition = [&](int32_t q, int32_t a, int32_t to) {
        for (int32_t b = 0; b < 2; ++b)
            edges.push_back({2 * q + a, 2 * to + b});
    };
    transition(0, 0, 0);
    transition(0, 1, 0);
    transition(0, 1, 1);
    for (int32_t q = 1; q < k; ++q)
        for (int32_t a = 0; a < 2; ++a)
            transition(q, a, q + 1);
    const int32_t n = 2 * (k + 1);
    Labelled l;
    l.name = "kth-from-end/k=" + std::to_string(k);
    l.matrix = matrixOf(bench::fromEdges("blowup", n, edges));
    for (int32_t v = 0; v < n; ++v)
        l.labels.push_back(static_cast<uint8_t>(v % 2));
    return l;
}

// A random graph: each vertex gets `degree` distinct random targets, labels
// uniform over the symbols.
Labelled random(int32_t n, int symbols, int degree, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> vertex(0, n - 1);
    std::uniform_int_distribution<int> symbol(0, symbols - 1);
    std::vector<std::pair<int32_t, int32_t>> edges;
    for (int32_t j = 0; j < n; ++j)
        for (int d = 0; d < degree; ++d)
            edges.push_back({j, vertex(rng)});
    Labelled l;
    l.name = "random/n=" + std::to_string(n) + ",symbols=" + std::to_string(symbols) +
             ",degree=" + std::to_string(degree) + ",seed=" + std::to_string(seed);
    l.matrix = matrixOf(bench::fromEdges("random", n, edges));
    for (int32_t v = 0; v < n; ++v)
        l.labels.push_back(static_cast<uint8_t>(symbol(rng)));
    return l;
}

// The chain 0 -> 1 -> ... -> n-1, every vertex labelled 0, from vertex 0:
// n subsets {0}, {1}, ..., numbered in increasing vertex order, all children
// of the trie's root.
std::string chainName(int32_t n)
{
    return "chain/n=" + std::to_string(n);
}

Labelled chain(int32_t n)
{
    Labelled l;
    l.name = chainName(n);
    l.matrix = matrixOf(bench::chain(n));
    l.labels.assign(static_cast<size_t>(n), 0);
    return l;
}

// A random graph (each vertex `degree` random targets) whose vertices carry
// symbols of their own as far as a byte allows: vertex v has symbol v mod
// 256, so beyond 256 vertices each symbol has n / 256 of them.
std::string ownSymbolsName(int32_t n, int degree, uint32_t seed)
{
    return "own-symbols/n=" + std::to_string(n) + ",degree=" + std::to_string(degree) +
           ",seed=" + std::to_string(seed);
}

Labelled ownSymbols(int32_t n, int degree, uint32_t seed)
{
    Labelled l = random(n, 1, degree, seed);
    l.name = ownSymbolsName(n, degree, seed);
    for (int32_t v = 0; v < n; ++v)
        l.labels[static_cast<size_t>(v)] = static_cast<uint8_t>(v % 256);
    return l;
}

void countOurs(Labelled& l)
{
    IndSubshift* s = IndSubshift_new(l.matrix, l.labels.data());
    SparseMatrix* e = IndSubshift_build(s, l.start);
    l.subsets = s->subsetCount;
    l.edges = e->count;
    SparseMatrix_free(&e);
    IndSubshift_free(&s);
}

void setCounters(benchmark::State& state, const Labelled& l, double peakMB)
{
    state.counters["subsets"] = l.subsets;
    state.counters["edges"] = l.edges;
    state.counters["peak_MB"] = peakMB;
}

void Ours(benchmark::State& state, const Labelled* l)
{
    double peak = 0;
    for (auto _ : state) {
        HeapWatch watch;
        IndSubshift* s = IndSubshift_new(l->matrix, l->labels.data());
        SparseMatrix* e = IndSubshift_build(s, l->start);
        benchmark::DoNotOptimize(e->count);
        peak = watch.peakMB();
        SparseMatrix_free(&e);
        IndSubshift_free(&s);
    }
    setCounters(state, *l, peak);
}

// An input made when its benchmark first runs and released at the end, so a
// filtered run does not build the large ones. Timed like Ours; the counters
// come from the timed runs.
struct Deferred {
    std::string name;
    std::function<Labelled()> make;
    Labelled input;
    bool made = false;
};

void Scaling(benchmark::State& state, Deferred* d)
{
    if (!d->made) {
        d->input = d->make();
        d->made = true;
    }
    Labelled& l = d->input;
    double peak = 0;
    for (auto _ : state) {
        HeapWatch watch;
        IndSubshift* s = IndSubshift_new(l.matrix, l.labels.data());
        SparseMatrix* e = IndSubshift_build(s, l.start);
        peak = watch.peakMB();
        l.subsets = s->subsetCount;
        l.edges = e->count;
        SparseMatrix_free(&e);
        IndSubshift_free(&s);
    }
    setCounters(state, l, peak);
}

void Scanning(benchmark::State& state, const Labelled* l)
{
    double peak = 0;
    for (auto _ : state) {
        HeapWatch watch;
        const ScanningResult r = scanningSubshift(l->matrix, l->labels.data(), l->start);
        if (r.edges != l->edges || r.subsets != l->subsets)
            state.SkipWithError("the scanning construction differs");
        peak = watch.peakMB();
    }
    setCounters(state, *l, peak);
}

using Acceptor = fst::StdVectorFst;

// States = vertices, an arc j -> i labelled labels[j] + 1 per edge, every
// state final, start = the start vertex.
std::unique_ptr<Acceptor> acceptorOf(const Labelled& l)
{
    auto a = std::make_unique<Acceptor>();
    const SparseMatrix* m = l.matrix;
    a->ReserveStates(m->dimension);
    for (int32_t v = 0; v < m->dimension; ++v) {
        a->AddState();
        a->SetFinal(v, fst::TropicalWeight::One());
    }
    for (int32_t k = 0; k < m->count; ++k) {
        int label = l.labels[m->cols[k]] + 1;
        a->AddArc(m->cols[k], fst::StdArc(label, label, fst::TropicalWeight::One(), m->rows[k]));
    }
    a->SetStart(l.start);
    return a;
}

void OpenFstConstruction(benchmark::State& state, const Labelled* l)
{
    double peak = 0;
    for (auto _ : state) {
        HeapWatch watch;
        std::unique_ptr<Acceptor> a = acceptorOf(*l);
        benchmark::DoNotOptimize(a->NumStates());
        peak = watch.peakMB();
    }
    state.counters["peak_MB"] = peak;
}

void OpenFstDeterminize(benchmark::State& state, const Labelled* l)
{
    std::unique_ptr<Acceptor> a = acceptorOf(*l);
    double peak = 0;
    size_t states = 0;
    size_t arcs = 0;
    for (auto _ : state) {
        HeapWatch watch;
        Acceptor d;
        fst::Determinize(*a, &d);
        peak = watch.peakMB();
        state.PauseTiming();
        states = static_cast<size_t>(d.NumStates());
        arcs = 0;
        for (int s = 0; s < d.NumStates(); ++s)
            arcs += d.NumArcs(s);
        state.ResumeTiming();
    }
    if (states != static_cast<size_t>(l->subsets) || arcs != static_cast<size_t>(l->edges))
        state.SkipWithError(("OpenFst: " + std::to_string(states) + " states, " +
                             std::to_string(arcs) + " arcs")
                                .c_str());
    setCounters(state, *l, peak);
}

std::vector<Labelled*>& inputs()
{
    static std::vector<Labelled*> all;
    return all;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::vector<Labelled> made;
    for (int stripes : {2, 4, 16})
        made.push_back(henon(stripes));
    made.push_back(blowUp(12));
    made.push_back(blowUp(16));
    // Random graphs whose reachable subset counts lie between 1e3 and 1e5.
    made.push_back(random(50, 3, 4, 2));
    made.push_back(random(100, 4, 4, 2));
    made.push_back(random(100, 3, 5, 2));
    made.push_back(random(200, 2, 2, 3));
    made.push_back(random(200, 2, 3, 2));
    for (Labelled& l : made) {
        countOurs(l);
        inputs().push_back(&l);
    }
    // The scanning construction costs about (subset, symbol) pairs x stored entries;
    // it runs once per input, and is left out where that passes 3e10.
    for (Labelled* l : inputs()) {
        int32_t symbols = 0;
        for (uint8_t label : l->labels)
            symbols = std::max<int32_t>(symbols, label + 1);
        const double pairs = static_cast<double>(l->subsets) * symbols;
        benchmark::RegisterBenchmark(("subshift/" + l->name).c_str(), Ours, l)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("openfst_construct/" + l->name).c_str(),
                                     OpenFstConstruction, l)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("openfst_determinize/" + l->name).c_str(),
                                     OpenFstDeterminize, l)
            ->Unit(benchmark::kMillisecond);
        if (pairs * l->matrix->count < 3e10)
            benchmark::RegisterBenchmark(("scanning/" + l->name).c_str(), Scanning, l)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    }
    // How the cost grows with n where subsets are found in increasing vertex
    // order (chains), and on random graphs with a symbol per vertex.
    std::vector<Deferred> deferred;
    for (int32_t n : {20000, 40000, 80000, 160000, 1000000, 10000000})
        deferred.push_back({chainName(n), [n] { return chain(n); }, {}, false});
    for (int32_t n : {256, 10000, 100000, 1000000})
        for (int degree : {2, 3})
            deferred.push_back(
                {ownSymbolsName(n, degree, 7), [=] { return ownSymbols(n, degree, 7); }, {}, false});
    for (Deferred& d : deferred)
        benchmark::RegisterBenchmark(("subshift/" + d.name).c_str(), Scaling, &d)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (Labelled& l : made)
        SparseMatrix_free(&l.matrix);
    for (Deferred& d : deferred)
        SparseMatrix_free(&d.input.matrix);
    return 0;
}
