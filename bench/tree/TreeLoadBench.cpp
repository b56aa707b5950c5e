// Tree-file loading: boxes per second and heap bytes per box for a balanced
// tree and for one with a leftmost path 500 * dim deep, beside two floors:
// fread of the same file, and calloc of as many boxes.
// Files are written once into $TMPDIR (default /tmp) and removed at the end.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "Alloc.h"
#include "Box.h"
#include "TreeHandle.h"

namespace {

const int kDim = 2;

// Appends the node stream of the complete binary tree of n boxes (heap order:
// box k has children 2k and 2k+1), splits cycling through the coordinates.
void appendBalanced(std::string& bytes, long n, int firstDepth)
{
    std::vector<std::pair<long, int>> stack{{1, firstDepth}};
    while (!stack.empty()) {
        auto [k, depth] = stack.back();
        stack.pop_back();
        if (k > n) {
            bytes += '\0';
            continue;
        }
        bytes += '\x01';
        bytes += static_cast<char>(depth % kDim);
        bytes += '\0';
        stack.push_back({2 * k + 1, depth + 1});
        stack.push_back({2 * k, depth + 1});
    }
}

std::string header(long boxes)
{
    return "Tree at 0x1:\nRectangle at 0x1:\n  dim = 2\n  center = 0 0\n  radius = 1 1\n"
           "  no of boxes = " + std::to_string(boxes) + "\n";
}

// balanced: one complete tree. deep: a leftmost chain nearly 500 * dim boxes
// long (room left for the subtrees' own levels), each chain box carrying an
// equal complete tree as its upper child.
std::string treeFile(const std::string& shape, long n)
{
    std::string bytes = header(n);
    bytes.reserve(static_cast<size_t>(4 * n + 200));
    if (shape == "balanced") {
        appendBalanced(bytes, n, 0);
        return bytes;
    }
    const long chain = 500L * kDim - 32;
    const long each = (n - chain) / chain;
    for (long d = 0; d < chain; ++d) {
        bytes += '\x01';
        bytes += static_cast<char>(d % kDim);
        bytes += '\0';
    }
    bytes += '\0';  // the leaf at the chain's end has no lower child
    for (long d = chain - 1; d >= 0; --d)  // upper subtrees, deepest chain box first
        appendBalanced(bytes, d == chain - 1 ? 0 : each, static_cast<int>(d + 1));
    return bytes;
}

struct File {
    std::string path;
    long boxes = 0;
    size_t bytes = 0;
};

std::map<std::string, File>& files()
{
    static std::map<std::string, File> all;
    return all;
}

long countBoxes(const std::string& bytes, size_t start)
{
    long boxes = 0;
    for (size_t k = start; k < bytes.size();) {
        if (bytes[k] == 0) {
            ++k;
        } else {
            ++boxes;
            k += 3;
        }
    }
    return boxes;
}

const File& fileFor(const std::string& shape, long n)
{
    std::string key = shape + std::to_string(n);
    auto found = files().find(key);
    if (found != files().end())
        return found->second;
    const char* tmp = getenv("TMPDIR");
    File file;
    file.path = std::string(tmp != nullptr ? tmp : "/tmp") + "/treeLoadBench." +
                std::to_string(getpid()) + "." + key + ".tree";
    std::string bytes = treeFile(shape, n);
    file.boxes = countBoxes(bytes, header(n).size());
    file.bytes = bytes.size();
    FILE* out = fopen(file.path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), out);
    fclose(out);
    return files()[key] = file;
}

size_t heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void Load(benchmark::State& state, const char* shape)
{
    const File& file = fileFor(shape, state.range(0));
    double bytesPerBox = 0;
    size_t before = heapInUse();  // outside the timing: it walks the free lists
    for (auto _ : state) {
        FILE* in = fopen(file.path.c_str(), "rb");  // as tree_ opens it
        TreeHandle* handle = TreeHandle_load(in);
        fclose(in);
        state.PauseTiming();
        if (handle == nullptr)
            state.SkipWithError("load failed");
        bytesPerBox = static_cast<double>(heapInUse() - before) / static_cast<double>(file.boxes);
        TreeHandle_free(&handle);
        malloc_trim(0);  // each load starts on a consolidated heap, as in a fresh process
        before = heapInUse();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * file.boxes);
    state.counters["heap_bytes_per_box"] = bytesPerBox;
    state.counters["boxes"] = static_cast<double>(file.boxes);
}

void Fread(benchmark::State& state, const char* shape)
{
    const File& file = fileFor(shape, state.range(0));
    std::vector<char> buffer(file.bytes);
    for (auto _ : state) {
        FILE* in = fopen(file.path.c_str(), "rb");  // as tree_ opens it
        size_t got = fread(buffer.data(), 1, buffer.size(), in);
        fclose(in);
        benchmark::DoNotOptimize(got);
    }
    state.SetItemsProcessed(state.iterations() * file.boxes);
}

// The allocation floor: as many boxes from the same allocator, chained
// through child[0] so no other memory is needed.
void AllocOnly(benchmark::State& state, const char* shape)
{
    const File& file = fileFor(shape, state.range(0));
    double bytesPerBox = 0;
    size_t before = heapInUse();
    for (auto _ : state) {
        Box* chain = nullptr;
        for (long k = 0; k < file.boxes; ++k) {
            Box* box = static_cast<Box*>(CHECKED_CALLOC(1, sizeof(Box)));
            box->child[0] = chain;
            chain = box;
        }
        state.PauseTiming();
        bytesPerBox = static_cast<double>(heapInUse() - before) / static_cast<double>(file.boxes);
        Box_freeTree(&chain);
        malloc_trim(0);
        before = heapInUse();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * file.boxes);
    state.counters["heap_bytes_per_box"] = bytesPerBox;
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(Load, balanced, "balanced")->Apply(sizes);
BENCHMARK_CAPTURE(Fread, balanced, "balanced")->Apply(sizes);
BENCHMARK_CAPTURE(AllocOnly, balanced, "balanced")->Apply(sizes);
BENCHMARK_CAPTURE(Load, deep, "deep")->Apply(sizes);
BENCHMARK_CAPTURE(Fread, deep, "deep")->Apply(sizes);
BENCHMARK_CAPTURE(AllocOnly, deep, "deep")->Apply(sizes);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const auto& entry : files())
        remove(entry.second.path.c_str());
    return 0;
}
