// Box coverings of the Henon attractor x' = 1 - 1.4 x^2 + y, y' = 0.3 x over
// [-1.5, 1.5] x [-0.4, 0.4], made with the library's own operations as the
// Tree class calls them (through a TreeHandle, which keeps the index of the
// level it lists and searches until the tree changes): from the one-box
// tree, per depth: Tree_subdivide, TreeHandle_count and TreeHandle_boxes, 4 x
// 4 sample points per box (the demo's grid: c + r * (2 (i + 0.5) / 4 - 1),
// i = 0..3), their images under the map, TreeHandle_search, Tree_keep of the
// boxes hit.
//
// On the coverings at depths 16, 20, 24 and 28 it times Tree_search (points
// per second; a call that makes its index) and TreeHandle_search (the index
// kept, and one point a call) beside a floor that locates the same points
// on the uniform 2^(d/2) x 2^(d/2) grid by arithmetic alone, and
// Tree_insert, Tree_subdivide, Tree_boxes, Tree_write and Tree_read (boxes
// per second), and the whole computation of the covering. Heap is counted
// at malloc and calloc (PeakMemory.h), so the library's boxes, working
// arrays and the index the handle keeps count.
// Each covering is made once and reused by every benchmark; operations that
// make and free boxes start each round on a trimmed heap, as in a fresh
// process. Rates are per CPU second: the machines are shared.
#define BOXGRAPH_PEAK_MEMORY_C_HEAP
#include "PeakMemory.h"

#include <benchmark/benchmark.h>

#include <stdio.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "Box.h"
#include "Covering.h"
#include "Tree.h"
#include "TreeHandle.h"

namespace {

double kCenter[2] = {0, 0};
double kRadius[2] = {1.5, 0.4};
constexpr int kSide = 4;                       // sample points per box and coordinate
constexpr int kSamples = kSide * kSide;        // sample points per box

Tree* newTree()
{
    Rectangle rect{2, kCenter, kRadius};
    return Tree_new(&rect);
}

TreeHandle* newHandle()
{
    Rectangle rect{2, kCenter, kRadius};
    return TreeHandle_new(&rect);
}

// Every box of the tree, at any depth.
int64_t treeBoxes(Tree* tree)
{
    int64_t n = 0;
    Tree_reset(tree);
    if (tree->current != nullptr) {
        do
            ++n;
        while (Tree_next(tree, INT32_MAX));
    }
    Tree_reset(tree);
    return n;
}

// The working arrays of one step, reserved once so that the heap counted
// during a computation is the library's.
struct Scratch {
    std::vector<double> centers, radii, points, numbers;
    std::vector<uint8_t> mask;

    void reserve(int64_t boxes)
    {
        const auto n = static_cast<size_t>(boxes);
        centers.reserve(2 * n);
        radii.reserve(2 * n);
        points.reserve(2 * kSamples * n);
        numbers.reserve(kSamples * n);
        mask.reserve(n);
    }
};

// The images of the sample points of the n boxes listed in s.centers, s.radii.
void sampleImages(Scratch& s, int64_t n)
{
    s.points.resize(static_cast<size_t>(2 * kSamples * n));
    double* p = s.points.data();
    for (int64_t b = 0; b < n; ++b) {
        const double cx = s.centers[2 * b], cy = s.centers[2 * b + 1];
        const double rx = s.radii[2 * b], ry = s.radii[2 * b + 1];
        for (int i = 0; i < kSide; ++i) {
            const double x = cx + rx * (2 * (i + 0.5) / kSide - 1);
            for (int j = 0; j < kSide; ++j) {
                const double y = cy + ry * (2 * (j + 0.5) / kSide - 1);
                *p++ = 1 - 1.4 * x * x + y;
                *p++ = 0.3 * x;
            }
        }
    }
}

// The boxes at depth, their sample images in s.points; returns their number.
int64_t imagesAt(TreeHandle* handle, int32_t depth, Scratch& s)
{
    const int64_t n = TreeHandle_count(handle, depth);
    s.centers.resize(static_cast<size_t>(2 * n));
    s.radii.resize(static_cast<size_t>(2 * n));
    TreeHandle_boxes(handle, depth, s.centers.data(), s.radii.data());
    sampleImages(s, n);
    return n;
}

// One step of the attractor: subdivide, keep the new boxes the images hit.
// Every change is followed by TreeHandle_reset, as in the Tree class.
// Returns the boxes made by the subdivision.
int64_t attractorStep(TreeHandle* handle, int32_t depth, Scratch& s)
{
    int64_t added = 0;
    if (Tree_subdivide(handle->tree, &added) != TREE_OK)
        abort();
    TreeHandle_reset(handle);
    const int64_t n = imagesAt(handle, depth, s);
    s.numbers.resize(static_cast<size_t>(kSamples * n));
    TreeHandle_search(handle, depth, s.points.data(), kSamples * n, s.numbers.data());
    s.mask.assign(static_cast<size_t>(n), 0);
    for (const double k : s.numbers)
        if (k > 0)
            s.mask[static_cast<size_t>(k) - 1] = 1;
    int64_t kept = 0;
    Tree_keep(handle->tree, depth, s.mask.data(), &kept);
    TreeHandle_reset(handle);
    return added;
}

struct Covering {
    TreeHandle* handle = nullptr;
    Tree* tree = nullptr;  // handle->tree
    int64_t boxes = 0;       // at the deepest level
    int64_t treeBoxes = 0;   // at every level
    int64_t widest = 0;      // the most boxes a subdivision made on the way
    std::vector<double> images;  // sample images of the deepest boxes
    std::vector<double> random;  // as many points, uniform in the rectangle
};

const Covering& coveringAt(int32_t depth)
{
    static std::map<int32_t, Covering> cache;
    Covering& c = cache[depth];
    if (c.tree != nullptr)
        return c;
    c.handle = newHandle();
    c.tree = c.handle->tree;
    Scratch s;
    for (int32_t d = 1; d <= depth; ++d)
        c.widest = std::max(c.widest, attractorStep(c.handle, d, s));
    c.boxes = imagesAt(c.handle, depth, s);
    TreeHandle_forget(c.handle);  // each benchmark makes what it needs
    c.treeBoxes = treeBoxes(c.tree);
    c.images = s.points;
    std::mt19937_64 rng(depth);
    std::uniform_real_distribution<double> ux(-1.5, 1.5), uy(-0.4, 0.4);
    c.random.resize(c.images.size());
    for (size_t i = 0; i < c.random.size(); i += 2) {
        c.random[i] = ux(rng);
        c.random[i + 1] = uy(rng);
    }
    return c;
}

const std::vector<double>& pointsOf(const Covering& c, bool random)
{
    return random ? c.random : c.images;
}

void setBoxCounters(benchmark::State& state, const Covering& c)
{
    state.counters["boxes"] = static_cast<double>(c.boxes);
    state.counters["tree_boxes"] = static_cast<double>(c.treeBoxes);
}

// ---- search, beside the floor

void Search(benchmark::State& state, bool random)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    const std::vector<double>& points = pointsOf(c, random);
    const auto count = static_cast<int64_t>(points.size() / 2);
    std::vector<double> numbers(static_cast<size_t>(count));
    // The heap the call takes beyond the tree (its index), once, untimed.
    const size_t base = bench::resetPeak();
    Tree_search(c.tree, depth, points.data(), count, numbers.data());
    const double peak = static_cast<double>(bench::heap.peak - base);
    for (auto _ : state) {
        Tree_search(c.tree, depth, points.data(), count, numbers.data());
        benchmark::ClobberMemory();
    }
    const auto hits = std::count_if(numbers.begin(), numbers.end(), [](double k) { return k > 0; });
    state.SetItemsProcessed(state.iterations() * count);
    setBoxCounters(state, c);
    state.counters["points"] = static_cast<double>(count);
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(count);
    state.counters["index_bytes_per_box"] = peak / static_cast<double>(c.boxes);
}

// Search with the index kept by the handle: a call costs its points alone.
void SearchKept(benchmark::State& state, bool random)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    const std::vector<double>& points = pointsOf(c, random);
    const auto count = static_cast<int64_t>(points.size() / 2);
    std::vector<double> numbers(static_cast<size_t>(count));
    TreeHandle_search(c.handle, depth, points.data(), count, numbers.data());  // makes the index
    for (auto _ : state) {
        TreeHandle_search(c.handle, depth, points.data(), count, numbers.data());
        benchmark::ClobberMemory();
    }
    TreeHandle_forget(c.handle);
    state.SetItemsProcessed(state.iterations() * count);
    setBoxCounters(state, c);
    state.counters["points"] = static_cast<double>(count);
}

// One point a call, the index kept: what locating an orbit point by point costs.
void SearchOne(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    const auto count = static_cast<int64_t>(c.images.size() / 2);
    double number = 0;
    TreeHandle_search(c.handle, depth, c.images.data(), 1, &number);
    int64_t i = 0;
    for (auto _ : state) {
        TreeHandle_search(c.handle, depth, c.images.data() + 2 * i, 1, &number);
        benchmark::DoNotOptimize(number);
        i = i + 1 < count ? i + 1 : 0;
    }
    TreeHandle_forget(c.handle);
    state.SetItemsProcessed(state.iterations());
    setBoxCounters(state, c);
}

// The floor: the cell of each point on the uniform grid of the level,
// floor((x - lo) / w) per coordinate, written out as a linear index + 1 (0
// outside the rectangle), the same output as the search's.
void Floor(benchmark::State& state, bool random)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    const std::vector<double>& points = pointsOf(c, random);
    const auto count = static_cast<int64_t>(points.size() / 2);
    std::vector<double> numbers(static_cast<size_t>(count));
    const int64_t g = int64_t{1} << (depth / 2);
    const double lox = kCenter[0] - kRadius[0], hix = kCenter[0] + kRadius[0];
    const double loy = kCenter[1] - kRadius[1], hiy = kCenter[1] + kRadius[1];
    const double wx = (hix - lox) / static_cast<double>(g), wy = (hiy - loy) / static_cast<double>(g);
    for (auto _ : state) {
        const double* p = points.data();
        double* out = numbers.data();
        for (int64_t i = 0; i < count; ++i) {
            const double x = p[2 * i], y = p[2 * i + 1];
            if (x >= lox && x <= hix && y >= loy && y <= hiy) {
                // x >= lox: truncation is floor
                const int64_t ix = std::min(g - 1, static_cast<int64_t>((x - lox) / wx));
                const int64_t iy = std::min(g - 1, static_cast<int64_t>((y - loy) / wy));
                out[i] = static_cast<double>(ix * g + iy + 1);
            } else {
                out[i] = 0;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["points"] = static_cast<double>(count);
}

// ---- changes, listing, files

// Insert the sample images of the covering at its depth into a new tree.
void Insert(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    const auto count = static_cast<int64_t>(c.images.size() / 2);
    int64_t made = 0, added = 0;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t base = bench::resetPeak();
        Tree* tree = newTree();
        state.ResumeTiming();
        if (Tree_insert(tree, depth, c.images.data(), count, &added) != TREE_OK)
            state.SkipWithError("insert refused");
        state.PauseTiming();
        made = treeBoxes(tree) - 1;  // the root was there before
        peak = static_cast<double>(bench::heap.peak - base);
        Tree_free(&tree);
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * made);
    setBoxCounters(state, c);
    state.counters["added_at_depth"] = static_cast<double>(added);
    state.counters["points"] = static_cast<double>(count);
    state.counters["peak_bytes_per_box"] = peak / static_cast<double>(made + 1);
}

// Removes the children of the boxes at depth, as they were before a subdivision.
void unsubdivide(Tree* tree, int32_t depth)
{
    Tree_reset(tree);
    do {
        Box* box = tree->current;
        if (tree->depth == depth) {
            Box_freeTree(&box->child[0]);
            Box_freeTree(&box->child[1]);
            box->split = 0;
        }
    } while (Tree_next(tree, depth));
    Tree_reset(tree);
}

void Subdivide(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    int64_t added = 0;
    for (auto _ : state) {
        if (Tree_subdivide(c.tree, &added) != TREE_OK)
            state.SkipWithError("subdivide refused");
        state.PauseTiming();
        unsubdivide(c.tree, depth);
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * added);
    setBoxCounters(state, c);
}

void Boxes(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    std::vector<double> centers(static_cast<size_t>(2 * c.boxes)), radii(centers.size());
    for (auto _ : state) {
        Tree_boxes(c.tree, depth, centers.data(), radii.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * c.boxes);
    setBoxCounters(state, c);
}

// Boxes per second are the tree's boxes at every level, as the file holds them.
void Save(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    FILE* file = tmpfile();
    for (auto _ : state) {
        rewind(file);
        if (Tree_write(c.tree, file) != 0)
            state.SkipWithError("write failed");
    }
    fclose(file);
    state.SetItemsProcessed(state.iterations() * c.treeBoxes);
    setBoxCounters(state, c);
}

void Load(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    FILE* file = tmpfile();
    Tree_write(c.tree, file);
    double peak = 0;
    for (auto _ : state) {
        rewind(file);
        state.PauseTiming();
        const size_t base = bench::resetPeak();
        state.ResumeTiming();
        Tree* tree = Tree_read(file);
        state.PauseTiming();
        if (tree == nullptr || treeBoxes(tree) != c.treeBoxes)
            state.SkipWithError("read failed");
        peak = static_cast<double>(bench::heap.peak - base);
        Tree_free(&tree);
        malloc_trim(0);
        state.ResumeTiming();
    }
    fclose(file);
    state.SetItemsProcessed(state.iterations() * c.treeBoxes);
    setBoxCounters(state, c);
    state.counters["peak_bytes_per_box"] = peak / static_cast<double>(c.treeBoxes);
}

// ---- the whole computation

// The covering made from the one-box tree, with the peak heap per box of
// the result (the tree with its handle, the index the handle keeps, and the
// library's working memory; the caller's arrays are reserved beforehand and
// not counted).
void Attractor(benchmark::State& state)
{
    const auto depth = static_cast<int32_t>(state.range(0));
    const Covering& c = coveringAt(depth);
    Scratch s;
    s.reserve(c.widest);
    double peak = 0, held = 0;
    for (auto _ : state) {
        const size_t base = bench::resetPeak();
        TreeHandle* handle = newHandle();
        for (int32_t d = 1; d <= depth; ++d)
            attractorStep(handle, d, s);
        state.PauseTiming();
        peak = static_cast<double>(bench::heap.peak - base);
        held = static_cast<double>(bench::heap.current - base);
        if (Tree_count(handle->tree, depth) != c.boxes)
            state.SkipWithError("a different covering");
        TreeHandle_free(&handle);
        malloc_trim(0);
        state.ResumeTiming();
    }
    setBoxCounters(state, c);
    state.counters["peak_bytes_per_tree_box"] = peak / static_cast<double>(c.treeBoxes);
    state.counters["peak_bytes_per_box"] = peak / static_cast<double>(c.boxes);
    state.counters["tree_bytes_per_tree_box"] = held / static_cast<double>(c.treeBoxes);
}

void depths(benchmark::internal::Benchmark* b)
{
    b->Arg(16)->Arg(20)->Arg(24)->Arg(28)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(Search, images, false)->Apply(depths);
BENCHMARK_CAPTURE(SearchKept, images, false)->Apply(depths);
BENCHMARK(SearchOne)->Apply(depths)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(Floor, images, false)->Apply(depths);
BENCHMARK_CAPTURE(Search, random, true)->Apply(depths);
BENCHMARK_CAPTURE(Floor, random, true)->Apply(depths);
BENCHMARK(Insert)->Apply(depths);
BENCHMARK(Subdivide)->Apply(depths);
BENCHMARK(Boxes)->Apply(depths);
BENCHMARK(Save)->Apply(depths);
BENCHMARK(Load)->Apply(depths);
BENCHMARK(Attractor)->Apply(depths);

}  // namespace

BENCHMARK_MAIN();
