// Peak heap bytes allocated through operator new while a benchmark runs:
// include in exactly one benchmark source, which then replaces the global
// operator new and delete with counting versions.
#ifndef BOXGRAPH_BENCH_PEAK_MEMORY_H
#define BOXGRAPH_BENCH_PEAK_MEMORY_H

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace bench {

struct HeapCounter {
    size_t current = 0;
    size_t peak = 0;
};

inline HeapCounter heap;

// Restarts the peak at the current level; returns that level.
inline size_t resetPeak()
{
    heap.peak = heap.current;
    return heap.current;
}

}  // namespace bench

namespace bench {

inline void* acquire(size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    heap.current += malloc_usable_size(p);
    if (heap.current > heap.peak)
        heap.peak = heap.current;
    return p;
}

inline void release(void* p) noexcept
{
    if (p != nullptr)
        heap.current -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace bench

void* operator new(size_t size) { return bench::acquire(size); }
void* operator new[](size_t size) { return bench::acquire(size); }
void operator delete(void* p) noexcept { bench::release(p); }
void operator delete[](void* p) noexcept { bench::release(p); }
void operator delete(void* p, size_t) noexcept { bench::release(p); }
void operator delete[](void* p, size_t) noexcept { bench::release(p); }

#endif
